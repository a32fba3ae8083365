#pragma once

#include <QRawFont>
#include <QStringView>
#include <array>
#include <vector>

class QFont;
class QPainter;
class QPoint;

// Draws text laid out in fixed cells as glyph runs: each character's glyph is looked up once
// per font and kept, and its place is its cell, so a run of text costs no text layout (no
// itemising, no shaping) when it is painted. Only what the plain text call would draw alike
// goes this way: characters below U+0300 the font itself has, in faces the font really has
// (no synthesised bold or italic), without underline or strike-out. Anything else is left to
// the caller.
class TGlyphCellPainter {
public:
    // Forgets every font; called when the fonts change.
    void Reset();

    // Draws `text` (tabs drawn as blanks) with its first character's cell at x, on `baseline`,
    // each character `cellWidth` pixels after the last, in the painter's pen. `slot` names the
    // font (the caller's style index, 0..15) so that its glyphs are looked up only once. False,
    // drawing nothing, when the text or the font needs the plain text call.
    bool Draw(QPainter& painter, int slot, const QFont& font, QStringView text, QPoint origin,
              int cellWidth);

private:
    static constexpr int Slots = 16;
    static constexpr int CachedChars = 0x300;
    static constexpr quint32 Unknown = 0xFFFFFFFF;

    struct TSlot {
        bool Loaded = false;
        bool Usable = false;
        QRawFont Raw;
        std::array<quint32, CachedChars> Glyphs{};
    };

    TSlot& Load(int slot, const QFont& font);
    // The glyph of c in the slot's font, 0 when the font has none.
    quint32 GlyphOf(TSlot& s, char16_t c);

    std::array<TSlot, Slots> slots_;
    std::vector<quint32> indexes_;
    std::vector<QPointF> positions_;
};
