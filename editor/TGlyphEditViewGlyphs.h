#pragma once

#include <QFont>
#include <QRawFont>
#include <QStringView>
#include <array>
#include <vector>

class QPaintDevice;
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

// Draws the gutter's line numbers (digits and blanks), every number of a paint in one glyph
// run. The glyphs, their advance and the width of a number of each length come from the
// font's own layout, taken once per font, so a number lands on the very (sub)pixels the plain
// text call gives it without being laid out again. A font whose digits and blank do not all
// advance alike whatever their neighbours (kerning, joined or alternate forms, mixed fall-back
// faces) or that draws decorations is left to the text call.
class TGlyphNumberPainter {
public:
    // Takes `font` as drawn on `device`; false when its numbers need the text call. The font
    // taken last costs only a comparison.
    bool SetFont(const QFont& font, const QPaintDevice& device);
    // How far the glyphs' ink may reach below the baseline, in whole pixels.
    int InkBelow() const { return inkBelow_; }
    // Adds `text`, right-aligned as the text call places it when its width ends at x `right`,
    // on `baseline`; false, adding nothing, for a character other than a digit or the blank.
    bool Add(QStringView text, int right, int baseline);
    // Draws what was added in the painter's pen and forgets it.
    void Flush(QPainter& painter);

private:
    static constexpr quint32 Unknown = 0xFFFFFFFF;
    static constexpr int MaxLength = 16;
    // '0'..'9' and the blank.
    static int Slot(QChar c);

    bool taken_ = false;
    bool usable_ = false;
    QFont font_;
    int dpi_ = 0;
    qreal advance_ = 0;
    int inkBelow_ = 0;
    // The text call's width of a number of each length, in whole pixels.
    std::array<int, MaxLength + 1> widths_{};
    QRawFont raw_;
    std::array<quint32, 11> glyphs_{};
    std::vector<quint32> indexes_;
    std::vector<QPointF> positions_;
};
