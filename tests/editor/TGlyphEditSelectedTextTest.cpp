// SelectedText read and write in the three selection modes.

#include "GlyphEditTestSupport.h"

#include "editor/TGlyphEditClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <functional>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

const QStringList Sample = {"first line", "second", "third line"};

struct ReadCase {
    const char* name;
    QStringList lines;
    TBufferCoord anchor;
    TBufferCoord active;
    TGlyphSelectionMode mode;
    bool trim;
    QString text;
};

class SelectedTextReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SelectedTextReadTest, ReadsByMode) {
    const ReadCase& c = GetParam();
    TGlyphEdit edit;
    TGlyphEditorOptions options = edit.Options();
    options.setFlag(eoTrimTrailingSpaces, c.trim);
    edit.SetOptions(options);
    SetLines(edit, c.lines);
    Select(edit, c.anchor, c.active, c.mode);
    EXPECT_EQ(edit.SelectedText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectedTextReadTest,
    ::testing::Values(
        ReadCase{"NormalOneLine", Sample, {3, 1}, {6, 1}, smNormal, true, "rst"},
        ReadCase{"NormalBackwards", Sample, {6, 1}, {3, 1}, smNormal, true, "rst"},
        ReadCase{"NormalLines", Sample, {7, 1}, {3, 3}, smNormal, true, "line\r\nsecond\r\nth"},
        ReadCase{"NormalToLineStart", Sample, {1, 1}, {1, 2}, smNormal, true, "first line\r\n"},
        ReadCase{"LineMode", Sample, {4, 1}, {2, 2}, smLine, true, "first line\r\nsecond\r\n"},
        // The buffer's last line ends without a line break and nothing else is added.
        ReadCase{"LineModeLastLine", Sample, {2, 2}, {2, 3}, smLine, true, "second\r\nthird line"},
        ReadCase{"ColumnTrimmed", Sample, {4, 1}, {9, 3}, smColumn, true, "st li\r\nond\r\nrd li"},
        ReadCase{
            "ColumnPadded", Sample, {4, 1}, {9, 3}, smColumn, false, "st li\r\nond  \r\nrd li"},
        ReadCase{"ColumnReversedCorners",
                 Sample,
                 {9, 1},
                 {4, 3},
                 smColumn,
                 true,
                 "st li\r\nond\r\nrd li"},
        ReadCase{"ColumnCharactersNotColumns",
                 {"\tab", "abcd"},
                 {2, 1},
                 {3, 2},
                 smColumn,
                 true,
                 "a\r\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SelectedTextRead, EmptyWithoutSelection) {
    TGlyphEdit edit;
    SetLines(edit, Sample);
    PlaceCaret(edit, {3, 2});
    EXPECT_EQ(edit.SelectedText(), QString());
}

// ---- Writing ----

struct WriteCase {
    const char* name;
    QStringList lines;
    TBufferCoord anchor;
    TBufferCoord active;
    TGlyphSelectionMode mode;
    QString text;
    QStringList after;
    TBufferCoord caretAfter;
};

class SelectedTextWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(SelectedTextWriteTest, ReplacesAsOneUndoStep) {
    const WriteCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.lines);
    Select(edit, c.anchor, c.active, c.mode);
    const QString selected = edit.SelectedText();
    edit.SetSelectedText(c.text);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
    EXPECT_FALSE(edit.HasSelection());
    edit.Undo();
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(Lines(edit), c.lines);
    EXPECT_EQ(edit.SelectedText(), selected);
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectedTextWriteTest,
    ::testing::Values(
        WriteCase{"NormalOneLine", {"abcdef"}, {2, 1}, {5, 1}, smNormal, "XY", {"aXYef"}, {4, 1}},
        WriteCase{"NormalMultiLineText",
                  {"abcdef"},
                  {2, 1},
                  {5, 1},
                  smNormal,
                  "X\r\nY\nZ",
                  {"aX", "Y", "Zef"},
                  {2, 3}},
        WriteCase{"NormalJoinTrims", {"ab  ", "cd"}, {5, 1}, {3, 2}, smNormal, "", {"ab"}, {5, 1}},
        WriteCase{
            "NormalInsertAtCaret", {"abc"}, {2, 1}, {2, 1}, smNormal, "--", {"a--bc"}, {4, 1}},
        WriteCase{"NormalWrittenLinesTrimmed",
                  {"abc"},
                  {4, 1},
                  {4, 1},
                  smNormal,
                  "x  \r\ny  ",
                  {"abcx", "y"},
                  {4, 2}},
        WriteCase{"LineModeDeletesLines",
                  {"a", "b", "c"},
                  {1, 2},
                  {2, 2},
                  smLine,
                  "X\r\n",
                  {"a", "X", "c"},
                  {1, 3}},
        WriteCase{"LineModeLastLineLeavesEmptyLine",
                  {"a", "b", "c"},
                  {1, 2},
                  {1, 3},
                  smLine,
                  "",
                  {"a", ""},
                  {1, 2}},
        WriteCase{"ColumnReplace",
                  {"abcd", "efgh"},
                  {4, 2},
                  {2, 1},
                  smColumn,
                  "1\r\n2",
                  {"a1d", "e2h"},
                  {3, 2}},
        WriteCase{"ColumnBelowEnd",
                  {"abcd"},
                  {3, 1},
                  {3, 1},
                  smColumn,
                  "X\r\nY\r\nZ",
                  {"abXcd", "  Y", "  Z"},
                  {4, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

// Text put over a column block goes to the block's top left corner, whichever corner the block
// was made from and whichever way the text comes in.
TEST(SelectedTextWrite, TextOverAColumnBlockGoesToItsTopLeftCorner) {
    const QStringList grid = {"abc", "def", "ghi"};
    const struct {
        const char* how;
        std::function<void(TGlyphEdit&)> put;
        TBufferCoord caret;
    } ways[] = {
        {"written", [](TGlyphEdit& edit) { edit.SetSelectedText("X"); }, {3, 1}},
        {"pasted as plain text",
         [](TGlyphEdit& edit) {
             QGuiApplication::clipboard()->setText("X");
             edit.ClipboardPaste();
         },
         {3, 1}},
        {"pasted as a copied block",
         [](TGlyphEdit& edit) {
             PutGlyphClipboardText("X", smColumn);
             edit.ClipboardPaste();
         },
         {2, 2}},
    };
    const struct {
        const char* made;
        TBufferCoord anchor;
        TBufferCoord active;
    } blocks[] = {{"downwards", {2, 1}, {3, 3}},
                  {"upwards", {3, 3}, {2, 1}},
                  {"down to the left", {3, 1}, {2, 3}},
                  {"up to the right", {2, 3}, {3, 1}}};
    for (const auto& way : ways) {
        for (const auto& block : blocks) {
            const std::string what = std::string(way.how) + ", block made " + block.made;
            TGlyphEdit edit;
            ConfigureMainWindow(edit);
            SetLines(edit, grid);
            Select(edit, block.anchor, block.active, smColumn);
            way.put(edit);
            EXPECT_EQ(Lines(edit), (QStringList{"aXc", "df", "gi"})) << what;
            EXPECT_EQ(edit.CaretXY(), way.caret) << what;
            edit.Undo();
            EXPECT_EQ(Lines(edit), grid) << what;
            EXPECT_EQ(edit.SelectedText(), "b\r\ne\r\nh") << what;
            EXPECT_FALSE(edit.UndoAvailable()) << what;
        }
    }
}

TEST(SelectedTextWrite, ReadOnlyIgnoresIt) {
    TGlyphEdit edit;
    SetLines(edit, {"abc"});
    edit.SelectAll();
    edit.SetReadOnly(true);
    edit.SetSelectedText("x");
    EXPECT_EQ(Lines(edit), (QStringList{"abc"}));
    EXPECT_TRUE(edit.HasSelection());
}

TEST(SelectedTextWrite, ReplaceDocumentTextIsOneUndoStep) {
    // The main window replaces the whole text: suspend, select all, resume, write.
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"old", "text"});
    PlaceCaret(edit, {2, 2});
    edit.SuspendUndoRecording();
    edit.SelectAll();
    edit.ResumeUndoRecording();
    edit.SetSelectedText("new\r\ncontent\r\n");
    EXPECT_EQ(edit.Text(), "new\r\ncontent\r\n\r\n");
    edit.Undo();
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(edit.Text(), "old\r\ntext\r\n");
}

TEST(SelectedTextWrite, StringCommandInsertsItsText) {
    TGlyphEdit edit;
    SetLines(edit, {"ab"});
    PlaceCaret(edit, {2, 1});
    edit.RunCommand(ecString, QChar(), QStringLiteral("xyz"));
    EXPECT_EQ(edit.LineText(1), "axyzb");
    EXPECT_EQ(edit.CaretX(), 5);
}

} // namespace
