#include "app/TFindDialog.h"
#include "app/TReplaceDialog.h"

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The dialogs under test: the plain find dialog and the replace dialog, which must behave the
// same in everything they share.
std::unique_ptr<TFindDialog> MakeDialog(bool replace) {
    if (replace)
        return std::make_unique<TReplaceDialog>();
    return std::make_unique<TFindDialog>();
}

// Records what OnFind was called with.
struct TFindCalls {
    QList<TFindDialog*> Senders;
    QList<TFindOptions> Options;
    QStringList Texts;

    void Attach(TFindDialog& dialog) {
        dialog.OnFind = [this](TFindDialog* sender) {
            Senders.append(sender);
            Options.append(sender->Options());
            Texts.append(sender->FindText());
        };
    }
};

} // namespace

TEST(FindDialogSearchOptions, FlagsBecomeEditorOptions) {
    struct {
        TFindOptions flags;
        TGlyphSearchOptions expected;
    } cases[] = {
        {{}, SearchBackward},
        {frDown, {}},
        {frFindNext, SearchBackward},
        {frDown | frFindNext, {}},
        {frDown | frMatchCase, SearchMatchCase},
        {frWholeWord, SearchBackward | SearchWholeWord},
        {frDown | frReplace, SearchReplace},
        {frReplaceAll, SearchBackward | SearchReplaceAll},
        {frDown | frMatchCase | frWholeWord | frReplaceAll,
         SearchMatchCase | SearchWholeWord | SearchReplaceAll},
    };
    for (const auto& c : cases) {
        const TGlyphSearchOptions options = FindDialogSearchOptions(c.flags);
        EXPECT_EQ(options.toInt(), c.expected.toInt()) << "flags " << c.flags.toInt();
        // Whatever the flags, a dialog's search always starts at the caret.
        EXPECT_FALSE(options & (SearchEntireText | SearchSelectionOnly | SearchPrompt));
    }
}

TEST(FindDialogs, StartDownwardWithNoOtherOption) {
    for (bool replace : {false, true}) {
        auto dialog = MakeDialog(replace);
        EXPECT_EQ(dialog->Options(), TFindOptions(frDown)) << "replace " << replace;
        EXPECT_TRUE(dialog->RBDown->isChecked());
        EXPECT_FALSE(dialog->RBUp->isChecked());
        EXPECT_EQ(dialog->FindText(), QString());
        EXPECT_FALSE(dialog->isModal());
    }
}

TEST(FindDialogs, CaptionsAndReplaceFields) {
    TFindDialog find;
    TReplaceDialog replace;
    EXPECT_EQ(find.windowTitle(), "Find");
    EXPECT_EQ(replace.windowTitle(), "Replace");
    EXPECT_EQ(find.findChild<QLineEdit*>("EditReplace"), nullptr);
    EXPECT_EQ(find.findChild<QPushButton*>("ButtonReplace"), nullptr);
    ASSERT_NE(replace.EditReplace, nullptr);
    replace.SetReplaceText("new");
    EXPECT_EQ(replace.ReplaceText(), "new");
    EXPECT_EQ(replace.ButtonReplace->text(), "&Replace");
    EXPECT_EQ(replace.ButtonReplaceAll->text(), "Replace &All");
}

TEST(FindDialogs, SettingsShowInTheOptions) {
    struct {
        const char* what;
        bool up;
        bool matchCase;
        bool wholeWord;
        TFindOptions expected;
    } cases[] = {
        {"down only", false, false, false, frDown},
        {"up", true, false, false, {}},
        {"match case", false, true, false, frDown | frMatchCase},
        {"whole word upward", true, false, true, frWholeWord},
        {"everything", false, true, true, frDown | frMatchCase | frWholeWord},
    };
    for (bool replace : {false, true}) {
        for (const auto& c : cases) {
            auto dialog = MakeDialog(replace);
            (c.up ? dialog->RBUp : dialog->RBDown)->setChecked(true);
            dialog->CBMatchCase->setChecked(c.matchCase);
            dialog->CBWholeWord->setChecked(c.wholeWord);
            EXPECT_EQ(dialog->Options(), c.expected) << c.what << ", replace " << replace;

            // Written back, the options give the same settings.
            auto other = MakeDialog(replace);
            other->SetOptions(c.expected);
            EXPECT_EQ(other->Options(), c.expected) << c.what;
            EXPECT_EQ(other->RBUp->isChecked(), c.up) << c.what;
        }
    }
}

TEST(FindDialogs, EachButtonRunsOnFindWithItsFlag) {
    TReplaceDialog dialog;
    TFindCalls calls;
    calls.Attach(dialog);
    dialog.SetFindText("word");
    dialog.CBMatchCase->setChecked(true);
    struct {
        QPushButton* button;
        TFindOptions flag;
    } cases[] = {
        {dialog.ButtonReplace, frReplace},
        {dialog.ButtonFindNext, frFindNext},
        {dialog.ButtonReplaceAll, frReplaceAll},
        {dialog.ButtonFindNext, frFindNext},
    };
    for (const auto& c : cases) {
        QTest::mouseClick(c.button, Qt::LeftButton);
        ASSERT_FALSE(calls.Options.isEmpty());
        // The flag of the button pressed and none of the other two.
        EXPECT_EQ(calls.Options.last(), frDown | frMatchCase | c.flag)
            << c.button->text().toStdString();
        EXPECT_EQ(calls.Senders.last(), &dialog);
        EXPECT_EQ(calls.Texts.last(), "word");
    }
    EXPECT_EQ(calls.Options.size(), 4);
}

TEST(FindDialogs, EnterInTheSearchTextFindsNext) {
    TFindDialog dialog;
    TFindCalls calls;
    calls.Attach(dialog);
    dialog.Execute();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(dialog.EditFind, "abc");
    QTest::keyClick(dialog.EditFind, Qt::Key_Return);
    ASSERT_EQ(calls.Texts, QStringList{"abc"});
    EXPECT_EQ(calls.Options[0], frDown | frFindNext);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open for the next search";
}

TEST(FindDialogs, SearchButtonsNeedASearchText) {
    TReplaceDialog dialog;
    TFindCalls calls;
    calls.Attach(dialog);
    for (QPushButton* button :
         {dialog.ButtonFindNext, dialog.ButtonReplace, dialog.ButtonReplaceAll}) {
        EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    EXPECT_TRUE(calls.Options.isEmpty());
    dialog.SetFindText("x");
    for (QPushButton* button :
         {dialog.ButtonFindNext, dialog.ButtonReplace, dialog.ButtonReplaceAll})
        EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
    dialog.SetFindText("");
    EXPECT_FALSE(dialog.ButtonReplaceAll->isEnabled());
    EXPECT_TRUE(dialog.ButtonCancel->isEnabled());
}

TEST(FindDialogs, CancelHidesAndExecuteShowsTheKeptState) {
    TReplaceDialog dialog;
    dialog.Execute();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.SetFindText("kept");
    dialog.SetReplaceText("also kept");
    dialog.RBUp->setChecked(true);
    dialog.CBWholeWord->setChecked(true);
    QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());

    dialog.Execute();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.FindText(), "kept");
    EXPECT_EQ(dialog.ReplaceText(), "also kept");
    EXPECT_EQ(dialog.Options(), TFindOptions(frWholeWord));
    EXPECT_EQ(dialog.EditFind->selectedText(), "kept") << "ready to be typed over";

    // Escape closes it like Cancel.
    QTest::keyClick(dialog.EditFind, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}
