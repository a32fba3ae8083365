#include "highlight/TGlyphHighlighterAttributes.h"

#include <QGuiApplication>
#include <QPalette>
#include <optional>

namespace {

// The palette roles that play the parts of the desktop's numbered system colours.
std::optional<QColor> SystemColor(int number) {
    const QPalette palette = QGuiApplication::palette();
    switch (number) {
    case 0:  // scroll bar
    case 15: // button face
    case 4:  // menu
        return palette.color(QPalette::Button);
    case 1:  // desktop
    case 12: // application workspace
        return palette.color(QPalette::Dark);
    case 2:  // active caption
    case 13: // highlight
        return palette.color(QPalette::Highlight);
    case 3: // inactive caption
        return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 5: // window background
        return palette.color(QPalette::Base);
    case 6:  // window frame
    case 21: // dark 3-D shadow
        return palette.color(QPalette::Shadow);
    case 7:  // menu text
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 8: // window text
        return palette.color(QPalette::Text);
    case 9:  // caption text
    case 14: // highlight text
        return palette.color(QPalette::HighlightedText);
    case 10: // active border
    case 11: // inactive border
    case 22: // 3-D light
        return palette.color(QPalette::Midlight);
    case 16: // button shadow
        return palette.color(QPalette::Mid);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 19: // inactive caption text
        return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 23: // tool-tip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tool-tip background
        return palette.color(QPalette::ToolTipBase);
    default:
        return std::nullopt;
    }
}

} // namespace

TGlyphColor ColorToRGB(TGlyphColor c) {
    if (c == clNone) {
        return clNone;
    }
    if (!IsSystemColor(c)) {
        return c & 0x00FFFFFFu;
    }
    const std::optional<QColor> system = SystemColor(int(c & 0xFFu));
    return system ? FromQColor(*system) : clNone;
}

QColor ToQColor(TGlyphColor c) {
    const TGlyphColor rgb = ColorToRGB(c);
    if (rgb == clNone) {
        return {};
    }
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

TGlyphColor FromQColor(const QColor& c) {
    if (!c.isValid()) {
        return clNone;
    }
    return GlyphRGB(c.red(), c.green(), c.blue());
}

TGlyphHighlighterAttributes::TGlyphHighlighterAttributes(const QString& name) : name_(name) {}

void TGlyphHighlighterAttributes::SetBackground(TGlyphColor c) {
    if (background_ != c) {
        background_ = c;
        Changed();
    }
}

void TGlyphHighlighterAttributes::SetForeground(TGlyphColor c) {
    if (foreground_ != c) {
        foreground_ = c;
        Changed();
    }
}

void TGlyphHighlighterAttributes::SetStyle(TGlyphFontStyles s) {
    s &= fsAllStyles;
    if (style_ != s) {
        style_ = s;
        Changed();
    }
}

void TGlyphHighlighterAttributes::Assign(const TGlyphHighlighterAttributes& other) {
    if (&other == this) {
        return;
    }
    const bool changed = background_ != other.background_ || foreground_ != other.foreground_ ||
                         style_ != other.style_;
    background_ = other.background_;
    foreground_ = other.foreground_;
    style_ = other.style_;
    if (changed) {
        Changed();
    }
}

void TGlyphHighlighterAttributes::RecordDefaults() {
    defaultBackground_ = background_;
    defaultForeground_ = foreground_;
    defaultStyle_ = style_;
}

void TGlyphHighlighterAttributes::Changed() {
    if (onChange_) {
        onChange_();
    }
}
