#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QLabel;
class QObject;
class QStatusBar;
class QWidget;

// Message boxes captioned with the application title, shown through the prompt service.
void ShowInfo(const QString& text);                              // OK, information icon
bool AskYesNo(const QString& text);                              // Yes/No, question; true for Yes
QMessageBox::StandardButton AskYesNoCancel(const QString& text); // Yes/No/Cancel, warning
void ShowWarning(const QString& text);                           // OK, warning icon
void ShowErrorBox(const QString& text);                          // OK, critical icon

// Throws the generic error with Text; the command runner shows it and the command ends.
[[noreturn]] void RaiseError(const QString& text);

// Runs a command the user started. An EGlyphError (which the editor's errors derive from) or
// any other std::exception ends the command and is shown in the error box; anything else goes
// on. True when the command ended without error.
bool RunCommand(const std::function<void()>& command);
// How many commands are running now, those inside others included: a command that waits (a
// question, a Tidy run) lets events in while it runs.
int RunningCommands();
// Runs Later once no command runs, on Context's thread while Context lives.
void WhenNoCommandRuns(QObject* context, std::function<void()> later);

// The form's caption: the application title, followed by " - [" FileName "]" when FileName is
// not empty, and by " *" while the document has unsaved changes.
void SetFileCaption(QWidget* form, const QString& fileName, bool modified = false);

// A status bar with panels in the manner of the original program: each panel is a QLabel of a
// set width, in order; panel 0 takes the room the others leave (FitFirstStatusPanel).
QLabel* AddStatusPanel(QStatusBar* bar, int width);
int StatusPanelCount(const QStatusBar* bar);
QLabel* StatusPanel(const QStatusBar* bar, int index); // nullptr when there is no such panel

// Panel 0 gets the bar's width minus the widths of all other panels (never less than 0).
void FitFirstStatusPanel(QStatusBar* bar);
