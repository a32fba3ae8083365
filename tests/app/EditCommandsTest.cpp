#include "app/TFindDialog.h"
#include "app/TFormGlyphon.h"
#include "app/TReplaceDialog.h"

#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "editor/TGlyphEditView.h"
#include "support/MainWindowStart.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

void PrintTo(const TBufferCoord& p, std::ostream* out) {
    *out << "(" << p.X << ", " << p.Y << ")";
}

namespace {

// The window made active, so that its shortcuts work.
void Activate(TFormGlyphon& form) {
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
}

void SetText(TFormGlyphon& form, const QStringList& lines) {
    form.GlyphEdit.SetText(lines.join("\r\n"));
    form.GlyphEdit.ClearUndoHistory();
    form.GlyphEdit.SetModified(false);
}

QStringList Lines(const TFormGlyphon& form) {
    return form.GlyphEdit.Lines().Lines();
}

// Selects from A to B with the caret at B.
void Select(TFormGlyphon& form, TBufferCoord a, TBufferCoord b) {
    form.GlyphEdit.SetSelectionAnchor(a);
    form.GlyphEdit.SetSelectionActiveEnd(b);
    form.GlyphEdit.SetCaretXY(b);
}

struct TSpan {
    TBufferCoord Start;
    TBufferCoord End;
};

TSpan Selection(const TFormGlyphon& form) {
    return {form.GlyphEdit.SelectionStart(), form.GlyphEdit.SelectionEnd()};
}

QString Panel1(const TFormGlyphon& form) {
    return StatusPanel(form.StatusBar, 1)->text();
}

QString CaretText(const TFormGlyphon& form) {
    return QStringLiteral("Ln %1, Col %2")
        .arg(form.GlyphEdit.CaretY())
        .arg(form.GlyphEdit.CaretX());
}

// A pane beside the editor that can take the focus, as the explorer pane does.
QTreeView* AddExplorerStandIn(TFormGlyphon& form) {
    auto* dock = new QDockWidget("Explorer", &form);
    auto* tree = new QTreeView(dock);
    dock->setWidget(tree);
    form.addDockWidget(Qt::LeftDockWidgetArea, dock);
    return tree;
}

// Clicks a dialog's button as the user does.
void Click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

std::string Str(const QString& text) {
    return text.toStdString();
}

// Lines "item n of the old list", every fifth one "item n" (nothing to replace there).
QStringList OldList(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << (i % 5 == 0 ? QStringLiteral("item %1")
                             : QStringLiteral("item %1 of the old list"))
                     .arg(i);
    return lines;
}

// OldList with "old" replaced from line `first` to line `last`.
QStringList NewList(int count, int first, int last) {
    QStringList lines = OldList(count);
    for (int i = first; i <= last; ++i)
        lines[i - 1].replace("old", "new");
    return lines;
}

class EditCommands : public ::testing::Test {
protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
    void TearDown() override {
        QLocale::setDefault(locale_);
        QFile::remove(TestEnvironment::SettingsPath());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Velmaris", "Velmaris Glyphon")
            .clear();
    }

private:
    const QLocale locale_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Enabled states

TEST_F(EditCommands, EditItemsFollowTheEditorAndItsFocus) {
    struct {
        const char* what;
        bool typed;
        bool undone;
        bool selected;
        bool clipboard;
        bool readOnly;
        bool focusElsewhere;
        bool undo, redo, cutCopyDelete, paste;
    } cases[] = {
        {"fresh document", false, false, false, false, false, false, false, false, false, false},
        {"typed text", true, false, false, false, false, false, true, false, false, false},
        {"typed and undone", true, true, false, false, false, false, false, true, false, false},
        {"a selection", false, false, true, false, false, false, false, false, true, false},
        {"text on the clipboard", false, false, false, true, false, false, false, false, false,
         true},
        {"read only", true, false, true, true, true, false, false, false, true, false},
        {"focus in another pane", true, false, true, true, false, true, false, false, false, false},
    };
    for (const auto& c : cases) {
        auto form = StartMainWindow();
        QTreeView* explorer = AddExplorerStandIn(*form);
        QGuiApplication::clipboard()->clear();
        if (c.typed)
            QTest::keyClicks(form->GlyphEditView, "hello");
        while (c.undone && form->GlyphEdit.UndoAvailable())
            form->GlyphEdit.Undo();
        if (c.selected) {
            SetText(*form, {"some text"});
            Select(*form, {1, 1}, {5, 1});
        }
        if (c.clipboard)
            QGuiApplication::clipboard()->setText("clip");
        form->GlyphEdit.SetReadOnly(c.readOnly);
        if (c.focusElsewhere)
            explorer->setFocus();

        form->ClickMenuItem(form->MIEdit->menuAction());
        emit form->PopupMenuGlyphEdit->aboutToShow();
        const QList<std::pair<QAction*, QAction*>> conditional = {
            {form->MIUndo, form->PMUndo},   {form->MIRedo, form->PMRedo},
            {form->MICut, form->PMCut},     {form->MICopy, form->PMCopy},
            {form->MIPaste, form->PMPaste}, {form->MIDelete, form->PMDelete}};
        const bool expected[] = {c.undo,          c.redo,  c.cutCopyDelete,
                                 c.cutCopyDelete, c.paste, c.cutCopyDelete};
        for (int i = 0; i < conditional.size(); ++i) {
            EXPECT_EQ(conditional[i].first->isEnabled(), expected[i])
                << c.what << ": " << Str(conditional[i].first->objectName());
            EXPECT_EQ(conditional[i].second->isEnabled(), expected[i])
                << c.what << ": " << Str(conditional[i].second->objectName());
        }
        for (QAction* item :
             {form->MIFind, form->MIFindNext, form->MIReplace, form->MIGoTo, form->MISelectAll,
              form->MITimeDate, form->MISetFont, form->PMSelectAll, form->PMReadOnly})
            EXPECT_TRUE(item->isEnabled()) << c.what << ": " << Str(item->objectName());
        EXPECT_EQ(form->PMReadOnly->isChecked(), c.readOnly) << c.what;
    }
}

TEST_F(EditCommands, ColoursAndSpellingAreOffered) {
    auto form = StartMainWindow();
    form->ClickMenuItem(form->MIEdit->menuAction());
    EXPECT_TRUE(form->MIEditHighlighting->isEnabled());
    EXPECT_TRUE(form->MICheckSpelling->isEnabled());
}

TEST_F(EditCommands, PopupMenuItemsInOrder) {
    auto form = StartMainWindow();
    QStringList captions;
    for (QAction* item : form->PopupMenuGlyphEdit->actions())
        captions << (item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(captions, (QStringList{"Undo", "Redo", "-", "Cut", "Copy", "Paste", "Delete", "-",
                                     "Select All", "-", "Read Only"}));
    EXPECT_TRUE(form->PMReadOnly->isCheckable());
}

TEST_F(EditCommands, ARightClickInTheEditorOpensThePopupWithFreshStates) {
    auto form = StartMainWindow();
    form->GlyphEdit.SetText("word");
    Select(*form, {1, 1}, {3, 1});
    form->GlyphEdit.SetReadOnly(true);
    QWidget* viewport = form->GlyphEditView->viewport();
    const QPoint point(20, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, viewport->mapToGlobal(point));
    QApplication::sendEvent(viewport, &event);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->PopupMenuGlyphEdit->isVisible(); }, 5000));
    EXPECT_TRUE(form->PMCut->isEnabled());
    EXPECT_FALSE(form->PMUndo->isEnabled());
    EXPECT_TRUE(form->PMReadOnly->isChecked());
    form->PopupMenuGlyphEdit->hide();
}

// A shortcut of the Edit menu sees the states the menu would show when opened now, not those
// of the last time it was open.
TEST_F(EditCommands, ShortcutsActOnFreshStates) {
    auto form = StartMainWindow();
    Activate(*form);
    QTreeView* explorer = AddExplorerStandIn(*form);
    form->GlyphEdit.SetText("keep this");
    Select(*form, {1, 1}, {5, 1});
    form->ClickMenuItem(form->MIEdit->menuAction());
    ASSERT_TRUE(form->MICut->isEnabled());

    explorer->setFocus();
    QTest::keyClick(explorer, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Lines(*form), QStringList{"keep this"}) << "the editor has no focus: no cut";

    form->GlyphEditView->setFocus();
    QTest::keyClick(form->GlyphEditView, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Lines(*form), QStringList{" this"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "keep");
    QTest::keyClick(form->GlyphEditView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Lines(*form), QStringList{"keep this"});
}

// ---------------------------------------------------------------------------------------------
// Editing commands from the menu, the pop-up menu and the tool bar

TEST_F(EditCommands, EditingCommandsFromEveryPlace) {
    enum TVia { Menu, Popup, ToolBar };
    struct {
        const char* what;
        TVia via;
        QAction* TFormGlyphon::*item;
        QStringList expected;
        QString clipboard; // after the command
    } cases[] = {
        {"Cut", Menu, &TFormGlyphon::MICut, {"one  three"}, "two"},
        {"Cut", Popup, &TFormGlyphon::PMCut, {"one  three"}, "two"},
        {"Cut", ToolBar, &TFormGlyphon::TBCut, {"one  three"}, "two"},
        {"Copy", Menu, &TFormGlyphon::MICopy, {"one two three"}, "two"},
        {"Copy", Popup, &TFormGlyphon::PMCopy, {"one two three"}, "two"},
        {"Copy", ToolBar, &TFormGlyphon::TBCopy, {"one two three"}, "two"},
        {"Paste", Menu, &TFormGlyphon::MIPaste, {"one X three"}, "X"},
        {"Paste", Popup, &TFormGlyphon::PMPaste, {"one X three"}, "X"},
        {"Paste", ToolBar, &TFormGlyphon::TBPaste, {"one X three"}, "X"},
        {"Delete", Menu, &TFormGlyphon::MIDelete, {"one  three"}, "X"},
        {"Delete", Popup, &TFormGlyphon::PMDelete, {"one  three"}, "X"},
    };
    for (const auto& c : cases) {
        auto form = StartMainWindow();
        SetText(*form, {"one two three"});
        Select(*form, {5, 1}, {8, 1});
        QGuiApplication::clipboard()->setText("X");
        form->ClickMenuItem((*form).*(c.item));
        EXPECT_EQ(Lines(*form), c.expected) << c.what << " via " << c.via;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clipboard) << c.what << " via " << c.via;
        if (c.expected != QStringList{"one two three"}) {
            // Every change is one undo step.
            form->ClickMenuItem(form->MIUndo);
            EXPECT_EQ(Lines(*form), QStringList{"one two three"}) << c.what << " undone";
            form->ClickMenuItem(form->MIRedo);
            EXPECT_EQ(Lines(*form), c.expected) << c.what << " redone";
        }
    }
}

TEST_F(EditCommands, UndoRedoAndSelectAllFromBothMenus) {
    for (bool popup : {false, true}) {
        auto form = StartMainWindow();
        QTest::keyClicks(form->GlyphEditView, "abc");
        // Each typed character is an undo step of its own.
        form->ClickMenuItem(popup ? form->PMUndo : form->MIUndo);
        EXPECT_EQ(Lines(*form), QStringList{"ab"}) << "popup " << popup;
        form->ClickMenuItem(popup ? form->PMRedo : form->MIRedo);
        EXPECT_EQ(Lines(*form), QStringList{"abc"});
        form->GlyphEdit.SetText("first\r\nsecond");
        form->ClickMenuItem(popup ? form->PMSelectAll : form->MISelectAll);
        EXPECT_EQ(form->GlyphEdit.SelectedText(), "first\r\nsecond");
    }
}

TEST_F(EditCommands, DeleteWithoutSelectionChangesNothing) {
    auto form = StartMainWindow();
    SetText(*form, {"abc"});
    form->GlyphEdit.SetCaretXY({2, 1});
    form->MIDeleteClick();
    EXPECT_EQ(Lines(*form), QStringList{"abc"});
    EXPECT_FALSE(form->GlyphEdit.UndoAvailable());
}

// ---------------------------------------------------------------------------------------------
// Find

TEST_F(EditCommands, FindDialogSearches) {
    struct {
        const char* what;
        QStringList text;
        TBufferCoord caret;
        QString search;
        bool up, matchCase, wholeWord;
        std::optional<TSpan> found; // nothing: "Cannot find"
        TBufferCoord caretAfter;
        QString note = {}; // in the status bar; the file name stays when empty
    } cases[] = {
        {"down from the start",
         {"a cat sat", "cat"},
         {1, 1},
         "cat",
         false,
         false,
         false,
         TSpan{{3, 1}, {6, 1}},
         {6, 1}},
        {"down from inside a match skips it",
         {"cat cat"},
         {2, 1},
         "cat",
         false,
         false,
         false,
         TSpan{{5, 1}, {8, 1}},
         {8, 1}},
        {"up from the end",
         {"cat one", "cat two"},
         {8, 2},
         "cat",
         true,
         false,
         false,
         TSpan{{1, 2}, {4, 2}},
         {1, 2}},
        {"without match case ABC finds abc",
         {"xx abc"},
         {1, 1},
         "ABC",
         false,
         false,
         false,
         TSpan{{4, 1}, {7, 1}},
         {7, 1}},
        {"match case",
         {"Abc abc"},
         {1, 1},
         "abc",
         false,
         true,
         false,
         TSpan{{5, 1}, {8, 1}},
         {8, 1}},
        {"whole word",
         {"cats cat_dog cat-dog"},
         {1, 1},
         "cat",
         false,
         false,
         true,
         TSpan{{14, 1}, {17, 1}},
         {17, 1}},
        {"nothing below the caret wraps to the top",
         {"cat", "dog"},
         {1, 2},
         "cat",
         false,
         false,
         false,
         TSpan{{1, 1}, {4, 1}},
         {4, 1},
         "Search wrapped to the top"},
        {"nothing above the caret wraps to the bottom",
         {"dog", "cat"},
         {1, 1},
         "cat",
         true,
         false,
         false,
         TSpan{{1, 2}, {4, 2}},
         {1, 2},
         "Search wrapped to the bottom"},
        {"nowhere", {"dog", "cow"}, {1, 2}, "cat", false, false, false, std::nullopt, {1, 2}},
        {"case differs", {"Cat"}, {1, 1}, "cat", false, true, false, std::nullopt, {1, 1}},
    };
    for (const auto& c : cases) {
        auto form = StartMainWindow();
        SetText(*form, c.text);
        form->GlyphEdit.SetCaretXY(c.caret);
        // A selection a failed search must leave alone.
        form->GlyphEdit.SetSelectionAnchor({1, 1});
        form->GlyphEdit.SetSelectionActiveEnd({2, 1});
        const TSpan before = Selection(*form);
        form->ClickMenuItem(form->MIFind);
        TFindDialog& dialog = *form->FindDialog();
        ASSERT_TRUE(dialog.isVisible()) << c.what;
        dialog.SetFindText(c.search);
        (c.up ? dialog.RBUp : dialog.RBDown)->setChecked(true);
        dialog.CBMatchCase->setChecked(c.matchCase);
        dialog.CBWholeWord->setChecked(c.wholeWord);
        ScriptedPrompts prompts;
        if (!c.found)
            prompts.AnswerButton(QMessageBox::Ok);
        Click(dialog.ButtonFindNext);
        if (c.found) {
            EXPECT_TRUE(prompts.Records().isEmpty()) << c.what;
            EXPECT_EQ(Selection(*form).Start, c.found->Start) << c.what;
            EXPECT_EQ(Selection(*form).End, c.found->End) << c.what;
            EXPECT_EQ(StatusPanel(form->StatusBar, 0)->text(),
                      c.note.isEmpty() ? form->DocumentFileName : c.note)
                << c.what;
        } else {
            ASSERT_EQ(prompts.Records().size(), 1) << c.what << ": once per search";
            EXPECT_EQ(prompts.Records()[0].Text, "Cannot find \"" + c.search + "\"");
            EXPECT_EQ(prompts.Records()[0].Caption, "Velmaris Glyphon");
            EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Information);
            EXPECT_EQ(Selection(*form).Start, before.Start) << c.what;
            EXPECT_EQ(Selection(*form).End, before.End) << c.what;
        }
        EXPECT_EQ(form->GlyphEdit.CaretXY(), c.caretAfter) << c.what;
        EXPECT_EQ(Lines(*form), c.text) << c.what << ": a search changes no text";
    }
}

TEST_F(EditCommands, RepeatedSearchesWalkTheOccurrencesInBothDirections) {
    auto form = StartMainWindow();
    SetText(*form, {"x1 x2", "x3"});
    form->ClickMenuItem(form->MIFind);
    form->FindDialog()->SetFindText("x");
    QList<TBufferCoord> starts;
    for (int i = 0; i < 3; ++i) {
        Click(form->FindDialog()->ButtonFindNext);
        starts << form->GlyphEdit.SelectionStart();
    }
    EXPECT_EQ(starts, (QList<TBufferCoord>{{1, 1}, {4, 1}, {1, 2}}));
    form->FindDialog()->RBUp->setChecked(true);
    starts.clear();
    for (int i = 0; i < 3; ++i) {
        Click(form->FindDialog()->ButtonFindNext);
        starts << form->GlyphEdit.SelectionStart();
    }
    // Every search starts at the caret: turning round finds first the match the caret stands
    // behind, then the caret rests at the start of each match found upward.
    EXPECT_EQ(starts, (QList<TBufferCoord>{{1, 2}, {4, 1}, {1, 1}}));
}

TEST_F(EditCommands, FindNextBeforeAnySearchOpensTheFindDialog) {
    auto form = StartMainWindow();
    SetText(*form, {"text"});
    ScriptedPrompts prompts; // no message may come
    form->ClickMenuItem(form->MIFindNext);
    EXPECT_TRUE(form->FindDialog()->isVisible());
    EXPECT_FALSE(form->ReplaceDialog()->isVisible());
    EXPECT_FALSE(form->GlyphEdit.HasSelection());
}

TEST_F(EditCommands, FindNextIgnoresTheReplaceDialog) {
    auto form = StartMainWindow();
    SetText(*form, {"alpha beta", "beta"});
    form->ClickMenuItem(form->MIReplace);
    ASSERT_TRUE(form->ReplaceDialog()->isVisible());
    form->ReplaceDialog()->SetFindText("beta");
    Click(form->ReplaceDialog()->ButtonFindNext);
    ASSERT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{7, 1}));
    form->ReplaceDialog()->hide();

    // The find dialog has no text of its own yet: Find Next opens it with the selected match
    // as its text and searches nothing.
    ScriptedPrompts prompts;
    form->ClickMenuItem(form->MIFindNext);
    EXPECT_TRUE(form->FindDialog()->isVisible());
    EXPECT_EQ(form->FindDialog()->FindText(), "beta");
    EXPECT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{7, 1}));
    EXPECT_EQ(form->GlyphEdit.CaretXY(), (TBufferCoord{11, 1}));
}

TEST_F(EditCommands, FindNextRepeatsWithTheFindDialogsTextAndOptions) {
    auto form = StartMainWindow();
    SetText(*form, {"Word word", "WORD Word"});
    form->ClickMenuItem(form->MIFind);
    form->FindDialog()->SetFindText("Word");
    form->FindDialog()->CBMatchCase->setChecked(true);
    Click(form->FindDialog()->ButtonFindNext);
    ASSERT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{1, 1}));
    // The replace dialog's settings play no part.
    form->ClickMenuItem(form->MIReplace);
    form->ReplaceDialog()->SetFindText("word");
    form->ReplaceDialog()->RBUp->setChecked(true);
    form->ReplaceDialog()->hide();
    form->FindDialog()->hide();

    form->ClickMenuItem(form->MIFindNext);
    EXPECT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{6, 2}));
    EXPECT_FALSE(form->FindDialog()->isVisible()) << "a repeated search opens no dialog";
    ScriptedPrompts prompts;
    form->ClickMenuItem(form->MIFindNext);
    EXPECT_TRUE(prompts.Records().isEmpty());
    EXPECT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{1, 1})) << "wrapped to the top";
}

TEST_F(EditCommands, TheTwoDialogsKeepTheirOwnState) {
    auto form = StartMainWindow();
    form->ClickMenuItem(form->MIFind);
    form->FindDialog()->SetFindText("alpha");
    form->FindDialog()->RBUp->setChecked(true);
    form->FindDialog()->CBMatchCase->setChecked(true);
    Click(form->FindDialog()->ButtonCancel);

    form->ClickMenuItem(form->MIReplace);
    EXPECT_EQ(form->ReplaceDialog()->FindText(), QString()) << "nothing taken from the find dialog";
    EXPECT_EQ(form->ReplaceDialog()->Options(), TFindOptions(frDown));
    form->ReplaceDialog()->SetFindText("beta");
    form->ReplaceDialog()->SetReplaceText("gamma");
    form->ReplaceDialog()->CBWholeWord->setChecked(true);
    Click(form->ReplaceDialog()->ButtonCancel);

    form->ClickMenuItem(form->MIFind);
    EXPECT_EQ(form->FindDialog()->FindText(), "alpha");
    EXPECT_EQ(form->FindDialog()->Options(), TFindOptions(frMatchCase));
    form->ClickMenuItem(form->MIReplace);
    EXPECT_EQ(form->ReplaceDialog()->FindText(), "beta");
    EXPECT_EQ(form->ReplaceDialog()->ReplaceText(), "gamma");
    EXPECT_EQ(form->ReplaceDialog()->Options(), frDown | frWholeWord);
}

TEST_F(EditCommands, ToolBarFindAndShortcutsOpenTheDialogs) {
    auto form = StartMainWindow();
    form->ClickMenuItem(form->TBFind);
    EXPECT_TRUE(form->FindDialog()->isVisible());
    form->FindDialog()->hide();

    Activate(*form);
    QTest::keyClick(form->GlyphEditView, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(form->FindDialog()->isVisible());
    form->FindDialog()->hide();
    Activate(*form);
    QTest::keyClick(form->GlyphEditView, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(form->ReplaceDialog()->isVisible());
    form->ReplaceDialog()->hide();

    SetText(*form, {"ab ab"});
    form->GlyphEdit.SetCaretXY({1, 1});
    form->FindDialog()->SetFindText("ab");
    Activate(*form);
    QTest::keyClick(form->GlyphEditView, Qt::Key_F3);
    EXPECT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{1, 1}));
    QTest::keyClick(form->GlyphEditView, Qt::Key_F3);
    EXPECT_EQ(form->GlyphEdit.SelectionStart(), (TBufferCoord{4, 1}));
}

// ---------------------------------------------------------------------------------------------
// Replace

TEST_F(EditCommands, ReplaceDialogReplaces) {
    struct {
        const char* what;
        QStringList text;
        TSpan selection; // equal ends: only the caret
        QString search, replacement;
        bool up;
        bool all;
        QStringList expected;
        QString note = {}; // Replace All's count in the status bar
    } cases[] = {
        {"Replace without an earlier find takes the next match",
         {"a1 a2 a3"},
         {{1, 1}, {1, 1}},
         "a",
         "b",
         false,
         false,
         {"b1 a2 a3"}},
        {"Replace takes the selected match",
         {"a1 a2 a3"},
         {{4, 1}, {5, 1}},
         "a",
         "b",
         false,
         false,
         {"a1 b2 a3"}},
        {"the selected match counts without match case",
         {"A1 a2"},
         {{1, 1}, {2, 1}},
         "a",
         "b",
         false,
         false,
         {"b1 a2"}},
        {"upward, the selected match is replaced",
         {"a1 a2 a3"},
         {{5, 1}, {4, 1}},
         "a",
         "b",
         true,
         false,
         {"a1 b2 a3"}},
        {"upward from the caret",
         {"a1 a2 a3"},
         {{6, 1}, {6, 1}},
         "a",
         "b",
         true,
         false,
         {"a1 b2 a3"}},
        {"a selection that is not a match is passed by",
         {"a1 a2 a3"},
         {{1, 1}, {3, 1}},
         "a",
         "b",
         false,
         false,
         {"a1 b2 a3"}},
        {"Replace All from the caret to the end",
         {"x", "x x", "x"},
         {{1, 2}, {1, 2}},
         "x",
         "yy",
         false,
         true,
         {"x", "yy yy", "yy"},
         "3 replacements"},
        {"Replace All upward from the caret",
         {"x", "x x", "x"},
         {{2, 2}, {2, 2}},
         "x",
         "y",
         true,
         true,
         {"y", "y x", "x"},
         "2 replacements"},
        {"Replace All does not search its own replacements",
         {"aaa"},
         {{1, 1}, {1, 1}},
         "a",
         "aa",
         false,
         true,
         {"aaaaaa"},
         "3 replacements"},
        {"Replace All by nothing",
         {"a-b-c", "-"},
         {{1, 2}, {1, 2}},
         "-",
         "",
         false,
         true,
         {"a-b-c", ""},
         "1 replacement"},
        {"Replace All over thousands of lines from the caret",
         OldList(5000),
         {{1, 2001}, {1, 2001}},
         "old",
         "new",
         false,
         true,
         NewList(5000, 2001, 5000),
         "2400 replacements"},
        {"Replace All over thousands of lines upward",
         OldList(5000),
         {{1, 2001}, {1, 2001}},
         "old",
         "new",
         true,
         true,
         NewList(5000, 1, 2000),
         "1600 replacements"},
    };
    for (const auto& c : cases) {
        auto form = StartMainWindow();
        SetText(*form, c.text);
        Select(*form, c.selection.Start, c.selection.End);
        form->ClickMenuItem(form->MIReplace);
        TReplaceDialog& dialog = *form->ReplaceDialog();
        dialog.SetFindText(c.search);
        dialog.SetReplaceText(c.replacement);
        (c.up ? dialog.RBUp : dialog.RBDown)->setChecked(true);
        ScriptedPrompts prompts; // a match is there: no message
        Click(c.all ? dialog.ButtonReplaceAll : dialog.ButtonReplace);
        EXPECT_EQ(Lines(*form), c.expected) << c.what;
        if (c.all) {
            EXPECT_EQ(StatusPanel(form->StatusBar, 0)->text(), c.note) << c.what;
        }
        form->ClickMenuItem(form->MIUndo);
        EXPECT_EQ(Lines(*form), c.text) << c.what << ": one undo takes it back";
    }
}

TEST_F(EditCommands, FindAndReplaceOpenWithTheSelectedTextOfOneLine) {
    const struct {
        const char* what;
        TSpan selection; // equal ends: only the caret
        QString search;
    } cases[] = {{"a word", {{5, 1}, {8, 1}}, "two"},
                 {"selected backwards", {{8, 1}, {5, 1}}, "two"},
                 {"over two lines", {{5, 1}, {2, 2}}, "kept"},
                 {"nothing selected", {{5, 1}, {5, 1}}, "kept"}};
    for (const auto& c : cases) {
        auto form = StartMainWindow();
        SetText(*form, {"one two", "three"});
        for (QAction* item : {form->MIFind, form->MIReplace}) {
            TFindDialog& dialog =
                item == form->MIFind ? *form->FindDialog() : *form->ReplaceDialog();
            dialog.SetFindText("kept");
            Select(*form, c.selection.Start, c.selection.End);
            form->ClickMenuItem(item);
            EXPECT_EQ(dialog.FindText(), c.search) << c.what;
            dialog.hide();
        }
    }
}

TEST_F(EditCommands, FindNextThenReplaceWalksTheMatches) {
    auto form = StartMainWindow();
    SetText(*form, {"cat cat", "cat"});
    form->ClickMenuItem(form->MIReplace);
    TReplaceDialog& dialog = *form->ReplaceDialog();
    dialog.SetFindText("cat");
    dialog.SetReplaceText("dog");
    Click(dialog.ButtonFindNext);
    Click(dialog.ButtonReplace);
    EXPECT_EQ(Lines(*form), (QStringList{"dog cat", "cat"}));
    Click(dialog.ButtonReplace);
    EXPECT_EQ(Lines(*form), (QStringList{"dog dog", "cat"}));
    Click(dialog.ButtonReplace);
    EXPECT_EQ(Lines(*form), (QStringList{"dog dog", "dog"}));
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    Click(dialog.ButtonReplace);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Cannot find \"cat\"");
}

TEST_F(EditCommands, ReplaceAllIsOneUndoStep) {
    // Kept below the size at which the undo list starts dropping entries of the group itself.
    QStringList text;
    for (int i = 1; i <= 300; ++i)
        text << QStringLiteral("item %1 of the old list").arg(i);
    auto form = StartMainWindow();
    SetText(*form, text);
    form->GlyphEdit.SetCaretXY({1, 1});
    QGuiApplication::clipboard()->setText("head ");
    form->ClickMenuItem(form->MIPaste);
    form->GlyphEdit.SetCaretXY({1, 1});
    const QStringList typed = Lines(*form);

    form->ClickMenuItem(form->MIReplace);
    form->ReplaceDialog()->SetFindText("OLD");
    form->ReplaceDialog()->SetReplaceText("new");
    Click(form->ReplaceDialog()->ButtonReplaceAll);
    QStringList replaced = typed;
    replaced.replaceInStrings("old", "new");
    EXPECT_EQ(Lines(*form), replaced);
    EXPECT_EQ(Selection(*form).Start.Y, 300) << "the last match is the one shown";

    form->ClickMenuItem(form->MIUndo);
    EXPECT_EQ(Lines(*form), typed);
    form->ClickMenuItem(form->MIUndo);
    EXPECT_EQ(Lines(*form), text) << "the typing before it is a step of its own";
    form->ClickMenuItem(form->MIRedo);
    form->ClickMenuItem(form->MIRedo);
    EXPECT_EQ(Lines(*form), replaced);
}

// Far more lines than the undo list holds entries: still one step each way, the step typed
// before it stays, and the save point is kept through undo and redo.
TEST_F(EditCommands, ReplaceAllOverManyLinesIsOneStepAndKeepsTheSavePoint) {
    const QStringList text = OldList(20000);
    auto form = StartMainWindow();
    SetText(*form, text);
    form->GlyphEdit.SetCaretXY({1, 1});
    form->GlyphEdit.RunCommand(ecChar, u'x');
    const QStringList typed = Lines(*form);

    form->ClickMenuItem(form->MIReplace);
    form->ReplaceDialog()->SetFindText("old");
    form->ReplaceDialog()->SetReplaceText("new");
    Click(form->ReplaceDialog()->ButtonReplaceAll);
    QStringList replaced = NewList(20000, 1, 20000);
    replaced[0].prepend('x');
    ASSERT_EQ(Lines(*form), replaced);
    EXPECT_EQ(StatusPanel(form->StatusBar, 0)->text(), "16000 replacements");
    EXPECT_EQ(Selection(*form).Start.Y, 19999) << "the last match is the one shown";
    EXPECT_TRUE(form->GlyphEdit.Modified());

    form->GlyphEdit.SetModified(false); // as saving leaves it
    form->ClickMenuItem(form->MIUndo);
    EXPECT_EQ(Lines(*form), typed);
    EXPECT_TRUE(form->GlyphEdit.Modified());
    form->ClickMenuItem(form->MIUndo);
    EXPECT_EQ(Lines(*form), text) << "the typing before it is a step of its own";
    form->ClickMenuItem(form->MIRedo);
    form->ClickMenuItem(form->MIRedo);
    EXPECT_EQ(Lines(*form), replaced);
    EXPECT_FALSE(form->GlyphEdit.Modified()) << "back at the saved text";
}

TEST_F(EditCommands, ReplaceAllWithNothingToReplaceSaysSo) {
    auto form = StartMainWindow();
    SetText(*form, {"nothing here"});
    form->ClickMenuItem(form->MIReplace);
    form->ReplaceDialog()->SetFindText("zebra");
    form->ReplaceDialog()->SetReplaceText("x");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    Click(form->ReplaceDialog()->ButtonReplaceAll);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Cannot find \"zebra\"");
    EXPECT_EQ(Lines(*form), QStringList{"nothing here"});
    EXPECT_FALSE(form->GlyphEdit.UndoAvailable());
}

TEST_F(EditCommands, ReplaceInAReadOnlyFileChangesNothing) {
    auto form = StartMainWindow();
    SetText(*form, {"a a"});
    form->GlyphEdit.SetReadOnly(true);
    form->ClickMenuItem(form->MIReplace);
    form->ReplaceDialog()->SetFindText("a");
    form->ReplaceDialog()->SetReplaceText("b");
    ScriptedPrompts prompts; // the matches are found: no message
    Click(form->ReplaceDialog()->ButtonReplaceAll);
    EXPECT_EQ(Lines(*form), QStringList{"a a"});
    EXPECT_FALSE(form->GlyphEdit.Modified());
}

// ---------------------------------------------------------------------------------------------
// Go To

TEST_F(EditCommands, GoToLine) {
    struct {
        const char* what;
        std::optional<QString> answer; // nothing: Cancel
        int line;
    } cases[] = {
        {"a line", "5", 5},
        {"0 goes to line 1", "0", 1},
        {"a negative number goes to line 1", "-4", 1},
        {"beyond the end goes to the last line", "999", 30},
        {"spaces around the number", " 7 ", 7},
        {"not a number", "abc", 10},
        {"a number followed by text", "12a", 10},
        {"empty", "", 10},
        {"too large for a number", "99999999999999", 10},
        {"Cancel", std::nullopt, 10},
    };
    for (const auto& c : cases) {
        auto form = StartMainWindow();
        QStringList text;
        for (int i = 1; i <= 30; ++i)
            text << QStringLiteral("line number %1").arg(i);
        SetText(*form, text);
        form->GlyphEdit.SetCaretXY({4, 10});
        ScriptedPrompts prompts;
        if (c.answer)
            prompts.AnswerInput(*c.answer);
        else
            prompts.CancelInput();
        form->ClickMenuItem(form->MIGoTo);
        ASSERT_EQ(prompts.Records().size(), 1) << c.what;
        const ScriptedPrompts::TRecord& box = prompts.Records()[0];
        EXPECT_EQ(box.Kind, ScriptedPrompts::TKind::Input);
        EXPECT_EQ(box.Caption, "Goto line");
        EXPECT_EQ(box.Text, "Line number:");
        EXPECT_EQ(box.DefaultText, "10") << "the caret's line";
        EXPECT_EQ(form->GlyphEdit.CaretY(), c.line) << c.what;
        EXPECT_EQ(form->GlyphEdit.CaretX(), 4) << c.what << ": the column stays";
        EXPECT_EQ(Panel1(*form), CaretText(*form)) << c.what;
    }
}

TEST_F(EditCommands, GoToClosesASelectionLeftBehind) {
    auto form = StartMainWindow();
    SetText(*form, {"first line", "second line", "third line"});
    Select(*form, {1, 1}, {6, 1});
    ScriptedPrompts prompts;
    prompts.AnswerInput("3");
    form->ClickMenuItem(form->MIGoTo);
    EXPECT_FALSE(form->GlyphEdit.HasSelection());
    QTest::keyClicks(form->GlyphEditView, "X");
    EXPECT_EQ(Lines(*form), (QStringList{"first line", "second line", "thirdX line"}));
}

TEST_F(EditCommands, GoToByShortcut) {
    auto form = StartMainWindow();
    SetText(*form, {"1", "2", "3"});
    Activate(*form);
    ScriptedPrompts prompts;
    prompts.AnswerInput("2");
    QTest::keyClick(form->GlyphEditView, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(form->GlyphEdit.CaretY(), 2);
}

// ---------------------------------------------------------------------------------------------
// Time/Date, font, read only

TEST_F(EditCommands, TimeDateReplacesTheSelectionInTheUsersFormat) {
    struct {
        const char* what;
        QLocale locale;
        QString expected;
    } cases[] = {
        {"German", QLocale(QLocale::German, QLocale::Germany), "a13:05 07.03.24d"},
        {"British", QLocale(QLocale::English, QLocale::UnitedKingdom), "a13:05 07/03/2024d"},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        auto form = StartMainWindow();
        form->TimeDateClock = [] { return QDateTime(QDate(2024, 3, 7), QTime(13, 5, 42)); };
        SetText(*form, {"abcd"});
        Select(*form, {2, 1}, {4, 1});
        form->ClickMenuItem(form->MITimeDate);
        EXPECT_EQ(Lines(*form), QStringList{c.expected}) << c.what;
        EXPECT_EQ(form->GlyphEdit.CaretX(), c.expected.size()) << c.what;
        form->ClickMenuItem(form->MIUndo);
        EXPECT_EQ(Lines(*form), QStringList{"abcd"}) << c.what;
    }
}

TEST_F(EditCommands, TimeDateGoesInAtTheCaretByF5) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto form = StartMainWindow();
    form->TimeDateClock = [] { return QDateTime(QDate(1999, 12, 31), QTime(23, 59)); };
    SetText(*form, {"<>"});
    form->GlyphEdit.SetCaretXY({2, 1});
    Activate(*form);
    QTest::keyClick(form->GlyphEditView, Qt::Key_F5);
    EXPECT_EQ(Lines(*form), QStringList{"<23:59 31.12.99>"});
}

TEST_F(EditCommands, SetFontRunsTheSharedFontDialogWithTheEditorsFont) {
    auto form = StartMainWindow();
    QFont start("DejaVu Sans");
    start.setPointSize(11);
    form->GlyphEditView->setFont(start);
    const QFont original = form->GlyphEditView->font();
    {
        ScriptedPrompts prompts;
        prompts.CancelFont();
        form->ClickMenuItem(form->MISetFont);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Kind, ScriptedPrompts::TKind::Font);
        EXPECT_EQ(prompts.Records()[0].Font.family(), "DejaVu Sans");
        EXPECT_EQ(prompts.Records()[0].Font.pointSize(), 11);
        EXPECT_EQ(form->GlyphEditView->font(), original) << "Cancel keeps the font";
    }
    QFont chosen("DejaVu Sans Mono");
    chosen.setPointSize(17);
    chosen.setBold(true);
    {
        ScriptedPrompts prompts;
        prompts.AnswerFont(chosen);
        form->ClickMenuItem(form->MISetFont);
        EXPECT_EQ(form->GlyphEditView->font().pointSize(), 17);
        EXPECT_TRUE(form->GlyphEditView->font().bold());
    }
    {
        // The next run starts with the font now in force.
        ScriptedPrompts prompts;
        prompts.CancelFont();
        form->ClickMenuItem(form->MISetFont);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Font.pointSize(), 17);
    }
}

TEST_F(EditCommands, ReadOnlyNoticeOncePerTypedCharacter) {
    auto form = StartMainWindow();
    SetText(*form, {"text"});
    form->ClickMenuItem(form->PMReadOnly);
    ASSERT_TRUE(form->GlyphEdit.ReadOnly());
    {
        ScriptedPrompts prompts;
        for (int i = 0; i < 4; ++i)
            prompts.AnswerButton(QMessageBox::Ok);
        QTest::keyClicks(form->GlyphEditView, "ab c");
        ASSERT_EQ(prompts.Records().size(), 4);
        for (const ScriptedPrompts::TRecord& record : prompts.Records()) {
            EXPECT_EQ(record.Text, "\"Untitled.htm\" is a read only file.");
            EXPECT_EQ(record.Caption, "Velmaris Glyphon");
            EXPECT_EQ(record.Icon, QMessageBox::Information);
        }
        EXPECT_EQ(Lines(*form), QStringList{"text"});
        // Keys that type no character: no notice, and no change either.
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Escape,
                            Qt::Key_Left, Qt::Key_Tab})
            QTest::keyClick(form->GlyphEditView, key);
        EXPECT_EQ(prompts.Records().size(), 4);
        EXPECT_EQ(Lines(*form), QStringList{"text"});
    }
    {
        // A character outside the basic plane is one character, however it is stored.
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                      QString::fromUcs4(U"\U0001F600"));
        QApplication::sendEvent(form->GlyphEditView, &key);
        EXPECT_EQ(prompts.Records().size(), 1);
    }

    form->ClickMenuItem(form->PMReadOnly);
    EXPECT_FALSE(form->GlyphEdit.ReadOnly());
    ScriptedPrompts prompts; // no notice any more
    form->GlyphEdit.SetCaretXY({5, 1});
    QTest::keyClicks(form->GlyphEditView, "!");
    EXPECT_EQ(Lines(*form), QStringList{"text!"});
}

TEST_F(EditCommands, TheNoticeNamesTheDocument) {
    auto form = StartMainWindow();
    form->DocumentFileName = "/some/folder/page.html";
    form->GlyphEdit.SetReadOnly(true);
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QTest::keyClicks(form->GlyphEditView, "x");
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "\"/some/folder/page.html\" is a read only file.");
}

// ---------------------------------------------------------------------------------------------
// Caret position in the status bar

TEST_F(EditCommands, StatusPanelFollowsTheCaret) {
    auto form = StartMainWindow();
    EXPECT_EQ(Panel1(*form), "Ln 1, Col 1");
    SetText(*form, {"first line", "second", "x"});
    form->GlyphEdit.SetCaretXY({1, 1});
    struct {
        const char* what;
        std::function<void(TFormGlyphon&)> action;
        QString expected;
    } steps[] = {
        {"Down", [](TFormGlyphon& f) { QTest::keyClick(f.GlyphEditView, Qt::Key_Down); },
         "Ln 2, Col 1"},
        {"End", [](TFormGlyphon& f) { QTest::keyClick(f.GlyphEditView, Qt::Key_End); },
         "Ln 2, Col 7"},
        {"typing", [](TFormGlyphon& f) { QTest::keyClicks(f.GlyphEditView, "abc"); },
         "Ln 2, Col 10"},
        {"Enter", [](TFormGlyphon& f) { QTest::keyClick(f.GlyphEditView, Qt::Key_Return); },
         "Ln 3, Col 1"},
        {"Ctrl+End",
         [](TFormGlyphon& f) {
             QTest::keyClick(f.GlyphEditView, Qt::Key_End, Qt::ControlModifier);
         },
         "Ln 4, Col 2"},
        {"Undo", [](TFormGlyphon& f) { f.ClickMenuItem(f.MIUndo); }, "Ln 2, Col 10"},
        {"Select All", [](TFormGlyphon& f) { f.ClickMenuItem(f.MISelectAll); }, "Ln 3, Col 2"},
        {"a click",
         [](TFormGlyphon& f) {
             const QPoint cell = f.GlyphEditView->PixelFromPosition({3, 1});
             QTest::mouseClick(f.GlyphEditView->viewport(), Qt::LeftButton, {},
                               cell + QPoint(1, f.GlyphEditView->RowHeight() / 2));
         },
         "Ln 1, Col 3"},
        {"a found match",
         [](TFormGlyphon& f) {
             f.ClickMenuItem(f.MIFind);
             f.FindDialog()->SetFindText("x");
             QTest::mouseClick(f.FindDialog()->ButtonFindNext, Qt::LeftButton);
         },
         "Ln 3, Col 2"},
    };
    for (const auto& step : steps) {
        step.action(*form);
        EXPECT_EQ(Panel1(*form), step.expected) << step.what;
        EXPECT_EQ(Panel1(*form), CaretText(*form)) << step.what;
    }
}

TEST_F(EditCommands, StatusPanelAfterANewDocument) {
    auto form = StartMainWindow();
    SetText(*form, {"abc", "def"});
    form->GlyphEdit.SetCaretXY({3, 2});
    ASSERT_EQ(Panel1(*form), "Ln 2, Col 3");
    form->GlyphEdit.SetModified(false);
    form->ClickMenuItem(form->MINew);
    EXPECT_EQ(Panel1(*form), "Ln 1, Col 1");
}
