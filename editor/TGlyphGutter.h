#pragma once

#include "highlight/TGlyphHighlighterAttributes.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <functional>

class QPainter;

// The gutter of the editor view: the strip left of the text with line numbers and bookmark
// glyphs. It only holds the settings and the layout arithmetic; the view paints it. Every
// setter that changes a value calls OnChange, so the view can lay itself out again.
class TGlyphGutter {
public:
    static constexpr int MinDigitCount = 2;
    static constexpr int MaxDigitCount = 12;

    TGlyphGutter();

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    TGlyphColor Color() const { return color_; }
    void SetColor(TGlyphColor value);
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& value);
    // The colour of the gutter font, used for the numbers with UseFontStyle.
    TGlyphColor FontColor() const { return fontColor_; }
    void SetFontColor(TGlyphColor value);
    bool UseFontStyle() const { return useFontStyle_; }
    void SetUseFontStyle(bool value);
    bool ShowLineNumbers() const { return showLineNumbers_; }
    void SetShowLineNumbers(bool value);
    // The gutter width while line numbers are off.
    int Width() const { return width_; }
    void SetWidth(int value);
    int LeftOffset() const { return leftOffset_; }
    void SetLeftOffset(int value);
    int RightOffset() const { return rightOffset_; }
    void SetRightOffset(int value);
    int DigitCount() const { return digitCount_; }
    void SetDigitCount(int value);
    bool LeadingZeros() const { return leadingZeros_; }
    void SetLeadingZeros(bool value);
    bool ZeroStart() const { return zeroStart_; }
    void SetZeroStart(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    Qt::CursorShape Cursor() const { return cursor_; }
    void SetCursor(Qt::CursorShape value) { cursor_ = value; }

    // The width of the number field for a text of `lineCount` lines.
    int DigitsFor(int lineCount) const;
    // The text drawn for line `line`: the number right-aligned in the field, padded with blanks
    // or zeros; a number wider than the field is given in full.
    QString LineNumberText(int line, int lineCount) const;
    // GutterExtent: 0 when hidden; with line numbers the offsets, the digits at the editor's
    // cell width and 2; otherwise Width.
    int Extent(int cellWidth, int lineCount) const;

    std::function<void()> OnChange;

private:
    template <typename T> void Set(T& field, T value);

    bool visible_ = true;
    TGlyphColor color_ = 0xFF00000F;
    QFont font_;
    TGlyphColor fontColor_ = clWindowText;
    bool useFontStyle_ = true;
    bool showLineNumbers_ = false;
    int width_ = 30;
    int leftOffset_ = 16;
    int rightOffset_ = 2;
    int digitCount_ = 4;
    bool leadingZeros_ = false;
    bool zeroStart_ = false;
    bool autoSize_ = false;
    Qt::CursorShape cursor_ = Qt::ArrowCursor;
};

// The ten bookmark glyphs ("GlyphEditInternalImages"), side by side in one image.
const QImage& GlyphEditInternalImages();
// The size of one of those glyphs.
QSize GlyphEditBookmarkGlyphSize();
// Draws bookmark glyph `n` (0..9) with its top left corner at `topLeft`.
void DrawGlyphEditBookmark(QPainter& painter, int n, QPoint topLeft);
