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

#include <QActionGroup>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>

namespace {

constexpr qint64 MegaByte = 1024 * 1024;
// Files above this size are opened only when the user says so.
constexpr qint64 LargeFileSize = 256 * MegaByte;

// The encodings the Encoding submenu offers. Reading recognises a UTF-8 mark by itself, so a
// mark is a choice for saving only.
struct TEncodingChoice {
    TTextEncoding Encoding;
    bool ByteOrderMark;
};
constexpr TEncodingChoice SaveEncodings[] = {{TTextEncoding::Utf8, false},
                                             {TTextEncoding::Utf8, true},
                                             {TTextEncoding::Utf16LE, true},
                                             {TTextEncoding::Utf16BE, true},
                                             {TTextEncoding::Windows1252, false}};
constexpr TTextEncoding ReopenEncodings[] = {TTextEncoding::Utf8, TTextEncoding::Utf16LE,
                                             TTextEncoding::Utf16BE, TTextEncoding::Windows1252};
constexpr TLineBreakStyle LineBreakStyles[] = {lbsCrLf, lbsLf, lbsCr};

// A menu item named after its caption: "Save as UTF-8 with BOM" is MISaveAsUTF8WithBOM.
QAction* AddNamedItem(QMenu* menu, const QString& caption) {
    QAction* item = menu->addAction(caption);
    QString name = QStringLiteral("MI");
    for (QString word : caption.split(u' ')) {
        word[0] = word[0].toUpper();
        name += word.remove(u'-');
    }
    item->setObjectName(name);
    return item;
}

} // namespace

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

    const auto command = [this](QAction* item, std::function<void()> handler) {
        connect(item, &QAction::triggered, this, [handler] { RunCommand(handler); });
    };
    for (TTextEncoding encoding : ReopenEncodings) {
        QAction* item = AddNamedItem(MIEncoding, "Reopen as " + TextEncodingName(encoding, false));
        command(item, [this, encoding] { ReopenWithEncoding(encoding); });
        MIReopenAs << item;
    }
    MIEncoding->addSeparator();
    // The encoding and the line breaks the document has are marked as one choice among others;
    // mixed line breaks mark none.
    auto* encodings = new QActionGroup(this);
    auto* lineBreaks = new QActionGroup(this);
    lineBreaks->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const TEncodingChoice& choice : SaveEncodings) {
        QAction* item = AddNamedItem(
            MIEncoding, "Save as " + TextEncodingName(choice.Encoding, choice.ByteOrderMark));
        item->setCheckable(true);
        encodings->addAction(item);
        command(item, [this, choice] { SaveWithEncoding(choice.Encoding, choice.ByteOrderMark); });
        MISaveAsEncoding << item;
    }
    for (TLineBreakStyle style : LineBreakStyles) {
        QAction* item = AddNamedItem(MILineBreaks, "Save with " + LineBreakStyleName(style));
        item->setCheckable(true);
        lineBreaks->addAction(item);
        command(item, [this, style] { SaveWithLineBreaks(style); });
        MISaveWithLineBreaks << item;
    }
    connect(MIEncoding, &QMenu::aboutToShow, this,
            [this] { RunCommand([this] { MIEncodingClick(); }); });
    connect(MILineBreaks, &QMenu::aboutToShow, this,
            [this] { RunCommand([this] { MILineBreaksClick(); }); });

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
    for (const TGlyphLanguageEntry& language : GlyphLanguageCatalogue())
        filter += QString::fromLatin1(language.Filter) + '|';
    return filter + QStringLiteral("All Files (*.*)|*.*|");
}

TFormOpenDialog& TFormGlyphon::FormOpenDialog() {
    if (!openDialogs_)
        openDialogs_ = std::make_shared<TOpenDialogs>();
    return openDialogs_->OpenDialog;
}

// ---------------------------------------------------------------------------------------------
// Operations

// An untitled document is never "already open", whatever lies in the working folder.
bool TFormGlyphon::IsDocumentFile(const QString& fileName) const {
    return QFileInfo(DocumentFileName).isAbsolute() && SameFileName(DocumentFileName, fileName);
}

bool TFormGlyphon::OpensWithoutAsking(const QString& fileName) const {
    const QFileInfo info(fileName);
    return info.isFile() && info.isReadable() && info.size() <= LargeFileSize &&
           !IsDocumentFile(info.absoluteFilePath());
}

void TFormGlyphon::OpenDocument(const QString& name, bool syncExplorer) {
    // A URL becomes its downloaded copy; a failed download ends here with nothing changed.
    const QString fileName = QFileInfo(DownloadURL(name)).absoluteFilePath();

    if (IsDocumentFile(fileName) &&
        !AskYesNo(QStringLiteral("\"%1\" is already open.\r\rDo you wish to revert to the last "
                                 "saved version of this document?")
                      .arg(fileName)))
        return;

    const qint64 size = QFileInfo(fileName).size();
    if (size > LargeFileSize &&
        !AskYesNo(QStringLiteral("\"%1\" is %2 MB. Opening it may take a long time and much "
                                 "memory.\r\rDo you wish to open it?")
                      .arg(fileName)
                      .arg((size + MegaByte / 2) / MegaByte)))
        return;

    // A file that cannot be read leaves the list and the editor keeps its text.
    TBMRUList.Remove(fileName);
    GlyphEdit.Lines().LoadFile(fileName);
    GlyphEdit.SetModified(false);
    GlyphEdit.SetReadOnly(IsFileReadOnly(fileName));
    GlyphEditView->setFocus();
    DocumentFileName = fileName;
    SetMessagesTabVisible(false);
    RestartRecoveryJournal();
    NoteDocumentFile();
    TBMRUList.Add(fileName);
    FormActivate();
    if (syncExplorer)
        SyncExplorer(fileName);
}

void TFormGlyphon::SaveDocumentTo(const QString& name) {
    const QString fileName = QFileInfo(name).absoluteFilePath();
    if (!CanWriteFile(fileName))
        RaiseError(
            QStringLiteral("You don't have write permissions for the file \"%1\".").arg(fileName));
    // The text is never written in another encoding than the file's unasked.
    TGlyphEditStringList& lines = GlyphEdit.Lines();
    if (!lines.CanEncodeAs(lines.Encoding())) {
        if (!AskYesNo(QStringLiteral("Some characters of \"%1\" cannot be stored in %2, the "
                                     "file's encoding.\r\rDo you wish to save it as UTF-8?")
                          .arg(fileName, TextEncodingName(lines.Encoding(), false))))
            return;
        lines.SetEncoding(TTextEncoding::Utf8, false);
    }

    if (!ConfirmOverwriteOnDisk(fileName))
        return;
    TBMRUList.Remove(fileName);
    // Without a backup the save still goes on: the line buffer replaces the target only once
    // the new text is wholly written, so a failure never costs the old version.
    MakeBackupCopy(fileName);
    GlyphEdit.Lines().SaveFile(fileName);

    GlyphEdit.SetModified(false);
    GlyphEdit.SetReadOnly(IsFileReadOnly(fileName));
    DocumentFileName = fileName;
    RestartRecoveryJournal();
    NoteDocumentFile();
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
    // Every kind of page a site holds, so that a PHP page is not hidden by the HTML filter.
    const QString web = QStringLiteral("*.htm;*.html;*.shtml;*.php;*.asp;*.css;*.js");
    dialog.Filter = "All Web Files|" + web + '|' + BuildFileFilter();
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
    StartNewWindow({});
}

void TFormGlyphon::OpenPlaceInNewWindow(const QString& fileName, int line, int column) {
    StartNewWindow(
        {"-CaretX", QString::number(column), "-CaretY", QString::number(line), "--", fileName});
}

void TFormGlyphon::StartNewWindow(const QStringList& arguments) {
    // The new window must not open beneath this one.
    if (MIStayOnTop->isChecked())
        MIStayOnTop->trigger();
    const QString program =
        NewWindowProgram.isEmpty() ? QCoreApplication::applicationFilePath() : NewWindowProgram;
    if (!QProcess::startDetached(program, arguments, ProgramFolder()))
        RaiseError(QStringLiteral("Cannot start \"%1\".").arg(program));
}

void TFormGlyphon::TBMRUListClick(const QString& fileName) {
    if (FormCloseQuery())
        OpenDocument(fileName, true);
}

void TFormGlyphon::MIEncodingClick() {
    // Only a document read from a file can be read again.
    const QFileInfo file(DocumentFileName);
    const bool onDisk = file.isAbsolute() && file.isFile();
    for (QAction* item : MIReopenAs)
        item->setEnabled(onDisk);
    const TGlyphEditStringList& lines = GlyphEdit.Lines();
    for (qsizetype i = 0; i < MISaveAsEncoding.size(); ++i)
        MISaveAsEncoding[i]->setChecked(SaveEncodings[i].Encoding == lines.Encoding() &&
                                        SaveEncodings[i].ByteOrderMark == lines.HasByteOrderMark());
}

void TFormGlyphon::MILineBreaksClick() {
    const TGlyphEditStringList& lines = GlyphEdit.Lines();
    for (qsizetype i = 0; i < MISaveWithLineBreaks.size(); ++i)
        MISaveWithLineBreaks[i]->setChecked(!lines.MixedLineBreaks() &&
                                            LineBreakStyles[i] == lines.LineBreakStyle());
}

void TFormGlyphon::ReopenWithEncoding(TTextEncoding encoding) {
    if (GlyphEdit.Modified() &&
        !AskYesNo(QStringLiteral("The file \"%1\" has been changed.\r\rDo you wish to reopen it "
                                 "as %2 and lose the changes?")
                      .arg(DocumentFileName, TextEncodingName(encoding, false))))
        return;
    GlyphEdit.Lines().LoadFile(DocumentFileName, encoding);
    GlyphEdit.SetModified(false);
    GlyphEdit.SetReadOnly(IsFileReadOnly(DocumentFileName));
    RestartRecoveryJournal();
    NoteDocumentFile();
    FormActivate();
}

void TFormGlyphon::SaveWithEncoding(TTextEncoding encoding, bool byteOrderMark) {
    TGlyphEditStringList& lines = GlyphEdit.Lines();
    if (!lines.CanEncodeAs(encoding))
        RaiseError(QStringLiteral("Some characters of \"%1\" cannot be stored in %2.")
                       .arg(DocumentFileName, TextEncodingName(encoding, false)));
    lines.SetEncoding(encoding, byteOrderMark);
    ShowTextFormat();
    ClickMenuItem(MISave);
}

void TFormGlyphon::SaveWithLineBreaks(TLineBreakStyle style) {
    GlyphEdit.Lines().SetLineBreakStyle(style);
    ShowTextFormat();
    ClickMenuItem(MISave);
}
