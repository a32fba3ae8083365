// Text drawn as cached glyph runs must look exactly like the font's own text call with the
// view's cell spacing, and anything it cannot draw alike must be handed back undrawn.

#include "editor/TGlyphEditViewGlyphs.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr int CellWidth = 8;
const QSize Canvas(400, 24);
constexpr int Baseline = 16;

// The view's font for a style: every character advances exactly one cell.
QFont CellFont(const QString& family, bool bold, bool italic, int pixelSize = 13) {
    QFont f(family);
    f.setStyleHint(QFont::TypeWriter);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    f.setKerning(false);
    const qreal advance = QFontMetricsF(f).horizontalAdvance(QLatin1Char('M'));
    f.setLetterSpacing(QFont::AbsoluteSpacing, CellWidth - advance);
    return f;
}

QImage Blank() {
    QImage image(Canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QImage DrawnByTextCall(const QFont& font, const QString& text) {
    QImage image = Blank();
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QColor(20, 40, 160));
    QString shown = text;
    shown.replace(u'\t', u' ');
    p.drawText(QPoint(3, Baseline), shown);
    return image;
}

// The glyph run image, or a null image when the painter declined.
QImage DrawnAsGlyphs(TGlyphCellPainter& cells, int slot, const QFont& font, const QString& text) {
    QImage image = Blank();
    QPainter p(&image);
    p.setPen(QColor(20, 40, 160));
    if (!cells.Draw(p, slot, font, text, QPoint(3, Baseline), CellWidth))
        return {};
    return image;
}

int InkPixels(const QImage& image) {
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink += image.pixel(x, y) != qRgb(255, 255, 255);
    }
    return ink;
}

struct TSameCase {
    const char* Family;
    bool Bold;
    bool Italic;
    QString Text;
};

void PrintTo(const TSameCase& c, std::ostream* out) {
    *out << c.Family << (c.Bold ? " bold" : "") << (c.Italic ? " italic" : "") << " \""
         << c.Text.toStdString() << '"';
}

class GlyphRunsMatchTheTextCall : public testing::TestWithParam<TSameCase> {};

TEST_P(GlyphRunsMatchTheTextCall, PixelForPixel) {
    const TSameCase& c = GetParam();
    const QFont font = CellFont(c.Family, c.Bold, c.Italic);
    TGlyphCellPainter cells;
    const QImage glyphs = DrawnAsGlyphs(cells, (c.Bold ? 1 : 0) | (c.Italic ? 2 : 0), font, c.Text);
    if (glyphs.isNull())
        GTEST_SKIP() << "the font has no such face here; the text call draws it";
    const QImage reference = DrawnByTextCall(font, c.Text);
    EXPECT_GT(InkPixels(reference), 0);
    EXPECT_EQ(glyphs, reference);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, GlyphRunsMatchTheTextCall,
    testing::Values(TSameCase{"DejaVu Sans Mono", false, false,
                              "<p class=\"row\">Line 17 &amp; text</p>"},
                    TSameCase{"DejaVu Sans Mono", true, false, "<b>bold {} [] ~ 0123456789</b>"},
                    TSameCase{"DejaVu Sans Mono", false, true, "italic: the quick brown fox"},
                    TSameCase{"DejaVu Sans Mono", true, true, "both @#$%^&*()_+"},
                    TSameCase{"DejaVu Sans Mono", false, false,
                              QString::fromUtf8("caf\xc3\xa9 \xc3\xbc\xc3\x9f \xc5\x93")},
                    TSameCase{"DejaVu Sans Mono", false, false, "tab\there"},
                    TSameCase{"Courier New", false, false, "<a href=\"x.html\">x</a>"},
                    TSameCase{"Courier New", true, false, "<a href=\"x.html\">x</a>"}));

struct TDeclineCase {
    const char* Name;
    QString Text;
    bool Underline;
    bool StrikeOut;
};

void PrintTo(const TDeclineCase& c, std::ostream* out) {
    *out << c.Name;
}

class TheTextCallDraws : public testing::TestWithParam<TDeclineCase> {};

TEST_P(TheTextCallDraws, WhatGlyphRunsCannotDrawAlike) {
    const TDeclineCase& c = GetParam();
    QFont font = CellFont("DejaVu Sans Mono", false, false);
    font.setUnderline(c.Underline);
    font.setStrikeOut(c.StrikeOut);
    TGlyphCellPainter cells;
    EXPECT_TRUE(DrawnAsGlyphs(cells, 0, font, c.Text).isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TheTextCallDraws,
    testing::Values(TDeclineCase{"CombiningMark", QString::fromUtf8("e\xcc\x81"), false, false},
                    TDeclineCase{"WideCharacter", QString::fromUtf8("\xe6\xbc\xa2"), false, false},
                    TDeclineCase{"Surrogates", QString::fromUtf8("\xf0\x9f\x98\x80"), false, false},
                    TDeclineCase{"Underline", "plain", true, false},
                    TDeclineCase{"StrikeOut", "plain", false, true}));

TEST(GlyphCellPainter, AFontChangeIsSeenAfterReset) {
    TGlyphCellPainter cells;
    const QFont small = CellFont("DejaVu Sans Mono", false, false);
    const QFont large = CellFont("DejaVu Sans Mono", false, false, 20);
    ASSERT_FALSE(DrawnAsGlyphs(cells, 0, small, "x").isNull());
    cells.Reset();
    const QImage glyphs = DrawnAsGlyphs(cells, 0, large, "Wide");
    ASSERT_FALSE(glyphs.isNull());
    TGlyphCellPainter fresh;
    EXPECT_NE(glyphs, DrawnAsGlyphs(fresh, 0, small, "Wide")) << "the old font's glyphs are gone";
    EXPECT_EQ(glyphs, DrawnByTextCall(large, "Wide"));
}

} // namespace
