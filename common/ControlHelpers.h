#pragma once

class QAbstractButton;
class QWidget;

// Enables or disables an edit box; enabled it shows the base (window) colour, disabled the
// background colour of its parent, so a disabled box reads as part of the form.
void SetEditEnabled(QWidget* edit, bool enabled);

// Runs the button's click only if the button is enabled and visible (visible as far as its own
// window goes, so it also works while the window is being set up).
void ClickButton(QAbstractButton* button);

// Sets a check box without any of its signals firing, so no handler runs.
void SetCheckedSilently(QAbstractButton* checkBox, bool checked);
