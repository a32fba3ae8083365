#include "editor/TGlyphRecoveryJournal.h"

#include "common/FileUtils.h"
#include "common/GlyphErrors.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char Magic[] = "VGRJ2";
// Journals of earlier versions frame their batches without a checksum; a journal left by one
// before an upgrade is still recovered.
constexpr char MagicWithoutChecksums[] = "VGRJ1";
const QString JournalSuffix = QStringLiteral(".journal");

QString BasePath(const QString& journalPath) {
    return journalPath + QStringLiteral(".base");
}

// A frame is its length, a checksum and its bytes, so that a batch cut off by a kill or a
// full disk is recognised and left out when the journal is read, together with all after it.
QByteArray Framed(const QByteArray& payload) {
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out << quint32(payload.size()) << qChecksum(payload);
    frame += payload;
    return frame;
}

// Makes Folder and any missing folder above it, each readable by the user alone, as the
// per-user state folders are made; one that someone removed while the program ran comes back
// the same way.
void MakePrivateFolder(const QString& folder) {
    const QString absolute = QDir(folder).absolutePath();
    QStringList missing;
    for (QString at = absolute; !QFileInfo::exists(at) && at != QDir(at).rootPath();
         at = QFileInfo(at).path())
        missing.prepend(at);
    for (const QString& path : missing)
        ::mkdir(QFile::encodeName(path).constData(), 0700);
}

} // namespace

// Appends batches to journals on a thread of its own, so that neither the write nor the fsync
// ever holds up the editor.
class TGlyphRecoveryWriter {
public:
    struct TJob {
        QString Path;
        QString BaseFrom;  // the file to copy as the base before the journal is created
        QByteArray Header; // written when the journal is created
        QByteArray Frame;
        bool Remove = false;
        bool Snapshot = false; // the frame holds the whole text, not edits of the last one
    };
    // What became of a job that wrote.
    struct TResult {
        QString Path;
        bool Ok = false;
        bool Lost = false;    // the journal is gone or was never made: a new one must start
        bool Removed = false; // ... because someone removed it, not for want of room
    };

    // Wake is called on the writer's thread after each job.
    explicit TGlyphRecoveryWriter(std::function<void()> wake)
        : wakeOwner_(std::move(wake)), thread_([this] { Run(); }) {}
    ~TGlyphRecoveryWriter() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
        for (const auto& [path, journal] : open_)
            ::close(journal.Fd);
    }

    void Post(TJob job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
            ++posted_;
        }
        wake_.notify_all();
    }

    void Wait() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return finished_ == posted_; });
    }

    std::vector<TResult> TakeResults() {
        std::lock_guard lock(mutex_);
        return std::exchange(results_, {});
    }

private:
    struct TOpenJournal {
        int Fd = -1;
        off_t GoodSize = 0;  // the journal up to its last whole batch
        bool Broken = false; // a batch was lost: only the whole text may follow
    };

    void Run() {
        for (;;) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            TJob job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            const std::optional<TResult> result = Do(job);
            lock.lock();
            if (result)
                results_.push_back(*result);
            ++finished_;
            done_.notify_all();
            lock.unlock();
            if (result && wakeOwner_)
                wakeOwner_();
        }
    }

    std::optional<TResult> Do(const TJob& job) {
        const auto open = open_.find(job.Path);
        if (job.Remove) {
            if (open != open_.end()) {
                ::close(open->second.Fd);
                open_.erase(open);
            }
            RemoveRecoveryJournal(job.Path);
            return std::nullopt;
        }
        if (open == open_.end())
            return Create(job);
        TOpenJournal& journal = open->second;
        // After a lost batch the edits that follow it would replay onto the wrong text.
        if (journal.Broken && !job.Snapshot)
            return TResult{job.Path, false, false, false};
        if (WriteAllToDescriptor(journal.Fd, job.Frame) != 0 || ::fsync(journal.Fd) != 0) {
            // The journal ends on its last whole batch again, so that what follows is read.
            if (::ftruncate(journal.Fd, journal.GoodSize) != 0 || ::fsync(journal.Fd) != 0)
                return Lose(job.Path);
            journal.Broken = true;
            return TResult{job.Path, false, false, false};
        }
        // A journal removed by someone else would take the text with it when the program ends.
        struct stat info {};
        if (::fstat(journal.Fd, &info) != 0 || info.st_nlink == 0) {
            TResult removed = Lose(job.Path);
            removed.Removed = true;
            return removed;
        }
        journal.GoodSize = info.st_size;
        journal.Broken = false;
        return TResult{job.Path, true, false, false};
    }

    TResult Lose(const QString& path) {
        const auto open = open_.find(path);
        if (open != open_.end()) {
            ::close(open->second.Fd);
            open_.erase(open);
        }
        return TResult{path, false, true, false};
    }

    // Created aside under a name no reader looks at, locked, then renamed into place: a reader
    // never finds a journal that is not yet locked, and a link planted at either name is
    // never followed.
    TResult Create(const TJob& job) {
        if (job.Header.isEmpty())
            return TResult{job.Path, false, true, false}; // its creation failed before
        const QString part = job.Path + QStringLiteral(".part");
        if (!job.BaseFrom.isEmpty() && !CopyBase(job.BaseFrom, BasePath(job.Path)))
            return TResult{job.Path, false, true, false};
        const QByteArray name = QFile::encodeName(part);
        const int fd =
            ::open(name.constData(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) {
            QFile::remove(BasePath(job.Path));
            return TResult{job.Path, false, true, false};
        }
        struct stat info {};
        const bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                        WriteAllToDescriptor(fd, job.Header) == 0 &&
                        WriteAllToDescriptor(fd, job.Frame) == 0 && ::fsync(fd) == 0 &&
                        ::fstat(fd, &info) == 0 &&
                        ::rename(name.constData(), QFile::encodeName(job.Path).constData()) == 0;
        if (!ok) {
            ::close(fd);
            ::unlink(name.constData());
            QFile::remove(BasePath(job.Path));
            return TResult{job.Path, false, true, false};
        }
        open_[job.Path] = TOpenJournal{fd, info.st_size, false};
        return TResult{job.Path, true, false, false};
    }

    static bool CopyBase(const QString& from, const QString& to) {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const int fd = ::open(QFile::encodeName(to).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        bool ok = true;
        while (ok && !in.atEnd()) {
            const QByteArray chunk = in.read(1 << 20);
            ok = !chunk.isEmpty() && WriteAllToDescriptor(fd, chunk) == 0;
        }
        ok = ok && ::fsync(fd) == 0;
        ::close(fd);
        if (!ok)
            QFile::remove(to);
        return ok;
    }

    std::function<void()> wakeOwner_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<TJob> jobs_;
    std::vector<TResult> results_;
    quint64 posted_ = 0;
    quint64 finished_ = 0;
    bool stop_ = false;
    std::map<QString, TOpenJournal> open_;
    std::thread thread_;
};

TGlyphRecoveryJournal::TGlyphRecoveryJournal(TCustomGlyphEdit& edit, QString folder)
    : edit_(edit), folder_(std::move(folder)) {
    timer_.setSingleShot(true);
    timer_.setInterval(QuietMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Write(); });
}

// The writer's thread starts with the first batch: a window whose document is never edited
// never starts one.
TGlyphRecoveryWriter& TGlyphRecoveryJournal::Writer() {
    if (!writer_) {
        writer_ = std::make_unique<TGlyphRecoveryWriter>([this] {
            QMetaObject::invokeMethod(
                &timer_, [this] { TakeWriterResults(); }, Qt::QueuedConnection);
        });
    }
    return *writer_;
}

TGlyphRecoveryJournal::~TGlyphRecoveryJournal() = default;

void TGlyphRecoveryJournal::LinesChanged(const TGlyphLinesChange& change) {
    if (path_.isEmpty())
        return;
    if (needsSnapshot_) {
        Schedule();
        return;
    }
    const TGlyphEditStringList& lines = edit_.Lines();
    switch (change.Kind) {
    case TGlyphLinesChange::Cleared:
        // A new document or a load clears the lines, and a Restart follows; should none come,
        // the whole text is written instead of the edits.
        pending_.clear();
        needsSnapshot_ = true;
        break;
    case TGlyphLinesChange::Changed:
        if (change.Count > MaxPendingEdits) {
            // Many lines rewritten at once (replace all): the whole text, taken once when the
            // batch is written, costs less than an edit for every line.
            pending_.clear();
            needsSnapshot_ = true;
            break;
        }
        if (change.Count > 1) {
            for (int i = change.Index; i < change.Index + change.Count; ++i)
                pending_.append({'S', i, 1, {lines.GetLine(i)}});
            break;
        }
        if (!pending_.isEmpty() && pending_.last().Kind == 'S' &&
            pending_.last().Index == change.Index)
            pending_.last().Texts[0] = lines.GetLine(change.Index);
        else
            pending_.append({'S', change.Index, 1, {lines.GetLine(change.Index)}});
        break;
    case TGlyphLinesChange::Added:
    case TGlyphLinesChange::Inserted: {
        TEdit edit{'I', change.Index, change.Count, {}};
        for (int i = 0; i < change.Count; ++i)
            edit.Texts << lines.GetLine(change.Index + i);
        pending_.append(std::move(edit));
        break;
    }
    case TGlyphLinesChange::Deleted:
        pending_.append({'D', change.Index, change.Count, {}});
        break;
    }
    Schedule();
}

void TGlyphRecoveryJournal::Schedule() {
    if (++pendingEdits_ >= MaxPendingEdits)
        Write();
    else
        timer_.start(paused_ ? RetryMilliseconds : QuietMilliseconds);
}

QString TGlyphRecoveryJournal::NewPath() {
    static int counter = 0;
    return QDir(folder_).filePath(QStringLiteral("%1-%2-%3")
                                      .arg(QCoreApplication::applicationPid())
                                      .arg(QDateTime::currentMSecsSinceEpoch())
                                      .arg(++counter) +
                                  JournalSuffix);
}

void TGlyphRecoveryJournal::Restart(const QString& fileName, bool baseIsFile) {
    Discard();
    fileName_ = fileName;
    baseIsFile_ = baseIsFile;
    // Without a file to stand on, the journal starts with the whole text: small for a new
    // document, and taken once for a recovered one.
    needsSnapshot_ = !baseIsFile;
    path_ = NewPath();
}

void TGlyphRecoveryJournal::Flush() {
    Write();
    if (!writer_)
        return;
    writer_->Wait();
    // A journal someone removed is written anew at once; wait for that too.
    if (TakeWriterResults()) {
        writer_->Wait();
        TakeWriterResults();
    }
}

void TGlyphRecoveryJournal::Keep() {
    Flush();
    timer_.stop();
    pending_.clear();
    // The writer lets go of the journal (and its lock) when it goes; the file stays.
    writtenPath_.clear();
    path_.clear();
}

void TGlyphRecoveryJournal::Write() {
    timer_.stop();
    pendingEdits_ = 0;
    if (path_.isEmpty())
        return;
    // Back at the saved text: nothing to keep, and the edits so far need not be replayed.
    if (!edit_.Modified()) {
        pending_.clear();
        if (!needsSnapshot_ && !writtenPath_.isEmpty())
            Restart(fileName_, baseIsFile_);
        return;
    }
    const bool snapshot = needsSnapshot_;
    if (needsSnapshot_) {
        pending_ = {{'C', 0, 0, {}}, {'I', 0, edit_.LineCount(), edit_.Lines().Lines()}};
        needsSnapshot_ = false;
    }
    if (pending_.isEmpty())
        return;
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    for (const TEdit& edit : pending_) {
        out << qint8(edit.Kind) << qint32(edit.Index) << qint32(edit.Count);
        if (edit.Kind == 'S' || edit.Kind == 'I')
            for (const QString& text : edit.Texts)
                out << text;
    }
    pending_.clear();
    TGlyphRecoveryWriter::TJob job{path_, {}, {}, Framed(payload), false, snapshot};
    if (writtenPath_.isEmpty()) {
        job.BaseFrom = baseIsFile_ ? fileName_ : QString();
        job.Header = HeaderFrame();
        writtenPath_ = path_;
        MakePrivateFolder(folder_);
    }
    Writer().Post(std::move(job));
}

bool TGlyphRecoveryJournal::TakeWriterResults() {
    if (!writer_)
        return false;
    bool writeAgain = false;
    for (const TGlyphRecoveryWriter::TResult& result : writer_->TakeResults()) {
        if (result.Path != writtenPath_)
            continue; // a journal since discarded
        if (result.Removed) {
            // The folder goes with it, often: both come back with the whole text.
            writtenPath_.clear();
            path_ = NewPath();
            needsSnapshot_ = true;
            writeAgain = true;
            continue;
        }
        if (result.Ok) {
            if (paused_) {
                paused_ = false;
                if (OnPaused)
                    OnPaused(false);
            }
            continue;
        }
        // The edits of the lost batch are in no journal: the whole text goes next time.
        needsSnapshot_ = true;
        if (result.Lost) {
            writtenPath_.clear();
            path_ = NewPath();
        }
        if (!paused_) {
            paused_ = true;
            if (OnPaused)
                OnPaused(true);
        }
    }
    if (writeAgain && !paused_)
        Write();
    else if (paused_ && !path_.isEmpty() && !timer_.isActive())
        timer_.start(RetryMilliseconds);
    return writeAgain && !paused_;
}

QByteArray TGlyphRecoveryJournal::HeaderFrame() const {
    const TGlyphEditStringList& lines = edit_.Lines();
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.writeRawData(Magic, sizeof Magic);
    out << fileName_ << qint8(lines.Encoding()) << lines.HasByteOrderMark()
        << qint8(lines.LineBreakStyle()) << lines.BreakAfterLastLine() << baseIsFile_;
    return Framed(payload);
}

void TGlyphRecoveryJournal::Discard() {
    timer_.stop();
    pending_.clear();
    pendingEdits_ = 0;
    needsSnapshot_ = false;
    if (paused_) {
        paused_ = false;
        if (OnPaused)
            OnPaused(false);
    }
    if (!writtenPath_.isEmpty())
        Writer().Post({writtenPath_, {}, {}, {}, true, false});
    writtenPath_.clear();
    path_.clear();
}

// ---------------------------------------------------------------------------------------------
// Reading back

TGlyphRecoveryClaim::~TGlyphRecoveryClaim() {
    if (fd_ >= 0)
        ::close(fd_);
}

TGlyphRecoveryClaim::TGlyphRecoveryClaim(TGlyphRecoveryClaim&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

std::vector<TGlyphRecoveryClaim> OrphanedRecoveryJournals(const QString& folder) {
    std::vector<TGlyphRecoveryClaim> orphans;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + JournalSuffix}, QDir::Files, QDir::Time)) {
        const QString path = dir.filePath(name);
        // A link is no journal of ours, whatever it points at.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // The lock is held until the claim goes: a program starting beside this one finds the
        // journal locked, as if its process still ran.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            orphans.emplace_back(path, fd);
        else
            ::close(fd);
    }
    return orphans;
}

namespace {

void Replay(TGlyphEditStringList& lines, QDataStream& in) {
    while (!in.atEnd()) {
        qint8 kind = 0;
        qint32 index = 0, count = 0;
        in >> kind >> index >> count;
        if (in.status() != QDataStream::Ok || count < 0)
            throw EGlyphError(QString());
        if (kind == 'C') {
            lines.RemoveAll();
        } else if (kind == 'D') {
            lines.RemoveLines(index, count);
        } else if (kind == 'S' || kind == 'I') {
            for (int i = 0; i < count; ++i) {
                QString text;
                in >> text;
                if (in.status() != QDataStream::Ok)
                    throw EGlyphError(QString());
                if (kind == 'S')
                    lines.SetLine(index, text);
                else
                    lines.InsertLine(index + i, text);
            }
        } else {
            throw EGlyphError(QString());
        }
    }
}

} // namespace

TGlyphRecoveredText ReadRecoveryJournal(const QString& journalPath) {
    const QString unreadable =
        QStringLiteral("The recovery file \"%1\" cannot be read.").arg(journalPath);
    const int fd =
        ::open(QFile::encodeName(journalPath).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        throw EGlyphError(unreadable);
    }
    const QByteArray bytes = file.readAll();
    // The header frame's payload starts with the magic, after the frame's length.
    const bool checksums =
        !bytes.mid(sizeof(quint32), sizeof MagicWithoutChecksums).startsWith(MagicWithoutChecksums);
    QDataStream frames(bytes);
    QList<QByteArray> payloads;
    while (!frames.atEnd()) {
        quint32 size = 0;
        quint16 checksum = 0;
        frames >> size;
        if (checksums)
            frames >> checksum;
        if (frames.status() != QDataStream::Ok || size > quint32(bytes.size()))
            break;
        QByteArray payload(qsizetype(size), Qt::Uninitialized);
        if (frames.readRawData(payload.data(), int(size)) != int(size) ||
            (checksums && qChecksum(payload) != checksum))
            break; // a batch cut off by the end of the process or a full disk
        payloads << payload;
    }
    if (payloads.isEmpty())
        throw EGlyphError(unreadable);

    TGlyphRecoveredText result;
    struct stat info {};
    if (::fstat(file.handle(), &info) == 0)
        result.LastChange = QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
    bool baseIsFile = false;
    try {
        QDataStream header(payloads.first());
        char magic[sizeof Magic] = {};
        header.readRawData(magic, sizeof magic);
        qint8 encoding = 0, style = 0;
        header >> result.FileName >> encoding >> result.ByteOrderMark >> style >>
            result.BreakAfterLastLine >> baseIsFile;
        if (header.status() != QDataStream::Ok ||
            qstrcmp(magic, checksums ? Magic : MagicWithoutChecksums) != 0 || encoding < 0 ||
            encoding > qint8(TTextEncoding::Windows1252) || style < lbsCrLf || style > lbsCr)
            throw EGlyphError(QString());
        result.Encoding = TTextEncoding(encoding);
        result.LineBreakStyle = TLineBreakStyle(style);
    } catch (const std::exception&) {
        throw EGlyphError(unreadable);
    }
    // The batches replayed on the base; from a batch that does not replay (written by a
    // version that cut nothing off after a full disk) on, nothing counts, but every whole batch
    // before it does. FailedAt tells which batch failed, -1 when none did.
    const auto replay = [&](qsizetype count, qsizetype& failedAt) {
        failedAt = -1;
        TGlyphEditStringList lines;
        if (baseIsFile) {
            if (QFileInfo(BasePath(journalPath)).isSymLink())
                throw EGlyphError(unreadable);
            lines.LoadFile(BasePath(journalPath), result.Encoding);
        }
        for (qsizetype i = 1; i < count && failedAt < 0; ++i) {
            QDataStream in(payloads[i]);
            try {
                Replay(lines, in);
            } catch (const std::exception&) {
                failedAt = i;
            }
        }
        return lines.AllText();
    };
    try {
        qsizetype failedAt = -1;
        result.Text = replay(payloads.size(), failedAt);
        if (failedAt >= 0)
            result.Text = replay(failedAt, failedAt);
    } catch (const std::exception&) {
        throw EGlyphError(unreadable);
    }
    return result;
}

void RemoveRecoveryJournal(const QString& journalPath) {
    QFile::remove(journalPath);
    QFile::remove(BasePath(journalPath));
}
