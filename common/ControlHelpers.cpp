#include "common/ControlHelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSignalBlocker>
#include <QWidget>

void SetEditEnabled(QWidget* edit, bool enabled) {
    edit->setEnabled(enabled);
    const QWidget* parent = edit->parentWidget();
    const QColor color = enabled || !parent ? QApplication::palette(edit).color(QPalette::Base)
                                            : parent->palette().color(QPalette::Window);
    QPalette palette = edit->palette();
    // Every colour group, since a disabled box paints with the Disabled group.
    palette.setColor(QPalette::Base, color);
    edit->setPalette(palette);
}

void ClickButton(QAbstractButton* button) {
    if (button->isEnabled() && button->isVisibleTo(button->window()))
        button->click();
}

void SetCheckedSilently(QAbstractButton* checkBox, bool checked) {
    const QSignalBlocker blocker(checkBox);
    checkBox->setChecked(checked);
}
