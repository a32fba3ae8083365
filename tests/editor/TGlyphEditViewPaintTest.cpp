// Painting of the editor view, checked on the pixels of a rendered viewport: the gutter's
// number layout, the highlighter's colours per cell, plain text, the selection in its three
// modes, the right edge, special line colours, the caret shapes, and how tokens join into runs.

#include "TGlyphEditViewTestSupport.h"
#include "support/QtPrinters.h"

#include "editor/TGlyphEditHighlighting.h"
#include "editor/TGlyphEditView.h"
#include "editor/TGlyphEditViewRuns.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include <QFontMetrics>
#include <QPainter>
#include <gtest/gtest.h>

using GlyphEditViewTest::CellRect;
using GlyphEditViewTest::CountPixels;
using GlyphEditViewTest::SameRgb;
using GlyphEditViewTest::ViewFixture;

namespace {

// ---- Gutter numbers ----

struct TNumberCase {
    const char* Name;
    int Line;
    int LineCount;
    int DigitCount;
    bool LeadingZeros;
    bool ZeroStart;
    bool AutoSize;
    QString Expected;
};

void PrintTo(const TNumberCase& c, std::ostream* out) {
    *out << c.Name;
}

class GutterNumberText : public ::testing::TestWithParam<TNumberCase> {};

TEST_P(GutterNumberText, IsRightAlignedInItsField) {
    const TNumberCase& c = GetParam();
    TGlyphGutter gutter;
    gutter.SetDigitCount(c.DigitCount);
    gutter.SetLeadingZeros(c.LeadingZeros);
    gutter.SetZeroStart(c.ZeroStart);
    gutter.SetAutoSize(c.AutoSize);
    EXPECT_EQ(gutter.LineNumberText(c.Line, c.LineCount), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, GutterNumberText,
    ::testing::Values(
        TNumberCase{"SevenInFourDigits", 7, 20, 4, false, false, false, "   7"},
        TNumberCase{"WiderThanTheFieldInFull", 12345, 12400, 4, false, false, false, "12345"},
        TNumberCase{"LeadingZeros", 7, 20, 4, true, false, false, "0007"},
        TNumberCase{"ZeroStart", 7, 20, 4, false, true, false, "   6"},
        TNumberCase{"AutoSizeWidensTheField", 7, 123456, 4, false, false, true, "     7"},
        TNumberCase{"AutoSizeNeverNarrows", 7, 20, 4, false, false, true, "   7"},
        TNumberCase{"DigitCountBelowTwoIsTwo", 7, 20, 1, false, false, false, " 7"},
        TNumberCase{"DigitCountAboveTwelveIsTwelve", 7, 20, 20, false, false, false,
                    QString(11, u' ') + "7"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(GutterExtent, FollowsTheSettings) {
    TGlyphGutter gutter;
    EXPECT_EQ(gutter.Extent(8, 100), 30) << "line numbers off: the width";
    gutter.SetShowLineNumbers(true);
    EXPECT_EQ(gutter.Extent(8, 100), 16 + 2 + 4 * 8 + 2);
    gutter.SetLeftOffset(2);
    gutter.SetRightOffset(-5);
    EXPECT_EQ(gutter.RightOffset(), 0);
    gutter.SetRightOffset(2);
    EXPECT_EQ(gutter.Extent(8, 100), 4 * 8 + 6) << "the main window's gutter";
    gutter.SetAutoSize(true);
    EXPECT_EQ(gutter.Extent(8, 123456), 6 * 8 + 6);
    gutter.SetVisible(false);
    EXPECT_EQ(gutter.Extent(8, 100), 0);
}

TEST(GutterExtent, ChangesNotifyTheView) {
    ViewFixture f({"abc"});
    const int before = f.view->GutterExtent();
    EXPECT_EQ(before, 4 * f.view->CellWidth() + 6);
    const int columns = f.view->VisibleColumns();
    f.view->Gutter().SetShowLineNumbers(false);
    EXPECT_EQ(f.view->GutterExtent(), 30);
    EXPECT_EQ(f.edit.CharsInWindow(), f.view->VisibleColumns());
    EXPECT_NE(f.view->VisibleColumns(), columns);
    f.view->Gutter().SetVisible(false);
    EXPECT_EQ(f.view->GutterExtent(), 0);
    EXPECT_EQ(f.view->TextOrigin(), 2);
}

// The x range of pixels in row `row` left of the gutter's edge that differ from the gutter
// colour; {-1, -1} when there are none.
std::pair<int, int> InkRange(const QImage& image, const TGlyphEditView& view, int row) {
    const QColor gutter = image.pixelColor(0, row * view.RowHeight());
    int first = -1;
    int last = -1;
    for (int y = row * view.RowHeight(); y < (row + 1) * view.RowHeight(); ++y) {
        for (int x = 0; x < view.GutterExtent() - 2; ++x) {
            if (image.pixelColor(x, y) == gutter)
                continue;
            first = first < 0 ? x : std::min(first, x);
            last = std::max(last, x);
        }
    }
    return {first, last};
}

TEST(GutterPaint, SevenIsRightAlignedBeforeTheGuttersEdge) {
    QStringList lines;
    for (int i = 1; i <= 10; ++i)
        lines << QString("line %1").arg(i);
    ViewFixture f(lines);
    ASSERT_GT(f.view->VisibleRows(), 12);
    const QImage image = f.Render();
    const QFontMetrics metrics(f.view->Gutter().Font());
    const int end = f.view->GutterExtent() - (f.view->Gutter().RightOffset() + 2);
    const auto [first, last] = InkRange(image, *f.view, 6);
    ASSERT_GE(first, 0) << "line 7 has a number";
    EXPECT_LT(last, end);
    EXPECT_GE(first, end - metrics.horizontalAdvance(QStringLiteral("7")) - 1)
        << "the three leading blanks draw nothing";
    EXPECT_LE(first, end - metrics.horizontalAdvance(QStringLiteral("7")) / 2);
    // Rows below the last line have no number.
    EXPECT_EQ(InkRange(image, *f.view, 12).first, -1);
}

TEST(GutterPaint, TwelveThousandThreeHundredFortyFiveIsDrawnInFull) {
    QStringList lines;
    for (int i = 1; i <= 12400; ++i)
        lines << QStringLiteral("x");
    ViewFixture f(lines);
    f.view->SetFirstVisibleLine(12345);
    ASSERT_EQ(f.view->FirstVisibleLine(), 12345);
    const QImage image = f.Render();
    const QFontMetrics metrics(f.view->Gutter().Font());
    const int end = f.view->GutterExtent() - (f.view->Gutter().RightOffset() + 2);
    const auto [first, last] = InkRange(image, *f.view, 0);
    ASSERT_GE(first, 0);
    EXPECT_LT(last, end);
    // Wider than a four-digit field, starting where five digits start.
    EXPECT_LT(first, end - metrics.horizontalAdvance(QStringLiteral("2345")));
    EXPECT_GE(first, end - metrics.horizontalAdvance(QStringLiteral("12345")) - 1);
}

struct TGutterLookCase {
    const char* Name;
    const char* Family;
    int PixelSize;
    bool Underline;
    int Lines;
    int Top;
};

class GutterNumbersLook : public ::testing::TestWithParam<TGutterLookCase> {};

// However the view draws them, the numbers look as if every row were filled and its number
// then drawn by the font's own text call, right-aligned before the gutter's edge.
TEST_P(GutterNumbersLook, AsTheTextCallDrawsThem) {
    const TGutterLookCase& c = GetParam();
    ViewFixture f(QStringList(c.Lines, QStringLiteral("x")));
    TGlyphGutter& gutter = f.view->Gutter();
    QFont font(c.Family);
    font.setPixelSize(c.PixelSize);
    font.setUnderline(c.Underline);
    gutter.SetFont(font);
    gutter.SetColor(GlyphRGB(230, 230, 220));
    gutter.SetFontColor(GlyphRGB(20, 40, 160));
    gutter.SetAutoSize(true);
    f.view->SetFirstVisibleLine(c.Top);
    const QImage image = f.Render();

    const int width = f.view->GutterExtent() - 2;
    const int rowHeight = f.view->RowHeight();
    QImage expected(width, image.height(), image.format());
    QPainter p(&expected);
    p.setFont(font);
    p.setPen(ToQColor(gutter.FontColor()));
    const QFontMetrics metrics(font);
    const int end = f.view->GutterExtent() - (gutter.RightOffset() + 2);
    for (int y = 0, line = c.Top; y < image.height(); y += rowHeight, ++line) {
        p.fillRect(QRect(0, y, width, rowHeight), ToQColor(gutter.Color()));
        const QString number = gutter.LineNumberText(line, c.Lines);
        p.drawText(QPoint(end - metrics.horizontalAdvance(number),
                          y + (rowHeight - metrics.height()) / 2 + metrics.ascent()),
                   number);
    }
    p.end();
    EXPECT_EQ(image.copy(0, 0, width, image.height()), expected);
}

// The fixture has painted its gutter in the main window's font before each case changes it;
// each file has more lines than the view shows.
INSTANTIATE_TEST_SUITE_P(
    Fonts, GutterNumbersLook,
    ::testing::Values(TGutterLookCase{"MainWindowFont", "Terminal", 11, false, 40, 1},
                      TGutterLookCase{"FiveDigitsWiden", "Terminal", 11, false, 12400, 9990},
                      TGutterLookCase{"SixDigitsWiden", "Terminal", 11, false, 100050, 99990},
                      TGutterLookCase{"LargerFont", "DejaVu Sans Mono", 13, false, 40, 1},
                      TGutterLookCase{"ProportionalFont", "DejaVu Sans", 11, false, 1200, 990},
                      TGutterLookCase{"Underlined", "DejaVu Sans Mono", 11, true, 40, 1},
                      TGutterLookCase{"TallerThanARow", "DejaVu Sans Mono", 24, false, 40, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(GutterPaint, SeparatorLinesAtTheEdge) {
    ViewFixture f({"abc"});
    f.view->SetColor(GlyphRGB(250, 250, 240));
    f.view->Gutter().SetColor(GlyphRGB(100, 120, 140));
    const QImage image = f.Render();
    const int y = f.view->RowHeight() * 3 + 2;
    const int extent = f.view->GutterExtent();
    EXPECT_EQ(image.pixelColor(extent - 3, y), QColor(100, 120, 140));
    EXPECT_EQ(image.pixelColor(extent - 2, y), QColor(250, 250, 240));
    EXPECT_EQ(image.pixelColor(extent - 1, y), QColor(100, 120, 140));
    EXPECT_EQ(image.pixelColor(extent, y), QColor(250, 250, 240));
}

TEST(GutterPaint, BookmarksShowTheirGlyphs) {
    ViewFixture f({"one", "two", "three"});
    f.view->Gutter().SetShowLineNumbers(false);
    const QImage plain = f.Render();
    f.edit.SetBookmark(3, {1, 2});
    f.edit.SetBookmark(5, {1, 2});
    const QImage marked = f.Render();
    const TGlyphBookMarkOpt options = f.view->BookMarkOptions();
    const QSize glyph = GlyphEditBookmarkGlyphSize();
    const int top = f.view->RowHeight() + (f.view->RowHeight() - glyph.height()) / 2;
    // Glyph 3 at the left margin, glyph 5 one offset further.
    const QImage expected = GlyphEditInternalImages();
    for (const auto& [n, x] :
         {std::pair{3, options.LeftMargin}, std::pair{5, options.LeftMargin + options.Xoffset}}) {
        int differing = 0;
        for (int dy = 0; dy < glyph.height(); ++dy) {
            for (int dx = 0; dx < glyph.width(); ++dx) {
                const QColor want = expected.pixelColor(n * glyph.width() + dx, dy);
                if (want.alpha() == 255 && marked.pixelColor(x + dx, top + dy).rgb() != want.rgb())
                    ++differing;
            }
        }
        EXPECT_EQ(differing, 0) << "glyph " << n;
    }
    EXPECT_EQ(plain.copy(0, 0, f.view->GutterExtent(), f.view->RowHeight()),
              marked.copy(0, 0, f.view->GutterExtent(), f.view->RowHeight()))
        << "the first line has no bookmark";
    TGlyphBookMarkOpt hidden = options;
    hidden.GlyphsVisible = false;
    f.view->SetBookMarkOptions(hidden);
    EXPECT_EQ(f.Render(), plain);
}

// ---- Highlighted text ----

constexpr TGlyphColor SymbolBack = GlyphRGB(255, 255, 0);
constexpr TGlyphColor TagBack = GlyphRGB(200, 255, 200);
constexpr TGlyphColor TagFore = GlyphRGB(255, 0, 0);
constexpr TGlyphColor TextBack = GlyphRGB(200, 200, 255);
constexpr TGlyphColor TextFore = GlyphRGB(0, 0, 128);
constexpr TGlyphColor CommentBack = GlyphRGB(220, 220, 220);
constexpr TGlyphColor CommentFore = GlyphRGB(0, 128, 0);
constexpr TGlyphColor EditorBack = GlyphRGB(255, 255, 255);

void UseKnownColours(TGlyphHTMLHighlighter& html) {
    html.SymbolAttri()->SetBackground(SymbolBack);
    html.SymbolAttri()->SetForeground(GlyphRGB(0, 0, 0));
    html.ReservedWordAttri()->SetBackground(TagBack);
    html.ReservedWordAttri()->SetForeground(TagFore);
    html.TextAttri()->SetBackground(TextBack);
    html.TextAttri()->SetForeground(TextFore);
    html.CommentAttri()->SetBackground(CommentBack);
    html.CommentAttri()->SetForeground(CommentFore);
}

// A shown view with the HTML highlighter installed through the highlighting link, so that
// every line has its stored start state.
struct HighlightedFixture : ViewFixture {
    TGlyphHTMLHighlighter html;
    TGlyphEditHighlighting link{edit};

    explicit HighlightedFixture(const QStringList& lines) : ViewFixture(lines) {
        UseKnownColours(html);
        view->SetColor(EditorBack);
        link.SetHighlighter(&html);
        link.OnRepaint = [this](int first, int last) { view->InvalidateLines(first, last); };
        view->SetHighlighter(&html);
    }
    ~HighlightedFixture() { view->SetHighlighter(nullptr); }
};

QColor Q(TGlyphColor c) {
    return ToQColor(c);
}

// The background of a cell: its top left pixels lie above every glyph.
QColor CellBackground(const QImage& image, const TGlyphEditView& view, int column, int line) {
    const QRect cell = CellRect(view, column, line);
    return image.pixelColor(cell.left() + 1, cell.top() + 1);
}

// Whether the cell shows ink close to `colour` (anti-aliasing blends the edges).
bool CellHasInk(const QImage& image, const TGlyphEditView& view, int column, int line,
                const QColor& colour) {
    const auto near = [&](QColor c) {
        return std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                   std::abs(c.blue() - colour.blue()) <
               120;
    };
    return CountPixels(image, CellRect(view, column, line), near) > 0;
}

struct TCellCase {
    int Line;
    int Column;
    TGlyphColor Background;
};

TEST(HighlightedPaint, CellsShowTheirAttributesColours) {
    HighlightedFixture f({"<b>text</b>", "<!-- open", "still -->x"});
    const QImage image = f.Render();
    const std::vector<TCellCase> cells{
        {1, 1, SymbolBack},  {1, 2, TagBack},     {1, 3, SymbolBack},  {1, 4, TextBack},
        {1, 7, TextBack},    {1, 8, SymbolBack},  {1, 9, TagBack},     {1, 10, TagBack},
        {1, 11, SymbolBack}, {1, 12, EditorBack}, {1, 40, EditorBack}, {2, 1, CommentBack},
        {2, 9, CommentBack}, {3, 1, CommentBack}, {3, 9, CommentBack}, {3, 10, TextBack},
    };
    for (const TCellCase& c : cells) {
        EXPECT_EQ(CellBackground(image, *f.view, c.Column, c.Line), Q(c.Background))
            << "line " << c.Line << " column " << c.Column;
    }
    EXPECT_TRUE(CellHasInk(image, *f.view, 2, 1, Q(TagFore))) << "the tag name in red";
    EXPECT_TRUE(CellHasInk(image, *f.view, 5, 1, Q(TextFore))) << "the text in navy";
    EXPECT_FALSE(CellHasInk(image, *f.view, 5, 1, Q(TagFore)));
    EXPECT_TRUE(CellHasInk(image, *f.view, 1, 3, Q(CommentFore))) << "the continued comment";
}

TEST(HighlightedPaint, AnAttributeWithoutForegroundUsesTheFontColour) {
    HighlightedFixture f({"<b>text</b>"});
    f.view->SetFontColor(GlyphRGB(0, 0, 255));
    f.html.TextAttri()->SetForeground(clNone);
    const QImage image = f.Render();
    EXPECT_TRUE(CellHasInk(image, *f.view, 5, 1, QColor(0, 0, 255)));
    EXPECT_EQ(CellBackground(image, *f.view, 5, 1), Q(TextBack));
}

TEST(HighlightedPaint, ColourChangesRepaint) {
    HighlightedFixture f({"<b>text</b>"});
    f.html.TextAttri()->SetBackground(GlyphRGB(10, 20, 30));
    EXPECT_EQ(CellBackground(f.Render(), *f.view, 5, 1), QColor(10, 20, 30));
}

TEST(HighlightedPaint, ADisabledHighlighterPaintsPlainText) {
    HighlightedFixture f({"<b>text</b>", "<!-- open"});
    f.view->SetFontColor(GlyphRGB(0, 0, 0));
    f.html.SetEnabled(false);
    const QImage image = f.Render();
    for (int column = 1; column <= 11; ++column)
        EXPECT_EQ(CellBackground(image, *f.view, column, 1), Q(EditorBack)) << column;
    EXPECT_EQ(CellBackground(image, *f.view, 3, 2), Q(EditorBack));
    EXPECT_FALSE(CellHasInk(image, *f.view, 2, 1, Q(TagFore)));
    EXPECT_TRUE(CellHasInk(image, *f.view, 2, 1, QColor(0, 0, 0)));
}

TEST(HighlightedPaint, NoHighlighterPaintsPlainText) {
    ViewFixture f({"<b>text</b>"});
    f.view->SetColor(GlyphRGB(240, 250, 255));
    const QImage image = f.Render();
    for (int column = 1; column <= 14; ++column)
        EXPECT_EQ(CellBackground(image, *f.view, column, 1), QColor(240, 250, 255)) << column;
}

TEST(HighlightedPaint, TheWhitespaceBackgroundFillsTheEmptyArea) {
    HighlightedFixture f({"<b>x</b>"});
    f.html.SpaceAttri()->SetBackground(GlyphRGB(250, 240, 200));
    const QImage image = f.Render();
    EXPECT_EQ(CellBackground(image, *f.view, 20, 1), QColor(250, 240, 200)) << "after the end";
    EXPECT_EQ(CellBackground(image, *f.view, 2, 4), QColor(250, 240, 200)) << "below the end";
    EXPECT_EQ(image.pixelColor(f.view->GutterExtent() + 1, 2), QColor(250, 240, 200))
        << "the strip before the text";
}

// ---- Selection ----

struct TSelectionCase {
    const char* Name;
    TGlyphSelectionMode Mode;
    TBufferCoord Anchor;
    TBufferCoord Active;
    // Per line, the 1-based columns 1..12 expected selected ('#') or not ('.').
    QStringList Expected;
};

void PrintTo(const TSelectionCase& c, std::ostream* out) {
    *out << c.Name;
}

class SelectionPaint : public ::testing::TestWithParam<TSelectionCase> {};

TEST_P(SelectionPaint, SelectedCellsTakeTheSelectionColours) {
    const TSelectionCase& c = GetParam();
    ViewFixture f({"abcdefgh", "ab", "abcdefghij"});
    f.view->SetColor(EditorBack);
    f.view->SetSelectedColor({GlyphRGB(0, 0, 128), GlyphRGB(255, 255, 255)});
    GlyphEditTest::Select(f.edit, c.Anchor, c.Active, c.Mode);
    const QImage image = f.Render();
    for (int line = 1; line <= 3; ++line) {
        QString got;
        for (int column = 1; column <= 12; ++column) {
            const QColor back = CellBackground(image, *f.view, column, line);
            got += back == QColor(0, 0, 128) ? u'#' : back == QColor(255, 255, 255) ? u'.' : u'?';
        }
        EXPECT_EQ(got, c.Expected.at(line - 1)) << "line " << line;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SelectionPaint,
    ::testing::Values(TSelectionCase{"NormalOneLine",
                                     smNormal,
                                     {3, 1},
                                     {6, 1},
                                     {"..###.......", "............", "............"}},
                      TSelectionCase{"NormalRunsPastLineEnds",
                                     smNormal,
                                     {3, 1},
                                     {4, 3},
                                     {"..##########", "############", "###........."}},
                      TSelectionCase{"NormalBackwards",
                                     smNormal,
                                     {4, 3},
                                     {3, 1},
                                     {"..##########", "############", "###........."}},
                      TSelectionCase{"ColumnBetweenDisplayColumns",
                                     smColumn,
                                     {5, 1},
                                     {3, 3},
                                     {"..##........", "..##........", "..##........"}},
                      TSelectionCase{"LineWholeWidth",
                                     smLine,
                                     {3, 2},
                                     {2, 3},
                                     {"............", "############", "############"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SelectionPaintRules, HideSelectionHidesItWithoutFocus) {
    ViewFixture f({"abcdef"});
    f.view->SetColor(EditorBack);
    f.view->SetSelectedColor({GlyphRGB(0, 0, 128), GlyphRGB(255, 255, 255)});
    GlyphEditTest::Select(f.edit, {1, 1}, {4, 1});
    f.view->clearFocus();
    ASSERT_FALSE(f.view->hasFocus());
    EXPECT_EQ(CellBackground(f.Render(), *f.view, 2, 1), QColor(0, 0, 128));
    f.view->SetHideSelection(true);
    EXPECT_EQ(CellBackground(f.Render(), *f.view, 2, 1), Q(EditorBack));
}

TEST(SelectionPaintRules, SelectedTokensKeepTheirStyleButTakeTheSelectionColours) {
    HighlightedFixture f({"<b>text</b>"});
    f.view->SetSelectedColor({GlyphRGB(0, 0, 128), GlyphRGB(255, 255, 255)});
    GlyphEditTest::Select(f.edit, {2, 1}, {6, 1});
    const QImage image = f.Render();
    EXPECT_EQ(CellBackground(image, *f.view, 1, 1), Q(SymbolBack));
    EXPECT_EQ(CellBackground(image, *f.view, 2, 1), QColor(0, 0, 128));
    EXPECT_EQ(CellBackground(image, *f.view, 5, 1), QColor(0, 0, 128));
    EXPECT_EQ(CellBackground(image, *f.view, 6, 1), Q(TextBack));
    EXPECT_FALSE(CellHasInk(image, *f.view, 2, 1, Q(TagFore)));
    EXPECT_TRUE(CellHasInk(image, *f.view, 2, 1, QColor(255, 255, 255)));
}

// ---- Right edge, special lines ----

TEST(RightEdgePaint, ALineAfterTheEdgeColumnOverTextAndEmptyArea) {
    ViewFixture f({"short", "a line that runs past the tenth column"});
    f.view->SetColor(EditorBack);
    f.view->SetRightEdge(10);
    f.view->SetRightEdgeColor(GlyphRGB(255, 0, 255));
    const QImage image = f.Render();
    const int x = f.view->TextOrigin() + 10 * f.view->CellWidth();
    EXPECT_EQ(image.pixelColor(x, 2), QColor(255, 0, 255)) << "over a short line";
    EXPECT_EQ(image.pixelColor(x, f.view->RowHeight() + 1), QColor(255, 0, 255));
    EXPECT_EQ(image.pixelColor(x, f.view->RowHeight() * 6), QColor(255, 0, 255))
        << "below the last line";
    EXPECT_EQ(image.pixelColor(x - 1, 2), Q(EditorBack));
    f.view->SetRightEdge(0);
    EXPECT_EQ(f.Render().pixelColor(x, 2), Q(EditorBack));
}

TEST(SpecialLinePaint, TheWholeLineTakesTheAnsweredColours) {
    ViewFixture f({"one", "two two", "three"});
    f.view->SetColor(EditorBack);
    f.view->OnSpecialLineColors = [](TGlyphEditView*, int line, TGlyphColor& fg, TGlyphColor& bg) {
        if (line != 2)
            return false;
        fg = GlyphRGB(255, 255, 0);
        bg = GlyphRGB(128, 0, 0);
        return true;
    };
    GlyphEditTest::Select(f.edit, {1, 2}, {3, 2});
    const QImage image = f.Render();
    EXPECT_EQ(CellBackground(image, *f.view, 1, 2), QColor(128, 0, 0)) << "selected part too";
    EXPECT_EQ(CellBackground(image, *f.view, 5, 2), QColor(128, 0, 0));
    EXPECT_EQ(CellBackground(image, *f.view, 20, 2), QColor(128, 0, 0)) << "after the end";
    EXPECT_TRUE(CellHasInk(image, *f.view, 5, 2, QColor(255, 255, 0)));
    EXPECT_EQ(CellBackground(image, *f.view, 1, 1), Q(EditorBack));
}

// A NUL stays a character of its line and is drawn in its one cell as a "0" in reversed
// colours, plain or highlighted, unlike a blank or a real "0".
TEST(ControlPicturePaint, ANulIsDrawnVisiblyAndStaysInTheText) {
    const QStringList lines{QString("a") + QChar(0) + QChar(0) + "b", "a 0b"};
    const QColor black(0, 0, 0);
    const auto check = [&](ViewFixture& f, const char* what) {
        f.view->SetFontColor(GlyphRGB(0, 0, 0));
        const QImage image = f.Render();
        const auto pixelsUnlike = [&](int column, int line, const QColor& colour) {
            return CountPixels(image, CellRect(*f.view, column, line),
                               [&](QColor c) { return c != colour; });
        };
        for (int column : {2, 3}) {
            EXPECT_EQ(CellBackground(image, *f.view, column, 1), black) << what << column;
            EXPECT_GT(pixelsUnlike(column, 1, black), 0) << what << column << ": the 0";
        }
        EXPECT_NE(CellBackground(image, *f.view, 2, 2), black) << what << ": a blank";
        EXPECT_NE(CellBackground(image, *f.view, 3, 2), black) << what << ": a real 0";
        EXPECT_GT(pixelsUnlike(4, 1, CellBackground(image, *f.view, 4, 1)), 0)
            << what << ": the b keeps its cell";
        EXPECT_EQ(f.edit.Lines().GetLine(0), lines[0]) << what;
    };
    {
        ViewFixture plain(lines);
        plain.view->SetColor(EditorBack);
        check(plain, "plain");
    }
    {
        HighlightedFixture highlighted(lines);
        check(highlighted, "highlighted");
    }
}

TEST(PaintEvent, OnPaintRunsAfterEachPaint) {
    ViewFixture f({"abc"});
    int paints = 0;
    f.view->OnPaint = [&](TGlyphEditView*, QPainter& painter) {
        ++paints;
        painter.fillRect(QRect(0, 0, 3, 3), Qt::red);
    };
    const QImage image = f.Render();
    EXPECT_GE(paints, 1);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::red));
}

// ---- Caret ----

struct TCaretCase {
    const char* Name;
    TGlyphEditCaretType Type;
    // Expected rectangle relative to the cell's top left corner, in cells and rows:
    // x offset, y offset, width, height as functions of cell width w and row height h.
    std::function<QRect(int w, int h)> Expected;
};

void PrintTo(const TCaretCase& c, std::ostream* out) {
    *out << c.Name;
}

class CaretShape : public ::testing::TestWithParam<TCaretCase> {};

TEST_P(CaretShape, FollowsTheCaretType) {
    const TCaretCase& c = GetParam();
    ViewFixture f({"abcdef", "ghijkl"});
    f.view->SetInsertCaret(c.Type);
    GlyphEditTest::PlaceCaret(f.edit, {3, 2});
    const QRect cell = CellRect(*f.view, 3, 2);
    EXPECT_EQ(f.view->CaretRect(),
              c.Expected(f.view->CellWidth(), f.view->RowHeight()).translated(cell.topLeft()));
}

INSTANTIATE_TEST_SUITE_P(
    Types, CaretShape,
    ::testing::Values(TCaretCase{"VerticalLine", ctVerticalLine,
                                 [](int, int h) { return QRect(-1, 1, 2, h - 2); }},
                      TCaretCase{"HorizontalLine", ctHorizontalLine,
                                 [](int w, int h) { return QRect(0, h - 3, w, 2); }},
                      TCaretCase{"HalfBlock", ctHalfBlock,
                                 [](int w, int h) {
                                     return QRect(0, 1 + (h - 2) - (h - 2) / 2, w, (h - 2) / 2);
                                 }},
                      TCaretCase{"Block", ctBlock,
                                 [](int w, int h) { return QRect(0, 1, w, h - 2); }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CaretShapeRules, OverwriteModeTakesTheOtherShape) {
    ViewFixture f({"abcdef"});
    GlyphEditTest::PlaceCaret(f.edit, {2, 1});
    EXPECT_EQ(f.view->CaretRect().width(), 2);
    f.edit.SetInsertMode(false);
    EXPECT_EQ(f.view->CaretRect().width(), f.view->CellWidth());
}

TEST(CaretShapeRules, ShownOnlyWithFocusAndInsideTheTextArea) {
    ViewFixture f({QString(200, u'x')});
    f.view->activateWindow();
    f.view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.view->hasFocus(); }, 5000));
    GlyphEditTest::PlaceCaret(f.edit, {3, 1});
    EXPECT_TRUE(f.view->CaretVisible());
    f.edit.SetOptions(f.edit.Options() | eoNoCaret);
    EXPECT_FALSE(f.view->CaretVisible());
    f.edit.SetOptions(f.edit.Options() & ~TGlyphEditorOptions(eoNoCaret));
    f.view->SetFirstVisibleColumn(20);
    EXPECT_FALSE(f.view->CaretVisible()) << "scrolled out to the left";
    f.view->clearFocus();
    f.view->SetFirstVisibleColumn(1);
    EXPECT_FALSE(f.view->CaretVisible());
}

TEST(CaretShapeRules, APaintedBlockCaretInvertsItsCell) {
    QApplication::setCursorFlashTime(0); // a steady caret
    ViewFixture f({"      "});
    f.view->SetColor(EditorBack);
    f.view->SetInsertCaret(ctBlock);
    f.view->activateWindow();
    f.view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.view->hasFocus(); }, 5000));
    GlyphEditTest::PlaceCaret(f.edit, {3, 1});
    const QImage image = f.Render();
    const QRect caret = f.view->CaretRect();
    EXPECT_EQ(image.pixelColor(caret.center()), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(caret.right() + 2, caret.center().y()), Q(EditorBack));
    QApplication::setCursorFlashTime(1000);
}

// ---- Runs ----

TEST(PaintRuns, WithoutAHighlighterTheLineIsOneRun) {
    const TGlyphRunDefaults defaults{Qt::black, Qt::white};
    const auto runs = GlyphLineRuns(nullptr, QStringLiteral("<b>text</b>"), 0, 0, defaults);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (TGlyphPaintRun{0, 11, Qt::black, Qt::white, 0}));
    EXPECT_TRUE(GlyphLineRuns(nullptr, QString(), 0, 0, defaults).empty());
}

TEST(PaintRuns, TokensOfTheSameLookJoin) {
    TGlyphHTMLHighlighter html;
    for (int i = 0; i < html.AttributeCount(); ++i) {
        html.AttributeAt(i)->SetForeground(GlyphRGB(1, 2, 3));
        html.AttributeAt(i)->SetBackground(GlyphRGB(4, 5, 6));
        html.AttributeAt(i)->SetStyle(0);
    }
    const TGlyphRunDefaults defaults{Qt::black, Qt::white};
    auto runs = GlyphLineRuns(&html, QStringLiteral("<b>text</b>"), 0, 0, defaults);
    ASSERT_EQ(runs.size(), 1u) << "one look, one run";
    EXPECT_EQ(runs[0], (TGlyphPaintRun{0, 11, QColor(1, 2, 3), QColor(4, 5, 6), 0}));

    html.SymbolAttri()->SetForeground(GlyphRGB(9, 9, 9));
    runs = GlyphLineRuns(&html, QStringLiteral("<b>text</b>"), 0, 0, defaults);
    std::vector<std::pair<int, int>> spans;
    for (const TGlyphPaintRun& run : runs)
        spans.emplace_back(run.Start, run.End);
    EXPECT_EQ(spans, (std::vector<std::pair<int, int>>{
                         {0, 1}, {1, 2}, {2, 3}, {3, 7}, {7, 8}, {8, 10}, {10, 11}}));
}

TEST(PaintRuns, BlanksJoinAnyNeighbourOnTheSameBackground) {
    TGlyphHTMLHighlighter html;
    for (int i = 0; i < html.AttributeCount(); ++i) {
        html.AttributeAt(i)->SetBackground(clNone);
        html.AttributeAt(i)->SetStyle(0);
    }
    html.TextAttri()->SetForeground(GlyphRGB(0, 0, 200));
    html.SymbolAttri()->SetForeground(GlyphRGB(200, 0, 0));
    html.ReservedWordAttri()->SetForeground(GlyphRGB(200, 0, 0));
    const TGlyphRunDefaults defaults{Qt::black, Qt::white};
    // The blanks between the tags are a text token of another colour; on the same
    // background they draw the same pixels either way.
    const auto runs = GlyphLineRuns(&html, QStringLiteral("<p>   <i>"), 0, 0, defaults);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Foreground, QColor(200, 0, 0));
    EXPECT_EQ(runs[0].End, 9);
}

TEST(PaintRuns, TheLineStartsFromItsStoredState) {
    TGlyphHTMLHighlighter html;
    html.CommentAttri()->SetBackground(CommentBack);
    html.TextAttri()->SetBackground(TextBack);
    const TGlyphRunDefaults defaults{Qt::black, Qt::white};
    const auto inComment =
        GlyphLineRuns(&html, QStringLiteral("still -->x"), 1, hsComment, defaults);
    const auto inText = GlyphLineRuns(&html, QStringLiteral("still -->x"), 1, hsText, defaults);
    EXPECT_EQ(inComment.front().Background, Q(CommentBack));
    EXPECT_EQ(inText.front().Background, Q(TextBack));
    // Line 0 always starts from the reset state, whatever is passed.
    const auto first = GlyphLineRuns(&html, QStringLiteral("still -->x"), 0, hsComment, defaults);
    EXPECT_EQ(first.front().Background, Q(TextBack));
}

} // namespace

// ---- Long lines ----

namespace {

TEST(LongLinePaint, TheStretchAroundTheShownColumnsPaintsLikeTheWholeLine) {
    QString longLine;
    for (int i = 0; longLine.size() < TGlyphEditHighlighting::LongLineLength * 2; ++i)
        longLine += QString("<p class=\"c%1\">text &amp; <!-- c%1 --> <b>w</b></p>").arg(i);
    HighlightedFixture f({"<p>", longLine, "<!-- a", "b -->"});
    f.edit.SetOptions(f.edit.Options() & ~eoScrollPastEol);
    int windows = 0;
    const auto wire = [&] {
        f.view->OnScanWindow = [&](int index, int first, int last) {
            const std::optional<TGlyphScanWindow> w = f.link.ScanWindow(index, first, last);
            windows += w.has_value();
            return w;
        };
    };
    for (int column : {1, 4000, 9000, 20000, int(longLine.size()) - 10}) {
        f.view->SetFirstVisibleColumn(column);
        wire();
        windows = 0;
        const QImage stretch = f.Render();
        EXPECT_GT(windows, 0) << "column " << column;
        f.view->OnScanWindow = nullptr;
        EXPECT_EQ(stretch, f.Render()) << "column " << column;
    }
    // After typing into the middle of the long line.
    wire();
    f.edit.SetCaretXY({9005, 2});
    for (QChar c : QString("<!-- x"))
        f.edit.RunCommand(ecChar, c);
    f.view->SetFirstVisibleColumn(9000);
    const QImage stretch = f.Render();
    f.view->OnScanWindow = nullptr;
    EXPECT_EQ(stretch, f.Render());
}

// The look of each cell first..last as runs paint it: background always, colour and style
// where a character shows.
QStringList CellLooks(const std::vector<TGlyphPaintRun>& runs, const QString& line, int first,
                      int last) {
    QStringList looks;
    for (int cell = first; cell <= last; ++cell) {
        QString look = "none";
        for (const TGlyphPaintRun& run : runs) {
            if (cell >= run.Start && cell < run.End) {
                look = run.Background.name();
                if (line.at(cell) != u' ')
                    look += run.Foreground.name() + QString::number(run.Style);
            }
        }
        looks << look;
    }
    return looks;
}

TEST(LongLinePaint, RunsFromEveryCheckpointMatchTheRunsOfTheWholeLine) {
    TGlyphHTMLHighlighter html;
    html.TextAttri()->SetBackground(TextBack);
    html.CommentAttri()->SetBackground(CommentBack);
    html.SymbolAttri()->SetForeground(GlyphRGB(200, 0, 0));
    QString line;
    for (int i = 0; line.size() < 40000; ++i)
        line += QString("<p class=\"c%1\">a &amp; b <!-- c%1 --> &#38;<b>w</b></p>").arg(i);
    const TGlyphRunDefaults defaults{Qt::black, Qt::white};
    const auto whole = GlyphLineRuns(&html, line, 1, hsText, defaults);
    TGlyphLineCheckpoints points;
    points.Build(html, line, 1, hsText);
    ASSERT_GT(points.Points().size(), 4u);
    for (const TGlyphLineCheckpoint& p : points.Points()) {
        const int first = p.Offset;
        const int last = first + 60;
        const int textFrom = p.Offset - TGlyphLineCheckpoints::LookBehind;
        const int textTo = points.ReadLimit(last);
        const auto stretch =
            GlyphLineRuns(&html, line.mid(textFrom, textTo - textFrom), 1, p.State, defaults,
                          TGlyphRunRange{first, last, textFrom, p.Offset});
        EXPECT_EQ(CellLooks(stretch, line, first, last), CellLooks(whole, line, first, last))
            << "from the checkpoint at " << p.Offset;
    }
}

} // namespace
