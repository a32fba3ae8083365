// Painting of the editor view: the invalid region only, gutter first, then the text lines in
// runs of equal colours, the selection, the right edge, and the caret on top.

#include "editor/TGlyphEditView.h"

#include "editor/TGlyphEditViewRuns.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

namespace {

bool IsBlankText(QStringView text) {
    for (QChar c : text) {
        if (c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

// Text the font draws one cell per character in a single call. Anything else (combining
// marks, wide characters, surrogates) is drawn cell by cell so that the columns stay true.
bool IsSimpleCellText(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x0300)
            return false;
    }
    return true;
}

QColor Resolved(TGlyphColor color, const QColor& fallback) {
    const QColor c = ToQColor(color);
    return c.isValid() ? c : fallback;
}

} // namespace

// ---- Invalidation ----

void TGlyphEditView::InvalidateLines(int first, int last) {
    if (pixelScrolling_ && first <= 1 && last == INT_MAX) {
        fullRepaintSkipped_ = true;
        return;
    }
    ScheduleLineCountCheck();
    // Under the paint lock replace all changes line after line: one repaint of the whole view
    // covers them all, instead of a region to work out for each. A keystroke changes a line
    // or two and keeps its small region.
    constexpr int FewInvalidations = 8;
    if (edit_.PaintLock() > 0 && ++lockedInvalidations_ > FewInvalidations) {
        if (lockedInvalidations_ == FewInvalidations + 1)
            viewport()->update();
        return;
    }
    if (fullRepaintSkipped_) {
        // Something else changed before the pending scroll moved the pixels: paint it all.
        fullRepaintSkipped_ = false;
        viewport()->update();
        return;
    }
    const int top = edit_.TopLine();
    const int height = viewport()->height();
    if (last < top)
        return;
    const int firstRow = std::max(first - top, 0);
    if (firstRow > visibleRows_)
        return;
    const int y = firstRow * rowHeight_;
    int bottom = height;
    if (last != INT_MAX)
        bottom = std::min((std::min(last - top, visibleRows_) + 1) * rowHeight_, height);
    if (bottom > y)
        viewport()->update(QRect(0, y, viewport()->width(), bottom - y));
}

// ---- Fonts ----

void TGlyphEditView::ForgetStyledFonts() {
    styledFonts_.fill(std::nullopt);
    cellPainter_.Reset();
}

const QFont& TGlyphEditView::StyledFont(TGlyphFontStyles style) const {
    std::optional<QFont>& slot = styledFonts_[static_cast<std::size_t>(style & fsAllStyles)];
    if (!slot) {
        const QFont base = font();
        QFont f = base;
        f.setBold(base.bold() || (style & fsBold));
        f.setItalic(base.italic() || (style & fsItalic));
        f.setUnderline(base.underline() || (style & fsUnderline));
        f.setStrikeOut(base.strikeOut() || (style & fsStrikeOut));
        f.setKerning(false);
        // Every character advances exactly one cell, also in bold or italic faces whose
        // advance differs by a fraction.
        const qreal advance = QFontMetricsF(f).horizontalAdvance(QLatin1Char('M'));
        f.setLetterSpacing(QFont::AbsoluteSpacing, cellWidth_ - advance);
        slot = f;
    }
    return *slot;
}

// ---- Paint ----

void TGlyphEditView::paintEvent(QPaintEvent* event) {
    lockedInvalidations_ = 0;
    QPainter painter(viewport());
    const QRect rect = event->rect();
    const int firstRow = std::max(rect.top(), 0) / rowHeight_;
    const int lastRow = std::max(rect.bottom(), 0) / rowHeight_;
    if (OnPrepareLines)
        OnPrepareLines(std::min(edit_.TopLine() + lastRow, edit_.LineCount()));
    if (gutterExtent_ > 0 && rect.left() < gutterExtent_) {
        painter.save();
        painter.setClipRect(QRect(0, rect.top(), gutterExtent_, rect.height()), Qt::IntersectClip);
        PaintGutter(painter, rect, firstRow, lastRow);
        painter.restore();
    }
    if (rect.right() >= gutterExtent_)
        PaintTextArea(painter, rect, firstRow, lastRow);
    if (OnPaint)
        OnPaint(this, painter);
    PaintCaret(painter);
}

void TGlyphEditView::PaintGutter(QPainter& painter, const QRect& rect, int firstRow, int lastRow) {
    const QColor gutterColor = Resolved(gutter_.Color(), palette().color(QPalette::Button));
    const int right = gutterExtent_ - 2;
    const int left = rect.left();
    const int count = edit_.LineCount();
    const int top = edit_.TopLine();
    if (gutter_.ShowLineNumbers()) {
        const QFontMetrics metrics(gutter_.Font());
        painter.setFont(gutter_.Font());
        painter.setPen(Resolved(gutter_.UseFontStyle() ? gutter_.FontColor() : fontColor_,
                                palette().color(QPalette::Text)));
        const int end = gutterExtent_ - (gutter_.RightOffset() + 2);
        const int baselineInRow = (rowHeight_ - metrics.height()) / 2 + metrics.ascent();
        // All rows are filled first and their numbers drawn after as one glyph run, unless a
        // number's ink reaches into the row below, where that row's fill has to cover it.
        const bool asGlyphs = numberPainter_.SetFont(gutter_.Font(), *painter.device()) &&
                              baselineInRow + numberPainter_.InkBelow() <= rowHeight_;
        if (asGlyphs)
            painter.fillRect(QRect(left, firstRow * rowHeight_, right - left,
                                   (lastRow - firstRow + 1) * rowHeight_),
                             gutterColor);
        for (int row = firstRow; row <= lastRow; ++row) {
            const int line = top + row;
            const int y = row * rowHeight_;
            if (!asGlyphs)
                painter.fillRect(QRect(left, y, right - left, rowHeight_), gutterColor);
            if (line > count)
                continue;
            const QString number = gutter_.LineNumberText(line, count);
            if (!asGlyphs || !numberPainter_.Add(number, end, y + baselineInRow))
                painter.drawText(QPoint(end - metrics.horizontalAdvance(number), y + baselineInRow),
                                 number);
        }
        numberPainter_.Flush(painter);
    } else {
        painter.fillRect(QRect(left, rect.top(), right - left, rect.height()), gutterColor);
    }
    painter.fillRect(QRect(gutterExtent_ - 2, rect.top(), 1, rect.height()),
                     Resolved(color_, palette().color(QPalette::Base)));
    painter.fillRect(QRect(gutterExtent_ - 1, rect.top(), 1, rect.height()), gutterColor);

    if (!bookMarkOptions_.GlyphsVisible)
        return;
    const int glyphHeight = GlyphEditBookmarkGlyphSize().height();
    for (int row = firstRow; row <= lastRow; ++row) {
        const int line = top + row;
        if (line > count)
            break;
        int shown = 0;
        for (int n = 0; n < 10; ++n) {
            const std::optional<TBufferCoord> mark = edit_.Bookmark(n);
            if (!mark || mark->Y != line)
                continue;
            const QPoint place(bookMarkOptions_.LeftMargin + shown * bookMarkOptions_.Xoffset,
                               row * rowHeight_ + (rowHeight_ - glyphHeight) / 2);
            DrawGlyphEditBookmark(painter, n, place);
            ++shown;
        }
    }
}

void TGlyphEditView::PaintTextArea(QPainter& painter, const QRect& rect, int firstRow,
                                   int lastRow) {
    const QColor background = GlyphTextBackground(highlighter_, color_);
    const int textLeft = gutterExtent_ + 2;
    if (rect.left() < textLeft)
        painter.fillRect(QRect(gutterExtent_, rect.top(), 2, rect.height()), background);
    const QRect area = rect.intersected(
        QRect(textLeft, rect.top(), std::max(rect.right() + 1 - textLeft, 0), rect.height()));
    if (area.isEmpty())
        return;
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);

    const int origin = TextOrigin();
    const int firstCell = (area.left() - origin) / cellWidth_;
    const int lastCell = (area.right() - origin) / cellWidth_;
    const int top = edit_.TopLine();
    const int lastLine = std::min(top + lastRow, edit_.LineCount());
    for (int line = top + firstRow; line <= lastLine; ++line)
        PaintLine(painter, line, (line - top) * rowHeight_, firstCell, lastCell, background);

    // Below the last line.
    const int yBelow = (std::max(lastLine, top + firstRow - 1) - top + 1) * rowHeight_;
    if (yBelow <= area.bottom())
        painter.fillRect(QRect(area.left(), yBelow, area.width(), area.bottom() + 1 - yBelow),
                         background);

    if (rightEdge_ > 0) {
        const int x = origin + rightEdge_ * cellWidth_;
        if (x >= area.left() && x <= area.right())
            painter.fillRect(QRect(x, area.top(), 1, area.height()),
                             Resolved(rightEdgeColor_, Qt::lightGray));
    }
    painter.restore();
}

bool TGlyphEditView::SelectionPainted() const {
    return edit_.HasSelection() && !(hideSelection_ && !hasFocus());
}

std::pair<int, int> TGlyphEditView::SelectedCells(int line) const {
    if (!SelectionPainted())
        return {0, 0};
    const TBufferCoord first = edit_.SelectionStart();
    const TBufferCoord last = edit_.SelectionEnd();
    if (line < first.Y || line > last.Y)
        return {0, 0};
    switch (edit_.SelectionMode()) {
    case smLine:
        return {0, INT_MAX};
    case smColumn: {
        const int a = edit_.DisplayColumn(edit_.SelectionAnchor());
        const int b = edit_.DisplayColumn(edit_.SelectionActiveEnd());
        return {std::min(a, b) - 1, std::max(a, b) - 1};
    }
    case smNormal:
        break;
    }
    const int from = line == first.Y ? edit_.DisplayColumn(first) - 1 : 0;
    const int to = line == last.Y ? edit_.DisplayColumn(last) - 1 : INT_MAX;
    return {from, to};
}

void TGlyphEditView::PaintLine(QPainter& painter, int line, int y, int firstCell, int lastCell,
                               const QColor& background) {
    const int index = line - 1;
    // A long line is read and tokenised only around the cells shown.
    std::optional<TGlyphScanWindow> window;
    if (OnScanWindow && GlyphHighlighterActive(highlighter_))
        window = OnScanWindow(index, firstCell, lastCell);
    QString text;
    int textStart = 0;
    int length = 0;
    if (window) {
        textStart = window->TextFrom;
        text = edit_.Lines().LineMid(index, textStart, window->TextTo - textStart);
        length = edit_.Lines().LineLength(index);
    } else {
        text = edit_.Lines().ExpandedText(index);
        length = static_cast<int>(text.size());
    }
    QColor endBackground = background;
    QColor selectedFg =
        Resolved(selectedColor_.Foreground, palette().color(QPalette::HighlightedText));
    QColor selectedBg = Resolved(selectedColor_.Background, palette().color(QPalette::Highlight));
    const TGlyphRunDefaults defaults{Resolved(fontColor_, palette().color(QPalette::Text)),
                                     background};

    std::vector<TGlyphPaintRun> runs;
    if (firstCell < length) {
        // The line restarts from its stored state, so any line costs one line's scan.
        const TGlyphCustomHighlighter::TState state =
            index > 0 ? edit_.Lines().RangeState(index) : 0;
        const TGlyphRunRange range{firstCell, lastCell, textStart, window ? window->ResumeAt : 0};
        runs = GlyphLineRuns(highlighter_, text, index, window ? window->State : state, defaults,
                             range);
    }

    TGlyphColor specialFg = clNone;
    TGlyphColor specialBg = clNone;
    if (OnSpecialLineColors && OnSpecialLineColors(this, line, specialFg, specialBg)) {
        const QColor fg = ToQColor(specialFg);
        const QColor bg = ToQColor(specialBg);
        for (TGlyphPaintRun& run : runs) {
            if (fg.isValid())
                run.Foreground = fg;
            if (bg.isValid())
                run.Background = bg;
        }
        if (fg.isValid())
            selectedFg = fg;
        if (bg.isValid()) {
            selectedBg = bg;
            endBackground = bg;
        }
    }

    // Plain names rather than a structured binding, which clang 14 (the fuzzing build's
    // compiler) cannot capture in the lambda below.
    const std::pair<int, int> selected = SelectedCells(line);
    const int selFrom = selected.first;
    const int selTo = selected.second;
    // Paints cells [a, b) split where the selection begins and ends.
    auto paintSplit = [&](int a, int b, const QColor& fg, const QColor& bg,
                          TGlyphFontStyles style) {
        a = std::max(a, firstCell);
        b = std::min(b, lastCell + 1);
        if (a >= b)
            return;
        const int s1 = std::clamp(selFrom, a, b);
        const int s2 = std::clamp(selTo, s1, b);
        if (selFrom >= selTo) {
            PaintCells(painter, text, textStart, a, b, y, fg, bg, style);
            return;
        }
        if (a < s1)
            PaintCells(painter, text, textStart, a, s1, y, fg, bg, style);
        if (s1 < s2)
            PaintCells(painter, text, textStart, s1, s2, y, selectedFg, selectedBg, style);
        if (s2 < b)
            PaintCells(painter, text, textStart, s2, b, y, fg, bg, style);
    };
    for (const TGlyphPaintRun& run : runs)
        paintSplit(run.Start, run.End, run.Foreground, run.Background, run.Style);
    // The cells after the line's end.
    paintSplit(std::max(length, firstCell), lastCell + 1, defaults.Foreground, endBackground, 0);
}

void TGlyphEditView::PaintCells(QPainter& painter, const QString& text, int textStart, int start,
                                int end, int y, const QColor& foreground, const QColor& background,
                                TGlyphFontStyles style) {
    const int x = TextOrigin() + start * cellWidth_;
    painter.fillRect(QRect(x, y, (end - start) * cellWidth_, rowHeight_), background);
    if (start - textStart >= text.size())
        return;
    const QStringView cells = QStringView(text).mid(start - textStart, end - start);
    // A NUL stays in the text but gets a picture of its own, which no font lacks and no other
    // character looks like: a "0" in the cell's colours reversed.
    if (const qsizetype nul = cells.indexOf(QChar(0)); nul >= 0) {
        const int at = start + int(nul);
        PaintCells(painter, text, textStart, start, at, y, foreground, background, style);
        PaintCells(painter, QStringLiteral("0"), at, at, at + 1, y, background, foreground, style);
        PaintCells(painter, text, textStart, at + 1, end, y, foreground, background, style);
        return;
    }
    if (IsBlankText(cells) && !(style & (fsUnderline | fsStrikeOut)))
        return;
    painter.setPen(foreground);
    const int baseline = y + ascent_;
    const int slot = style & fsAllStyles;
    if (cellPainter_.Draw(painter, slot, StyledFont(style), cells, QPoint(x, baseline), cellWidth_))
        return;
    QString piece = cells.toString();
    piece.replace(u'\t', u' ');
    painter.setFont(StyledFont(style));
    if (IsSimpleCellText(piece)) {
        painter.drawText(QPoint(x, baseline), piece);
        return;
    }
    for (int i = 0; i < piece.size(); ++i) {
        const bool pair = piece.at(i).isHighSurrogate() && i + 1 < piece.size();
        painter.drawText(QPoint(x + i * cellWidth_, baseline), piece.mid(i, pair ? 2 : 1));
        if (pair)
            ++i;
    }
}

// ---- Caret ----

QRect TGlyphEditView::CaretRect() const {
    return CaretRectAt(PixelFromPosition(edit_.CaretXY()));
}

// The caret's pixel place costs a walk along its line (tabs), so it is worked out once per use.
QRect TGlyphEditView::CaretRectAt(QPoint place) const {
    const int x = place.x();
    const int y = place.y() + 1;
    const int height = rowHeight_ - 2;
    switch (edit_.InsertMode() ? insertCaret_ : overwriteCaret_) {
    case ctVerticalLine:
        return {x - 1, y, 2, height};
    case ctHorizontalLine:
        return {x, y + height - 2, cellWidth_, 2};
    case ctHalfBlock: {
        const int half = height / 2;
        return {x, y + height - half, cellWidth_, half};
    }
    case ctBlock:
        break;
    }
    return {x, y, cellWidth_, height};
}

bool TGlyphEditView::CaretVisible() const {
    return CaretVisibleAt(PixelFromPosition(edit_.CaretXY()));
}

bool TGlyphEditView::CaretVisibleAt(QPoint place) const {
    if (!hasFocus() || (edit_.Options() & eoNoCaret))
        return false;
    return place.x() >= gutterExtent_ + 2 && place.x() <= viewport()->width() && place.y() >= 0 &&
           place.y() < viewport()->height();
}

void TGlyphEditView::PaintCaret(QPainter& painter) {
    if (!caretBlinkOn_ || !hasFocus() || (edit_.Options() & eoNoCaret))
        return;
    const QPoint place = PixelFromPosition(edit_.CaretXY());
    if (!CaretVisibleAt(place))
        return;
    painter.save();
    painter.setClipRect(QRect(gutterExtent_ + 2, 0, viewport()->width(), viewport()->height()),
                        Qt::IntersectClip);
    // Inverting keeps the character under a block caret readable.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(CaretRectAt(place), Qt::white);
    painter.restore();
}

void TGlyphEditView::UpdateCaret() {
    viewport()->update(paintedCaretRect_);
    paintedCaretRect_ = CaretRect();
    viewport()->update(paintedCaretRect_);
    caretBlinkOn_ = true;
    if (caretTimer_.isActive())
        caretTimer_.start();
}

void TGlyphEditView::BlinkCaret() {
    if (edit_.InsertMode() != lastInsertMode_) {
        // Insert mode switched by a command from outside: the caret takes the other shape.
        lastInsertMode_ = edit_.InsertMode();
        UpdateCaret();
        return;
    }
    caretBlinkOn_ = !caretBlinkOn_;
    viewport()->update(paintedCaretRect_);
}
