#include "highlight/TColorGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

// Entries 0 to 7 and 12 to 19 of the 20-colour default system palette.
constexpr TGlyphColor CellColours[TColorGrid::CellCount] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

constexpr int Columns = 4;

} // namespace

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

TGlyphColor TColorGrid::CellColour(int cell) {
    return cell >= 0 && cell < CellCount ? CellColours[cell] : clNone;
}

int TColorGrid::ColourCell(TGlyphColor colour) {
    const TGlyphColor rgb = ColorToRGB(colour);
    if (rgb == clNone)
        return -1;
    for (int cell = 0; cell < CellCount; ++cell) {
        if (CellColours[cell] == rgb)
            return cell;
    }
    return -1;
}

void TColorGrid::SetForegroundIndex(int index) {
    if (index == foregroundIndex_)
        return;
    foregroundIndex_ = index;
    update();
    emit Change();
}

void TColorGrid::SetBackgroundIndex(int index) {
    if (index == backgroundIndex_)
        return;
    backgroundIndex_ = index;
    update();
    emit Change();
}

QSize TColorGrid::sizeHint() const {
    return {4 * 28, 4 * 28};
}

QRect TColorGrid::CellRect(int cell) const {
    const int w = width() / Columns;
    const int h = height() / Columns;
    return {(cell % Columns) * w, (cell / Columns) * h, w, h};
}

// Points outside the grid count as the edge cell nearest to them.
int TColorGrid::CellAt(QPoint point) const {
    const int column = std::clamp(point.x() * Columns / std::max(width(), 1), 0, Columns - 1);
    const int row = std::clamp(point.y() * Columns / std::max(height(), 1), 0, Columns - 1);
    return row * Columns + column;
}

void TColorGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int cell = 0; cell < CellCount; ++cell) {
        const QRect r = CellRect(cell).adjusted(1, 1, -1, -1);
        const QColor colour = ToQColor(CellColours[cell]);
        painter.fillRect(r, colour);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        const bool fg = cell == foregroundIndex_;
        const bool bg = cell == backgroundIndex_;
        if (fg || bg) {
            painter.setPen(qGray(colour.rgb()) > 128 ? Qt::black : Qt::white);
            painter.drawText(r, Qt::AlignCenter, fg && bg ? "FB" : (fg ? "FG" : "BG"));
        }
        if (cell == focusCell_ && hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = r.adjusted(2, 2, -2, -2);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void TColorGrid::SelectWithButtons(Qt::MouseButtons buttons, QPoint point) {
    const int cell = CellAt(point);
    if (buttons & (Qt::LeftButton | Qt::RightButton)) {
        focusCell_ = cell;
        update();
    }
    if (buttons & Qt::LeftButton)
        SetForegroundIndex(cell);
    if (buttons & Qt::RightButton)
        SetBackgroundIndex(cell);
}

void TColorGrid::mousePressEvent(QMouseEvent* event) {
    SelectWithButtons(event->button(), event->position().toPoint());
}

void TColorGrid::mouseMoveEvent(QMouseEvent* event) {
    SelectWithButtons(event->buttons(), event->position().toPoint());
}

void TColorGrid::keyPressEvent(QKeyEvent* event) {
    const int c = focusCell_;
    int next = c;
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Space:
        next = (c + 1) % CellCount;
        break;
    case Qt::Key_Left:
        next = (c + CellCount - 1) % CellCount;
        break;
    case Qt::Key_Up: // from the top row to the bottom row one column to the left
        next = c >= Columns ? c - Columns : (c == 0 ? CellCount - 1 : c + 11);
        break;
    case Qt::Key_Down: // from the bottom row to the top row one column to the right
        next = c < CellCount - Columns ? c + Columns : (c == CellCount - 1 ? 0 : c - 11);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = CellCount - 1;
        break;
    case Qt::Key_F:
        SetForegroundIndex(c);
        return;
    case Qt::Key_B:
        SetBackgroundIndex(c);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    focusCell_ = next;
    update();
}
