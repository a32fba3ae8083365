// The main window's Find in Files and Replace in Files: the dialog, the "Find Results" tab of
// the preview pane, opening a result, and replacing in the files the user ticked.
#include "app/FindInFiles.h"
#include "app/TExplorerPane.h"
#include "app/TFormFindInFiles.h"
#include "app/TFormGlyphon.h"
#include "app/TResultsPane.h"

#include "common/AppHelpers.h"
#include "common/FileUtils.h"
#include "common/Prompts.h"
#include "editor/TGlyphEditView.h"

#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString Counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

void TFormGlyphon::ConnectFindInFilesCommands() {
    ModifiedFiles = std::make_unique<TModifiedFilesRegistry>();
    FindInFilesWorker = new TFindInFilesWorker(this);
    connect(FindInFilesWorker, &TFindInFilesWorker::Found, this,
            [this](const QList<TFileFindings>& batch) { FindInFilesFound(batch); });
    connect(FindInFilesWorker, &TFindInFilesWorker::Progress, this,
            [this](int done, const QString&) {
                FindResults->SetBusy(true, QStringLiteral("%1... %2")
                                               .arg(replacingInFiles_ ? "Replacing" : "Searching",
                                                    Counted(done, "file", "files")));
            });
    connect(FindInFilesWorker, &TFindInFilesWorker::Finished, this,
            [this](const TFilesTotals& totals) { FindInFilesFinished(totals); });

    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MIFindInFiles, &TFormGlyphon::MIFindInFilesClick);
    bind(MIReplaceInFiles, &TFormGlyphon::MIReplaceInFilesClick);
}

// Made at the first search: most sessions never search a folder, and the list would only
// delay the window's first paint.
void TFormGlyphon::CreateFindResults() {
    if (FindResults)
        return;
    TSFindResults = new QWidget;
    TSFindResults->setObjectName("TSFindResults");
    FindResults = new TResultsPane(TSFindResults);
    ButtonReplaceChecked = new QPushButton("&Replace in Checked Files", TSFindResults);
    ButtonReplaceChecked->setObjectName("ButtonReplaceChecked");
    ButtonReplaceChecked->hide();
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    bar->addStretch();
    bar->addWidget(ButtonReplaceChecked);
    auto* layout = new QVBoxLayout(TSFindResults);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FindResults, 1);
    layout->addLayout(bar);
    // Find Results stands before Links, whichever was made first.
    const int links = TSLinks ? PageControl->indexOf(TSLinks) : -1;
    PageControl->insertTab(links, TSFindResults, "Find Results");
    connect(FindResults, &TResultsPane::CancelRequested, FindInFilesWorker,
            &TFindInFilesWorker::Cancel);
    connect(FindResults, &TResultsPane::RowActivated, this,
            [this](const QString& fileName, int line, int column) {
                RunCommand([&] { FindResultsRowActivated(fileName, line, column, false); });
            });
    // The rows' menu offers the file in a new window too, as File > Open New Window does.
    connect(FindResults, &TResultsPane::RowActivatedInNewWindow, this,
            [this](const QString& fileName, int line, int column) {
                RunCommand([&] { FindResultsRowActivated(fileName, line, column, true); });
            });
    connect(ButtonReplaceChecked, &QPushButton::clicked, this,
            [this] { RunCommand([this] { ButtonReplaceCheckedClick(); }); });
}

void TFormGlyphon::MIFindInFilesClick() {
    RunFindInFiles(false);
}

void TFormGlyphon::MIReplaceInFilesClick() {
    RunFindInFiles(true);
}

QString TFormGlyphon::FindInFilesFolder() const {
    const QFileInfo document(DocumentFileName);
    if (document.isAbsolute() && document.exists() && !IsInInternetCache(DocumentFileName))
        return document.absolutePath();
    if (TBWindowExplorer && !TBWindowExplorer->Folder().isEmpty())
        return TBWindowExplorer->Folder();
    return QDir::homePath();
}

void TFormGlyphon::RunFindInFiles(bool replacing) {
    // Files half replaced would be left without their summary.
    if (replacingInFiles_ && FindInFilesWorker->Running())
        RaiseError(QStringLiteral("Replace in Files is still running. Wait for it to end, or "
                                  "cancel it, first."));
    if (!FormFindInFiles)
        FormFindInFiles = new TFormFindInFiles(this);
    // A selection within one line is what the user most likely wants to find.
    const QString selected = GlyphEdit.SelectedText();
    const bool oneLine = !selected.contains(u'\n') && !selected.contains(u'\r');
    FormFindInFiles->Prepare(replacing, FindInFilesFolder(), oneLine ? selected : QString());
    if (Prompts().RunDialog(*FormFindInFiles) != QDialog::Accepted)
        return;
    const TFindInFilesOptions options = FormFindInFiles->Options();
    if (!QFileInfo(options.Walk.Folder).isDir())
        RaiseError(QStringLiteral("The folder \"%1\" does not exist.").arg(options.Walk.Folder));
    if (const QString error = TLineMatcher(options).Error(); !error.isEmpty())
        RaiseError(error);

    findInFilesOptions_ = options;
    foundFiles_.clear();
    replacingInFiles_ = false;
    CreateFindResults();
    FindResults->Clear(QFileInfo(options.Walk.Folder).canonicalFilePath());
    FindResults->SetFilesCheckable(replacing);
    ButtonReplaceChecked->hide();
    PageControl->setTabVisible(PageControl->indexOf(TSFindResults), true);
    PageControl->setCurrentWidget(TSFindResults);
    ShowPreviewPaneWithRoom();
    FindResults->SetBusy(true, QStringLiteral("Searching..."));
    FindInFilesWorker->StartFind(options);
}

void TFormGlyphon::FindInFilesFound(const QList<TFileFindings>& batch) {
    for (const TFileFindings& file : batch) {
        if (!file.SkipReason.isEmpty()) {
            FindResults->AddRow(TResultRow{file.FileName, 0, 0,
                                           QStringLiteral("Skipped: ") + file.SkipReason, -1, 0});
            // A skipped file has nothing to replace: it offers no check box.
            if (QTreeWidgetItem* group = FindResults->GroupItem(file.FileName))
                group->setData(0, Qt::CheckStateRole, QVariant());
            continue;
        }
        if (replacingInFiles_) {
            FindResults->AddRow(TResultRow{
                file.FileName, 0, 0,
                file.Matches > 0 ? Counted(file.Matches, "replacement", "replacements") + " made."
                                 : QStringLiteral("Nothing to replace any more."),
                -1, 0});
            continue;
        }
        foundFiles_ << file;
        for (const TResultRow& row : file.Rows)
            FindResults->AddRow(row);
    }
}

void TFormGlyphon::FindInFilesFinished(const TFilesTotals& totals) {
    FindResults->SetBusy(false);
    const QString cancelled = totals.Cancelled ? QStringLiteral(" (cancelled)") : QString();
    if (!totals.Error.isEmpty()) {
        FindResults->SetSummary(totals.Error);
        return;
    }
    if (replacingInFiles_) {
        replacingInFiles_ = false;
        FindResults->SetSummary(QStringLiteral("%1 in %2; %3 skipped%4")
                                    .arg(Counted(totals.Matches, "replacement", "replacements"),
                                         Counted(totals.FilesMatched, "file", "files"))
                                    .arg(totals.Skipped)
                                    .arg(cancelled));
        return;
    }
    QString summary = QStringLiteral("%1 in %2 (%3 searched); %4 skipped%5")
                          .arg(Counted(totals.Matches, "match", "matches"),
                               Counted(totals.FilesMatched, "file", "files"))
                          .arg(totals.FilesSearched)
                          .arg(totals.Skipped)
                          .arg(cancelled);
    if (FindResults->HiddenRowCount() > 0)
        summary += QStringLiteral("; only the first %1 are listed").arg(TResultsPane::MaxRows);
    FindResults->SetSummary(summary);
    ButtonReplaceChecked->setVisible(FindResults->FilesCheckable() && !foundFiles_.isEmpty());
}

void TFormGlyphon::ButtonReplaceCheckedClick() {
    if (FindInFilesWorker->Running())
        return;
    const QStringList checked = FindResults->CheckedFiles();
    QList<TFileFindings> files;
    for (const TFileFindings& file : std::as_const(foundFiles_)) {
        if (checked.contains(file.FileName))
            files << file;
    }
    if (files.isEmpty()) {
        ShowInfo(QStringLiteral("No file is checked."));
        return;
    }
    const TFindInFilesOptions& options = findInFilesOptions_;
    if (!AskYesNo(QStringLiteral("Replace \"%1\" with \"%2\" in %3?\r\rEach file is saved at "
                                 "once, with a backup of the version it replaces.")
                      .arg(options.Text, options.Replacement,
                           Counted(int(files.size()), "file", "files"))))
        return;

    // A document with unsaved changes, here or in another window, would overwrite the
    // replacement or lose its own changes. The other windows are asked just before each file.
    QByteArray document;
    if (GlyphEdit.Modified() && QFileInfo(DocumentFileName).isAbsolute())
        document = QFile::encodeName(QFileInfo(DocumentFileName).canonicalFilePath());
    const auto keepOut = [document, registry = TModifiedFilesRegistry::DefaultFolder()](
                             const TFileFindings& file) -> std::optional<QString> {
        if ((!document.isEmpty() && file.RealPath == document) ||
            TModifiedFilesRegistry::Holds(TModifiedFilesRegistry::List(registry), file.RealPath,
                                          file.Device, file.Inode))
            return QStringLiteral("It is open with unsaved changes in a window.");
        return std::nullopt;
    };

    replacingInFiles_ = true;
    FindResults->Clear(QFileInfo(options.Walk.Folder).canonicalFilePath());
    FindResults->SetFilesCheckable(false);
    ButtonReplaceChecked->hide();
    FindResults->SetBusy(true, QStringLiteral("Replacing..."));
    foundFiles_.clear();
    FindInFilesWorker->StartReplace(options, files, keepOut);
}

void TFormGlyphon::FindResultsRowActivated(const QString& fileName, int line, int column,
                                           bool newWindow) {
    if (line <= 0)
        return;
    if (newWindow) {
        OpenPlaceInNewWindow(fileName, line, column);
        return;
    }
    if (!IsDocumentFile(fileName)) {
        if (!FormCloseQuery())
            return;
        OpenDocument(fileName, true);
    }
    // The match is selected when the line still holds it where the search found it.
    const QString text = GlyphEdit.Lines().GetLine(line - 1);
    int length = 0;
    TLineMatcher matcher(findInFilesOptions_);
    if (matcher.Error().isEmpty()) {
        for (const auto& [start, size] : matcher.Matches(text)) {
            if (start == column - 1)
                length = size;
        }
    }
    GlyphEdit.SetCaretXY({column, line});
    if (length > 0) {
        GlyphEdit.SetSelectionAnchor({column, line});
        GlyphEdit.SetSelectionActiveEnd({column + length, line});
        GlyphEdit.SetCaretXY({column + length, line});
    }
    GlyphEditView->setFocus();
}
