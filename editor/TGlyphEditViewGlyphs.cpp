#include "editor/TGlyphEditViewGlyphs.h"

#include <QFont>
#include <QGlyphRun>
#include <QPainter>

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
