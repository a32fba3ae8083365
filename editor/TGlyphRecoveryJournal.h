#pragma once

#include "editor/TGlyphEdit.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class TGlyphRecoveryWriter;

// Keeps the unsaved state of an editor's document in a recovery file, so that a crash or a
// killed process loses at most the last two seconds of typing.
//
// Design: copying a million-line document for every snapshot would stall typing, so the file is
// an append-only journal of line edits against a base: the document's file on disk (copied
// beside the journal by the writer thread) or, for an untitled or recovered document, its whole
// text written first. Each edit notes only the lines it touched, which costs the size of the edit;
// batches are handed to one writer thread that appends them and fsyncs. The writer holds an
// exclusive lock on the journal, so a journal nobody locks was left by an ended process.
//
// A batch that cannot be written whole (a full disk) is cut off again, so the journal always
// ends on a whole batch; writing pauses, says so once, and resumes with the whole text when a
// write works again.
class TGlyphRecoveryJournal {
public:
    static constexpr int QuietMilliseconds = 2000; // a batch is written this long after an edit
    static constexpr int MaxPendingEdits = 300;    // ... or once this many edits are waiting
    static constexpr int RetryMilliseconds = 5000; // a paused journal tries again this often

    TGlyphRecoveryJournal(TCustomGlyphEdit& edit, QString folder);
    ~TGlyphRecoveryJournal();
    TGlyphRecoveryJournal(const TGlyphRecoveryJournal&) = delete;
    TGlyphRecoveryJournal& operator=(const TGlyphRecoveryJournal&) = delete;

    // Call on every change notification of the editor's lines.
    void LinesChanged(const TGlyphLinesChange& change);
    // The document now stands as FileName holds it (baseIsFile) or as its present text: the old
    // journal goes, and a new one starts with the next change.
    void Restart(const QString& fileName, bool baseIsFile);
    // Writes what is waiting now and waits until it is on disk.
    void Flush();
    // Removes the journal: the document was saved or closed unsaved.
    void Discard();
    // Writes what is waiting and lets go of the journal without removing it, for the next
    // start to offer: the program ends with its document unsaved.
    void Keep();
    // The journal of this document; empty until its first batch is written.
    QString JournalPath() const { return writtenPath_; }
    // Told, on the editor's thread, when writing pauses after a failed write (true) and when
    // it works again (false).
    std::function<void(bool paused)> OnPaused;

private:
    void Schedule();
    // Takes in what the writer thread did with the batches handed to it; true when it handed
    // the whole text to the writer again, for a journal someone removed.
    bool TakeWriterResults();
    TGlyphRecoveryWriter& Writer();
    QString NewPath();
    // Hands what is waiting to the writer thread without waiting for it.
    void Write();
    QByteArray HeaderFrame() const;

    TCustomGlyphEdit& edit_;
    QString folder_;
    QString path_;        // the journal of the present document
    QString writtenPath_; // the journal on disk, once one is
    QString fileName_;
    bool baseIsFile_ = false;
    bool needsSnapshot_ = false; // the text was replaced whole outside a Restart
    bool paused_ = false;        // the last write failed
    // One line edit waiting to be written: 'S'et line Index to Texts[0], 'I'nsert Texts at
    // Index, 'D'elete Count lines at Index, 'C'lear.
    struct TEdit {
        char Kind;
        int Index = 0;
        int Count = 0;
        QStringList Texts;
    };
    QList<TEdit> pending_;
    int pendingEdits_ = 0;
    QTimer timer_;
    std::unique_ptr<TGlyphRecoveryWriter> writer_; // made by Writer()
};

// A journal as read back at start-up.
struct TGlyphRecoveredText {
    QString FileName; // the document's name: a full path or the untitled name
    QDateTime LastChange;
    TTextEncoding Encoding = TTextEncoding::Utf8;
    bool ByteOrderMark = false;
    TLineBreakStyle LineBreakStyle = lbsCrLf;
    bool BreakAfterLastLine = true;
    QString Text;
};

// A journal left by an ended process, locked for as long as this object lives so that no
// other program starting at the same time offers it too.
class TGlyphRecoveryClaim {
public:
    TGlyphRecoveryClaim(QString path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~TGlyphRecoveryClaim();
    TGlyphRecoveryClaim(TGlyphRecoveryClaim&& other) noexcept;
    TGlyphRecoveryClaim& operator=(TGlyphRecoveryClaim&&) = delete;
    TGlyphRecoveryClaim(const TGlyphRecoveryClaim&) = delete;
    TGlyphRecoveryClaim& operator=(const TGlyphRecoveryClaim&) = delete;
    const QString& Path() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
};

// The journals in Folder left by processes that have ended and that no other program has
// claimed, newest first, each claimed for the caller. Links are not followed.
std::vector<TGlyphRecoveryClaim> OrphanedRecoveryJournals(const QString& folder);
// Reads a journal and replays it on its base; throws EGlyphError when it cannot be read.
TGlyphRecoveredText ReadRecoveryJournal(const QString& journalPath);
// Removes a journal and its base copy.
void RemoveRecoveryJournal(const QString& journalPath);
