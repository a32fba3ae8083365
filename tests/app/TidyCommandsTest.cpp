#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "htmltools/TidyRunner.h"
#include "support/MainWindowStart.h"
#include "support/ScriptedPrompts.h"

#include <QDockWidget>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

void SetText(TFormGlyphon& form, const QString& text) {
    form.GlyphEdit.SetText(text);
    form.GlyphEdit.ClearUndoHistory();
    form.GlyphEdit.SetModified(false);
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

bool MessagesShown(const TFormGlyphon& form) {
    return form.TBWindowPreview->isVisible() &&
           form.PageControl->isTabVisible(form.PageControl->indexOf(form.TSErrors)) &&
           form.PageControl->currentWidget() == form.TSErrors;
}

const QString Broken = "<html><head><title>t</title></head>\r\n<body>\r\n<p>a <b>bold\r\n"
                       "</body></html>";

} // namespace

TEST(TidyCommands, ValidateListsTheMessagesAndSelectsTheLastOnesLine) {
    auto form = StartMainWindow();
    const struct {
        QString Text;
        QStringList Items;
        int SelectedLine;
        QString Box;
    } cases[] = {
        {"<!DOCTYPE html>\r\n<html><head><title>t</title></head><body></body></html>",
         {"The HTML source has been validated and no errors were found."},
         0,
         "The HTML source has been validated and no errors were found."},
        {Broken,
         {"Line 1, Column 1 - Warninig: missing <!DOCTYPE> declaration",
          "Line 3, Column 6 - Warninig: missing </b> before </body>"},
         3,
         "The HTML source contains errors. See error messages for more details."},
    };
    for (const auto& c : cases) {
        SetText(*form, c.Text);
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(form->MIValidateHTML);
        EXPECT_EQ(Items(form->ListBoxErrors), c.Items);
        EXPECT_TRUE(MessagesShown(*form));
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Text, c.Box);
        EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Information);
        if (c.SelectedLine > 0) {
            EXPECT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{1, c.SelectedLine}));
            EXPECT_EQ(form->GlyphEdit.SelectionEnd(), (TBufferCoord{13, c.SelectedLine}));
            EXPECT_EQ(form->GlyphEdit.CaretXY(), (TBufferCoord{1, c.SelectedLine}));
        }
    }
    form->ClickMenuItem(form->MINew);
    EXPECT_FALSE(form->PageControl->isTabVisible(form->PageControl->indexOf(form->TSErrors)));
}

TEST(TidyCommands, ClickingAMessageSelectsTheLineItNames) {
    auto form = StartMainWindow();
    SetText(*form, "one\r\ntwo two\r\nthree");
    form->TBWindowPreview->show();
    const struct {
        QString Item;
        TBufferCoord Start;
        TBufferCoord End;
    } cases[] = {
        {"Line 2, Column 3 - Warninig: a - b, c", {1, 2}, {8, 2}},
        {"Line 0, Column 1 - Error: x", {1, 1}, {4, 1}},
        {"Line 99, Column 1 - Error: x", {1, 3}, {6, 3}},
        {"HTML Tidy Completed. Click [Undo] to return to your original source.", {1, 3}, {6, 3}},
    };
    for (const auto& c : cases) {
        form->ListBoxErrors->clear();
        form->ListBoxErrors->addItem(c.Item);
        QListWidgetItem* item = form->ListBoxErrors->item(0);
        QTest::mouseClick(form->ListBoxErrors->viewport(), Qt::LeftButton, {},
                          form->ListBoxErrors->visualItemRect(item).center());
        EXPECT_EQ(form->GlyphEdit.SelectionStart(), c.Start) << c.Item.toStdString();
        EXPECT_EQ(form->GlyphEdit.SelectionEnd(), c.End) << c.Item.toStdString();
    }
}

TEST(TidyCommands, TidyIsOneChangeThatUndoTakesBack) {
    auto form = StartMainWindow();
    SetText(*form, Broken);
    form->TBWindowPreview->show();
    form->ListBoxErrors->setFocus(); // as after a click on a message
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(form->MITidyHTML);
    EXPECT_TRUE(form->GlyphEdit.Text().contains("<P>a <B>bold</B></P>"));
    EXPECT_TRUE(form->GlyphEdit.Modified());
    const QString done = "HTML Tidy Completed. Click [Undo] to return to your original source.";
    EXPECT_EQ(Items(form->ListBoxErrors), QStringList{done});
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, done);
    form->ClickMenuItem(form->MIUndo);
    EXPECT_EQ(form->GlyphEdit.Text(), Broken + "\r\n");
    EXPECT_FALSE(form->GlyphEdit.UndoAvailable());
}

TEST(TidyCommands, TidyHtmlIsOfferedOnlyForTextThatIsNotBlank) {
    auto form = StartMainWindow();
    const struct {
        QString Text;
        bool ReadOnly;
        bool Enabled;
    } cases[] = {{"", false, false},
                 {"  \r\n\t\r\n", false, false},
                 {"\r\n x", false, true},
                 {"x", true, false}};
    for (const auto& c : cases) {
        SetText(*form, c.Text);
        form->GlyphEdit.SetReadOnly(c.ReadOnly);
        emit form->MIFormat->aboutToShow();
        EXPECT_EQ(form->MITidyHTML->isEnabled(), c.Enabled) << c.Text.toStdString();
        EXPECT_TRUE(form->MIValidateHTML->isEnabled());
        EXPECT_TRUE(form->MITidyProperties->isEnabled());
    }
}

TEST(TidyCommands, AHelperThatCrashesLeavesTheDocumentAsItWas) {
    const TTidyHelperSettings saved = TidyHelperSettings();
    TidyHelperSettings().Arguments = {"--crash-for-test"};
    auto form = StartMainWindow();
    SetText(*form, Broken);
    for (QAction* command : {form->MIValidateHTML, form->MITidyHTML}) {
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(command);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Text, "HTML Tidy stopped unexpectedly.");
        EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Critical);
        EXPECT_EQ(form->GlyphEdit.Text(), Broken + "\r\n");
        EXPECT_FALSE(form->GlyphEdit.Modified());
    }
    TidyHelperSettings() = saved;
}
