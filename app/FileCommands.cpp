// The main window's file commands: Open, Save, Save As, Open New Window and the recent
// files, with the operations behind them.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/FileDialogs.h"
#include "common/FileUtils.h"
#include "common/Paths.h"
#include "common/SettingsIni.h"
#include "editor/TGlyphEditView.h"
#include "net/DownloadURL.h"
#include "net/TFormOpenDialog.h"
#include "net/TFormOpenURL.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

// The program's open dialog with the Open URL dialog its "Internet..." runs; the open dialog
// goes first, as it refers to the other.
struct TOpenDialogs {
    TFormOpenURL OpenURL;
    TFormOpenDialog OpenDialog{OpenURL};
};

void TFormGlyphon::ConnectFileCommands() {
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MIOpen, &TFormGlyphon::MIOpenClick);
    bind(MISave, &TFormGlyphon::MISaveClick);
    bind(MISaveAs, &TFormGlyphon::MISaveAsClick);
    bind(MIOpenNewWindow, &TFormGlyphon::MIOpenNewWindowClick);
    bind(TBOpen, &TFormGlyphon::MIOpenClick);
    // The tool bar's Save goes through the menu item, so the File menu's states apply to it.
    connect(TBSave, &QAction::triggered, this,
            [this] { RunCommand([this] { ClickMenuItem(MISave); }); });

    TBMRUList.SetMenu(MIFile, MIRecentFilesEnd);
    connect(&TBMRUList, &TTBMRUList::Click, this,
            [this](const QString& fileName) { RunCommand([&] { TBMRUListClick(fileName); }); });
}

void TFormGlyphon::LoadRecentFiles() {
    TBMRUList.LoadFromIni(SettingsIni(), MainFormClassName());
}

void TFormGlyphon::SaveRecentFiles() const {
    TBMRUList.SaveToIni(SettingsIni(), MainFormClassName());
}

QString TFormGlyphon::BuildFileFilter() const {
    QString filter;
    for (const TGlyphHighlighterSlot& slot : Highlighters()) {
        const QString own = slot.Highlighter->DefaultFilter();
        if (!own.isEmpty())
            filter += own + '|';
    }
    return filter + QStringLiteral("All Files (*.*)|*.*|");
}

TFormOpenDialog& TFormGlyphon::FormOpenDialog() {
    if (!openDialogs_)
        openDialogs_ = std::make_shared<TOpenDialogs>();
    return openDialogs_->OpenDialog;
}

// ---------------------------------------------------------------------------------------------
// Operations

void TFormGlyphon::OpenDocument(const QString& name, bool /*syncExplorer*/) {
    // A URL becomes its downloaded copy; a failed download ends here with nothing changed.
    const QString fileName = QFileInfo(DownloadURL(name)).absoluteFilePath();

    // An untitled document is never "already open", whatever lies in the working folder.
    if (QFileInfo(DocumentFileName).isAbsolute() && SameFileName(DocumentFileName, fileName) &&
        !AskYesNo(QStringLiteral("\"%1\" is already open.\r\rDo you wish to revert to the last "
                                 "saved version of this document?")
                      .arg(fileName)))
        return;

    // A file that cannot be read leaves the list and the editor keeps its text.
    TBMRUList.Remove(fileName);
    GlyphEdit.Lines().LoadFile(fileName);
    GlyphEdit.SetModified(false);
    GlyphEdit.SetReadOnly(IsFileReadOnly(fileName));
    GlyphEditView->setFocus();
    DocumentFileName = fileName;
    TBMRUList.Add(fileName);
    FormActivate();
}

void TFormGlyphon::SaveDocumentTo(const QString& name) {
    const QString fileName = QFileInfo(name).absoluteFilePath();
    if (!CanWriteFile(fileName))
        RaiseError(
            QStringLiteral("You don't have write permissions for the file \"%1\".").arg(fileName));

    TBMRUList.Remove(fileName);
    // Without a backup the save still goes on: the line buffer replaces the target only once
    // the new text is wholly written, so a failure never costs the old version.
    MakeBackupCopy(fileName);
    GlyphEdit.Lines().SaveFile(fileName);

    GlyphEdit.SetModified(false);
    GlyphEdit.SetReadOnly(IsFileReadOnly(fileName));
    DocumentFileName = fileName;
    TBMRUList.Add(fileName);
    // A new extension may bring another highlighter and the HTML-only commands.
    FormActivate();
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TFormGlyphon::MIOpenClick() {
    if (!FormCloseQuery())
        return;
    TFormOpenDialog& dialog = FormOpenDialog();
    dialog.FileName = DocumentFileName;
    dialog.Filter = BuildFileFilter();
    if (dialog.ExecuteOpenDialog())
        OpenDocument(dialog.FileName, true);
}

void TFormGlyphon::MISaveClick() {
    // An untitled document, a read-only file or folder and a downloaded copy all go to Save As.
    if (CanSaveInPlace(DocumentFileName))
        SaveDocumentTo(DocumentFileName);
    else
        ClickMenuItem(MISaveAs);
}

void TFormGlyphon::MISaveAsClick() {
    if (const std::optional<QString> chosen =
            RunSaveFileDialog(DocumentFileName, BuildFileFilter(), QStringLiteral("htm")))
        SaveDocumentTo(*chosen);
}

void TFormGlyphon::MIOpenNewWindowClick() {
    // The new window must not open beneath this one.
    if (MIStayOnTop->isChecked())
        MIStayOnTop->trigger();
    const QString program =
        NewWindowProgram.isEmpty() ? QCoreApplication::applicationFilePath() : NewWindowProgram;
    if (!QProcess::startDetached(program, {}, ProgramFolder()))
        RaiseError(QStringLiteral("Cannot start \"%1\".").arg(program));
}

void TFormGlyphon::TBMRUListClick(const QString& fileName) {
    if (FormCloseQuery())
        OpenDocument(fileName, true);
}
