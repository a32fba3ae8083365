// Positions: display columns with tabs, the caret placement rule, selection ends and word
// boundaries.

#include "GlyphEditTestSupport.h"

#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

struct ColumnCase {
    QString line;
    int tabWidth;
    int x;
    int column;
};

class DisplayColumnTest : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(DisplayColumnTest, ConvertsBothWays) {
    const ColumnCase& c = GetParam();
    TGlyphEdit edit;
    edit.SetTabWidth(c.tabWidth);
    SetLines(edit, {c.line});
    EXPECT_EQ(edit.DisplayColumn({c.x, 1}), c.column);
    EXPECT_EQ(edit.CharIndexOfColumn(1, c.column), c.x);
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplayColumnTest,
                         ::testing::Values(ColumnCase{"abc", 4, 1, 1}, ColumnCase{"abc", 4, 3, 3},
                                           ColumnCase{"\tab", 4, 2, 5}, ColumnCase{"\tab", 4, 3, 6},
                                           ColumnCase{"a\tb", 4, 3, 5}, ColumnCase{"a\tb", 2, 3, 3},
                                           ColumnCase{"\t\t", 2, 3, 5},
                                           // Past the line end every position is one column.
                                           ColumnCase{"\tab", 4, 6, 9}, ColumnCase{"", 8, 5, 5}));

TEST(DisplayColumn, ColumnInsideATabMapsToTheCharacterAfterIt) {
    TGlyphEdit edit;
    edit.SetTabWidth(4);
    SetLines(edit, {"\tab"});
    EXPECT_EQ(edit.CharIndexOfColumn(1, 2), 2);
    EXPECT_EQ(edit.CharIndexOfColumn(1, 4), 2);
    EXPECT_EQ(edit.CharIndexOfColumn(1, 5), 2);
}

TEST(DisplayColumn, TabWidthIsClamped) {
    TGlyphEdit edit;
    EXPECT_EQ(edit.TabWidth(), 8);
    edit.SetTabWidth(0);
    EXPECT_EQ(edit.TabWidth(), 1);
    edit.SetTabWidth(1000);
    EXPECT_EQ(edit.TabWidth(), 256);
    EXPECT_EQ(edit.Lines().TabWidth(), 256);
}

// ---- Caret placement ----

struct CaretCase {
    const char* name;
    bool scrollPastEol;
    QStringList lines;
    TBufferCoord requested;
    TBufferCoord placed;
};

class CaretPlacementTest : public ::testing::TestWithParam<CaretCase> {};

TEST_P(CaretPlacementTest, ClampsToTheRule) {
    const CaretCase& c = GetParam();
    TGlyphEdit edit;
    TGlyphEditorOptions options = edit.Options();
    options.setFlag(eoScrollPastEol, c.scrollPastEol);
    edit.SetOptions(options);
    SetLines(edit, c.lines);
    edit.SetCaretXY(c.requested);
    EXPECT_EQ(edit.CaretXY(), c.placed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaretPlacementTest,
    ::testing::Values(CaretCase{"PastEndAllowed", true, {"abc"}, {10, 1}, {10, 1}},
                      CaretCase{"MaxLeftChar", true, {"abc"}, {5000, 1}, {1024, 1}},
                      CaretCase{"LineBelowClamped", true, {"a", "b"}, {1, 9}, {1, 2}},
                      CaretCase{"ZeroRaisedToOne", true, {"abc"}, {0, 0}, {1, 1}},
                      CaretCase{"EmptyBuffer", false, {}, {7, 3}, {1, 1}},
                      CaretCase{"NoPastEnd", false, {"abc"}, {10, 1}, {4, 1}},
                      CaretCase{"NoPastEndNextLine", false, {"abc", "a"}, {3, 2}, {2, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaretPlacement, EndOfALineLongerThanMaxLeftCharIsReachable) {
    TGlyphEdit edit;
    SetLines(edit, {QString(3000, u'x')});
    edit.SetCaretXY({3001, 1});
    EXPECT_EQ(edit.CaretX(), 3001);
    edit.RunCommand(ecLineEnd);
    EXPECT_EQ(edit.CaretX(), 3001);
}

TEST(CaretPlacement, LongLineScrollsToItsEnd) {
    TGlyphEdit edit;
    edit.SetCharsInWindow(40);
    SetLines(edit, {QString(3000, u'x'), QStringLiteral("short")});
    edit.RunCommand(ecLineEnd);
    EXPECT_EQ(edit.LeftChar(), 3001 - 40 + 1);
    edit.SetCaretXY({1, 2});
    EXPECT_EQ(edit.LeftChar(), 1);
    // A scroll beyond MaxLeftChar is allowed as far as the longest line reaches.
    edit.SetLeftChar(5000);
    EXPECT_EQ(edit.LeftChar(), 3001 - 40 + 1);
}

TEST(CaretPlacement, CommandLineOptionsOrder) {
    // The main window sets CaretX 5, then CaretY 40 on a new document of one line.
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {""});
    edit.SetCaretX(5);
    edit.SetCaretY(40);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{5, 1}));
}

TEST(CaretPlacement, ScrollsIntoView) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    QStringList lines;
    for (int i = 0; i < 100; ++i)
        lines << QString(100, u'a');
    SetLines(edit, lines);
    edit.SetCaretXY({1, 50});
    EXPECT_EQ(edit.TopLine(), 31);
    edit.SetCaretXY({1, 10});
    EXPECT_EQ(edit.TopLine(), 10);
    edit.SetCaretXY({60, 10});
    EXPECT_EQ(edit.LeftChar(), 21);
    // A caret just right of the last fully visible column does not scroll.
    edit.SetCaretXY({61, 10});
    EXPECT_EQ(edit.LeftChar(), 21);
    edit.SetCaretXY({5, 10});
    EXPECT_EQ(edit.LeftChar(), 5);
}

// ---- Selection ends ----

TEST(SelectionEnds, AnchorClampsToLineEndInNormalMode) {
    TGlyphEdit edit;
    SetLines(edit, {"abc", "de"});
    edit.SetSelectionAnchor({9, 2});
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{3, 2}));
    edit.SetSelectionMode(smColumn);
    edit.SetSelectionAnchor({9, 2});
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{9, 2}));
    edit.SetSelectionActiveEnd({2000, 7});
    EXPECT_EQ(edit.SelectionActiveEnd(), (TBufferCoord{1024, 2}));
}

struct HasSelectionCase {
    TBufferCoord anchor;
    TBufferCoord active;
    TGlyphSelectionMode mode;
    bool selected;
};

class HasSelectionTest : public ::testing::TestWithParam<HasSelectionCase> {};

TEST_P(HasSelectionTest, FollowsTheRule) {
    const HasSelectionCase& c = GetParam();
    TGlyphEdit edit;
    SetLines(edit, {"abcdef", "abcdef", "abcdef"});
    edit.SetSelectionMode(c.mode);
    edit.SetSelectionAnchor(c.anchor);
    edit.SetSelectionActiveEnd(c.active);
    EXPECT_EQ(edit.HasSelection(), c.selected);
}

INSTANTIATE_TEST_SUITE_P(Cases, HasSelectionTest,
                         ::testing::Values(HasSelectionCase{{2, 1}, {2, 1}, smNormal, false},
                                           HasSelectionCase{{2, 1}, {3, 1}, smNormal, true},
                                           HasSelectionCase{{2, 1}, {2, 3}, smNormal, true},
                                           HasSelectionCase{{2, 1}, {2, 3}, smLine, true},
                                           // A column of zero width is empty.
                                           HasSelectionCase{{2, 1}, {2, 3}, smColumn, false},
                                           HasSelectionCase{{2, 1}, {4, 3}, smColumn, true}));

TEST(SelectionEnds, StartAndEndAreOrdered) {
    TGlyphEdit edit;
    SetLines(edit, {"abcdef", "abcdef"});
    edit.SetSelectionAnchor({4, 2});
    edit.SetSelectionActiveEnd({2, 1});
    EXPECT_EQ(edit.SelectionStart(), (TBufferCoord{2, 1}));
    EXPECT_EQ(edit.SelectionEnd(), (TBufferCoord{4, 2}));
    // Writing the start collapses the selection there.
    edit.SetSelectionStart({3, 1});
    EXPECT_FALSE(edit.HasSelection());
    edit.SetSelectionEnd({5, 2});
    EXPECT_EQ(edit.SelectedText(), "cdef\r\nabcd");
}

TEST(SelectionEnds, NoSelectionOptionKeepsTheEndFixed) {
    TGlyphEdit edit;
    edit.SetOptions(edit.Options() | eoNoSelection);
    SetLines(edit, {"abcdef"});
    edit.SetSelectionAnchor({2, 1});
    edit.SetSelectionActiveEnd({5, 1});
    EXPECT_FALSE(edit.HasSelection());
    edit.RunCommand(ecSelRight);
    EXPECT_FALSE(edit.HasSelection());
}

TEST(SelectionEnds, SelectAll) {
    TGlyphEdit edit;
    SetLines(edit, {"abc", "de"});
    edit.SelectAll();
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{1, 1}));
    EXPECT_EQ(edit.SelectionActiveEnd(), (TBufferCoord{3, 2}));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 2}));
    EXPECT_EQ(edit.SelectedText(), "abc\r\nde");
}

// ---- Word boundaries ----

struct WordCase {
    const char* name;
    QStringList lines;
    TBufferCoord from;
    TBufferCoord next;
    TBufferCoord previous;
};

class WordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(WordTest, NextAndPrevious) {
    const WordCase& c = GetParam();
    TGlyphEdit edit;
    SetLines(edit, c.lines);
    EXPECT_EQ(edit.NextWordPos(c.from), c.next);
    EXPECT_EQ(edit.PrevWordPos(c.from), c.previous);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WordTest,
    ::testing::Values(
        WordCase{"InWord", {"foo bar baz"}, {2, 1}, {5, 1}, {1, 1}},
        WordCase{"OnBlank", {"foo bar baz"}, {4, 1}, {5, 1}, {1, 1}},
        WordCase{"WordStart", {"foo bar baz"}, {5, 1}, {9, 1}, {1, 1}},
        WordCase{"BreakCharacters", {"a.b(c)"}, {1, 1}, {3, 1}, {1, 1}},
        WordCase{"AfterBreakChars", {"ab+=cd"}, {5, 1}, {7, 1}, {1, 1}},
        WordCase{"LastWord", {"foo bar"}, {6, 1}, {8, 1}, {5, 1}},
        // At or after the last character Ctrl+Right goes to the next line's first word.
        WordCase{"LastCharacter", {"abc", "  de"}, {3, 1}, {3, 2}, {1, 1}},
        WordCase{"NextLineWithoutWords", {"abc", "  ,"}, {4, 1}, {1, 2}, {1, 1}},
        WordCase{"LastLineStays", {"abc"}, {4, 1}, {4, 1}, {1, 1}},
        WordCase{"LineStartGoesUp", {"abc", "def"}, {1, 2}, {4, 2}, {4, 1}},
        WordCase{"PastEndLimited", {"ab cd"}, {9, 1}, {9, 1}, {4, 1}},
        WordCase{"OnlyBlanksBefore", {"abc", "   x"}, {3, 2}, {4, 2}, {4, 1}},
        WordCase{"OnlyBlanksFirstLine", {"   x"}, {3, 1}, {4, 1}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Words, StartEndAndHighlighterCharacters) {
    TGlyphEdit edit;
    SetLines(edit, {"say hello-world"});
    EXPECT_EQ(edit.WordStart({7, 1}), (TBufferCoord{5, 1}));
    EXPECT_EQ(edit.WordEnd({7, 1}), (TBufferCoord{10, 1}));
    EXPECT_EQ(edit.WordStart({5, 1}), (TBufferCoord{5, 1}));
    // A highlighter that counts '-' as a word character joins the two halves.
    edit.WordCharTest = [](QChar c) { return c.isLetter() || c == u'-'; };
    EXPECT_EQ(edit.WordEnd({7, 1}), (TBufferCoord{16, 1}));
    EXPECT_EQ(edit.NextWordPos({5, 1}), (TBufferCoord{16, 1}));
}

TEST(Words, CtrlArrowsMoveAndSelect) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"one two three"});
    PlaceCaret(edit, {1, 1});
    Press(edit, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{5, 1}));
    Press(edit, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.SelectedText(), "two ");
    Press(edit, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{5, 1}));
    EXPECT_FALSE(edit.HasSelection());
}

} // namespace
