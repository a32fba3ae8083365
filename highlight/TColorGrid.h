#pragma once

#include "highlight/TGlyphHighlighterAttributes.h"

#include <QWidget>

// A 4 by 4 grid of the 16 basic colours with two selections: the foreground cell (left button,
// key F) marked "FG", the background cell (right button, key B) marked "BG", a cell that is both
// "FB". -1 selects no cell.
class TColorGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int CellCount = 16;

    explicit TColorGrid(QWidget* parent = nullptr);

    // The colour of a cell (0x00BBGGRR).
    static TGlyphColor CellColour(int cell);
    // The first cell showing the colour (a system colour by its present value); -1 for none and
    // for every colour not among the cells.
    static int ColourCell(TGlyphColor colour);

    int ForegroundIndex() const { return foregroundIndex_; }
    int BackgroundIndex() const { return backgroundIndex_; }
    // Setting an index to the value it has does nothing; a real change emits Change.
    void SetForegroundIndex(int index);
    void SetBackgroundIndex(int index);
    int FocusCell() const { return focusCell_; }

    QSize sizeHint() const override;

signals:
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int CellAt(QPoint point) const;
    QRect CellRect(int cell) const;
    void SelectWithButtons(Qt::MouseButtons buttons, QPoint point);

    int foregroundIndex_ = -1;
    int backgroundIndex_ = -1;
    int focusCell_ = 0;
};
