#include "editor/TGlyphRecoveryJournal.h"

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
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char Magic[] = "VGRJ1";
const QString JournalSuffix = QStringLiteral(".journal");

QString BasePath(const QString& journalPath) {
    return journalPath + QStringLiteral(".base");
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0)
            return false;
        done += n;
    }
    return true;
}

// A frame is its length and its bytes, so that a batch cut off by a kill is recognised and left
// out when the journal is read.
QByteArray Framed(const QByteArray& payload) {
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out << quint32(payload.size());
    frame += payload;
    return frame;
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
    };

    TGlyphRecoveryWriter() : thread_([this] { Run(); }) {}
    ~TGlyphRecoveryWriter() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
        for (const auto& [path, fd] : open_)
            ::close(fd);
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

private:
    void Run() {
        for (;;) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            TJob job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            Do(job);
            lock.lock();
            ++finished_;
            done_.notify_all();
        }
    }

    void Do(const TJob& job) {
        const auto open = open_.find(job.Path);
        if (job.Remove) {
            if (open != open_.end()) {
                ::close(open->second);
                open_.erase(open);
            }
            RemoveRecoveryJournal(job.Path);
            return;
        }
        int fd = open != open_.end() ? open->second : Create(job);
        if (fd < 0 || !WriteAll(fd, job.Frame) || ::fsync(fd) != 0)
            qWarning("Cannot write the recovery file \"%s\".", qPrintable(job.Path));
    }

    int Create(const TJob& job) {
        if (!job.BaseFrom.isEmpty()) {
            QFile::remove(BasePath(job.Path));
            QFile base(job.BaseFrom);
            if (!base.copy(BasePath(job.Path)))
                return -1;
            QFile::setPermissions(BasePath(job.Path), QFile::ReadOwner | QFile::WriteOwner);
        }
        const QByteArray name = QFile::encodeName(job.Path);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !WriteAll(fd, job.Header)) {
            ::close(fd);
            return -1;
        }
        open_[job.Path] = fd;
        return fd;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<TJob> jobs_;
    quint64 posted_ = 0;
    quint64 finished_ = 0;
    bool stop_ = false;
    std::map<QString, int> open_;
    std::thread thread_;
};

TGlyphRecoveryJournal::TGlyphRecoveryJournal(TCustomGlyphEdit& edit, QString folder)
    : edit_(edit), folder_(std::move(folder)), writer_(std::make_unique<TGlyphRecoveryWriter>()) {
    timer_.setSingleShot(true);
    timer_.setInterval(QuietMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Write(); });
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
        timer_.start();
}

void TGlyphRecoveryJournal::Restart(const QString& fileName, bool baseIsFile) {
    Discard();
    fileName_ = fileName;
    baseIsFile_ = baseIsFile;
    // Without a file to stand on, the journal starts with the whole text: small for a new
    // document, and taken once for a recovered one.
    needsSnapshot_ = !baseIsFile;
    static int counter = 0;
    path_ = QDir(folder_).filePath(QStringLiteral("%1-%2-%3")
                                       .arg(QCoreApplication::applicationPid())
                                       .arg(QDateTime::currentMSecsSinceEpoch())
                                       .arg(++counter) +
                                   JournalSuffix);
}

void TGlyphRecoveryJournal::Flush() {
    Write();
    writer_->Wait();
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
    TGlyphRecoveryWriter::TJob job{path_, {}, {}, Framed(payload), false};
    if (writtenPath_.isEmpty()) {
        job.BaseFrom = baseIsFile_ ? fileName_ : QString();
        job.Header = HeaderFrame();
        writtenPath_ = path_;
        QDir().mkpath(folder_);
    }
    writer_->Post(std::move(job));
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
    if (!writtenPath_.isEmpty())
        writer_->Post({writtenPath_, {}, {}, {}, true});
    writtenPath_.clear();
    path_.clear();
}

// ---------------------------------------------------------------------------------------------
// Reading back

QStringList OrphanedRecoveryJournals(const QString& folder) {
    QStringList orphans;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + JournalSuffix}, QDir::Files, QDir::Time)) {
        const QString path = dir.filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0) {
            orphans << path; // reading it reports why it cannot be read
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            orphans << path;
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
        QStringLiteral("The recovery file \"%1\" cannot be read. It is kept.").arg(journalPath);
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        throw EGlyphError(unreadable);
    const QByteArray bytes = file.readAll();
    QDataStream frames(bytes);
    QList<QByteArray> payloads;
    while (!frames.atEnd()) {
        quint32 size = 0;
        frames >> size;
        if (frames.status() != QDataStream::Ok || size > quint32(bytes.size()))
            break;
        QByteArray payload(qsizetype(size), Qt::Uninitialized);
        if (frames.readRawData(payload.data(), int(size)) != int(size))
            break; // a batch cut off by the end of the process
        payloads << payload;
    }
    if (payloads.isEmpty())
        throw EGlyphError(unreadable);

    TGlyphRecoveredText result;
    result.LastChange = QFileInfo(file).lastModified();
    try {
        QDataStream header(payloads.first());
        char magic[sizeof Magic] = {};
        header.readRawData(magic, sizeof magic);
        qint8 encoding = 0, style = 0;
        bool baseIsFile = false;
        header >> result.FileName >> encoding >> result.ByteOrderMark >> style >>
            result.BreakAfterLastLine >> baseIsFile;
        if (header.status() != QDataStream::Ok || qstrcmp(magic, Magic) != 0 || encoding < 0 ||
            encoding > qint8(TTextEncoding::Windows1252) || style < lbsCrLf || style > lbsCr)
            throw EGlyphError(QString());
        result.Encoding = TTextEncoding(encoding);
        result.LineBreakStyle = TLineBreakStyle(style);

        TGlyphEditStringList lines;
        if (baseIsFile)
            lines.LoadFile(BasePath(journalPath), result.Encoding);
        for (qsizetype i = 1; i < payloads.size(); ++i) {
            QDataStream in(payloads[i]);
            Replay(lines, in);
        }
        result.Text = lines.AllText();
    } catch (const std::exception&) {
        throw EGlyphError(unreadable);
    }
    return result;
}

void RemoveRecoveryJournal(const QString& journalPath) {
    QFile::remove(journalPath);
    QFile::remove(BasePath(journalPath));
}
