#pragma once

#include <QComboBox>

// A drop-down whose entries are commands rather than a setting: only a choice made in the open
// list (a click, or Enter) is one. Arrow keys, type-ahead and the wheel over the closed box
// change nothing, so that moving through a tool bar never runs a command by the way; the open
// list is reached with the mouse, F4 or Alt+Down.
class TDropDownPicker : public QComboBox {
    Q_OBJECT

public:
    explicit TDropDownPicker(QWidget* parent = nullptr);

signals:
    // The entry at Index was chosen in the open list.
    void Chosen(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
