// The model side of drag-and-drop editing: where a drop point lands once the dragged text is
// removed, what counts as inside the selection, the drop itself as one undo group, and the
// drag payload.

#include "GlyphEditTestSupport.h"
#include "support/QtPrinters.h"

#include "editor/TGlyphEditViewDrop.h"

#include <gtest/gtest.h>

namespace {

struct TRemovalCase {
    const char* Name;
    TBufferCoord Point;
    TBufferCoord First;
    TBufferCoord Last;
    TBufferCoord Expected;
};

void PrintTo(const TRemovalCase& c, std::ostream* out) {
    *out << c.Name;
}

class PointAfterRemoval : public ::testing::TestWithParam<TRemovalCase> {};

TEST_P(PointAfterRemoval, FollowsTheRemovedText) {
    const TRemovalCase& c = GetParam();
    EXPECT_EQ(GlyphEditPointAfterRemoval(c.Point, c.First, c.Last), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Points, PointAfterRemoval,
    ::testing::Values(TRemovalCase{"BeforeStays", {2, 1}, {4, 1}, {8, 1}, {2, 1}},
                      TRemovalCase{"SameLineAfterMovesLeft", {12, 1}, {4, 1}, {8, 1}, {8, 1}},
                      TRemovalCase{"RightAtTheEnd", {8, 1}, {4, 1}, {8, 1}, {4, 1}},
                      TRemovalCase{
                          "LastLineOfAManyLineBlockJoinsTheFirst", {6, 3}, {5, 1}, {4, 3}, {7, 1}},
                      TRemovalCase{"LastLineFromColumnOne", {6, 3}, {1, 1}, {4, 3}, {3, 1}},
                      TRemovalCase{"BelowMovesUp", {2, 7}, {5, 1}, {4, 3}, {2, 5}},
                      TRemovalCase{"LineBelowAOneLineBlockStays", {2, 2}, {4, 1}, {8, 1}, {2, 2}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PointInSelection, ReadsTheSelectionMode) {
    TGlyphEdit edit;
    GlyphEditTest::ConfigureMainWindow(edit);
    GlyphEditTest::SetLines(edit, {"abcdefgh", "abcdefgh", "abcdefgh"});
    GlyphEditTest::Select(edit, {3, 1}, {5, 2});
    EXPECT_TRUE(GlyphEditPointInSelection(edit, {3, 1}));
    EXPECT_TRUE(GlyphEditPointInSelection(edit, {8, 1}));
    EXPECT_TRUE(GlyphEditPointInSelection(edit, {1, 2}));
    EXPECT_TRUE(GlyphEditPointInSelection(edit, {5, 2}));
    EXPECT_FALSE(GlyphEditPointInSelection(edit, {2, 1}));
    EXPECT_FALSE(GlyphEditPointInSelection(edit, {6, 2}));
    edit.SetSelectionMode(smColumn);
    EXPECT_FALSE(GlyphEditPointInSelection(edit, {7, 1}));
    EXPECT_TRUE(GlyphEditPointInSelection(edit, {4, 2}));
    edit.SetSelectionMode(smLine);
    EXPECT_TRUE(GlyphEditPointInSelection(edit, {1, 1}));
    EXPECT_FALSE(GlyphEditPointInSelection(edit, {1, 3}));
    GlyphEditTest::PlaceCaret(edit, {3, 1});
    EXPECT_FALSE(GlyphEditPointInSelection(edit, {3, 1})) << "no selection, nothing inside";
}

struct DropFixture : ::testing::Test {
    TGlyphEdit edit;
    void SetUp() override { GlyphEditTest::ConfigureMainWindow(edit); }
};

TEST_F(DropFixture, AMoveIsOneUndoStepAndRedoSelectsAgain) {
    GlyphEditTest::SetLines(edit, {"one two three"});
    GlyphEditTest::Select(edit, {5, 1}, {9, 1});
    ASSERT_TRUE(GlyphEditDropSelection(edit, edit, {1, 1}, true));
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{"two one three"});
    EXPECT_EQ(edit.SelectionStart(), (TBufferCoord{1, 1}));
    EXPECT_EQ(edit.SelectionEnd(), (TBufferCoord{5, 1}));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 1}));
    EXPECT_TRUE(edit.Modified());
    edit.Undo();
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{"one two three"});
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{"two one three"});
    EXPECT_EQ(edit.SelectedText(), QStringLiteral("two "));
}

TEST_F(DropFixture, PastTheLineEndPadsWithBlanks) {
    GlyphEditTest::SetLines(edit, {"ab", "cd"});
    GlyphEditTest::Select(edit, {1, 2}, {3, 2});
    ASSERT_TRUE(GlyphEditDropSelection(edit, edit, {6, 1}, false));
    EXPECT_EQ(GlyphEditTest::Lines(edit), (QStringList{"ab   cd", "cd"}));
    EXPECT_EQ(edit.SelectedText(), QStringLiteral("cd"));
}

TEST_F(DropFixture, WithoutScrollPastEolTheOptionComesBackAfterwards) {
    edit.SetOptions(edit.Options() & ~TGlyphEditorOptions(eoScrollPastEol));
    GlyphEditTest::SetLines(edit, {"ab", "cd"});
    GlyphEditTest::Select(edit, {1, 2}, {3, 2});
    ASSERT_TRUE(GlyphEditDropSelection(edit, edit, {6, 1}, false));
    EXPECT_EQ(GlyphEditTest::Lines(edit), (QStringList{"ab   cd", "cd"}));
    EXPECT_FALSE(edit.Options() & eoScrollPastEol);
}

TEST_F(DropFixture, InsideTheSelectionDoesNothing) {
    GlyphEditTest::SetLines(edit, {"one two three"});
    GlyphEditTest::Select(edit, {5, 1}, {9, 1});
    for (TBufferCoord p : {TBufferCoord{5, 1}, TBufferCoord{7, 1}, TBufferCoord{9, 1}})
        EXPECT_FALSE(GlyphEditDropSelection(edit, edit, p, true));
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{"one two three"});
    EXPECT_EQ(edit.SelectedText(), QStringLiteral("two "));
    EXPECT_FALSE(edit.UndoAvailable());
}

TEST_F(DropFixture, AReadOnlySourceIsOnlyCopiedFrom) {
    TGlyphEdit source;
    GlyphEditTest::ConfigureMainWindow(source);
    GlyphEditTest::SetLines(source, {"locked text"});
    GlyphEditTest::Select(source, {1, 1}, {7, 1});
    source.SetReadOnly(true);
    GlyphEditTest::SetLines(edit, {"x"});
    ASSERT_TRUE(GlyphEditDropSelection(edit, source, {2, 1}, true));
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{"xlocked"});
    EXPECT_EQ(GlyphEditTest::Lines(source), QStringList{"locked text"});
}

TEST_F(DropFixture, AReadOnlyTargetTakesNothing) {
    GlyphEditTest::SetLines(edit, {"x"});
    edit.SetReadOnly(true);
    GlyphEditInsertDropped(edit, QStringLiteral("abc"), {1, 1}, uckInsert);
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{"x"});
}

TEST(DragBlock, RoundTripsAndRefusesOtherBytes) {
    const TGlyphDragBlock block{1234, 0xABCDEF, smLine, QStringLiteral("line one\r\nline two")};
    const std::optional<TGlyphDragBlock> back = DecodeGlyphDragBlock(EncodeGlyphDragBlock(block));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->ProcessId, 1234);
    EXPECT_EQ(back->SourceId, 0xABCDEFu);
    EXPECT_EQ(back->Mode, smLine);
    EXPECT_EQ(back->Text, block.Text);
    EXPECT_FALSE(DecodeGlyphDragBlock(QByteArray("plain text")).has_value());
    EXPECT_FALSE(DecodeGlyphDragBlock(QByteArray()).has_value());
    QByteArray truncated = EncodeGlyphDragBlock(block);
    truncated.chop(5);
    EXPECT_FALSE(DecodeGlyphDragBlock(truncated).has_value());
}

} // namespace
