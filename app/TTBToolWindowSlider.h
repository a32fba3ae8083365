#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>
#include <optional>

class QDockWidget;
class QGridLayout;
class QMainWindow;

// The pane edge a slider lies along.
enum class TSliderEdge { Top, Bottom, Left, Right };

// The pane's client size after dragging its slider along Edge from Start to Now (screen
// positions), starting from Size: only the size across the edge changes. The result stays within
// Minimum and, when Maximum is larger than Minimum, within Maximum.
QSize SliderDragSize(TSliderEdge edge, QPoint start, QPoint now, QSize size, QSize minimum,
                     QSize maximum);

// A strip 3 pixels thick at the edge of a dockable pane that faces the editor; dragging it
// resizes the pane at once. The pane's client is the widget the slider is created in, which lays
// out its content in the middle cell of a 3 x 3 grid, so that the slider can take any edge.
class TTBToolWindowSlider : public QWidget {
    Q_OBJECT

public:
    static constexpr int Thickness = 3;

    TTBToolWindowSlider(QMainWindow& window, QDockWidget& pane, QWidget& client,
                        QGridLayout& layout);

    std::optional<TSliderEdge> Edge() const { return edge_; }
    // Moves the slider to Edge, or hides it without one.
    void SetEdge(std::optional<TSliderEdge> edge);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ApplyClientSize(QSize size);

    QMainWindow& window_;
    QDockWidget& pane_;
    QWidget& client_;
    QGridLayout& layout_;
    std::optional<TSliderEdge> edge_;
    QPoint start_;
    QSize startSize_;
};

// Places Slider for the dock its pane is in: visible only while the pane is docked, along the
// edge that faces the editor (bottom for the top dock, top for the bottom dock, right for the left
// dock, left for the right dock).
void AlignSliderToDock(QMainWindow& window, QDockWidget& pane, TTBToolWindowSlider& slider);
