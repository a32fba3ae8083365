#include "common/TDropDownPicker.h"

#include <QKeyEvent>
#include <QWheelEvent>

TDropDownPicker::TDropDownPicker(QWidget* parent) : QComboBox(parent) {
    // The closed box passes on every way of changing it but its list, so each activation left
    // comes from the list.
    connect(this, &QComboBox::activated, this, &TDropDownPicker::Chosen);
}

void TDropDownPicker::keyPressEvent(QKeyEvent* event) {
    const bool opens = event->key() == Qt::Key_F4 ||
                       ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) &&
                        event->modifiers().testFlag(Qt::AltModifier)) ||
                       event->key() == Qt::Key_Space;
    if (opens)
        return showPopup();
    event->ignore(); // Tab, Escape and the rest go on to the window
}

void TDropDownPicker::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
