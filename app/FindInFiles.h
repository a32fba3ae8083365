#pragma once

#include "app/FolderWalk.h"
#include "app/TResultsPane.h"
#include "editor/TGlyphEditSearch.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QThread;

// What Find in Files and Replace in Files look for, where, and what they put in its place.
struct TFindInFilesOptions {
    TFolderWalkOptions Walk;
    QString Text;
    QString Replacement;
    bool RegularExpression = false; // Perl-compatible; "\1" in the replacement is group 1
    bool MatchCase = false;
    bool WholeWords = false;
};

// Files above this size are skipped; so are files with a NUL among their first 8 KB, which
// are binary (a UTF-16 file, which shows NULs, is known by its byte-order mark).
constexpr qint64 FindInFilesMaxFileSize = 64 * 1024 * 1024;
constexpr qsizetype BinaryProbeSize = 8 * 1024;
bool LooksBinary(const QByteArray& bytes);

// Finds the matches of one line and replaces them: plain text through the editor's search
// engine (its case folding and word delimiters), or a regular expression.
class TLineMatcher {
public:
    explicit TLineMatcher(const TFindInFilesOptions& options);

    // Why the search cannot run (a regular expression that does not compile); empty when fine.
    QString Error() const { return error_; }
    // Each match as its 0-based start and length, left to right, never overlapping.
    QList<std::pair<int, int>> Matches(const QString& line);
    QList<std::pair<int, int>> Matches(QStringView line);
    // The line with every match replaced; `count` gets their number.
    QString Replaced(const QString& line, const QString& replacement, int& count);
    // False only when the file's bytes cannot hold a match, whatever their encoding; lets most
    // files of a site go by without being read into lines.
    bool MayMatch(const QByteArray& bytes) const;
    // Whether NextCandidate can pick the lines of UTF-8 text that may hold a match (a plain
    // pattern, or a required part of an expression, whose byte form every match shows).
    bool PicksCandidates(bool highBytes) const;
    // Where in UTF-8 bytes, at or after `from`, the next possible match begins; -1 for none.
    qsizetype NextCandidate(QByteArrayView utf8, qsizetype from) const;

private:
    bool regex_;
    TGlyphEditSearch engine_;
    QRegularExpression expression_;
    QString error_;
    // Shorter required parts of an expression would pick most lines of a file.
    static constexpr qsizetype MinRequiredLiteral = 3;
    bool needle_ = false; // every match shows one of the byte forms below
    // Byte forms of a plain pattern, or of a required part of an expression, for the quick test.
    QList<QByteArray> exactNeedles_; // UTF-8 and Windows-1252 forms (match case)
    QByteArray foldedNeedle_;        // ASCII lower-case form (ignoring case), empty when none
    bool foldedAmbiguous_ = false;   // some non-ASCII character folds onto the needle's letters
    bool foldedNonAscii_ = false;    // the folded pattern has characters beyond ASCII
};

// One file's part of a search or a replacement.
struct TFileFindings {
    QString FileName;
    QByteArray RealPath;
    dev_t Device = 0;
    ino_t Inode = 0;
    int Matches = 0;        // matches found, or replacements made
    QList<TResultRow> Rows; // the matches to list (at most TResultsPane::MaxRows)
    QString SkipReason;     // set when the file was passed over
};

struct TFilesTotals {
    int FilesSearched = 0;
    int FilesMatched = 0; // with a match, or changed
    int Matches = 0;      // matches, or replacements
    int Skipped = 0;
    bool Cancelled = false;
    QString Error; // the search could not start
};

Q_DECLARE_METATYPE(TFileFindings)
Q_DECLARE_METATYPE(TFilesTotals)

// Searches a folder's files, or replaces in the files a search found, on a worker thread of
// its own; results come back through queued signals on the thread that made the object.
class TFindInFilesWorker : public QObject {
    Q_OBJECT

public:
    // Why a file must not be changed now, asked just before it is; nothing when it may be.
    using TKeepOut = std::function<std::optional<QString>(const TFileFindings& file)>;

    explicit TFindInFilesWorker(QObject* parent = nullptr);
    ~TFindInFilesWorker() override;

    void StartFind(const TFindInFilesOptions& options);
    // Replaces in each file as it is on disk now (it is read again), passing over the files
    // keepOut names a reason for. keepOut runs on the worker thread.
    void StartReplace(const TFindInFilesOptions& options, const QList<TFileFindings>& files,
                      TKeepOut keepOut);
    void Cancel();
    bool Running() const;
    // Waits for the worker thread to end (after Cancel, it ends at the next file).
    void Wait();

signals:
    void Found(const QList<TFileFindings>& batch);
    void Progress(int filesDone, const QString& current);
    void Finished(const TFilesTotals& totals);

private:
    void Start(std::function<void()> work);
    void RunFind(TFindInFilesOptions options);
    void RunReplace(TFindInFilesOptions options, QList<TFileFindings> files, TKeepOut keepOut);

    std::atomic_bool cancel_{false};
    std::unique_ptr<QThread> thread_;
};

// Searches one file's bytes, read and decoded as Open reads them.
TFileFindings SearchFileBytes(const QString& fileName, const QByteArray& bytes,
                              TLineMatcher& matcher);
// The same through the line store itself, for any encoding; SearchFileBytes takes a quicker
// way for UTF-8, cutting and decoding only the lines that can hold a match.
TFileFindings SearchFileLines(const QString& fileName, const QByteArray& bytes,
                              TLineMatcher& matcher);
// Replaces in one file on disk, reached below its real path without following any link and
// written atomically beside a backup of its old version, keeping its encoding, line breaks
// and mode. Answers the replacements made; throws EGlyphError with the reason it could not.
int ReplaceInFile(const TFileFindings& file, const TFindInFilesOptions& options,
                  TLineMatcher& matcher);
