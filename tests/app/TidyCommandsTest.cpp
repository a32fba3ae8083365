#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "htmltools/TFormTidyProperties.h"
#include "htmltools/TidyRunner.h"
#include "support/MainWindowStart.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
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

TEST(TidyCommands, TidyHtmlAndCheckSpellingAreOfferedOnlyForTextThatCanChange) {
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
        emit form->MIEdit->aboutToShow();
        EXPECT_EQ(form->MICheckSpelling->isEnabled(), !c.ReadOnly) << c.Text.toStdString();
        EXPECT_TRUE(form->MIValidateHTML->isEnabled());
        EXPECT_TRUE(form->MITidyProperties->isEnabled());
    }
}

TEST(TidyCommands, AHelperThatCrashesOrRunsPastItsLimitLeavesTheDocumentAsItWas) {
    const TTidyHelperSettings saved = TidyHelperSettings();
    auto form = StartMainWindow();
    // Half a MB of text: the limit of 1 s grows by 1 s.
    const QString page = Broken + QString(512 * 1024, ' ');
    TidyHelperSettings().TimeoutMs = 1000;
    const struct {
        const char* Switch;
        QString Message;
    } cases[] = {{"--crash-for-test", "HTML Tidy stopped unexpectedly."},
                 {"--hang-for-test", "HTML Tidy took longer than 2 seconds and was stopped."}};
    for (const auto& c : cases) {
        TidyHelperSettings().Arguments = {c.Switch};
        SetText(*form, page);
        for (QAction* command : {form->MIValidateHTML, form->MITidyHTML}) {
            ScriptedPrompts prompts;
            prompts.AnswerButton(QMessageBox::Ok);
            form->ClickMenuItem(command);
            ASSERT_EQ(prompts.Records().size(), 1);
            EXPECT_EQ(prompts.Records()[0].Text, c.Message);
            EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Critical);
            EXPECT_EQ(form->GlyphEdit.Text(), page + "\r\n");
            EXPECT_FALSE(form->GlyphEdit.Modified());
        }
    }
    TidyHelperSettings() = saved;
}

TEST(TidyCommands, ServerSideBlocksComeBackByteForByteWhereverTheyStand) {
    auto form = StartMainWindow();
    const QStringList blocks = {"<?php echo $id; ?>", "<% If x Then %>", "<%= pic %>",
                                "<!--#echo var=\"x\" -->", "<?= $r ?>"};
    const QStringList places = {
        "<p>text %1 more</p>",
        "<p><a href=\"v.php?id=%1\">x</a></p>",
        "<p><a %1 href=\"x\">x</a></p>",
        "<script>var a = '%1';</script><p>x</p>",
        "<style>p { color: %1 }</style><p>x</p>",
        "<!-- note %1 --><p>x</p>",
    };
    for (const bool spanning : {false, true}) {
        for (QString block : blocks) {
            if (spanning)
                block.replace(block.indexOf(' '), 1, "\r\n  ");
            for (const QString& place : places) {
                const QString page = "<p>a</p>\r\n" + place.arg(block);
                SCOPED_TRACE(page.toStdString());
                SetText(*form, page);
                ScriptedPrompts prompts;
                prompts.AnswerButton(QMessageBox::Ok);
                form->ClickMenuItem(form->MITidyHTML);
                EXPECT_TRUE(form->GlyphEdit.Text().contains(block))
                    << form->GlyphEdit.Text().toStdString();
                EXPECT_FALSE(form->GlyphEdit.Text().contains(block + "="))
                    << form->GlyphEdit.Text().toStdString();
                ASSERT_EQ(prompts.Records().size(), 1);
                EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Information);
            }
        }
    }
    // Tidy keeps the last of two equal attributes: the block in the first cannot come back.
    const QString page = "<p>a</p>\r\n<p><a href=\"<?= $a ?>\" href=\"b\">x</a></p>\r\n";
    SetText(*form, page);
    const QString before = form->GlyphEdit.Text();
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(form->MITidyHTML);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text,
              "HTML Tidy could not keep the server-side block that starts on line 2 as it was. "
              "The document was not changed.");
    EXPECT_EQ(form->GlyphEdit.Text(), before);
    EXPECT_FALSE(form->GlyphEdit.Modified());
}

TEST(TidyCommands, EveryEncodingChoiceKeepsEveryCharacterDirectlyOrAsAReference) {
    auto form = StartMainWindow();
    // What the body becomes for each output choice, whatever the input choice.
    const QStringList bodies = {
        "Caf&#233; &#8364; &#128512;", // ascii
        "Café &#8364; &#128512;",      // latin1
        "Café € 😀",                    // raw
        "Café € 😀",                    // utf8
        "Caf&#233; &#8364; &#128512;", // iso2022
        "Café € &#128512;",            // mac
        "Café € &#128512;",            // win1252
    };
    for (int in = 0; in < 7; ++in) {
        for (int out = 0; out < 7; ++out) {
            SCOPED_TRACE(testing::Message() << "input " << in << " output " << out);
            form->TidyProperties().CBInputEncoding->setCurrentIndex(in);
            form->TidyProperties().CBOutputEncoding->setCurrentIndex(out);
            SetText(*form, "<title>t</title><p title=\"Café € 😀\">Café € 😀</p>"
                           "<script>var s = 'Café € 😀';</script>");
            form->GlyphEdit.Lines().SetEncoding(
                (in + out) % 2 ? TTextEncoding::Windows1252 : TTextEncoding::Utf8, false);
            ScriptedPrompts prompts;
            prompts.AnswerButton(QMessageBox::Ok);
            form->ClickMenuItem(form->MITidyHTML);
            const QString text = form->GlyphEdit.Text();
            const QString body = bodies.at(out);
            EXPECT_TRUE(text.contains("<P TITLE=\"" + body + "\">" + body + "</P>"))
                << text.toStdString();
            EXPECT_TRUE(text.contains("var s = 'Café € 😀';")) << text.toStdString();
        }
    }
    form->TidyProperties().CBInputEncoding->setCurrentIndex(2);
    form->TidyProperties().CBOutputEncoding->setCurrentIndex(2);
}

TEST(TidyCommands, TextWithANulIsRefusedAndKept) {
    auto form = StartMainWindow();
    const QString page = QString("<p>a</p>\r\n<p>b") + QChar(0) + "c</p>\r\n<p>after</p>\r\n";
    for (QAction* command : {form->MIValidateHTML, form->MITidyHTML}) {
        SetText(*form, page);
        const QString before = form->GlyphEdit.Text();
        form->ListBoxErrors->clear();
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(command);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Text, "The document holds NUL characters, which HTML Tidy "
                                             "cannot read. Remove them and try again.");
        EXPECT_EQ(form->GlyphEdit.Text(), before);
        EXPECT_FALSE(form->GlyphEdit.Modified());
        EXPECT_EQ(form->ListBoxErrors->count(), 0);
    }
}
