#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

class QBoxLayout;
class QDockWidget;
class QMainWindow;

// A strip 3 pixels thick at the edge of a pane that faces the editor: dragging it resizes the
// pane's client, within its minimum and maximum size. It wraps the pane's client widget, which
// must be set before the slider is made.
class TTBToolWindowSlider : public QWidget {
    Q_OBJECT

public:
    static constexpr int Thickness = 3;

    TTBToolWindowSlider(QDockWidget* pane, QMainWindow* window);

    // Puts the strip along Edge of the pane's client.
    void SetEdge(Qt::Edge edge);
    Qt::Edge Edge() const { return edge_; }
    // The pane's client, the widget the slider sits beside.
    QWidget* Client() const { return client_; }

    // Resizes the client as a drag from Start to End would.
    void Drag(QPoint start, QPoint end);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool Vertical() const { return edge_ == Qt::TopEdge || edge_ == Qt::BottomEdge; }
    void Begin(QPoint start);
    void MoveTo(QPoint position);

    QDockWidget* pane_;
    QMainWindow* window_;
    QWidget* client_;
    QBoxLayout* layout_;
    Qt::Edge edge_ = Qt::TopEdge;
    QPoint start_;
    QSize clientStart_;
    QSize paneStart_;
};
