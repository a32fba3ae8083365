// The deleting commands with the main window's settings (tab width 2, auto-indent, trimming).

#include "GlyphEditTestSupport.h"

#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

struct DeleteCase {
    const char* name;
    TGlyphEditorCommand command;
    QStringList before;
    TBufferCoord caret;
    QStringList after;
    TBufferCoord caretAfter;
};

class DeleteTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteTest, DeletesAndUndoRedoRestore) {
    const DeleteCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.before);
    PlaceCaret(edit, c.caret);
    edit.RunCommand(c.command);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
    if (c.after == c.before) {
        EXPECT_FALSE(edit.UndoAvailable());
        return;
    }
    ASSERT_TRUE(edit.UndoAvailable());
    edit.Undo();
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(Lines(edit), c.before);
    EXPECT_EQ(edit.CaretXY(), c.caret);
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Backspace, DeleteTest,
    ::testing::Values(
        DeleteCase{"OneChar", ecDeleteLastChar, {"abc"}, {3, 1}, {"ac"}, {2, 1}},
        // Right after the leading blanks: back to the previous tab stop.
        DeleteCase{"FourLeadingSpaces", ecDeleteLastChar, {"    ab"}, {5, 1}, {"  ab"}, {3, 1}},
        DeleteCase{"ThreeLeadingSpaces", ecDeleteLastChar, {"   ab"}, {4, 1}, {"  ab"}, {3, 1}},
        DeleteCase{"TabEndsTheRun", ecDeleteLastChar, {" \tab"}, {3, 1}, {" ab"}, {2, 1}},
        DeleteCase{"InsideBlanksOneChar", ecDeleteLastChar, {"    ab"}, {3, 1}, {"   ab"}, {2, 1}},
        DeleteCase{"AfterTextBlank", ecDeleteLastChar, {"ab  cd"}, {5, 1}, {"ab cd"}, {4, 1}},
        DeleteCase{"PastEndOnlyMoves", ecDeleteLastChar, {"ab"}, {6, 1}, {"ab"}, {5, 1}},
        DeleteCase{"JoinsWithPrevious", ecDeleteLastChar, {"ab", "cd"}, {1, 2}, {"abcd"}, {3, 1}},
        DeleteCase{"JoinTrimsPrevious", ecDeleteLastChar, {"ab  ", "cd"}, {1, 2}, {"abcd"}, {3, 1}},
        DeleteCase{"FirstLineStart", ecDeleteLastChar, {"ab"}, {1, 1}, {"ab"}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Delete, DeleteTest,
    ::testing::Values(DeleteCase{"OneChar", ecDeleteChar, {"abc"}, {2, 1}, {"ac"}, {2, 1}},
                      DeleteCase{"JoinsNext", ecDeleteChar, {"ab", "cd"}, {3, 1}, {"abcd"}, {3, 1}},
                      DeleteCase{
                          "JoinFillsGap", ecDeleteChar, {"ab", "cd"}, {5, 1}, {"ab  cd"}, {5, 1}},
                      DeleteCase{"LastLineEnd", ecDeleteChar, {"ab"}, {3, 1}, {"ab"}, {3, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Words, DeleteTest,
    ::testing::Values(
        DeleteCase{"DeleteWord", ecDeleteWord, {"foo bar baz"}, {1, 1}, {"bar baz"}, {1, 1}},
        DeleteCase{"DeleteWordFromBlank", ecDeleteWord, {"foo bar"}, {4, 1}, {"foobar"}, {4, 1}},
        DeleteCase{"DeleteWordLastWord", ecDeleteWord, {"foo bar"}, {5, 1}, {"foo "}, {5, 1}},
        DeleteCase{"DeleteWordAtEnd", ecDeleteWord, {"ab", "  cd"}, {3, 1}, {"abcd"}, {3, 1}},
        DeleteCase{"DeleteWordPastEnd", ecDeleteWord, {"ab", "cd"}, {6, 1}, {"abcd"}, {3, 1}},
        DeleteCase{"DeleteEOL", ecDeleteEOL, {"abcdef"}, {3, 1}, {"ab"}, {3, 1}},
        DeleteCase{"DeleteEOLAtEnd", ecDeleteEOL, {"ab"}, {3, 1}, {"ab"}, {3, 1}},
        DeleteCase{"LastWord", ecDeleteLastWord, {"foo bar"}, {8, 1}, {"foo "}, {5, 1}},
        DeleteCase{"LastWordBlanks", ecDeleteLastWord, {"foo  "}, {6, 1}, {""}, {1, 1}},
        DeleteCase{"LastWordJoins", ecDeleteLastWord, {"ab", "cd"}, {1, 2}, {"abcd"}, {3, 1}},
        DeleteCase{"DeleteBOL", ecDeleteBOL, {"abcdef"}, {4, 1}, {"def"}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Lines, DeleteTest,
    ::testing::Values(
        DeleteCase{"Middle", ecDeleteLine, {"a", "bb", "c"}, {2, 2}, {"a", "c"}, {1, 2}},
        DeleteCase{"OnlyLine", ecDeleteLine, {"abc"}, {2, 1}, {""}, {1, 1}},
        DeleteCase{"LastOfSeveral", ecDeleteLine, {"a", "b", "c"}, {1, 3}, {"a", "b"}, {1, 2}},
        DeleteCase{"OneEmptyLine", ecDeleteLine, {""}, {1, 1}, {""}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeleteEdge, BackspaceWithSelectionRecordsByDirection) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abcdef"});
    // Selected backwards: the caret at the start comes back there.
    Select(edit, {5, 1}, {2, 1});
    edit.RunCommand(ecDeleteLastChar);
    EXPECT_EQ(edit.LineText(1), "aef");
    EXPECT_EQ(edit.UndoList().PeekItem().Kind, uckDeleteAfterCaret);
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abcdef");
    EXPECT_EQ(edit.SelectedText(), "bcd");
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{2, 1}));
    Select(edit, {2, 1}, {5, 1});
    edit.RunCommand(ecDeleteChar);
    EXPECT_EQ(edit.UndoList().PeekItem().Kind, uckDelete);
    edit.Undo();
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{5, 1}));
}

TEST(DeleteEdge, DeleteLineOnLastLineUndoRestoresIt) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"one", "two"});
    PlaceCaret(edit, {3, 2});
    Press(edit, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Lines(edit), (QStringList{"one"}));
    EXPECT_EQ(edit.Text(), "one\r\n");
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"one", "two"}));
    edit.Redo();
    EXPECT_EQ(Lines(edit), (QStringList{"one"}));
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"one", "two"}));
}

TEST(DeleteEdge, DeleteLineMovesBookmarksUp) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"a", "b", "c", "d"});
    edit.SetBookmark(3, {1, 4});
    PlaceCaret(edit, {1, 2});
    edit.RunCommand(ecDeleteLine);
    EXPECT_EQ(edit.Bookmark(3)->Y, 3);
}

TEST(DeleteEdge, ReadOnlyIgnoresEveryDelete) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"foo bar", "baz"});
    PlaceCaret(edit, {4, 1});
    edit.SetReadOnly(true);
    for (TGlyphEditorCommand c : {ecDeleteLastChar, ecDeleteChar, ecDeleteWord, ecDeleteLastWord,
                                  ecDeleteBOL, ecDeleteEOL, ecDeleteLine, ecClearAll})
        edit.RunCommand(c);
    EXPECT_EQ(Lines(edit), (QStringList{"foo bar", "baz"}));
    EXPECT_FALSE(edit.Modified());
}

TEST(DeleteEdge, ClearAllEmptiesBufferUndoAndBookmarks) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc", "def"});
    edit.SetBookmark(0, {1, 2});
    PlaceCaret(edit, {2, 2});
    Type(edit, "x");
    ASSERT_TRUE(edit.Modified());
    edit.RunCommand(ecClearAll);
    EXPECT_EQ(edit.LineCount(), 0);
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_FALSE(edit.Modified());
    EXPECT_FALSE(edit.Bookmark(0).has_value());
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 1}));
}

} // namespace
