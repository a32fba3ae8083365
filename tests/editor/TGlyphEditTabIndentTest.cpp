// Tab, Shift+Tab, block indent and block unindent.

#include "GlyphEditTestSupport.h"

#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

struct TabCase {
    const char* name;
    TGlyphEditorCommand command;
    QStringList before;
    TBufferCoord caret;
    QStringList after;
    TBufferCoord caretAfter;
};

class TabTest : public ::testing::TestWithParam<TabCase> {};

TEST_P(TabTest, OneUndoStepRestoresEverything) {
    const TabCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.before);
    PlaceCaret(edit, c.caret);
    edit.RunCommand(c.command);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
    if (c.after == c.before)
        return;
    edit.Undo();
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(Lines(edit), c.before);
    EXPECT_EQ(edit.CaretXY(), c.caret);
    edit.Redo();
    EXPECT_EQ(Lines(edit), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabTest,
    ::testing::Values(
        // Tab width 2 with eoTabsToSpaces: two spaces at X = 1, one at X = 2, two at X = 3.
        TabCase{"TabAtX1", ecTab, {"abcd"}, {1, 1}, {"  abcd"}, {3, 1}},
        TabCase{"TabAtX2", ecTab, {"abcd"}, {2, 1}, {"a bcd"}, {3, 1}},
        TabCase{"TabAtX3", ecTab, {"abcd"}, {3, 1}, {"ab  cd"}, {5, 1}},
        TabCase{"TabOnEmptyLine", ecTab, {""}, {1, 1}, {"  "}, {3, 1}},
        TabCase{"TabPastEnd", ecTab, {"ab"}, {6, 1}, {"ab    "}, {7, 1}},
        TabCase{"ShiftTabToStop", ecShiftTab, {"    ab"}, {5, 1}, {"  ab"}, {3, 1}},
        TabCase{"ShiftTabOddColumn", ecShiftTab, {"    ab"}, {4, 1}, {"   ab"}, {3, 1}},
        TabCase{"ShiftTabStopsAtText", ecShiftTab, {"ab cd"}, {4, 1}, {"abcd"}, {3, 1}},
        TabCase{"ShiftTabBlockedByText", ecShiftTab, {"abcd"}, {3, 1}, {"abcd"}, {3, 1}},
        TabCase{"ShiftTabPastEnd", ecShiftTab, {"ab"}, {6, 1}, {"ab"}, {5, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TabEdge, TabCharacterWithoutTabsToSpaces) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoTabsToSpaces));
    SetLines(edit, {"ab"});
    PlaceCaret(edit, {2, 1});
    edit.RunCommand(ecTab);
    EXPECT_EQ(edit.LineText(1), "a\tb");
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 1}));
}

TEST(TabEdge, TabReplacesSelectionInOneStep) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abcdef"});
    Select(edit, {2, 1}, {5, 1});
    Press(edit, Qt::Key_Tab);
    EXPECT_EQ(edit.LineText(1), "a ef");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abcdef");
    EXPECT_EQ(edit.SelectedText(), "bcd");
    EXPECT_FALSE(edit.UndoAvailable());
}

TEST(TabEdge, TabIndentOptionIndentsTheSelection) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetOptions(edit.Options() | eoTabIndent);
    SetLines(edit, {"ab", "cd"});
    Select(edit, {1, 1}, {2, 2});
    edit.RunCommand(ecTab);
    EXPECT_EQ(Lines(edit), (QStringList{"  ab", "  cd"}));
    edit.RunCommand(ecShiftTab);
    EXPECT_EQ(Lines(edit), (QStringList{"ab", "cd"}));
}

TEST(TabEdge, ShiftTabKeyRunsShiftTab) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"    ab"});
    PlaceCaret(edit, {5, 1});
    // Qt reports Shift+Tab as Backtab.
    EXPECT_TRUE(Press(edit, Qt::Key_Backtab, Qt::ShiftModifier));
    EXPECT_EQ(edit.LineText(1), "  ab");
}

// ---- Block indent and unindent ----

struct BlockCase {
    const char* name;
    TGlyphEditorCommand command;
    QStringList before;
    TBufferCoord anchor;
    TBufferCoord active;
    QStringList after;
    TBufferCoord anchorAfter;
    TBufferCoord activeAfter;
};

class BlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockTest, ChangesLinesAndMovesSelection) {
    const BlockCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.before);
    Select(edit, c.anchor, c.active);
    edit.RunCommand(c.command);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.SelectionAnchor(), c.anchorAfter);
    EXPECT_EQ(edit.SelectionActiveEnd(), c.activeAfter);
    EXPECT_EQ(edit.CaretXY(), c.activeAfter);
    EXPECT_EQ(edit.SelectionMode(), smNormal);
    if (c.after == c.before)
        return;
    // One undo step restores lines, selection and caret.
    edit.Undo();
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(Lines(edit), c.before);
    EXPECT_EQ(edit.SelectionAnchor(), c.anchor);
    EXPECT_EQ(edit.SelectionActiveEnd(), c.active);
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.SelectionActiveEnd(), c.activeAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlockTest,
                         ::testing::Values(BlockCase{"IndentTwoLines",
                                                     ecBlockIndent,
                                                     {"ab", "cd", "ef"},
                                                     {2, 1},
                                                     {2, 2},
                                                     {"  ab", "  cd", "ef"},
                                                     {4, 1},
                                                     {4, 2}},
                                           BlockCase{"IndentSkipsLineEndingAtColumn1",
                                                     ecBlockIndent,
                                                     {"ab", "cd", "ef"},
                                                     {1, 1},
                                                     {1, 3},
                                                     {"  ab", "  cd", "ef"},
                                                     {3, 1},
                                                     {1, 3}},
                                           BlockCase{"IndentEmptyLineGetsSpaces",
                                                     ecBlockIndent,
                                                     {"ab", "", "cd"},
                                                     {1, 1},
                                                     {3, 3},
                                                     {"  ab", "  ", "  cd"},
                                                     {3, 1},
                                                     {5, 3}},
                                           BlockCase{"UnindentSpaces",
                                                     ecBlockUnindent,
                                                     {"    ab", " cd", "ef"},
                                                     {5, 1},
                                                     {2, 2},
                                                     {"  ab", "cd", "ef"},
                                                     {3, 1},
                                                     {1, 2}},
                                           BlockCase{"UnindentTabFirst",
                                                     ecBlockUnindent,
                                                     {"\t  ab", " \tcd"},
                                                     {1, 1},
                                                     {4, 2},
                                                     {"  ab", "cd"},
                                                     {1, 1},
                                                     {2, 2}},
                                           BlockCase{"UnindentNothing",
                                                     ecBlockUnindent,
                                                     {"ab", "cd"},
                                                     {1, 1},
                                                     {2, 2},
                                                     {"ab", "cd"},
                                                     {1, 1},
                                                     {2, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BlockEdge, IndentRecordsMarkersAndOnePastePerLine) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"a", "b", "c"});
    Select(edit, {1, 1}, {2, 3});
    edit.RunCommand(ecBlockIndent);
    const TGlyphEditUndoList& list = edit.UndoList();
    ASSERT_EQ(list.ItemCount(), 5);
    EXPECT_EQ(list.Item(0).Kind, uckIndent);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(list.Item(i).Kind, uckPaste);
        EXPECT_EQ(list.Item(i).SelectionMode, smColumn);
        EXPECT_EQ(list.Item(i).Start, (TBufferCoord{1, i}));
    }
    EXPECT_EQ(list.Item(4).Kind, uckIndent);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(list.Item(i).GroupNumber, list.Item(0).GroupNumber);
}

TEST(BlockEdge, IndentWithTabsAndInColumnMode) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoTabsToSpaces));
    SetLines(edit, {"abc", "def"});
    Select(edit, {2, 1}, {3, 2}, smColumn);
    edit.RunCommand(ecBlockIndent);
    EXPECT_EQ(Lines(edit), (QStringList{"\tabc", "\tdef"}));
    EXPECT_EQ(edit.SelectionMode(), smColumn);
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{3, 1}));
}

TEST(BlockEdge, WithoutSelectionNothingHappens) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"  ab"});
    PlaceCaret(edit, {3, 1});
    edit.RunCommand(ecBlockIndent);
    edit.RunCommand(ecBlockUnindent);
    EXPECT_EQ(edit.LineText(1), "  ab");
    EXPECT_FALSE(edit.UndoAvailable());
}

TEST(BlockEdge, KeysRunIndentAndUnindent) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"ab", "cd"});
    Select(edit, {1, 1}, {2, 2});
    Press(edit, Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Lines(edit), (QStringList{"  ab", "  cd"}));
    Press(edit, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Lines(edit), (QStringList{"ab", "cd"}));
    // Each is one undo step.
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"  ab", "  cd"}));
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"ab", "cd"}));
    EXPECT_FALSE(edit.UndoAvailable());
}

} // namespace
