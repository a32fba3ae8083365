// Undo and redo: change kinds, group numbers, grouping, capacity, suspension, the Modified rule.

#include "GlyphEditTestSupport.h"

#include "editor/TGlyphEditClipboard.h"
#include "support/QtPrinters.h"

#include <QBuffer>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace GlyphEditTest;

namespace {

TEST(UndoKinds, OverwriteRestoresTheReplacedCharacter) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {2, 1});
    edit.SetInsertMode(false);
    Type(edit, "X");
    const TGlyphEditUndoItem& item = edit.UndoList().PeekItem();
    EXPECT_EQ(item.Kind, uckInsert);
    EXPECT_EQ(item.Text, "b");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abc");
    edit.Redo();
    EXPECT_EQ(edit.LineText(1), "aXc");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abc");
}

struct KindCase {
    const char* name;
    QStringList lines;
    TBufferCoord anchor;
    TBufferCoord active;
    TGlyphEditorCommand command;
    std::vector<TUndoChangeKind> kinds;
};

class UndoKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(UndoKindTest, RecordsTheKindsAndUndoesThemTogether) {
    const KindCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.lines);
    Select(edit, c.anchor, c.active);
    edit.RunCommand(c.command);
    const TGlyphEditUndoList& list = edit.UndoList();
    std::vector<TUndoChangeKind> kinds;
    for (int i = 0; i < list.ItemCount(); ++i) {
        kinds.push_back(list.Item(i).Kind);
        EXPECT_EQ(list.Item(i).GroupNumber, list.Item(0).GroupNumber);
    }
    EXPECT_EQ(kinds, c.kinds);
    const QStringList after = Lines(edit);
    edit.Undo();
    EXPECT_EQ(Lines(edit), c.lines);
    EXPECT_FALSE(edit.UndoAvailable());
    edit.Redo();
    EXPECT_EQ(Lines(edit), after);
    EXPECT_FALSE(edit.RedoAvailable());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UndoKindTest,
    ::testing::Values(
        KindCase{"Char", {"ab"}, {2, 1}, {2, 1}, ecChar, {}},
        KindCase{"LineBreak", {"ab"}, {2, 1}, {2, 1}, ecLineBreak, {uckLineBreak}},
        KindCase{"LineBreakTrims",
                 {"a  b"},
                 {3, 1},
                 {3, 1},
                 ecLineBreak,
                 {uckLineBreak, uckTrailingSpaces}},
        KindCase{"Backspace", {"ab"}, {2, 1}, {2, 1}, ecDeleteLastChar, {uckSilentDelete}},
        KindCase{"Delete", {"ab"}, {2, 1}, {2, 1}, ecDeleteChar, {uckSilentDeleteAfterCaret}},
        KindCase{"DeleteGap",
                 {"ab", "c"},
                 {5, 1},
                 {5, 1},
                 ecDeleteChar,
                 {uckPadding, uckSilentDeleteAfterCaret}},
        KindCase{"DeleteLine", {"ab", "c"}, {1, 1}, {1, 1}, ecDeleteLine, {uckDeleteAfterCaret}},
        KindCase{"ShiftTab", {"  ab"}, {3, 1}, {3, 1}, ecShiftTab, {uckDeleteAfterCaret}},
        KindCase{"TabOverSelection", {"abcd"}, {2, 1}, {3, 1}, ecTab, {uckDelete, uckInsert}},
        KindCase{"Unindent", {"  ab", "  cd"}, {1, 1}, {2, 2}, ecBlockUnindent, {uckUnindent}},
        KindCase{
            "Indent", {"ab"}, {1, 1}, {2, 1}, ecBlockIndent, {uckIndent, uckPaste, uckIndent}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UndoKinds, TypingPastTheEndRecordsPadding) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"ab"});
    PlaceCaret(edit, {5, 1});
    Type(edit, "x");
    ASSERT_EQ(edit.UndoList().ItemCount(), 2);
    EXPECT_EQ(edit.UndoList().Item(0).Kind, uckPadding);
    EXPECT_EQ(edit.UndoList().Item(0).Start, (TBufferCoord{3, 1}));
    EXPECT_EQ(edit.UndoList().Item(0).End, (TBufferCoord{5, 1}));
    EXPECT_EQ(edit.UndoList().Item(1).Kind, uckInsert);
}

// Without trailing blanks trimmed, as the engine starts.
TEST(UndoKinds, TypingOverASelectionPastTheEndUndoesToTheLineAsItWas) {
    TGlyphEdit edit;
    SetLines(edit, {"ab", ""});
    const QByteArray before = edit.Lines().SaveToBytes();
    for (const int y : {1, 2}) {
        SCOPED_TRACE(y);
        // A column selection may lie past a line's end, and stays there in stream mode.
        edit.SetSelectionMode(smColumn);
        edit.SetSelectionAnchor({6, y});
        edit.SetCaretXY({4, y});
        edit.SetSelectionActiveEnd({4, y});
        edit.SetSelectionMode(smNormal);
        ASSERT_TRUE(edit.HasSelection());
        Type(edit, "x");
        while (edit.UndoAvailable())
            edit.Undo();
        EXPECT_EQ(edit.Lines().SaveToBytes(), before) << "no blanks left behind";
    }
}

TEST(UndoKinds, TrimmedTrailingSpacesComeBack) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"keep   "});
    PlaceCaret(edit, {5, 1});
    // Pasting-style insertion writes the line through trimming.
    edit.SetSelectedText("s");
    EXPECT_EQ(edit.LineText(1), "keeps");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "keep   ");
    edit.Redo();
    EXPECT_EQ(edit.LineText(1), "keeps");
}

// ---- Group numbers ----

TEST(UndoGroups, NumbersAdvanceOutsideGroupsAndAreSharedInside) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {""});
    PlaceCaret(edit, {1, 1});
    Type(edit, "ab");
    const TGlyphEditUndoList& list = edit.UndoList();
    ASSERT_EQ(list.ItemCount(), 2);
    EXPECT_EQ(list.Item(1).GroupNumber, list.Item(0).GroupNumber + 1);
    edit.OpenUndoGroup();
    Type(edit, "c");
    edit.OpenUndoGroup();
    Type(edit, "d");
    edit.CloseUndoGroup();
    Type(edit, "e");
    edit.CloseUndoGroup();
    Type(edit, "f");
    ASSERT_EQ(list.ItemCount(), 6);
    const int group = list.Item(2).GroupNumber;
    EXPECT_GT(group, list.Item(1).GroupNumber);
    EXPECT_EQ(list.Item(3).GroupNumber, group);
    EXPECT_EQ(list.Item(4).GroupNumber, group);
    EXPECT_GT(list.Item(5).GroupNumber, group);
    // The group is one undo step.
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abcde");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "ab");
}

TEST(UndoGroups, NumbersWrapSkippingZero) {
    TGlyphEditUndoList list;
    list.SetNextGroupNumber(INT_MAX);
    TGlyphEditUndoItem item;
    list.AddChange(item);
    list.AddChange(item);
    EXPECT_EQ(list.Item(0).GroupNumber, INT_MAX);
    EXPECT_EQ(list.Item(1).GroupNumber, 1);
    list.SetNextGroupNumber(0);
    EXPECT_EQ(list.NextGroupNumber(), 1);
}

TEST(UndoGroups, GroupUndoJoinsConsecutiveChangesOfOneKind) {
    TGlyphEdit edit; // the default options include eoGroupUndo
    SetLines(edit, {""});
    Type(edit, "abc");
    edit.RunCommand(ecLineBreak);
    Type(edit, "de");
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"abc", ""}));
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"abc"}));
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{""}));
    EXPECT_FALSE(edit.UndoAvailable());
    edit.Redo();
    EXPECT_EQ(Lines(edit), (QStringList{"abc"}));
    RedoAll(edit);
    EXPECT_EQ(Lines(edit), (QStringList{"abc", "de"}));
}

TEST(UndoGroups, MainWindowUndoesEachCharacterAlone) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {""});
    Type(edit, "abc");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "ab");
}

// ---- Capacity, suspension, Modified ----

TEST(UndoCapacity, FullUndoIsLostBeyondMaxUndo) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    EXPECT_EQ(edit.MaxUndo(), 1024);
    SetLines(edit, {""});
    Type(edit, QString(1030, u'x'));
    EXPECT_EQ(edit.UndoList().ItemCount(), 1024);
    EXPECT_TRUE(edit.UndoList().FullUndoImpossible());
    UndoAll(edit);
    EXPECT_EQ(edit.LineText(1), QString(6, u'x'));
    // Everything still on the list is undone, yet the text is not the original.
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(edit.RedoList().ItemCount(), 1024);
    edit.ClearUndoHistory();
    EXPECT_FALSE(edit.UndoList().FullUndoImpossible());
}

TEST(UndoCapacity, AGroupLongerThanTheListIsKeptWholeAndUndoneInOneStep) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetMaxUndo(8);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {4, 1});
    Type(edit, "de");
    edit.OpenUndoGroup();
    for (int i = 0; i < 20; ++i)
        edit.SetSelectedText("x");
    edit.CloseUndoGroup();
    EXPECT_EQ(edit.LineText(1), "abcde" + QString(20, u'x'));
    EXPECT_TRUE(edit.UndoList().FullUndoImpossible()) << "the older groups made room";
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abcde") << "one undo takes back the whole group";
    EXPECT_FALSE(edit.UndoAvailable());
    edit.Redo();
    EXPECT_EQ(edit.LineText(1), "abcde" + QString(20, u'x'));
}

TEST(UndoCapacity, OldGroupsGoWholeNeverInPart) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetMaxUndo(5);
    SetLines(edit, {""});
    for (const char* word : {"ab", "cd", "ef", "gh"}) {
        edit.OpenUndoGroup();
        Type(edit, word);
        edit.CloseUndoGroup();
    }
    ASSERT_LE(edit.UndoList().ItemCount(), 5);
    QStringList texts;
    while (edit.UndoAvailable()) {
        edit.Undo();
        texts << edit.LineText(1);
    }
    EXPECT_EQ(texts, (QStringList{"abcdef", "abcd"})) << "each undo step is a whole group";
}

// A block indent records an entry per line, so a few of them fill the list; the oldest indents
// go whole, and undoing all that is left ends at the text after the last one that went.
TEST(UndoCapacity, BlockIndentsBeyondTheListUndoToTheLastDroppedIndent) {
    for (const bool mainWindow : {false, true}) {
        TGlyphEdit edit;
        if (mainWindow)
            ConfigureMainWindow(edit);
        edit.SetMaxUndo(12);
        SetLines(edit, {"a", "b", "c"});
        edit.SetSelectionMode(smColumn);
        edit.RunCommand(ecSelectAll);
        QList<QStringList> texts;
        for (int i = 0; i < 4; ++i) {
            edit.RunCommand(ecBlockIndent);
            texts << Lines(edit);
        }
        ASSERT_TRUE(edit.UndoList().FullUndoImpossible()) << "main window " << mainWindow;
        UndoAll(edit);
        EXPECT_EQ(Lines(edit), texts.at(1)) << "main window " << mainWindow;
        EXPECT_TRUE(edit.Modified());
        RedoAll(edit);
        EXPECT_EQ(Lines(edit), texts.at(3)) << "main window " << mainWindow;
    }
}

// Modified compares the undo position with the one of the last save (or load). A script of
// steps: a letter is typed, S saves (the window's SetModified(false)), U undoes, R redoes;
// after each step Modified is expected as + or -.
TEST(SavePoint, ModifiedMeansAnotherPositionThanTheSavedOne) {
    struct {
        const char* what;
        int maxUndo;
        const char* steps;
        const char* modified;
    } cases[] = {
        {"undoing everything since the load", 1024, "xyUU", "+++-"},
        {"type, save, undo", 1024, "xSU", "+-+"},
        {"type, save, undo, redo", 1024, "xSUR", "+-+-"},
        {"two edits, save, undo twice and back", 1024, "xySUURR", "++-+++-"},
        {"an edit after undoing past the save", 1024, "xSUzUR", "+-++++"},
        {"undo back down to the save", 1024, "xSyUR", "+-+-+"},
        {"a save below undone changes", 1024, "xyUSRU", "+++-+-"},
        {"capacity drops the save point's own changes", 3, "abcdUUU", "+++++++"},
        {"capacity drops only what came before the save", 3, "abSdeUUU", "++-+++-+"},
        {"capacity passes the save point later", 2, "aSbcdUUU", "+-++++++"},
    };
    for (const auto& c : cases) {
        TGlyphEdit edit;
        ConfigureMainWindow(edit);
        edit.SetMaxUndo(c.maxUndo);
        SetLines(edit, {""});
        edit.SetModified(false);
        std::string seen;
        for (const char* step = c.steps; *step != 0; ++step) {
            if (*step == 'S')
                edit.SetModified(false);
            else if (*step == 'U')
                edit.Undo();
            else if (*step == 'R')
                edit.Redo();
            else
                Type(edit, QString(QChar::fromLatin1(*step)));
            seen += edit.Modified() ? '+' : '-';
        }
        EXPECT_EQ(seen, c.modified) << c.what;
    }
}

TEST(SavePoint, ClearingTheHistoryKeepsTheFlag) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {""});
    Type(edit, "ab");
    edit.SetModified(false);
    edit.ClearUndoHistory();
    EXPECT_FALSE(edit.Modified()) << "the saved text is still there";
    Type(edit, "c");
    edit.Undo();
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    edit.ClearUndoHistory();
    EXPECT_TRUE(edit.Modified()) << "the text still differs from the saved one";
    edit.SetModified(true);
    Type(edit, "d");
    edit.Undo();
    EXPECT_TRUE(edit.Modified()) << "a flag set by hand names no position";
}

TEST(UndoSuspension, NothingIsRecordedWhileSuspended) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {4, 1});
    edit.SuspendUndoRecording();
    edit.SuspendUndoRecording();
    Type(edit, "d");
    edit.ResumeUndoRecording();
    Type(edit, "e");
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_FALSE(edit.Modified());
    edit.ResumeUndoRecording();
    Type(edit, "f");
    EXPECT_EQ(edit.UndoList().ItemCount(), 1);
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abcde");
}

TEST(UndoLists, NewChangeEmptiesRedoAndReadOnlyBlocksBoth) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {""});
    Type(edit, "ab");
    edit.Undo();
    EXPECT_TRUE(edit.RedoAvailable());
    edit.SetReadOnly(true);
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_FALSE(edit.RedoAvailable());
    edit.Undo();
    edit.Redo();
    EXPECT_EQ(edit.LineText(1), "a");
    edit.SetReadOnly(false);
    EXPECT_TRUE(edit.RedoAvailable());
    Type(edit, "c");
    EXPECT_FALSE(edit.RedoAvailable());
    EXPECT_EQ(edit.LineText(1), "ac");
}

TEST(UndoLists, OnChangeFiresForEveryEntry) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"ab"});
    int changes = 0;
    edit.OnChange = [&](TCustomGlyphEdit* sender) {
        EXPECT_EQ(sender, &edit);
        ++changes;
    };
    PlaceCaret(edit, {5, 1});
    Type(edit, "x"); // padding and insertion
    EXPECT_EQ(changes, 2);
    edit.Undo(); // both go to the redo list
    EXPECT_EQ(changes, 4);
}

TEST(UndoLists, ChangesMadeOnAnEmptyDocumentAreUndoneAndRedoneExactly) {
    const struct {
        const char* what;
        std::function<void(TGlyphEdit&)> change;
    } cases[] = {{"pasting lines",
                  [](TGlyphEdit& edit) {
                      PutGlyphClipboardText("a\r\nb", smLine);
                      edit.ClipboardPaste();
                  }},
                 {"pasting an empty line",
                  [](TGlyphEdit& edit) {
                      PutGlyphClipboardText("\r\n", smLine);
                      edit.ClipboardPaste();
                  }},
                 {"writing lines", [](TGlyphEdit& edit) {
                      edit.SetSelectionMode(smLine);
                      edit.SetSelectedText("a\r\n");
                  }}};
    for (const auto& c : cases) {
        TGlyphEdit edit;
        ConfigureMainWindow(edit);
        c.change(edit);
        const QString after = edit.Text();
        edit.Undo();
        EXPECT_EQ(edit.LineCount(), 0) << c.what;
        edit.Redo();
        EXPECT_EQ(edit.Text(), after) << c.what;
        EXPECT_FALSE(edit.RedoAvailable()) << c.what;
    }
}

// Lines keep their own breaks through undo and redo: a file of mixed breaks edited and undone
// back to where it was loaded saves the bytes it was loaded from.
TEST(UndoLists, UndoAndRedoGiveTheLinesTheirBreaksBack) {
    const QByteArray file = "a\r\nbb\ncc\r\ndd\ree\r\n";
    const struct {
        const char* what;
        std::function<void(TGlyphEdit&)> change;
    } cases[] = {
        {"typing", [](TGlyphEdit& edit) { Type(edit, "x"); }},
        {"joining the line above", [](TGlyphEdit& edit) { edit.RunCommand(ecDeleteLastChar); }},
        {"breaking in front of the line", [](TGlyphEdit& edit) { edit.RunCommand(ecLineBreak); }},
        {"deleting the line above",
         [](TGlyphEdit& edit) {
             PlaceCaret(edit, {1, 1});
             edit.RunCommand(ecDeleteLine);
         }},
        {"pasting lines",
         [](TGlyphEdit& edit) {
             PutGlyphClipboardText("x\r\ny", smLine);
             edit.ClipboardPaste();
         }},
        {"cutting across lines",
         [](TGlyphEdit& edit) {
             Select(edit, {2, 2}, {2, 4});
             edit.ClipboardCut();
         }},
        {"writing over a column", [](TGlyphEdit& edit) {
             Select(edit, {1, 2}, {2, 4}, smColumn);
             edit.SetSelectedText("z");
         }}};
    for (const auto& c : cases) {
        TGlyphEdit edit;
        ConfigureMainWindow(edit);
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        edit.Lines().LoadStream(buffer);
        PlaceCaret(edit, {1, 2});
        c.change(edit);
        const QByteArray changed = edit.Lines().SaveToBytes();
        edit.Undo();
        EXPECT_EQ(edit.Lines().SaveToBytes(), file) << c.what;
        EXPECT_FALSE(edit.Modified()) << c.what;
        edit.Redo();
        EXPECT_EQ(edit.Lines().SaveToBytes(), changed) << c.what;
        // Breaks the user has settled since stay as they were settled.
        edit.Lines().SetLineBreakStyle(lbsLf);
        edit.Undo();
        EXPECT_FALSE(edit.Lines().MixedLineBreaks()) << c.what;
    }
}

TEST(UndoLists, SettingTextClearsHistoryAndResetsTheView) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetLinesInWindow(5);
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QString(60, u'a');
    SetLines(edit, lines);
    PlaceCaret(edit, {50, 30});
    Type(edit, "x");
    edit.Undo();
    ASSERT_GT(edit.TopLine(), 1);
    ASSERT_GT(edit.LeftChar(), 1);
    edit.SetText("new\r\ntext");
    EXPECT_EQ(Lines(edit), (QStringList{"new", "text"}));
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_FALSE(edit.RedoAvailable());
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 1}));
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.TopLine(), 1);
    EXPECT_EQ(edit.LeftChar(), 1);
}

} // namespace
