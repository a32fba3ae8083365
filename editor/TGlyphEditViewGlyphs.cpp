#include "editor/TGlyphEditViewGlyphs.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

void TGlyphCellPainter::Reset() {
    for (TSlot& s : slots_)
        s.Loaded = false;
}

TGlyphCellPainter::TSlot& TGlyphCellPainter::Load(int slot, const QFont& font) {
    TSlot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.Loaded)
        return s;
    s.Loaded = true;
    s.Raw = QRawFont::fromFont(font);
    s.Glyphs.fill(Unknown);
    // A face the font does not have is synthesised by the text call; the raw font would draw
    // the plain face instead.
    const bool boldMissing = font.bold() && s.Raw.weight() < QFont::DemiBold;
    const bool italicMissing = font.italic() && s.Raw.style() == QFont::StyleNormal;
    s.Usable = s.Raw.isValid() && !boldMissing && !italicMissing && !font.underline() &&
               !font.strikeOut() && !font.overline();
    return s;
}

quint32 TGlyphCellPainter::GlyphOf(TSlot& s, char16_t c) {
    quint32& glyph = s.Glyphs[c];
    if (glyph == Unknown) {
        const QChar ch(c);
        int count = 1;
        quint32 index = 0;
        if (!s.Raw.glyphIndexesForChars(&ch, 1, &index, &count) || count != 1)
            index = 0;
        glyph = index;
    }
    return glyph;
}

bool TGlyphCellPainter::Draw(QPainter& painter, int slot, const QFont& font, QStringView text,
                             QPoint origin, int cellWidth) {
    if (slot < 0 || slot >= Slots)
        return false;
    TSlot& s = Load(slot, font);
    if (!s.Usable)
        return false;
    indexes_.clear();
    positions_.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c == u'\t')
            c = u' ';
        if (c >= CachedChars)
            return false;
        const quint32 glyph = GlyphOf(s, c);
        if (glyph == 0)
            return false; // the text call finds it in a fallback font
        indexes_.push_back(glyph);
        positions_.emplace_back(qreal(i) * cellWidth, 0);
    }
    if (indexes_.empty())
        return true;
    QGlyphRun run;
    run.setRawFont(s.Raw);
    run.setRawData(indexes_.data(), positions_.data(), int(indexes_.size()));
    painter.drawGlyphRun(QPointF(origin), run);
    return true;
}

// ---- Line numbers ----

int TGlyphNumberPainter::Slot(QChar c) {
    if (c == u' ')
        return 10;
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    return -1;
}

bool TGlyphNumberPainter::SetFont(const QFont& font, const QPaintDevice& device) {
    const int dpi = device.logicalDpiY();
    if (taken_ && dpi == dpi_ && font == font_)
        return usable_;
    taken_ = true;
    usable_ = false;
    font_ = font;
    dpi_ = dpi;
    if (font.underline() || font.strikeOut() || font.overline())
        return false;
    // Every ordered pair, so that kerning or a form chosen by a neighbour shows somewhere; a
    // digit last, as a line's trailing blanks may be left out of its glyphs.
    static const QString chars = QStringLiteral("0123456789 ");
    QString sample;
    for (QChar a : chars) {
        for (QChar b : chars) {
            sample += a;
            sample += b;
        }
    }
    sample += u'0';
    QTextLayout layout(sample, font, &device);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1)
        return false;
    const QList<quint32> glyphs = runs.front().glyphIndexes();
    const QList<QPointF> places = runs.front().positions();
    if (glyphs.size() != sample.size() || places.size() != sample.size())
        return false;
    // Layout places are sums of one fixed-point advance, so they compare exactly.
    const qreal step = places[1].x() - places[0].x();
    if (step <= 0)
        return false;
    glyphs_.fill(Unknown);
    raw_ = runs.front().rawFont();
    qreal below = 0;
    for (qsizetype i = 0; i < sample.size(); ++i) {
        if (places[i].x() != places[0].x() + qreal(i) * step || places[i].y() != places[0].y())
            return false;
        quint32& glyph = glyphs_[static_cast<std::size_t>(Slot(sample[i]))];
        if (glyph != Unknown && glyph != glyphs[i])
            return false;
        glyph = glyphs[i];
        below = std::max(below, raw_.boundingRect(glyph).bottom());
    }
    advance_ = step;
    // One pixel more for the edge that smoothing blurs.
    inkBelow_ = int(std::ceil(below)) + 1;
    // Any number of a length is as wide as any other, the text call rounding the sum its way.
    const QFontMetrics metrics(font, &device);
    for (int n = 0; n <= MaxLength; ++n)
        widths_[static_cast<std::size_t>(n)] = metrics.horizontalAdvance(QString(n, u'0'));
    usable_ = true;
    return true;
}

bool TGlyphNumberPainter::Add(QStringView text, int right, int baseline) {
    if (text.size() > MaxLength)
        return false;
    const std::size_t start = indexes_.size();
    const int left = right - widths_[static_cast<std::size_t>(text.size())];
    qreal x = left;
    for (QChar c : text) {
        const int slot = Slot(c);
        if (slot < 0) {
            indexes_.resize(start);
            positions_.resize(start);
            return false;
        }
        indexes_.push_back(glyphs_[static_cast<std::size_t>(slot)]);
        positions_.emplace_back(x, baseline);
        x += advance_;
    }
    return true;
}

void TGlyphNumberPainter::Flush(QPainter& painter) {
    if (!indexes_.empty()) {
        QGlyphRun run;
        run.setRawFont(raw_);
        run.setRawData(indexes_.data(), positions_.data(), int(indexes_.size()));
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    indexes_.clear();
    positions_.clear();
}
