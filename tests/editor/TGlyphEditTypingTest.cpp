// Typing characters and breaking lines with the main window's settings.

#include "GlyphEditTestSupport.h"

#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

struct TypingCase {
    const char* name;
    QStringList before;
    TBufferCoord caret;
    bool insertMode;
    QString typed;
    QStringList after;
    TBufferCoord caretAfter;
};

class TypingTest : public ::testing::TestWithParam<TypingCase> {};

TEST_P(TypingTest, TypesAndUndoesInOneStepPerCharacter) {
    const TypingCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.before);
    PlaceCaret(edit, c.caret);
    edit.SetInsertMode(c.insertMode);
    Type(edit, c.typed);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
    EXPECT_TRUE(edit.Modified());
    // Each typed character is its own undo step in the main window.
    for (int i = 0; i < c.typed.size(); ++i) {
        ASSERT_TRUE(edit.UndoAvailable());
        edit.Undo();
    }
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(Lines(edit), c.before);
    EXPECT_EQ(edit.CaretXY(), c.caret);
    EXPECT_FALSE(edit.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypingTest,
    ::testing::Values(
        TypingCase{"InsertInside", {"abcd"}, {3, 1}, true, "XY", {"abXYcd"}, {5, 1}},
        TypingCase{"InsertAtEnd", {"ab"}, {3, 1}, true, "c", {"abc"}, {4, 1}},
        TypingCase{"PadsGapWithSpaces", {"abc"}, {10, 1}, true, "x", {"abc      x"}, {11, 1}},
        TypingCase{"EmptyLineGetsIndentString", {""}, {4, 1}, true, "x", {"   x"}, {5, 1}},
        TypingCase{"EmptyBuffer", {}, {1, 1}, true, "hi", {"hi"}, {3, 1}},
        TypingCase{"OverwriteReplaces", {"abcd"}, {2, 1}, false, "XY", {"aXYd"}, {4, 1}},
        TypingCase{"OverwritePastEnd", {"ab"}, {2, 1}, false, "XYZ", {"aXYZ"}, {5, 1}},
        TypingCase{"OverwriteInGap", {"ab"}, {5, 1}, false, "X", {"ab  X"}, {6, 1}},
        TypingCase{"TypedSpaceAtEndStays", {"ab"}, {3, 1}, true, " ", {"ab "}, {4, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TypingEdge, PaddingAndCharacterAreOneUndoStep) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {10, 1});
    Type(edit, "x");
    EXPECT_EQ(edit.LineText(1), "abc      x");
    // Six spaces and the character: one undo removes all seven.
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "abc");
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{10, 1}));
    edit.Redo();
    EXPECT_EQ(edit.LineText(1), "abc      x");
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{11, 1}));
}

TEST(TypingEdge, EmptyLineGapUsesTabsWithoutTabsToSpaces) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoTabsToSpaces));
    edit.SetTabWidth(4);
    SetLines(edit, {""});
    PlaceCaret(edit, {10, 1});
    Type(edit, "x");
    // Width 9: two tabs and one space, the caret after the filled line.
    EXPECT_EQ(edit.LineText(1), "\t\t x");
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{5, 1}));
}

TEST(TypingEdge, IgnoresControlCharactersDeleteAndReadOnly) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"ab"});
    PlaceCaret(edit, {2, 1});
    for (char16_t c : {u'\x01', u'\t', u'\r', u'\x1f', u'\x7f'})
        edit.RunCommand(ecChar, QChar(c));
    EXPECT_EQ(edit.LineText(1), "ab");
    EXPECT_FALSE(edit.UndoAvailable());
    edit.SetReadOnly(true);
    Type(edit, "x");
    EXPECT_EQ(edit.LineText(1), "ab");
    EXPECT_FALSE(edit.Modified());
}

TEST(TypingEdge, TypingReplacesSelectionAtItsFirstEndAsOneStep) {
    const QStringList grid = {"abc", "def", "ghi"};
    struct {
        const char* what;
        QStringList lines;
        TBufferCoord anchor;
        TBufferCoord active;
        TGlyphSelectionMode mode;
        QStringList after;
        TBufferCoord caret;
    } cases[] = {
        {"stream", {"hello", "world"}, {3, 1}, {2, 2}, smNormal, {"heXorld"}, {4, 1}},
        {"stream made backwards",
         {"hello", "world"},
         {2, 2},
         {3, 1},
         smNormal,
         {"heXorld"},
         {4, 1}},
        {"column made downwards", grid, {2, 1}, {3, 3}, smColumn, {"aXc", "df", "gi"}, {3, 1}},
        {"column made upwards", grid, {3, 3}, {2, 1}, smColumn, {"aXc", "df", "gi"}, {3, 1}},
        {"column made to the left", grid, {3, 1}, {2, 3}, smColumn, {"aXc", "df", "gi"}, {3, 1}},
        {"lines", grid, {2, 1}, {2, 2}, smLine, {"Xghi"}, {2, 1}},
    };
    for (const auto& c : cases) {
        TGlyphEdit edit;
        ConfigureMainWindow(edit);
        SetLines(edit, c.lines);
        Select(edit, c.anchor, c.active, c.mode);
        const QString selected = edit.SelectedText();
        Type(edit, "X");
        EXPECT_EQ(Lines(edit), c.after) << c.what;
        EXPECT_EQ(edit.CaretXY(), c.caret) << c.what;
        edit.Undo();
        EXPECT_EQ(Lines(edit), c.lines) << c.what;
        EXPECT_EQ(edit.SelectedText(), selected) << c.what;
        EXPECT_FALSE(edit.UndoAvailable()) << c.what;
    }
}

TEST(TypingEdge, ReachingTheRightEdgeScrollsTheView) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetCharsInWindow(10);
    SetLines(edit, {"12345678"});
    PlaceCaret(edit, {9, 1});
    EXPECT_EQ(edit.LeftChar(), 1);
    Type(edit, "9");
    EXPECT_EQ(edit.CaretX(), 10);
    EXPECT_EQ(edit.LeftChar(), 1);
    Type(edit, "0");
    // Column 11 is the right edge: the view moves on by min(25, 10 - 1) columns.
    EXPECT_EQ(edit.LeftChar(), 10);
}

// ---- Line break ----

struct BreakCase {
    const char* name;
    QStringList before;
    TBufferCoord caret;
    TGlyphEditorCommand command;
    QStringList after;
    TBufferCoord caretAfter;
};

class LineBreakTest : public ::testing::TestWithParam<BreakCase> {};

TEST_P(LineBreakTest, BreaksAndUndoRedoRestore) {
    const BreakCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.before);
    PlaceCaret(edit, c.caret);
    edit.RunCommand(c.command);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
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
    Cases, LineBreakTest,
    ::testing::Values(
        // Case 4: inside the line; the new line gets the indentation of the left part.
        BreakCase{"InsideIndented", {"  abcd"}, {5, 1}, ecLineBreak, {"  ab", "  cd"}, {3, 2}},
        BreakCase{"InsideTrimsLeft", {"ab  cd"}, {5, 1}, ecLineBreak, {"ab", "cd"}, {1, 2}},
        BreakCase{"InsideBlankRight", {"ab cd"}, {3, 1}, ecLineBreak, {"ab", " cd"}, {1, 2}},
        // Inside the leading blanks the indentation is the left part's before trimming.
        BreakCase{
            "InsideLeadingBlanks", {"    abcd"}, {3, 1}, ecLineBreak, {"", "    abcd"}, {3, 2}},
        // Case 2: at the end; the new line copies the leading blanks.
        BreakCase{"AtEndIndented", {"  ab"}, {5, 1}, ecLineBreak, {"  ab", "  "}, {3, 2}},
        BreakCase{"PastEnd", {"ab", "cd"}, {7, 1}, ecLineBreak, {"ab", "", "cd"}, {1, 2}},
        // Case 3: at column 1 the line moves down with the caret.
        BreakCase{"AtStart", {"abc"}, {1, 1}, ecLineBreak, {"", "abc"}, {1, 2}},
        // Case 1: an empty line takes its indentation from the nearest line above with text.
        BreakCase{
            "EmptyLine", {"    x", "", ""}, {1, 3}, ecLineBreak, {"    x", "", "", ""}, {5, 4}},
        BreakCase{"InsertLineInside", {"  abcd"}, {5, 1}, ecInsertLine, {"  ab", "  cd"}, {5, 1}},
        BreakCase{"InsertLineAtEnd", {"  ab"}, {5, 1}, ecInsertLine, {"  ab", ""}, {5, 1}},
        BreakCase{
            "InsertLineInBlanks", {"    abcd"}, {3, 1}, ecInsertLine, {"", "    abcd"}, {3, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineBreakEdge, EmptyBufferGetsALine) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.RunCommand(ecLineBreak);
    EXPECT_EQ(Lines(edit), (QStringList{"", ""}));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 2}));
}

TEST(LineBreakEdge, ReplacesSelectionAsOneStep) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abcdef"});
    Select(edit, {2, 1}, {4, 1});
    edit.RunCommand(ecLineBreak);
    EXPECT_EQ(Lines(edit), (QStringList{"a", "def"}));
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"abcdef"}));
    EXPECT_FALSE(edit.UndoAvailable());
}

TEST(LineBreakEdge, TabsIndentWithoutTabsToSpaces) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoTabsToSpaces));
    edit.SetTabWidth(4);
    SetLines(edit, {"\t  ab"});
    PlaceCaret(edit, {5, 1});
    edit.RunCommand(ecLineBreak);
    // The left part's blanks are 4 + 2 columns wide: one tab and two spaces.
    EXPECT_EQ(Lines(edit), (QStringList{"\t  a", "\t  b"}));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{4, 2}));
}

TEST(LineBreakEdge, NoIndentWithoutAutoIndent) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoAutoIndent));
    SetLines(edit, {"  abcd"});
    PlaceCaret(edit, {5, 1});
    edit.RunCommand(ecLineBreak);
    EXPECT_EQ(Lines(edit), (QStringList{"  ab", "cd"}));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 2}));
}

TEST(LineBreakEdge, ReadOnlyIgnoresIt) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {2, 1});
    edit.SetReadOnly(true);
    edit.RunCommand(ecLineBreak);
    edit.RunCommand(ecInsertLine);
    EXPECT_EQ(Lines(edit), (QStringList{"abc"}));
}

TEST(LineBreakEdge, BookmarksBelowMoveDown) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"one", "two", "three"});
    edit.SetBookmark(1, {2, 1});
    edit.SetBookmark(2, {1, 3});
    PlaceCaret(edit, {2, 2});
    edit.RunCommand(ecLineBreak);
    EXPECT_EQ(edit.Bookmark(1)->Y, 1);
    EXPECT_EQ(edit.Bookmark(2)->Y, 4);
    edit.Undo();
    EXPECT_EQ(edit.Bookmark(2)->Y, 3);
}

} // namespace
