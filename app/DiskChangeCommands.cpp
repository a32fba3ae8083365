// The main window's watch over its document's file: changes made on disk by other programs are
// noticed on activation and when the file watcher reports them, and a save never overwrites
// them unasked.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "editor/TGlyphEditView.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QScopeGuard>
#include <QStatusBar>
#include <sys/stat.h>

namespace {

// The size, modification time and inode of a file; none when it does not exist. A FIFO or a
// device put in its place counts as none: reading it would never end.
std::optional<TFileStamp> StampOf(const QString& fileName) {
    struct stat info {};
    if (::stat(QFile::encodeName(fileName).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return TFileStamp{qint64(info.st_size), qint64(info.st_mtim.tv_sec),
                      qint64(info.st_mtim.tv_nsec), quint64(info.st_ino)};
}

} // namespace

void TFormGlyphon::ConnectDiskChangeChecks() {
    DocumentWatcher = new QFileSystemWatcher(this);
    connect(DocumentWatcher, &QFileSystemWatcher::fileChanged, this,
            [this] { CheckDocumentOnDiskWhenIdle(); });
}

void TFormGlyphon::CheckDocumentOnDiskWhenIdle() {
    // A command under way (a Tidy run, a question) would put its result over a reloaded text:
    // the check waits for its end.
    if (RunningCommands() > 0) {
        if (!diskCheckWaiting_) {
            diskCheckWaiting_ = true;
            WhenNoCommandRuns(this, [this] {
                diskCheckWaiting_ = false;
                CheckDocumentOnDiskWhenIdle();
            });
        }
        return;
    }
    RunCommand([this] { CheckDocumentOnDisk(); });
}

void TFormGlyphon::NoteDocumentFile() {
    if (!DocumentWatcher->files().isEmpty())
        DocumentWatcher->removePaths(DocumentWatcher->files());
    declinedStamp_.reset();
    DocumentFileStamp.reset();
    if (!QFileInfo(DocumentFileName).isAbsolute())
        return;
    DocumentFileStamp = StampOf(DocumentFileName);
    if (DocumentFileStamp)
        DocumentWatcher->addPath(DocumentFileName);
}

void TFormGlyphon::CheckDocumentOnDisk() {
    if (!DocumentFileStamp || checkingDisk_)
        return;
    // A question below lets the window be activated again; that check has nothing to add.
    checkingDisk_ = true;
    const auto done = qScopeGuard([this] { checkingDisk_ = false; });
    const std::optional<TFileStamp> now = StampOf(DocumentFileName);
    QLabel* note = StatusPanel(StatusBar, 0);
    if (!now) {
        // The text stays as it is; saving writes the file anew.
        if (note)
            note->setText(QStringLiteral("\"%1\" has been moved or deleted by another program.")
                              .arg(DocumentFileName));
        return;
    }
    // A file replaced by renaming drops out of the watch: watch the new one.
    if (!DocumentWatcher->files().contains(DocumentFileName))
        DocumentWatcher->addPath(DocumentFileName);
    if (*now == *DocumentFileStamp || now == declinedStamp_)
        return;
    if (GlyphEdit.Modified() &&
        !AskYesNo(QStringLiteral(
            "The file has been changed by another program. Reload it and lose your changes?"))) {
        declinedStamp_ = now;
        return;
    }
    const int caretLine = GlyphEdit.CaretY();
    GlyphEdit.Lines().LoadFile(DocumentFileName, GlyphEdit.Lines().Encoding());
    GlyphEdit.SetModified(false);
    GlyphEdit.SetCaretXY({1, std::min(caretLine, std::max(GlyphEdit.LineCount(), 1))});
    RestartRecoveryJournal();
    NoteDocumentFile();
    FormActivate();
    if (note)
        note->setText(QStringLiteral("\"%1\" was changed by another program and has been reloaded.")
                          .arg(DocumentFileName));
}

bool TFormGlyphon::ConfirmOverwriteOnDisk(const QString& fileName) {
    if (!DocumentFileStamp || !IsDocumentFile(fileName))
        return true;
    const std::optional<TFileStamp> now = StampOf(fileName);
    return !now || *now == *DocumentFileStamp ||
           AskYesNo(QStringLiteral("\"%1\" has been changed by another program since it was "
                                   "loaded.\r\rDo you wish to overwrite it?")
                        .arg(fileName));
}
