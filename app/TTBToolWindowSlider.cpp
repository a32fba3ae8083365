#include "app/TTBToolWindowSlider.h"

#include <QDockWidget>
#include <QGridLayout>
#include <QMainWindow>
#include <QMouseEvent>

namespace {
int Clamp(int value, int minimum, int maximum) {
    value = std::max(value, minimum);
    return maximum > minimum ? std::min(value, maximum) : value;
}
} // namespace

QSize SliderDragSize(TSliderEdge edge, QPoint start, QPoint now, QSize size, QSize minimum,
                     QSize maximum) {
    switch (edge) {
    case TSliderEdge::Top:
        size.setHeight(size.height() + start.y() - now.y());
        break;
    case TSliderEdge::Bottom:
        size.setHeight(size.height() + now.y() - start.y());
        break;
    case TSliderEdge::Left:
        size.setWidth(size.width() + start.x() - now.x());
        break;
    case TSliderEdge::Right:
        size.setWidth(size.width() + now.x() - start.x());
        break;
    }
    return {Clamp(size.width(), minimum.width(), maximum.width()),
            Clamp(size.height(), minimum.height(), maximum.height())};
}

TTBToolWindowSlider::TTBToolWindowSlider(QMainWindow& window, QDockWidget& pane, QWidget& client,
                                         QGridLayout& layout)
    : QWidget(&client), window_(window), pane_(pane), client_(client), layout_(layout) {
    setObjectName("TBToolWindowSlider");
    hide();
}

void TTBToolWindowSlider::SetEdge(std::optional<TSliderEdge> edge) {
    edge_ = edge;
    layout_.removeWidget(this);
    if (!edge) {
        hide();
        return;
    }
    const bool across = *edge == TSliderEdge::Top || *edge == TSliderEdge::Bottom;
    if (across) {
        setFixedSize(QWIDGETSIZE_MAX, Thickness);
        setMinimumWidth(0);
        setCursor(Qt::SizeVerCursor);
    } else {
        setFixedSize(Thickness, QWIDGETSIZE_MAX);
        setMinimumHeight(0);
        setCursor(Qt::SizeHorCursor);
    }
    // The content sits in the middle cell; the slider takes the cell beside it.
    switch (*edge) {
    case TSliderEdge::Top:
        layout_.addWidget(this, 0, 1);
        break;
    case TSliderEdge::Bottom:
        layout_.addWidget(this, 2, 1);
        break;
    case TSliderEdge::Left:
        layout_.addWidget(this, 1, 0);
        break;
    case TSliderEdge::Right:
        layout_.addWidget(this, 1, 2);
        break;
    }
    show();
}

void TTBToolWindowSlider::mousePressEvent(QMouseEvent* event) {
    start_ = event->globalPosition().toPoint();
    startSize_ = client_.size();
}

void TTBToolWindowSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!edge_ || !(event->buttons() & Qt::LeftButton))
        return;
    ApplyClientSize(SliderDragSize(*edge_, start_, event->globalPosition().toPoint(), startSize_,
                                   client_.minimumSize(), client_.maximumSize()));
}

void TTBToolWindowSlider::ApplyClientSize(QSize size) {
    // The dock is sized as a whole: what lies around the client (frame, title) stays as it is.
    const bool across = *edge_ == TSliderEdge::Top || *edge_ == TSliderEdge::Bottom;
    if (across)
        window_.resizeDocks({&pane_}, {pane_.height() + size.height() - client_.height()},
                            Qt::Vertical);
    else
        window_.resizeDocks({&pane_}, {pane_.width() + size.width() - client_.width()},
                            Qt::Horizontal);
    window_.repaint();
}

void AlignSliderToDock(QMainWindow& window, QDockWidget& pane, TTBToolWindowSlider& slider) {
    if (pane.isFloating()) {
        slider.SetEdge(std::nullopt);
        return;
    }
    switch (window.dockWidgetArea(&pane)) {
    case Qt::TopDockWidgetArea:
        slider.SetEdge(TSliderEdge::Bottom);
        break;
    case Qt::BottomDockWidgetArea:
        slider.SetEdge(TSliderEdge::Top);
        break;
    case Qt::LeftDockWidgetArea:
        slider.SetEdge(TSliderEdge::Right);
        break;
    case Qt::RightDockWidgetArea:
        slider.SetEdge(TSliderEdge::Left);
        break;
    default:
        slider.SetEdge(std::nullopt);
        break;
    }
}
