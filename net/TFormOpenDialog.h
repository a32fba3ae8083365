#pragma once

#include "net/TPIDLHistory.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TFormOpenURL;
class TPTShellCombo;
class TPTShellList;

// The program's own open dialog ("Open"): browses folders with a back/forward history, filters
// by the caller's file types, refuses names that do not exist, and opens a URL through
// "Internet...". Created at start-up and reused; the history and the view style carry over.
//
// The main window's Open command:
//     FormOpenDialog->FileName = DocumentFileName;
//     FormOpenDialog->Filter = BuildFileFilter();
//     if (FormOpenDialog->ExecuteOpenDialog())
//         OpenDocument(FormOpenDialog->FileName, ...); // which passes it through DownloadURL
class TFormOpenDialog : public QDialog {
    Q_OBJECT

public:
    // OpenURL is the program's Open URL dialog, run by "Internet...".
    explicit TFormOpenDialog(TFormOpenURL& openURL, QWidget* parent = nullptr);

    // Shows the folder of FileName, offers the types of Filter and runs the dialog modally;
    // true when it closed with Open, and FileName then names an existing file.
    bool ExecuteOpenDialog();
    // The same set-up, shown with open() instead of run modally (result() tells the outcome).
    void BeginOpenDialog();

    QString FileName; // in: the current document; out: the file chosen
    QString Filter;   // "description|pattern|description|pattern..."; masks in a pattern by ";"
    QStringList FilterPairs;
    TPIDLHistory History;

    TPTShellCombo* ShellCombo;
    QAction* TBGoBack;
    QAction* TBGoForward;
    QAction* TBUpOneLevel;
    QAction* TBNewFolder;
    QToolButton* TBViews;
    QAction* MIIcons;
    QAction* MIList;
    QAction* MIDetails;
    TPTShellList* ShellList;
    QLineEdit* EditFileName;
    QComboBox* ComboBox;
    QPushButton* ButtonOpen;
    QPushButton* ButtonCancel;
    QPushButton* ButtonInternet;

    // The handlers, under the names of the controls they serve.
    void ComboBoxChange(int index);
    void ShellListSelectionChanged(const QString& path, bool isFolder);
    void ShellListFolderChanged(const QString& folder);
    void ShellListFileActivated(const QString& path);
    void ShellListItemRenamed();
    void EditFileNameChange(const QString& text);
    void TBGoBackClick();
    void TBGoForwardClick();
    void TBUpOneLevelClick();
    void TBNewFolderClick();
    void ButtonInternetClick();
    void UpdateButtons();
    // Whether the dialog may close with Result; a refused close has shown its warning.
    bool FormCloseQuery(int result);

    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Prepare();
    void ShowHistoryFolder(const std::optional<QString>& folder);
    void SetChosenFile(const QString& path);

    TFormOpenURL& openURL_;
    // The folder a typed name is joined to: that of the last file name set or chosen.
    QString typedNameFolder_;
    bool listening_ = true;
};

// The part of Name up to and including its last "/", and the part after it.
QString FolderPart(const QString& name);
QString NamePart(const QString& name);
