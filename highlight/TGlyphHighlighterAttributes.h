#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>

// Colours as stored with the highlighter colours: 0x00BBGGRR for an explicit colour, 0xFF0000nn
// for the desktop's system colour number nn, and clNone for "no colour of its own".
using TGlyphColor = std::uint32_t;

constexpr TGlyphColor clNone = 0x1FFFFFFF;
constexpr TGlyphColor clWindow = 0xFF000005;     // window background
constexpr TGlyphColor clWindowText = 0xFF000008; // window text

constexpr bool IsSystemColor(TGlyphColor c) {
    return (c & 0xFF000000u) == 0xFF000000u;
}
constexpr TGlyphColor GlyphRGB(int r, int g, int b) {
    return TGlyphColor(r & 0xFF) | (TGlyphColor(g & 0xFF) << 8) | (TGlyphColor(b & 0xFF) << 16);
}

// The plain 0x00BBGGRR value of a colour: a system colour is looked up in the application's
// palette; clNone and unknown system numbers answer clNone.
TGlyphColor ColorToRGB(TGlyphColor c);
// The colour for painting; an invalid QColor for clNone.
QColor ToQColor(TGlyphColor c);
TGlyphColor FromQColor(const QColor& c);

// Font style bits; the values are those kept in the store.
enum TGlyphFontStyle : std::uint32_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using TGlyphFontStyles = std::uint32_t;
constexpr TGlyphFontStyles fsAllStyles = fsBold | fsItalic | fsUnderline | fsStrikeOut;

// The display attribute of one kind of token: colours and font style. Owned by its highlighter;
// every setter that really changes a value calls the change handler, which the highlighter
// connects to its own change notification.
class TGlyphHighlighterAttributes {
public:
    using TChangeHandler = std::function<void()>;

    explicit TGlyphHighlighterAttributes(const QString& name);
    TGlyphHighlighterAttributes(const TGlyphHighlighterAttributes&) = delete;
    TGlyphHighlighterAttributes& operator=(const TGlyphHighlighterAttributes&) = delete;

    // Display name, store subkey and colours-dialog entry; fixed for the attribute's life.
    const QString& Name() const { return name_; }

    TGlyphColor Background() const { return background_; }
    void SetBackground(TGlyphColor c);
    TGlyphColor Foreground() const { return foreground_; }
    void SetForeground(TGlyphColor c);
    TGlyphFontStyles Style() const { return style_; }
    void SetStyle(TGlyphFontStyles s); // bits outside fsAllStyles are dropped

    // Copies background, foreground and style (not the name); calls the change handler once
    // when any of them changed.
    void Assign(const TGlyphHighlighterAttributes& other);

    // The values the attribute had when its highlighter finished construction.
    TGlyphColor DefaultBackground() const { return defaultBackground_; }
    TGlyphColor DefaultForeground() const { return defaultForeground_; }
    TGlyphFontStyles DefaultStyle() const { return defaultStyle_; }
    bool IsBackgroundDefault() const { return background_ == defaultBackground_; }
    bool IsForegroundDefault() const { return foreground_ == defaultForeground_; }
    bool IsStyleDefault() const { return style_ == defaultStyle_; }
    // Records the present values as the defaults.
    void RecordDefaults();

    const TChangeHandler& ChangeHandler() const { return onChange_; }
    void SetChangeHandler(TChangeHandler handler) { onChange_ = std::move(handler); }

private:
    void Changed();

    QString name_;
    TGlyphColor background_ = clNone;
    TGlyphColor foreground_ = clNone;
    TGlyphFontStyles style_ = 0;
    TGlyphColor defaultBackground_ = clNone;
    TGlyphColor defaultForeground_ = clNone;
    TGlyphFontStyles defaultStyle_ = 0;
    TChangeHandler onChange_;
};
