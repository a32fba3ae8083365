// Caret movement, selecting movement, scrolling and the mode commands.

#include "GlyphEditTestSupport.h"

#include <QPoint>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

QStringList NumberedLines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines;
}

struct MoveCase {
    const char* name;
    bool scrollPastEol;
    QStringList lines;
    TBufferCoord caret;
    TGlyphEditorCommand command;
    TBufferCoord target;
};

class MovementTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MovementTest, MovesTheCaretAndClearsTheSelection) {
    const MoveCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    TGlyphEditorOptions options = edit.Options();
    options.setFlag(eoScrollPastEol, c.scrollPastEol);
    edit.SetOptions(options);
    SetLines(edit, c.lines);
    edit.SetTabWidth(4);
    PlaceCaret(edit, c.caret);
    edit.RunCommand(c.command);
    EXPECT_EQ(edit.CaretXY(), c.target);
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_FALSE(edit.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MovementTest,
    ::testing::Values(
        // With eoScrollPastEol Left and Right never wrap to another line.
        MoveCase{"LeftAtLineStart", true, {"ab", "cd"}, {1, 2}, ecLeft, {1, 2}},
        MoveCase{"RightAtLineEnd", true, {"ab", "cd"}, {3, 1}, ecRight, {4, 1}},
        MoveCase{"LeftWraps", false, {"ab", "cd"}, {1, 2}, ecLeft, {3, 1}},
        MoveCase{"RightWraps", false, {"ab", "cd"}, {3, 1}, ecRight, {1, 2}},
        MoveCase{"RightStopsAtLastEnd", false, {"ab"}, {3, 1}, ecRight, {3, 1}},
        // Up and Down keep the display column, across tabs.
        MoveCase{"DownKeepsColumn", true, {"abcdef", "\tx"}, {5, 1}, ecDown, {2, 2}},
        MoveCase{"UpIntoTab", true, {"\tx", "abcdef"}, {3, 2}, ecUp, {2, 1}},
        MoveCase{"DownPastEnd", true, {"abcdef", "ab"}, {6, 1}, ecDown, {6, 2}},
        MoveCase{"DownClampedWithoutPastEol", false, {"abcdef", "ab"}, {6, 1}, ecDown, {3, 2}},
        MoveCase{"UpAtFirstLine", true, {"abc"}, {2, 1}, ecUp, {2, 1}},
        MoveCase{"DownAtLastLine", true, {"abc"}, {2, 1}, ecDown, {2, 1}},
        MoveCase{"Home", true, {"  abc"}, {5, 1}, ecLineStart, {1, 1}},
        MoveCase{"End", true, {"  abc"}, {2, 1}, ecLineEnd, {6, 1}},
        MoveCase{"EditorTop", true, {"ab", "cd"}, {2, 2}, ecEditorTop, {1, 1}},
        MoveCase{"EditorBottom", true, {"ab", "cdef"}, {1, 1}, ecEditorBottom, {5, 2}},
        MoveCase{"PageLeft", true, {"ab"}, {50, 1}, ecPageLeft, {10, 1}},
        MoveCase{"PageRight", true, {"ab"}, {5, 1}, ecPageRight, {45, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Movement, EnhancedHomeKey) {
    TGlyphEdit edit;
    edit.SetOptions(edit.Options() | eoEnhanceHomeKey);
    SetLines(edit, {"   abc"});
    PlaceCaret(edit, {6, 1});
    edit.RunCommand(ecLineStart);
    EXPECT_EQ(edit.CaretX(), 4);
    edit.RunCommand(ecLineStart);
    EXPECT_EQ(edit.CaretX(), 1);
    edit.RunCommand(ecLineStart);
    EXPECT_EQ(edit.CaretX(), 1);
}

TEST(Movement, KeepCaretXRemembersTheColumn) {
    TGlyphEdit edit;
    edit.SetOptions((edit.Options() | eoKeepCaretX) & ~TGlyphEditorOptions(eoScrollPastEol));
    SetLines(edit, {"abcdefgh", "ab", "abcdefgh"});
    PlaceCaret(edit, {7, 1});
    edit.RunCommand(ecDown);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 2}));
    edit.RunCommand(ecDown);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{7, 3}));
    // Without the option the short line's column is kept instead.
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoKeepCaretX));
    PlaceCaret(edit, {7, 1});
    edit.RunCommand(ecDown);
    edit.RunCommand(ecDown);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 3}));
}

TEST(Movement, SelectingVariantsExtendFromTheAnchor) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abcdef", "ghijkl"});
    PlaceCaret(edit, {3, 1});
    Press(edit, Qt::Key_Right, Qt::ShiftModifier);
    Press(edit, Qt::Key_Right, Qt::ShiftModifier);
    Press(edit, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{3, 1}));
    EXPECT_EQ(edit.SelectionActiveEnd(), (TBufferCoord{5, 2}));
    EXPECT_EQ(edit.SelectedText(), "cdef\r\nghij");
    Press(edit, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectedText(), "cdef\r\n");
    Press(edit, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectedText(), "ab");
    // A plain movement drops the selection.
    Press(edit, Qt::Key_End);
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{7, 1}));
}

TEST(Movement, GotoXYTakesThePositionFromData) {
    TGlyphEdit edit;
    SetLines(edit, {"abc", "defgh"});
    edit.RunCommand(ecGotoXY, QChar(), QPoint(4, 2));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{4, 2}));
    edit.RunCommand(ecSelGotoXY, QChar(), QPoint(2, 1));
    EXPECT_EQ(edit.SelectedText(), "bc\r\ndef");
}

TEST(Movement, PageUpAndDownMoveViewAndCaret) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetLinesInWindow(10);
    SetLines(edit, NumberedLines(100));
    PlaceCaret(edit, {3, 5});
    Press(edit, Qt::Key_PageDown);
    EXPECT_EQ(edit.TopLine(), 11);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 15}));
    Press(edit, Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 25}));
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{3, 15}));
    Press(edit, Qt::Key_PageUp);
    EXPECT_EQ(edit.TopLine(), 11);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 15}));
    edit.SetOptions(edit.Options() | eoHalfPageScroll);
    Press(edit, Qt::Key_PageUp);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 10}));
    edit.SetOptions((edit.Options() & ~TGlyphEditorOptions(eoHalfPageScroll)) | eoScrollByOneLess);
    Press(edit, Qt::Key_PageDown);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 19}));
    // Page top and bottom: the first and last visible lines.
    Press(edit, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretY(), edit.TopLine());
    Press(edit, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretY(), edit.TopLine() + 9);
}

TEST(Movement, TopLineLimits) {
    TGlyphEdit edit;
    edit.SetLinesInWindow(10);
    SetLines(edit, NumberedLines(30));
    edit.SetTopLine(100);
    EXPECT_EQ(edit.TopLine(), 21);
    edit.SetOptions(edit.Options() | eoScrollPastEof);
    edit.SetTopLine(100);
    EXPECT_EQ(edit.TopLine(), 30);
    edit.SetTopLine(-4);
    EXPECT_EQ(edit.TopLine(), 1);
}

TEST(Movement, ScrollUpAndDown) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetLinesInWindow(10);
    SetLines(edit, NumberedLines(50));
    PlaceCaret(edit, {2, 1});
    // Ctrl+Down scrolls by one line; the caret is pushed down when its line leaves the view.
    Press(edit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(edit.TopLine(), 2);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{2, 2}));
    PlaceCaret(edit, {2, 5});
    Press(edit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(edit.TopLine(), 3);
    EXPECT_EQ(edit.CaretY(), 5);
    Press(edit, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(edit.TopLine(), 2);
    // A caret outside the view is only scrolled into it.
    edit.SetTopLine(30);
    Press(edit, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(edit.TopLine(), 5);
    EXPECT_EQ(edit.CaretY(), 5);
}

TEST(Movement, ScrollLeftAndRight) {
    TGlyphEdit edit;
    edit.SetCharsInWindow(20);
    SetLines(edit, {"abc"});
    edit.RunCommand(ecScrollRight);
    edit.RunCommand(ecScrollRight);
    EXPECT_EQ(edit.LeftChar(), 3);
    edit.RunCommand(ecScrollLeft);
    EXPECT_EQ(edit.LeftChar(), 2);
    edit.SetLeftChar(5000);
    EXPECT_EQ(edit.LeftChar(), 1024 - 20 + 1);
    // Without eoScrollPastEol the longest line limits the scroll.
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoScrollPastEol));
    edit.SetLeftChar(5000);
    EXPECT_EQ(edit.LeftChar(), 1);
}

TEST(Movement, ModeCommands) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    EXPECT_TRUE(edit.InsertMode());
    Press(edit, Qt::Key_Insert);
    EXPECT_FALSE(edit.InsertMode());
    edit.RunCommand(ecInsertMode);
    EXPECT_TRUE(edit.InsertMode());
    edit.RunCommand(ecOverwriteMode);
    EXPECT_FALSE(edit.InsertMode());
    Press(edit, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectionMode(), smColumn);
    Press(edit, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectionMode(), smLine);
    Press(edit, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectionMode(), smNormal);
    Press(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit.SelectedText(), "abc");
}

TEST(Movement, GroupUndoAddsBreaksBetweenMoves) {
    TGlyphEdit edit; // the default options include eoGroupUndo
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {4, 1});
    Type(edit, "de");
    edit.RunCommand(ecLeft);
    edit.RunCommand(ecLeft);
    const TGlyphEditUndoList& list = edit.UndoList();
    ASSERT_EQ(list.ItemCount(), 3);
    EXPECT_EQ(list.Item(2).Kind, uckGroupBreak);
    Type(edit, "x");
    // Typing after the move is undone alone; the two letters before it together.
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abcde");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abc");
    EXPECT_FALSE(edit.UndoAvailable());
}

} // namespace
