#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

class QColorDialog;
class QDialog;
class QFileDialog;
class QFontDialog;

// What a file dialog was set up with, so that a replacement service can see it without reading
// the dialog widget.
struct TFileDialogRequest {
    bool Save = false;
    QString Folder;      // initial folder; empty leaves the dialog's own
    QString FileName;    // initial name part
    QStringList Filters; // Qt name filters, "Description (*.a *.b)"
    QString DefaultExt;  // without the dot
    QString Caption;     // what the dialog is for; "Open" or "Save As" when not given
};

// Every question the program puts to the user goes through this service, so that tests can
// answer it (DESIGN: Testing). The default service shows Qt's dialogs; InstallPrompts puts
// another in its place.
class TPrompts {
public:
    virtual ~TPrompts() = default;

    virtual QMessageBox::StandardButton MessageBox(const QString& caption, const QString& text,
                                                   QMessageBox::Icon icon,
                                                   QMessageBox::StandardButtons buttons) = 0;
    // A message box whose buttons carry the given labels, for choices that Yes/No/Cancel would
    // name badly; the answer is the standard button behind the label chosen. A service that
    // shows no labels answers as MessageBox does.
    virtual QMessageBox::StandardButton
    LabelledMessageBox(const QString& caption, const QString& text, QMessageBox::Icon icon,
                       const QList<QPair<QMessageBox::StandardButton, QString>>& labels);
    // The text entered, or nothing when the box was cancelled.
    virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText) = 0;
    // Runs a shared file dialog already set up as Request describes; the chosen path or nothing.
    virtual std::optional<QString> ChooseFile(QFileDialog& dialog,
                                              const TFileDialogRequest& request) = 0;
    // Runs a shared font dialog holding the current font; the chosen font or nothing.
    virtual std::optional<QFont> ChooseFont(QFontDialog& dialog) = 0;
    // Runs a shared colour dialog holding the current colour; the chosen colour or nothing.
    virtual std::optional<QColor> ChooseColor(QColorDialog& dialog) = 0;
    // Runs a modal dialog of the program (colours, print, page setup, print preview) that is
    // set up and filled; the result it closed with (QDialog::Accepted or Rejected).
    virtual int RunDialog(QDialog& dialog) = 0;
};

// The service in force: the installed one, else Qt's dialogs.
TPrompts& Prompts();

// A folder asked for through the prompt service, the dialog starting at Start; none when cancelled.
std::optional<QString> ChooseFolder(QWidget* parent, const QString& start);

// Puts Service in force (nullptr restores Qt's dialogs) and returns the one it replaces. The
// caller keeps ownership.
TPrompts* InstallPrompts(TPrompts* service);
