#include "editor/TGlyphGutter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

TGlyphGutter::TGlyphGutter() {
    // "Terminal" is rarely installed here; the style hint lets the font system fall back to a
    // fixed-pitch face.
    font_ = QFont(QStringLiteral("Terminal"), 8);
    font_.setStyleHint(QFont::TypeWriter);
    font_.setFixedPitch(true);
}

template <typename T> void TGlyphGutter::Set(T& field, T value) {
    if (field == value)
        return;
    field = value;
    if (OnChange)
        OnChange();
}

void TGlyphGutter::SetVisible(bool value) {
    Set(visible_, value);
}

void TGlyphGutter::SetColor(TGlyphColor value) {
    Set(color_, value);
}

void TGlyphGutter::SetFont(const QFont& value) {
    Set(font_, value);
}

void TGlyphGutter::SetFontColor(TGlyphColor value) {
    Set(fontColor_, value);
}

void TGlyphGutter::SetUseFontStyle(bool value) {
    Set(useFontStyle_, value);
}

void TGlyphGutter::SetShowLineNumbers(bool value) {
    Set(showLineNumbers_, value);
}

void TGlyphGutter::SetWidth(int value) {
    Set(width_, std::max(value, 0));
}

void TGlyphGutter::SetLeftOffset(int value) {
    Set(leftOffset_, std::max(value, 0));
}

void TGlyphGutter::SetRightOffset(int value) {
    Set(rightOffset_, std::max(value, 0));
}

void TGlyphGutter::SetDigitCount(int value) {
    Set(digitCount_, std::clamp(value, MinDigitCount, MaxDigitCount));
}

void TGlyphGutter::SetLeadingZeros(bool value) {
    Set(leadingZeros_, value);
}

void TGlyphGutter::SetZeroStart(bool value) {
    Set(zeroStart_, value);
}

void TGlyphGutter::SetAutoSize(bool value) {
    Set(autoSize_, value);
}

int TGlyphGutter::DigitsFor(int lineCount) const {
    if (!autoSize_)
        return digitCount_;
    return std::max(digitCount_, static_cast<int>(QString::number(std::max(lineCount, 1)).size()));
}

QString TGlyphGutter::LineNumberText(int line, int lineCount) const {
    const int number = zeroStart_ ? line - 1 : line;
    return QStringLiteral("%1").arg(number, DigitsFor(lineCount), 10,
                                    leadingZeros_ ? QLatin1Char('0') : QLatin1Char(' '));
}

int TGlyphGutter::Extent(int cellWidth, int lineCount) const {
    if (!visible_)
        return 0;
    if (showLineNumbers_)
        return leftOffset_ + rightOffset_ + DigitsFor(lineCount) * cellWidth + 2;
    return width_;
}

// ---- Bookmark glyphs ----

namespace {

constexpr int GlyphWidth = 11;
constexpr int GlyphHeight = 14;

QImage MakeInternalImages() {
    QImage strip(GlyphWidth * 10, GlyphHeight, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    QFont digitFont;
    digitFont.setPixelSize(9);
    digitFont.setBold(true);
    p.setFont(digitFont);
    for (int n = 0; n < 10; ++n) {
        // A small bookmark ribbon with its number, notched at the bottom.
        const qreal left = n * GlyphWidth + 0.5;
        QPainterPath ribbon;
        ribbon.moveTo(left, 0.5);
        ribbon.lineTo(left + GlyphWidth - 1, 0.5);
        ribbon.lineTo(left + GlyphWidth - 1, GlyphHeight - 0.5);
        ribbon.lineTo(left + (GlyphWidth - 1) / 2.0, GlyphHeight - 4);
        ribbon.lineTo(left, GlyphHeight - 0.5);
        ribbon.closeSubpath();
        p.setPen(QColor(0x80, 0x60, 0x00));
        p.setBrush(QColor(0xFF, 0xD8, 0x40));
        p.drawPath(ribbon);
        p.setPen(Qt::black);
        p.drawText(QRectF(n * GlyphWidth, 0, GlyphWidth, GlyphHeight - 3), Qt::AlignCenter,
                   QString::number(n));
    }
    return strip;
}

} // namespace

const QImage& GlyphEditInternalImages() {
    static const QImage images = MakeInternalImages();
    return images;
}

QSize GlyphEditBookmarkGlyphSize() {
    return {GlyphWidth, GlyphHeight};
}

void DrawGlyphEditBookmark(QPainter& painter, int n, QPoint topLeft) {
    if (n < 0 || n > 9)
        return;
    painter.drawImage(topLeft, GlyphEditInternalImages(),
                      QRect(n * GlyphWidth, 0, GlyphWidth, GlyphHeight));
}
