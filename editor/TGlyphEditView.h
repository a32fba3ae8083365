#pragma once

#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditViewGlyphs.h"
#include "editor/TGlyphGutter.h"
#include "highlight/GlyphLineCheckpoints.h"
#include "highlight/TGlyphHighlighterAttributes.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class QLabel;
class QMimeData;
class TGlyphCustomHighlighter;

enum TGlyphEditCaretType { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum TGlyphScrollHintFormat { shfTopLineOnly, shfTopToBottom };
enum TGlyphScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TGlyphBorderStyle { bsNone, bsSingle };

// Colours of selected text.
struct TGlyphSelectedColor {
    TGlyphColor Background = 0xFF00000D; // the desktop's highlight colour
    TGlyphColor Foreground = 0xFF00000E; // the desktop's highlighted text colour

    friend bool operator==(const TGlyphSelectedColor&, const TGlyphSelectedColor&) = default;
};

// How bookmarks show in the gutter and whether their keys work.
struct TGlyphBookMarkOpt {
    bool DrawBookmarksFirst = true;
    bool EnableKeys = true;
    bool GlyphsVisible = true;
    int LeftMargin = 2;
    int Xoffset = 12;

    friend bool operator==(const TGlyphBookMarkOpt&, const TGlyphBookMarkOpt&) = default;
};

// The screen side of the editor: lays the model's text out in fixed-width cells, paints the
// visible lines with the highlighter's colours, the selection, the right edge and the gutter,
// scrolls, shows the caret, and turns mouse input into caret, selection and drag-and-drop
// changes of the model. The model (TCustomGlyphEdit) is not owned; it must outlive the view.
// The view keeps the model's viewport numbers (LinesInWindow, CharsInWindow, TopLine,
// LeftChar) in step with its size and scroll bars, and takes the model's OnInvalidateLines,
// OnScrollBarsChanged and OnCaretChanged hooks.
class TGlyphEditView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Vertical scroll-bar positions of longer texts are scaled into 0..ScrollRangeLimit.
    static constexpr int ScrollRangeLimit = 32767;
    static constexpr int AutoScrollInterval = 100; // milliseconds
    static constexpr int WheelStepLines = 3;
    static constexpr int WheelDeltaPerStep = 120;
    // The MIME type of text dragged out of an editor of this program.
    static constexpr char DragMimeType[] = "application/x-glyphedit-drag-block";

    explicit TGlyphEditView(TCustomGlyphEdit& edit, QWidget* parent = nullptr);
    // Starts with Font rather than the default: a caller with a font of its own spares the
    // loading of one it would drop at once.
    TGlyphEditView(TCustomGlyphEdit& edit, const QFont& font, QWidget* parent);
    // Courier New, 10 points, or the fixed-pitch face the font system finds instead.
    static QFont DefaultFont();
    ~TGlyphEditView() override;
    TGlyphEditView(const TGlyphEditView&) = delete;
    TGlyphEditView& operator=(const TGlyphEditView&) = delete;

    TCustomGlyphEdit& Edit() const { return edit_; }

    // The highlighter whose colours are painted, or null for plain text. It is not owned and
    // must be set back to null (or outlive the view); the view hooks its attribute changes.
    TGlyphCustomHighlighter* Highlighter() const { return highlighter_; }
    void SetHighlighter(TGlyphCustomHighlighter* highlighter);

    // ---- Settings (the text font is the widget's font()) ----
    TGlyphColor Color() const { return color_; }
    void SetColor(TGlyphColor value);
    // The colour of the text font.
    TGlyphColor FontColor() const { return fontColor_; }
    void SetFontColor(TGlyphColor value);
    int ExtraLineSpacing() const { return extraLineSpacing_; }
    void SetExtraLineSpacing(int value);
    int RightEdge() const { return rightEdge_; }
    void SetRightEdge(int value);
    TGlyphColor RightEdgeColor() const { return rightEdgeColor_; }
    void SetRightEdgeColor(TGlyphColor value);
    TGlyphSelectedColor SelectedColor() const { return selectedColor_; }
    void SetSelectedColor(const TGlyphSelectedColor& value);
    TGlyphEditCaretType InsertCaret() const { return insertCaret_; }
    void SetInsertCaret(TGlyphEditCaretType value);
    TGlyphEditCaretType OverwriteCaret() const { return overwriteCaret_; }
    void SetOverwriteCaret(TGlyphEditCaretType value);
    TGlyphScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TGlyphScrollStyle value);
    TGlyphScrollHintFormat ScrollHintFormat() const { return scrollHintFormat_; }
    void SetScrollHintFormat(TGlyphScrollHintFormat value) { scrollHintFormat_ = value; }
    TGlyphColor ScrollHintColor() const { return scrollHintColor_; }
    void SetScrollHintColor(TGlyphColor value) { scrollHintColor_ = value; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    TGlyphBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TGlyphBorderStyle value);
    TGlyphBookMarkOpt BookMarkOptions() const { return bookMarkOptions_; }
    void SetBookMarkOptions(const TGlyphBookMarkOpt& value);
    TGlyphGutter& Gutter() { return gutter_; }
    const TGlyphGutter& Gutter() const { return gutter_; }

    // ---- Metrics (pixels) ----
    int CellWidth() const { return cellWidth_; }
    int RowHeight() const { return rowHeight_; }
    int GutterExtent() const { return gutterExtent_; }
    // x of the left edge of column 1.
    int TextOrigin() const;
    int FirstVisibleLine() const { return edit_.TopLine(); }
    int FirstVisibleColumn() const { return edit_.LeftChar(); }
    int VisibleColumns() const { return visibleColumns_; }
    int VisibleRows() const { return visibleRows_; }

    // ---- Scrolling ----
    void SetFirstVisibleLine(int line);
    void SetFirstVisibleColumn(int column);
    void ScrollCaretIntoView() { edit_.ScrollCaretIntoView(); }
    void ScrollCaretToMiddle() { edit_.ScrollCaretToMiddle(); }
    // Brings both scroll bars in line with the model now.
    void UpdateScrollBars();
    // The line a vertical scroll-bar position stands for, and the position of a line.
    int LineFromScrollPosition(int position) const;
    int ScrollPositionOfLine(int line) const;
    // The shared hint window of the vertical thumb (null until a hint was first shown).
    static QLabel* ScrollHintWindow();

    // ---- Positions ----
    // The text position under a point of the viewport.
    TBufferCoord PositionFromPixel(QPoint point) const;
    // The viewport point of a position's cell (its top left corner).
    QPoint PixelFromPosition(TBufferCoord position) const;
    // The double-click word selection around a position.
    void SelectWordAt(TBufferCoord position);

    // ---- Painting ----
    // Lines first..last (1-based; last may be INT_MAX for "to the end") need repainting. The
    // highlighting link calls this when colours of lines change.
    void InvalidateLines(int first, int last);
    // The caret's rectangle in viewport coordinates for the present insert mode.
    QRect CaretRect() const;
    // Whether the caret is drawn now: focus, eoNoCaret off, inside the text area.
    bool CaretVisible() const;

    // Whether the automatic scrolling of a drag selection is running.
    bool AutoScrolling() const { return autoScrollTimer_.isActive(); }

    // ---- Drag-and-drop ----
    // The drag data of the present selection (the caller owns it).
    QMimeData* CreateDragMimeData() const;

    // ---- Events ----
    // A left click that started and ended in the gutter.
    std::function<void(TGlyphEditView* sender, int x, int y, int line)> OnGutterClick;
    // After each paint, with the viewport's painter.
    std::function<void(TGlyphEditView* sender, QPainter& painter)> OnPaint;
    // Asked for every painted line; answering true paints the whole line, selected parts too,
    // in the given colours.
    std::function<bool(TGlyphEditView* sender, int line, TGlyphColor& foreground,
                       TGlyphColor& background)>
        OnSpecialLineColors;
    // Asked before lines are painted, with the last line (1-based) the paint will show, so that
    // the scanner states of the lines down to it can be brought up to date first.
    std::function<void(int lastLine)> OnPrepareLines;
    // Asked before a line is painted, with its index (0-based) and the first and last cells the
    // paint shows: for a long line, the stretch to tokenise instead of the whole line.
    std::function<std::optional<TGlyphScanWindow>(int index, int first, int last)> OnScanWindow;

signals:
    // A drag of the selection begins (before the platform's drag loop runs).
    void DragStarted();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Layout.
    void RecomputeMetrics();
    void UpdateGutterExtent();
    void UpdateLayout();
    void ScheduleLineCountCheck();
    void CheckLineCount();
    int MaxScrollColumn() const;
    int VerticalExtent() const;

    // Model hooks.
    void ModelScrolled();
    void ModelCaretMoved();

    // Scroll bars.
    void VerticalAction(int action);
    void HorizontalAction(int action);
    int PageRows() const;
    int PageColumns() const;
    void ShowScrollHint();
    void HideScrollHint();
    QString ScrollHintText() const;

    // Painting (TGlyphEditViewPaint.cpp).
    void PaintGutter(QPainter& painter, const QRect& rect, int firstRow, int lastRow);
    void PaintTextArea(QPainter& painter, const QRect& rect, int firstRow, int lastRow);
    void PaintLine(QPainter& painter, int line, int y, int firstCell, int lastCell,
                   const QColor& background);
    void PaintCells(QPainter& painter, const QString& text, int textStart, int start, int end,
                    int y, const QColor& foreground, const QColor& background,
                    TGlyphFontStyles style);
    // The selected cells of a line, [first, last) 0-based, or an empty pair.
    std::pair<int, int> SelectedCells(int line) const;
    bool SelectionPainted() const;
    // The text font in a style, made on first use: loading a face costs, and most highlighters
    // use only a few of the sixteen styles.
    const QFont& StyledFont(TGlyphFontStyles style) const;
    void ForgetStyledFonts();
    void PaintCaret(QPainter& painter);
    QRect CaretRectAt(QPoint place) const;
    bool CaretVisibleAt(QPoint place) const;
    void UpdateCaret();
    void BlinkCaret();

    // Mouse (TGlyphEditViewMouse.cpp).
    // The views of this process, so that a drop can find the editor its text came from.
    static QList<TGlyphEditView*>& LiveViews();
    static TGlyphEditView* SourceViewOf(const QMimeData* data);
    // The caret display column for a viewport x (not limited below).
    int ColumnFromPixel(int x) const;
    bool IsPointInSelection(TBufferCoord p) const;
    void UpdateMouseCursor(QPoint point);
    void ComputeAutoScroll(QPoint point);
    void AutoScrollTick();
    void StartDrag();
    Qt::DropAction DropActionFor(const QMimeData* data, Qt::KeyboardModifiers modifiers) const;
    bool IsWordCharForSelection(QChar c) const;

    TCustomGlyphEdit& edit_;
    TGlyphCustomHighlighter* highlighter_ = nullptr;
    TGlyphGutter gutter_;

    TGlyphColor color_ = clWindow;
    TGlyphColor fontColor_ = clWindowText;
    int extraLineSpacing_ = 0;
    int rightEdge_ = 80;
    TGlyphColor rightEdgeColor_ = 0xC0C0C0;
    TGlyphSelectedColor selectedColor_;
    TGlyphEditCaretType insertCaret_ = ctVerticalLine;
    TGlyphEditCaretType overwriteCaret_ = ctBlock;
    TGlyphScrollStyle scrollBars_ = ssBoth;
    TGlyphScrollHintFormat scrollHintFormat_ = shfTopLineOnly;
    TGlyphColor scrollHintColor_ = 0xFF000018;
    bool hideSelection_ = false;
    TGlyphBorderStyle borderStyle_ = bsSingle;
    TGlyphBookMarkOpt bookMarkOptions_;

    // Metrics.
    int cellWidth_ = 8;
    int rowHeight_ = 16;
    int ascent_ = 12;
    int gutterExtent_ = 0;
    int visibleColumns_ = 0;
    int visibleRows_ = 0;
    mutable std::array<std::optional<QFont>, 16> styledFonts_;
    TGlyphCellPainter cellPainter_;
    TGlyphNumberPainter numberPainter_;

    // Scrolling.
    int knownLineCount_ = -1;
    bool lineCountCheckQueued_ = false;
    bool pixelScrolling_ = false;
    bool fullRepaintSkipped_ = false;
    // Lines invalidated under the editor's paint lock since the last paint; past a few, one
    // repaint of the whole view is asked for and covers what else changes before it.
    int lockedInvalidations_ = 0;
    int paintedTopLine_ = 1;
    int wheelRemainder_ = 0;

    // Caret.
    QTimer caretTimer_;
    bool caretBlinkOn_ = true;
    bool caretBlinks_ = true;
    QRect paintedCaretRect_;
    bool lastInsertMode_ = true;

    // Mouse.
    QPoint mouseDownPoint_;
    QPoint lastMousePoint_;
    Qt::KeyboardModifiers lastMouseModifiers_;
    bool leftButtonDown_ = false;
    bool dragPending_ = false;
    bool doubleClickSelecting_ = false;
    bool gutterClickPending_ = false;
    int scrollDeltaX_ = 0;
    int scrollDeltaY_ = 0;
    QTimer autoScrollTimer_;
    TBufferCoord dragHoverSavedCaret_;
    bool dragHovering_ = false;
};
