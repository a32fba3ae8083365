// Mouse handling of the editor view: positions under the pointer, clicks, drag selection with
// automatic scrolling, double-click word selection, the right button, and drag-and-drop of
// text between and inside editors.

#include "editor/TGlyphEditView.h"

#include "common/AppHelpers.h"
#include "editor/TGlyphEditScopes.h"
#include "editor/TGlyphEditViewDrop.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {

// Set by a drop that an editor of this process carried out itself, so that the source does
// not remove the moved text a second time when its drag ends.
bool dropHandledInProcess = false;

} // namespace

QList<TGlyphEditView*>& TGlyphEditView::LiveViews() {
    static QList<TGlyphEditView*> views;
    return views;
}

TGlyphEditView* TGlyphEditView::SourceViewOf(const QMimeData* data) {
    if (!data || !data->hasFormat(QLatin1String(DragMimeType)))
        return nullptr;
    const std::optional<TGlyphDragBlock> block =
        DecodeGlyphDragBlock(data->data(QLatin1String(DragMimeType)));
    if (!block || block->ProcessId != QCoreApplication::applicationPid())
        return nullptr;
    for (TGlyphEditView* view : LiveViews()) {
        if (reinterpret_cast<quintptr>(view) == block->SourceId)
            return view;
    }
    return nullptr;
}

// ---- Positions ----

int TGlyphEditView::ColumnFromPixel(int x) const {
    // Halves round away from zero: a click on the right half of a character puts the caret
    // after it.
    const double cells = static_cast<double>(x - gutterExtent_ - 2) / cellWidth_;
    return static_cast<int>(std::lround(cells)) + edit_.LeftChar();
}

TBufferCoord TGlyphEditView::PositionFromPixel(QPoint point) const {
    const int column = std::max(ColumnFromPixel(point.x()), 1);
    const int y = std::min(point.y(), std::max(visibleRows_ * rowHeight_ - 1, 0));
    const int line =
        std::clamp(y / rowHeight_ + edit_.TopLine(), 1, std::max(edit_.LineCount(), 1));
    return {edit_.CharIndexOfColumn(line, column), line};
}

QPoint TGlyphEditView::PixelFromPosition(TBufferCoord position) const {
    return {(edit_.DisplayColumn(position) - 1) * cellWidth_ + TextOrigin(),
            (position.Y - edit_.TopLine()) * rowHeight_};
}

bool TGlyphEditView::IsPointInSelection(TBufferCoord p) const {
    return GlyphEditPointInSelection(edit_, p);
}

// ---- Double-click ----

bool TGlyphEditView::IsWordCharForSelection(QChar c) const {
    if (highlighter_)
        return highlighter_->WordChars().Contains(c);
    return c.isLetterOrNumber() || c == u'_';
}

void TGlyphEditView::SelectWordAt(TBufferCoord position) {
    if (edit_.Options() & eoNoSelection || edit_.LineCount() == 0)
        return;
    const int y = std::clamp(position.Y, 1, edit_.LineCount());
    const QString line = edit_.LineText(y);
    const int length = static_cast<int>(line.size());
    if (length == 0)
        return;
    // A position after the line's end stands for its last character.
    int i = std::min(std::clamp(position.X, 1, TCustomGlyphEdit::MaxLeftChar), length) - 1;
    if (!IsWordCharForSelection(line.at(i))) {
        int j = i - 1;
        while (j >= 0 && !IsWordCharForSelection(line.at(j)))
            --j;
        if (j < 0) {
            j = i + 1;
            while (j < length && !IsWordCharForSelection(line.at(j)))
                ++j;
            if (j >= length)
                return;
        }
        i = j;
    }
    int start = i;
    while (start > 0 && IsWordCharForSelection(line.at(start - 1)))
        --start;
    int end = i + 1;
    while (end < length && IsWordCharForSelection(line.at(end)))
        ++end;
    TGlyphEditPaintLock lock(edit_);
    edit_.SetSelectionAnchor({start + 1, y});
    edit_.SetSelectionActiveEnd({end + 1, y});
    edit_.SetCaretXY({end + 1, y});
    InvalidateLines(y, y);
}

// ---- Buttons ----

void TGlyphEditView::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    const bool rightMoves = edit_.Options() & eoRightMouseMovesCursor;
    lastMousePoint_ = point;
    lastMouseModifiers_ = event->modifiers();
    autoScrollTimer_.stop();
    scrollDeltaX_ = scrollDeltaY_ = 0;
    TGlyphEditPaintLock lock(edit_);

    // A right click outside the selection drops it before the caret moves there.
    if (button == Qt::RightButton && rightMoves && edit_.HasSelection() &&
        !IsPointInSelection(PositionFromPixel(point))) {
        edit_.SetSelectionAnchor(edit_.CaretXY());
        viewport()->update();
    }
    // Any other button inside a selection keeps it and the caret.
    if (button != Qt::LeftButton && edit_.HasSelection())
        return;

    const bool hadSelection = edit_.HasSelection();
    const TBufferCoord anchorBefore = edit_.SelectionAnchor();
    if (button == Qt::LeftButton) {
        mouseDownPoint_ = point;
        leftButtonDown_ = true;
    }
    if (button == Qt::LeftButton || (button == Qt::RightButton && rightMoves))
        edit_.SetCaretXY(PositionFromPixel(point));
    if (button == Qt::LeftButton) {
        dragPending_ = hadSelection && (edit_.Options() & eoDragDropEditing) &&
                       point.x() >= gutterExtent_ + 2 && edit_.SelectionMode() == smNormal &&
                       IsPointInSelection(edit_.CaretXY());
        if (!dragPending_)
            edit_.RunCommand(ecGotoXY, QChar(), QPoint(edit_.CaretX(), edit_.CaretY()));
    }
    if (!dragPending_ && !doubleClickSelecting_) {
        if (event->modifiers() & Qt::ShiftModifier) {
            edit_.SetSelectionAnchor(anchorBefore);
            edit_.SetSelectionActiveEnd(edit_.CaretXY());
        } else {
            edit_.SetSelectionAnchor(edit_.CaretXY());
            if (edit_.Options() & eoAltSetsColumnMode && edit_.SelectionMode() != smLine)
                edit_.SetSelectionMode(event->modifiers() & Qt::AltModifier ? smColumn : smNormal);
        }
    }
    if (button == Qt::LeftButton && point.x() < gutterExtent_)
        gutterClickPending_ = true;
    setFocus(Qt::MouseFocusReason);
}

void TGlyphEditView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    lastMousePoint_ = point;
    lastMouseModifiers_ = event->modifiers();
    UpdateMouseCursor(point);
    if (!leftButtonDown_ || !(event->buttons() & Qt::LeftButton))
        return;
    if (dragPending_) {
        const int distance = QApplication::startDragDistance();
        if (std::abs(point.x() - mouseDownPoint_.x()) > distance ||
            std::abs(point.y() - mouseDownPoint_.y()) > distance) {
            dragPending_ = false;
            StartDrag();
        }
        return;
    }
    if (doubleClickSelecting_)
        return;
    TGlyphEditPaintLock lock(edit_);
    TBufferCoord p = PositionFromPixel(point);
    const TBufferCoord caret = edit_.CaretXY();
    if (point.x() < gutterExtent_ + 2 || point.x() >= viewport()->width())
        p.X = caret.X;
    if (point.y() < 0 || point.y() >= viewport()->height())
        p.Y = caret.Y;
    edit_.SetCaretXY(p);
    edit_.SetSelectionActiveEnd(edit_.CaretXY());
    ComputeAutoScroll(point);
}

void TGlyphEditView::mouseReleaseEvent(QMouseEvent* event) {
    autoScrollTimer_.stop();
    scrollDeltaX_ = scrollDeltaY_ = 0;
    // The right button's release belongs to the context menu.
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    leftButtonDown_ = false;
    if (gutterClickPending_ && point.x() < gutterExtent_ && OnGutterClick)
        OnGutterClick(this, point.x(), point.y(), PositionFromPixel(point).Y);
    if (dragPending_) {
        // A click inside the selection that never became a drag.
        TGlyphEditPaintLock lock(edit_);
        edit_.SetCaretXY(PositionFromPixel(point));
        edit_.SetSelectionAnchor(edit_.CaretXY());
    }
    dragPending_ = false;
    doubleClickSelecting_ = false;
    gutterClickPending_ = false;
}

void TGlyphEditView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    // The first click already placed the caret; the word is taken there.
    leftButtonDown_ = true;
    const QPoint point = event->position().toPoint();
    if (point.x() < gutterExtent_ + 2 || edit_.Options() & eoNoSelection)
        return;
    SelectWordAt(edit_.CaretXY());
    doubleClickSelecting_ = true;
}

void TGlyphEditView::UpdateMouseCursor(QPoint point) {
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (point.x() < gutterExtent_)
        shape = gutter_.Cursor();
    else if (edit_.Options() & eoDragDropEditing && IsPointInSelection(PositionFromPixel(point)))
        shape = Qt::ArrowCursor;
    if (viewport()->cursor().shape() != shape)
        viewport()->setCursor(shape);
}

// ---- Automatic scrolling ----

void TGlyphEditView::ComputeAutoScroll(QPoint point) {
    const int width = viewport()->width();
    const int height = viewport()->height();
    const int textLeft = gutterExtent_ + 2;
    scrollDeltaX_ = 0;
    if (point.x() >= width)
        scrollDeltaX_ = (point.x() - width) / cellWidth_ + 1;
    else if (point.x() < textLeft)
        scrollDeltaX_ = -((textLeft - point.x() - 1) / cellWidth_ + 1);
    scrollDeltaY_ = 0;
    if (point.y() >= height)
        scrollDeltaY_ = (point.y() - height) / rowHeight_ + 1;
    else if (point.y() < 0)
        scrollDeltaY_ = -((-point.y() - 1) / rowHeight_ + 1);
    if (scrollDeltaX_ == 0 && scrollDeltaY_ == 0)
        autoScrollTimer_.stop();
    else if (!autoScrollTimer_.isActive())
        autoScrollTimer_.start();
}

void TGlyphEditView::AutoScrollTick() {
    if (!leftButtonDown_ || (scrollDeltaX_ == 0 && scrollDeltaY_ == 0)) {
        autoScrollTimer_.stop();
        return;
    }
    TGlyphEditPaintLock lock(edit_);
    if (scrollDeltaX_ != 0) {
        SetFirstVisibleColumn(edit_.LeftChar() + scrollDeltaX_);
        int column = edit_.LeftChar();
        if (scrollDeltaX_ > 0)
            column += visibleColumns_;
        const int line = PositionFromPixel(lastMousePoint_).Y;
        edit_.SetCaretXYEx({edit_.CharIndexOfColumn(line, column), line}, false);
        edit_.SetSelectionActiveEnd(edit_.CaretXY());
    }
    if (scrollDeltaY_ != 0) {
        int step = scrollDeltaY_;
        if (lastMouseModifiers_ & Qt::ShiftModifier)
            step *= visibleRows_;
        SetFirstVisibleLine(edit_.TopLine() + step);
        int line = edit_.TopLine();
        if (scrollDeltaY_ > 0)
            line = std::min(line + std::max(visibleRows_, 1) - 1, edit_.LineCount());
        const int column = std::max(ColumnFromPixel(lastMousePoint_.x()), 1);
        edit_.SetCaretXYEx({edit_.CharIndexOfColumn(line, column), line}, false);
        edit_.SetSelectionActiveEnd(edit_.CaretXY());
    }
}

// ---- Drag-and-drop ----

QMimeData* TGlyphEditView::CreateDragMimeData() const {
    TGlyphDragBlock block;
    block.ProcessId = QCoreApplication::applicationPid();
    block.SourceId = reinterpret_cast<quintptr>(this);
    block.Mode = edit_.SelectionMode();
    block.Text = edit_.SelectedText();
    auto* data = new QMimeData;
    data->setData(QLatin1String(DragMimeType), EncodeGlyphDragBlock(block));
    return data;
}

void TGlyphEditView::StartDrag() {
    leftButtonDown_ = false;
    emit DragStarted();
    const TBufferCoord pressPoint = edit_.CaretXY();
    QPointer<TGlyphEditView> self(this);
    auto* drag = new QDrag(this);
    drag->setMimeData(CreateDragMimeData());
    dropHandledInProcess = false;
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (!self)
        return;
    if (action == Qt::MoveAction && !dropHandledInProcess) {
        // Moved into an editor of another process: the text leaves this one.
        if (!edit_.ReadOnly())
            edit_.SetSelectedText(QString());
    } else if (action == Qt::IgnoreAction) {
        edit_.SetCaretXY(pressPoint);
    }
}

Qt::DropAction TGlyphEditView::DropActionFor(const QMimeData* data,
                                             Qt::KeyboardModifiers modifiers) const {
    if (edit_.ReadOnly() || !data || !data->hasFormat(QLatin1String(DragMimeType)))
        return Qt::IgnoreAction;
    if (!DecodeGlyphDragBlock(data->data(QLatin1String(DragMimeType))))
        return Qt::IgnoreAction;
    // Inside one editor a drop moves unless Ctrl is held; from another it copies unless
    // Shift is held.
    if (SourceViewOf(data) == this)
        return modifiers & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction;
    return modifiers & Qt::ShiftModifier ? Qt::MoveAction : Qt::CopyAction;
}

void TGlyphEditView::dragEnterEvent(QDragEnterEvent* event) {
    const Qt::DropAction action = DropActionFor(event->mimeData(), event->modifiers());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    if (!dragHovering_) {
        dragHoverSavedCaret_ = edit_.CaretXY();
        dragHovering_ = true;
    }
    event->setDropAction(action);
    event->accept();
    edit_.SetCaretXY(PositionFromPixel(event->position().toPoint()));
}

void TGlyphEditView::dragMoveEvent(QDragMoveEvent* event) {
    const Qt::DropAction action = DropActionFor(event->mimeData(), event->modifiers());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    edit_.SetCaretXY(PositionFromPixel(event->position().toPoint()));
}

void TGlyphEditView::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
    if (dragHovering_) {
        dragHovering_ = false;
        edit_.SetCaretXY(dragHoverSavedCaret_);
    }
}

void TGlyphEditView::dropEvent(QDropEvent* event) {
    const bool wasHovering = dragHovering_;
    dragHovering_ = false;
    const Qt::DropAction action = DropActionFor(event->mimeData(), event->modifiers());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    const QByteArray bytes = event->mimeData()->data(QLatin1String(DragMimeType));
    const TBufferCoord p = PositionFromPixel(event->position().toPoint());
    bool dropped = false;
    ::RunCommand([&] {
        if (TGlyphEditView* source = SourceViewOf(event->mimeData())) {
            dropHandledInProcess = true;
            dropped = GlyphEditDropSelection(edit_, source->Edit(), p, action == Qt::MoveAction);
        } else if (const std::optional<TGlyphDragBlock> block = DecodeGlyphDragBlock(bytes)) {
            GlyphEditInsertDropped(edit_, block->Text, p, uckInsert);
            dropped = true;
        }
    });
    if (!dropped) {
        // A drop inside the dragged selection: everything stays as it was.
        if (wasHovering)
            edit_.SetCaretXY(dragHoverSavedCaret_);
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    setFocus(Qt::OtherFocusReason);
}
