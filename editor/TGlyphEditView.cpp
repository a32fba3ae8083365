// The editor view: settings, metrics and layout, scrolling (scroll bars, hint, wheel), keys and
// focus. Painting is in TGlyphEditViewPaint.cpp, mouse and drag-and-drop in
// TGlyphEditViewMouse.cpp.

#include "editor/TGlyphEditView.h"

#include "common/AppHelpers.h"
#include "editor/TGlyphEditScopes.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The one hint window all editors share; it belongs to the editor that showed it first and
// is made again when that one is gone.
QPointer<QLabel>& SharedScrollHint() {
    static QPointer<QLabel> hint;
    return hint;
}

// a * b / c with 64-bit intermediate, rounded to nearest.
int MulDiv(int a, int b, int c) {
    if (c == 0)
        return 0;
    return static_cast<int>(std::llround(static_cast<double>(a) * b / c));
}

} // namespace

QFont TGlyphEditView::DefaultFont() {
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

TGlyphEditView::TGlyphEditView(TCustomGlyphEdit& edit, QWidget* parent)
    : TGlyphEditView(edit, DefaultFont(), parent) {}

TGlyphEditView::TGlyphEditView(TCustomGlyphEdit& edit, const QFont& font, QWidget* parent)
    : QAbstractScrollArea(parent), edit_(edit) {
    setFont(font);

    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetBorderStyle(bsSingle);

    edit_.OnInvalidateLines = [this](int first, int last) { InvalidateLines(first, last); };
    edit_.OnScrollBarsChanged = [this] { ModelScrolled(); };
    edit_.OnCaretChanged = [this] { ModelCaretMoved(); };
    gutter_.OnChange = [this] { UpdateGutterExtent(); };

    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { VerticalAction(action); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { HorizontalAction(action); });
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] { ShowScrollHint(); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
        HideScrollHint();
        UpdateScrollBars();
    });

    caretTimer_.setInterval(std::max(QApplication::cursorFlashTime() / 2, 1));
    // A flash time of 0 means a caret that does not blink.
    caretBlinks_ = QApplication::cursorFlashTime() > 0;
    connect(&caretTimer_, &QTimer::timeout, this, [this] { BlinkCaret(); });
    autoScrollTimer_.setInterval(AutoScrollInterval);
    connect(&autoScrollTimer_, &QTimer::timeout, this, [this] { AutoScrollTick(); });

    paintedTopLine_ = edit_.TopLine();
    lastInsertMode_ = edit_.InsertMode();
    LiveViews().append(this);
    RecomputeMetrics();
}

TGlyphEditView::~TGlyphEditView() {
    LiveViews().removeAll(this);
    if (highlighter_)
        highlighter_->UnhookAttributeChange(this);
    edit_.OnInvalidateLines = nullptr;
    edit_.OnScrollBarsChanged = nullptr;
    edit_.OnCaretChanged = nullptr;
}

void TGlyphEditView::SetHighlighter(TGlyphCustomHighlighter* highlighter) {
    if (highlighter == highlighter_)
        return;
    if (highlighter_)
        highlighter_->UnhookAttributeChange(this);
    highlighter_ = highlighter;
    if (highlighter_)
        highlighter_->HookAttributeChange(this, [this] { viewport()->update(); });
    viewport()->update();
}

// ---- Settings ----

void TGlyphEditView::SetColor(TGlyphColor value) {
    if (value == color_)
        return;
    color_ = value;
    viewport()->update();
}

void TGlyphEditView::SetFontColor(TGlyphColor value) {
    if (value == fontColor_)
        return;
    fontColor_ = value;
    viewport()->update();
}

void TGlyphEditView::SetExtraLineSpacing(int value) {
    if (value == extraLineSpacing_)
        return;
    extraLineSpacing_ = value;
    RecomputeMetrics();
}

void TGlyphEditView::SetRightEdge(int value) {
    if (value == rightEdge_)
        return;
    rightEdge_ = std::max(value, 0);
    viewport()->update();
}

void TGlyphEditView::SetRightEdgeColor(TGlyphColor value) {
    if (value == rightEdgeColor_)
        return;
    rightEdgeColor_ = value;
    viewport()->update();
}

void TGlyphEditView::SetSelectedColor(const TGlyphSelectedColor& value) {
    if (value == selectedColor_)
        return;
    selectedColor_ = value;
    if (edit_.HasSelection())
        viewport()->update();
}

void TGlyphEditView::SetInsertCaret(TGlyphEditCaretType value) {
    insertCaret_ = value;
    UpdateCaret();
}

void TGlyphEditView::SetOverwriteCaret(TGlyphEditCaretType value) {
    overwriteCaret_ = value;
    UpdateCaret();
}

void TGlyphEditView::SetScrollBars(TGlyphScrollStyle value) {
    scrollBars_ = value;
    const bool horizontal = value == ssHorizontal || value == ssBoth;
    const bool vertical = value == ssVertical || value == ssBoth;
    // Bars that exist never hide; one with nothing to scroll is shown disabled.
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TGlyphEditView::SetHideSelection(bool value) {
    if (value == hideSelection_)
        return;
    hideSelection_ = value;
    if (edit_.HasSelection())
        viewport()->update();
}

void TGlyphEditView::SetBorderStyle(TGlyphBorderStyle value) {
    borderStyle_ = value;
    if (value == bsNone)
        setFrameStyle(QFrame::NoFrame);
    else
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

void TGlyphEditView::SetBookMarkOptions(const TGlyphBookMarkOpt& value) {
    bookMarkOptions_ = value;
    edit_.SetBookmarkKeysEnabled(value.EnableKeys);
    viewport()->update(QRect(0, 0, gutterExtent_, viewport()->height()));
}

// ---- Metrics and layout ----

int TGlyphEditView::TextOrigin() const {
    return gutterExtent_ + 2 - (edit_.LeftChar() - 1) * cellWidth_;
}

void TGlyphEditView::RecomputeMetrics() {
    const QFontMetrics metrics(font());
    cellWidth_ = std::max(metrics.horizontalAdvance(QLatin1Char('M')), 1);
    rowHeight_ = std::max(metrics.height() + extraLineSpacing_, 1);
    ascent_ = metrics.ascent();
    ForgetStyledFonts();
    const int extent = gutter_.Extent(cellWidth_, edit_.LineCount());
    gutterExtent_ = extent;
    UpdateLayout();
    viewport()->update();
    UpdateCaret(); // the caret's size follows the cell
}

void TGlyphEditView::UpdateGutterExtent() {
    const int extent = gutter_.Extent(cellWidth_, edit_.LineCount());
    if (extent != gutterExtent_) {
        gutterExtent_ = extent;
        UpdateLayout();
    }
    viewport()->update();
}

void TGlyphEditView::UpdateLayout() {
    const QSize size = viewport()->size();
    visibleRows_ = std::max(size.height() / rowHeight_, 0);
    visibleColumns_ = std::max((size.width() - gutterExtent_ - 2) / cellWidth_, 0);
    edit_.SetLinesInWindow(visibleRows_);
    edit_.SetCharsInWindow(visibleColumns_);
    UpdateScrollBars();
    // The limits of the first line and column depend on the window; setting them again
    // applies them.
    if (!(edit_.Options() & eoScrollPastEol))
        SetFirstVisibleColumn(edit_.LeftChar());
    if (!(edit_.Options() & eoScrollPastEof))
        SetFirstVisibleLine(edit_.TopLine());
}

void TGlyphEditView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateLayout();
}

void TGlyphEditView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        RecomputeMetrics();
    else if (event->type() == QEvent::PaletteChange)
        viewport()->update();
}

// The line count changes line by line while a file loads; the checks that depend on it run
// once the burst is over.
void TGlyphEditView::ScheduleLineCountCheck() {
    if (lineCountCheckQueued_)
        return;
    lineCountCheckQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            lineCountCheckQueued_ = false;
            CheckLineCount();
        },
        Qt::QueuedConnection);
}

void TGlyphEditView::CheckLineCount() {
    if (edit_.PaintLock() > 0) {
        ScheduleLineCountCheck();
        return;
    }
    const int count = edit_.LineCount();
    const bool countChanged = count != knownLineCount_;
    knownLineCount_ = count;
    if (countChanged && gutter_.ShowLineNumbers() && gutter_.AutoSize())
        UpdateGutterExtent();
    UpdateScrollBars();
}

// ---- Model hooks ----

void TGlyphEditView::ModelScrolled() {
    const int top = edit_.TopLine();
    if (top != paintedTopLine_ && fullRepaintSkipped_) {
        fullRepaintSkipped_ = false;
        const int delta = top - paintedTopLine_;
        if (std::abs(delta) < visibleRows_) {
            // Fewer rows than a page: the pixels move and only the uncovered rows are painted.
            const int dy = -delta * rowHeight_;
            viewport()->scroll(0, dy);
            paintedCaretRect_.translate(0, dy);
        } else {
            viewport()->update();
        }
    }
    fullRepaintSkipped_ = false;
    paintedTopLine_ = top;
    UpdateScrollBars();
    UpdateCaret();
}

void TGlyphEditView::ModelCaretMoved() {
    UpdateCaret();
}

// ---- Scrolling ----

void TGlyphEditView::SetFirstVisibleLine(int line) {
    // The model asks to repaint everything when its top line changes; for a move of less than
    // a page the view moves the pixels instead (ModelScrolled).
    pixelScrolling_ = true;
    edit_.SetTopLine(line);
    pixelScrolling_ = false;
}

void TGlyphEditView::SetFirstVisibleColumn(int column) {
    edit_.SetLeftChar(column);
}

int TGlyphEditView::VerticalExtent() const {
    const int count = edit_.LineCount();
    return edit_.Options() & eoScrollPastEof ? count + visibleRows_ - 1 : count;
}

int TGlyphEditView::MaxScrollColumn() const {
    if (edit_.Options() & eoScrollPastEol)
        return TCustomGlyphEdit::MaxLeftChar;
    return edit_.Lines().LongestLineLength();
}

int TGlyphEditView::LineFromScrollPosition(int position) const {
    const int n = VerticalExtent();
    if (n <= ScrollRangeLimit)
        return position;
    return MulDiv(position, n, ScrollRangeLimit);
}

int TGlyphEditView::ScrollPositionOfLine(int line) const {
    const int n = VerticalExtent();
    if (n <= ScrollRangeLimit)
        return line;
    return MulDiv(line, ScrollRangeLimit, n);
}

void TGlyphEditView::UpdateScrollBars() {
    if (edit_.PaintLock() > 0) {
        ScheduleLineCountCheck(); // done once the lock is released
        return;
    }

    // Vertical: the platform's bar runs its value from the minimum to maximum - page + 1.
    QScrollBar* vbar = verticalScrollBar();
    const int n = VerticalExtent();
    int minimum = 1;
    int maximum = std::max(1, n);
    int page = visibleRows_;
    if (n > ScrollRangeLimit) {
        minimum = 0;
        maximum = ScrollRangeLimit;
        page = MulDiv(visibleRows_, ScrollRangeLimit, n);
    }
    vbar->setSingleStep(1);
    vbar->setPageStep(std::max(page, 1));
    vbar->setRange(minimum, std::max(minimum, maximum - page + 1));
    if (!vbar->isSliderDown())
        vbar->setValue(ScrollPositionOfLine(edit_.TopLine()));
    vbar->setEnabled(maximum - minimum + 1 > page);

    QScrollBar* hbar = horizontalScrollBar();
    const int columns = std::max(1, MaxScrollColumn());
    hbar->setSingleStep(1);
    hbar->setPageStep(std::max(visibleColumns_, 1));
    hbar->setRange(1, std::max(1, columns - visibleColumns_ + 1));
    if (!hbar->isSliderDown())
        hbar->setValue(edit_.LeftChar());
    hbar->setEnabled(columns > visibleColumns_);
}

// Scroll-bar values are set from the model only; the bars' own scrolling is replaced by the
// actions below.
void TGlyphEditView::scrollContentsBy(int, int) {}

int TGlyphEditView::PageRows() const {
    return visibleRows_ - (edit_.Options() & eoScrollByOneLess ? 1 : 0);
}

int TGlyphEditView::PageColumns() const {
    return visibleColumns_ - (edit_.Options() & eoScrollByOneLess ? 1 : 0);
}

void TGlyphEditView::VerticalAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    const int top = edit_.TopLine();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        SetFirstVisibleLine(top + 1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        SetFirstVisibleLine(top - 1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        SetFirstVisibleLine(top + PageRows());
        break;
    case QAbstractSlider::SliderPageStepSub:
        SetFirstVisibleLine(top - PageRows());
        break;
    case QAbstractSlider::SliderToMinimum:
        SetFirstVisibleLine(1);
        break;
    case QAbstractSlider::SliderToMaximum:
        SetFirstVisibleLine(edit_.LineCount());
        break;
    case QAbstractSlider::SliderMove:
        SetFirstVisibleLine(LineFromScrollPosition(bar->sliderPosition()));
        if (bar->isSliderDown())
            ShowScrollHint();
        break;
    default:
        return;
    }
    // The bar applies its own idea of the position after this signal; it gets the model's.
    if (!bar->isSliderDown())
        bar->setSliderPosition(ScrollPositionOfLine(edit_.TopLine()));
}

void TGlyphEditView::HorizontalAction(int action) {
    QScrollBar* bar = horizontalScrollBar();
    const int left = edit_.LeftChar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        SetFirstVisibleColumn(left + 1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        SetFirstVisibleColumn(left - 1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        SetFirstVisibleColumn(left + PageColumns());
        break;
    case QAbstractSlider::SliderPageStepSub:
        SetFirstVisibleColumn(left - PageColumns());
        break;
    case QAbstractSlider::SliderToMinimum:
        SetFirstVisibleColumn(1);
        break;
    case QAbstractSlider::SliderToMaximum:
        SetFirstVisibleColumn(TCustomGlyphEdit::MaxLeftChar);
        break;
    case QAbstractSlider::SliderMove:
        SetFirstVisibleColumn(bar->sliderPosition());
        break;
    default:
        return;
    }
    if (!bar->isSliderDown())
        bar->setSliderPosition(edit_.LeftChar());
}

// ---- Scroll hint ----

QLabel* TGlyphEditView::ScrollHintWindow() {
    return SharedScrollHint().data();
}

QString TGlyphEditView::ScrollHintText() const {
    const int top = edit_.TopLine();
    if (scrollHintFormat_ == shfTopToBottom) {
        const int below = std::max(edit_.LineCount() - top, 0);
        return QStringLiteral("%1 - %2").arg(top).arg(top + std::min(visibleRows_, below));
    }
    return QStringLiteral("Top Line: %1").arg(top);
}

void TGlyphEditView::ShowScrollHint() {
    if (!(edit_.Options() & eoShowScrollHint))
        return;
    QPointer<QLabel>& hint = SharedScrollHint();
    if (!hint) {
        hint = new QLabel(window(), Qt::ToolTip | Qt::FramelessWindowHint);
        hint->setAutoFillBackground(true);
        hint->setAlignment(Qt::AlignCenter);
        hint->setObjectName(QStringLiteral("GlyphEditScrollHint"));
    }
    QPalette palette = hint->palette();
    const QColor back = ToQColor(scrollHintColor_);
    palette.setColor(QPalette::Window,
                     back.isValid() ? back : palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    hint->setPalette(palette);
    hint->setFont(QApplication::font());
    hint->setText(ScrollHintText());
    const QSize textSize = hint->fontMetrics().size(Qt::TextSingleLine, hint->text());
    hint->setFixedSize(textSize + QSize(6, 4));

    QPoint place(viewport()->width() - hint->width() - 4, 10);
    if (edit_.Options() & eoScrollHintFollows) {
        // Beside the thumb, left of the bar.
        QScrollBar* bar = verticalScrollBar();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                         QStyle::SC_ScrollBarSlider, bar);
        const QPoint thumbInView = viewport()->mapFromGlobal(bar->mapToGlobal(thumb.topLeft()));
        place = QPoint(viewport()->width() - hint->width() - 4, thumbInView.y());
    }
    hint->move(viewport()->mapToGlobal(place));
    hint->show();
}

void TGlyphEditView::HideScrollHint() {
    if (QLabel* hint = SharedScrollHint().data())
        hint->hide();
}

// ---- Wheel ----

void TGlyphEditView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    int step = WheelStepLines;
    if (event->modifiers() & Qt::ControlModifier)
        step = edit_.Options() & eoHalfPageScroll ? visibleRows_ / 2 : visibleRows_;
    step = std::min(step, visibleRows_);
    wheelRemainder_ += delta;
    const int steps = wheelRemainder_ / WheelDeltaPerStep;
    wheelRemainder_ -= steps * WheelDeltaPerStep;
    if (steps != 0 && step > 0)
        SetFirstVisibleLine(edit_.TopLine() - steps * step);
    event->accept();
}

// ---- Keys and focus ----

bool TGlyphEditView::event(QEvent* event) {
    // With WantTabs the Tab keys are typed into the text instead of moving the focus.
    if (event->type() == QEvent::KeyPress && edit_.WantTabs()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TGlyphEditView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const bool handled = QAbstractScrollArea::viewportEvent(event);
        UpdateLayout();
        return handled;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TGlyphEditView::keyPressEvent(QKeyEvent* event) {
    // A failing command (the clipboard refusing a copy) is shown and ends there; no error
    // leaves the event handler.
    bool used = false;
    const bool succeeded = ::RunCommand([&] { used = edit_.HandleKeyEvent(*event); });
    if (used || !succeeded)
        event->accept();
    else
        event->ignore();
    if (edit_.InsertMode() != lastInsertMode_) {
        // The caret takes the other shape.
        lastInsertMode_ = edit_.InsertMode();
        UpdateCaret();
    }
}

void TGlyphEditView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    caretBlinkOn_ = true;
    if (caretBlinks_)
        caretTimer_.start();
    UpdateCaret();
    if (hideSelection_ && edit_.HasSelection())
        viewport()->update();
}

void TGlyphEditView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    caretTimer_.stop();
    UpdateCaret();
    if (hideSelection_ && edit_.HasSelection())
        viewport()->update();
}
