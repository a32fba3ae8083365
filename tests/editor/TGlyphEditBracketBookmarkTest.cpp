// Matching brackets and bookmarks.

#include "GlyphEditTestSupport.h"

#include <QPoint>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

struct BracketCase {
    const char* name;
    QStringList lines;
    TBufferCoord caret;
    TBufferCoord target;
};

class MatchBracketTest : public ::testing::TestWithParam<BracketCase> {};

TEST_P(MatchBracketTest, MovesOntoThePartner) {
    const BracketCase& c = GetParam();
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, c.lines);
    PlaceCaret(edit, c.caret);
    Press(edit, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.CaretXY(), c.target);
    EXPECT_FALSE(edit.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatchBracketTest,
    ::testing::Values(BracketCase{"Forward", {"f(a, b)"}, {2, 1}, {7, 1}},
                      BracketCase{"Backward", {"f(a, b)"}, {7, 1}, {2, 1}},
                      BracketCase{"Nested", {"((x)(y))"}, {1, 1}, {8, 1}},
                      BracketCase{"NestedInner", {"((x)(y))"}, {5, 1}, {7, 1}},
                      BracketCase{"AcrossLines", {"if {", "  {}", "}"}, {4, 1}, {1, 3}},
                      BracketCase{"BackAcrossEmptyLines", {"<a", "", "", ">"}, {1, 4}, {1, 1}},
                      BracketCase{"AllKinds", {"[<{}>]"}, {2, 1}, {5, 1}},
                      BracketCase{"NoPartner", {"(("}, {1, 1}, {1, 1}},
                      BracketCase{"NotABracket", {"a(b)"}, {1, 1}, {1, 1}},
                      BracketCase{"PastLineEnd", {"(a)"}, {9, 1}, {9, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MatchBracket, SkipsStringsAndCommentsOfTheHighlighter) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"f(\")\", /* ) */ x)", "(\")\""});
    // The highlighting marks the quoted text and the comment as string and comment tokens.
    edit.InStringOrComment = [&](TBufferCoord p) {
        const QString line = edit.LineText(p.Y);
        const int quoteOpen = static_cast<int>(line.indexOf(u'"')) + 1;
        const int quoteClose = static_cast<int>(line.indexOf(u'"', quoteOpen)) + 1;
        if (p.X >= quoteOpen && p.X <= quoteClose)
            return true;
        const int commentOpen = static_cast<int>(line.indexOf(QStringLiteral("/*"))) + 1;
        const int commentClose = static_cast<int>(line.indexOf(QStringLiteral("*/"))) + 2;
        return commentOpen > 0 && p.X >= commentOpen && p.X <= commentClose;
    };
    PlaceCaret(edit, {2, 1});
    edit.RunCommand(ecMatchBracket);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{17, 1}));
    edit.RunCommand(ecMatchBracket);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{2, 1}));
    // The bracket at the caret itself is not checked: one inside a string still matches.
    PlaceCaret(edit, {3, 2});
    edit.RunCommand(ecMatchBracket);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 2}));
    // Without the highlighting hook nothing is a string or a comment.
    edit.InStringOrComment = nullptr;
    PlaceCaret(edit, {2, 1});
    edit.RunCommand(ecMatchBracket);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{4, 1}));
}

// ---- Bookmarks ----

TEST(Bookmarks, SetMarkerTogglesAndMoves) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"one", "two", "three"});
    PlaceCaret(edit, {2, 2});
    Press(edit, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(edit.Bookmark(5).has_value());
    EXPECT_EQ(*edit.Bookmark(5), (TBufferCoord{2, 2}));
    // On another line it moves there.
    PlaceCaret(edit, {1, 3});
    edit.RunCommand(ecSetMarker0 + 5, QChar(), QPoint(1, 3));
    EXPECT_EQ(*edit.Bookmark(5), (TBufferCoord{1, 3}));
    // On the same line, whatever the column, it is removed.
    PlaceCaret(edit, {4, 3});
    Press(edit, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(edit.Bookmark(5).has_value());
    EXPECT_FALSE(edit.Modified());
}

TEST(Bookmarks, GotoMarkerMovesCaretDropsSelectionAndCentres) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    edit.SetLinesInWindow(10);
    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines << QStringLiteral("line %1").arg(i);
    SetLines(edit, lines);
    edit.SetBookmark(2, {3, 60});
    Select(edit, {1, 1}, {3, 2});
    Press(edit, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 60}));
    EXPECT_FALSE(edit.HasSelection());
    // The caret line lands in the middle row of the view.
    EXPECT_EQ(edit.TopLine(), 60 - 10 + 1 + 5);
    // An unset bookmark does nothing.
    Press(edit, Qt::Key_7, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{3, 60}));
}

TEST(Bookmarks, FollowTheirLines) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"a", "b", "c", "d"});
    edit.SetBookmark(1, {1, 3});
    edit.SetBookmark(2, {1, 2});
    PlaceCaret(edit, {1, 1});
    edit.SetSelectedText("x\r\ny\r\n");
    EXPECT_EQ(edit.Bookmark(1)->Y, 5);
    EXPECT_EQ(edit.Bookmark(2)->Y, 4);
    // Removing the lines above moves them back up.
    edit.Undo();
    EXPECT_EQ(edit.Bookmark(1)->Y, 3);
    EXPECT_EQ(edit.Bookmark(2)->Y, 2);
    // A bookmark whose line is joined into the one above goes with it.
    PlaceCaret(edit, {1, 2});
    edit.RunCommand(ecDeleteLastChar);
    EXPECT_EQ(edit.Bookmark(2)->Y, 1);
    EXPECT_EQ(edit.Bookmark(1)->Y, 2);
}

TEST(Bookmarks, KeysCanBeSwitchedOff) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"a", "b"});
    edit.SetBookmarkKeysEnabled(false);
    PlaceCaret(edit, {1, 2});
    Press(edit, Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(edit.Bookmark(1).has_value());
    edit.SetBookmark(1, {1, 1});
    Press(edit, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(edit.CaretY(), 2);
}

} // namespace
