#include "app/TTBToolWindowSlider.h"

#include <QBoxLayout>
#include <QDockWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <algorithm>

TTBToolWindowSlider::TTBToolWindowSlider(QDockWidget* pane, QMainWindow* window)
    : pane_(pane), window_(window), client_(pane->widget()) {
    auto* frame = new QWidget(pane);
    layout_ = new QBoxLayout(QBoxLayout::TopToBottom, frame);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    setParent(frame);
    layout_->addWidget(this);
    layout_->addWidget(client_, 1);
    pane->setWidget(frame);
    SetEdge(Qt::TopEdge);
}

void TTBToolWindowSlider::SetEdge(Qt::Edge edge) {
    edge_ = edge;
    const bool vertical = Vertical();
    setCursor(vertical ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    setMinimumSize(vertical ? 0 : Thickness, vertical ? Thickness : 0);
    setMaximumSize(vertical ? QWIDGETSIZE_MAX : Thickness, vertical ? Thickness : QWIDGETSIZE_MAX);
    const bool sliderFirst = edge == Qt::TopEdge || edge == Qt::LeftEdge;
    layout_->setDirection(vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    layout_->removeWidget(this);
    layout_->insertWidget(sliderFirst ? 0 : 1, this);
}

void TTBToolWindowSlider::mousePressEvent(QMouseEvent* event) {
    Begin(event->globalPosition().toPoint());
}

void TTBToolWindowSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        MoveTo(event->globalPosition().toPoint());
}

void TTBToolWindowSlider::Drag(QPoint start, QPoint end) {
    Begin(start);
    MoveTo(end);
}

void TTBToolWindowSlider::Begin(QPoint start) {
    start_ = start;
    clientStart_ = client_->size();
    paneStart_ = pane_->size();
}

void TTBToolWindowSlider::MoveTo(QPoint position) {
    const QPoint delta = position - start_;
    int size = 0;
    switch (edge_) {
    case Qt::TopEdge:
        size = clientStart_.height() - delta.y();
        break;
    case Qt::BottomEdge:
        size = clientStart_.height() + delta.y();
        break;
    case Qt::LeftEdge:
        size = clientStart_.width() - delta.x();
        break;
    case Qt::RightEdge:
        size = clientStart_.width() + delta.x();
        break;
    }
    const bool vertical = Vertical();
    const int minimum = vertical ? client_->minimumHeight() : client_->minimumWidth();
    const int maximum = vertical ? client_->maximumHeight() : client_->maximumWidth();
    size = std::max(size, minimum);
    if (maximum > minimum)
        size = std::min(size, maximum);
    // The pane grows by what its client grows; the dock's separator follows.
    const int pane = vertical ? paneStart_.height() + size - clientStart_.height()
                              : paneStart_.width() + size - clientStart_.width();
    window_->resizeDocks({pane_}, {pane}, vertical ? Qt::Vertical : Qt::Horizontal);
    window_->repaint();
}
