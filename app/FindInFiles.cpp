#include "app/FindInFiles.h"

#include "common/FileUtils.h"
#include "common/GlyphErrors.h"
#include "editor/TGlyphEditStringList.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool HasUtf16Mark(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

// Horspool over bytes folded to ASCII lower case; the needle is folded already.
bool ContainsFolded(QByteArrayView haystack, QByteArrayView needle) {
    const qsizetype m = needle.size();
    const qsizetype n = haystack.size();
    if (m == 0)
        return true;
    if (n < m)
        return false;
    const auto fold = [](uchar c) { return c >= 'A' && c <= 'Z' ? uchar(c + 32) : c; };
    std::array<qsizetype, 256> shift;
    shift.fill(m);
    for (qsizetype j = 0; j + 1 < m; ++j) {
        const uchar c = uchar(needle[j]);
        shift[c] = m - 1 - j;
        if (c >= 'a' && c <= 'z')
            shift[c - 32] = m - 1 - j;
    }
    const auto* h = reinterpret_cast<const uchar*>(haystack.data());
    const auto* p = reinterpret_cast<const uchar*>(needle.data());
    const uchar last = p[m - 1];
    for (qsizetype i = m - 1; i < n;) {
        const uchar c = h[i];
        if (fold(c) == last) {
            qsizetype k = 0;
            while (k + 1 < m && fold(h[i - m + 1 + k]) == p[k])
                ++k;
            if (k + 1 == m)
                return true;
        }
        i += shift[c];
    }
    return false;
}

// The ASCII letters some character beyond ASCII folds onto (the Kelvin sign onto k): a
// pattern holding one of them may match text that is not ASCII where it matches.
const std::array<bool, 128>& AmbiguousFolds() {
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> t{};
        const char16_t* lower = GlyphSearchTables::LowerCaseTable();
        for (int c = 0x80; c < 0x10000; ++c) {
            if (lower[c] < 0x80)
                t[lower[c]] = true;
        }
        return t;
    }();
    return table;
}

bool HasHighByte(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    uchar high = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        high |= p[i];
    return high >= 0x80;
}

// Reads a regular file opened at `name` below `folderFd` (AT_FDCWD for a full path) without
// following a final link and without blocking; it must still be the file the walk found.
// Answers the reason it cannot, or nothing.
std::optional<QString> ReadFileAt(int folderFd, const char* name, dev_t device, ino_t inode,
                                  QByteArray& bytes, struct stat& st) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("It cannot be opened: %1.").arg(SystemError(errno));
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &st) != 0)
        return QStringLiteral("It cannot be examined: %1.").arg(SystemError(errno));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("It is not a regular file.");
    if (st.st_dev != device || st.st_ino != inode)
        return QStringLiteral("It was replaced by another file while it was searched.");
    if (st.st_size > FindInFilesMaxFileSize)
        return QStringLiteral("It is larger than 64 MB.");
    // The size may change while it is read: read to the end, never past the limit.
    bytes.resize(qsizetype(st.st_size));
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (bytes.size() > FindInFilesMaxFileSize)
                return QStringLiteral("It is larger than 64 MB.");
            bytes.resize(bytes.size() + 4096);
        }
        const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return QStringLiteral("It cannot be read: %1.").arg(SystemError(errno));
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    return std::nullopt;
}

// Opens the folder of a real path one name at a time, refusing every link on the way, so a
// folder swapped for a link after the walk can never lead a write elsewhere.
int OpenFolderOf(const QByteArray& realPath, QByteArray& name) {
    const QList<QByteArray> parts = realPath.split('/');
    if (parts.size() < 2 || !parts.first().isEmpty())
        throw EGlyphFileError(QStringLiteral("Its path is not a full path."));
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (qsizetype i = 1; fd >= 0 && i + 1 < parts.size(); ++i) {
        const int next =
            ::openat(fd, parts[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    if (fd < 0)
        throw EGlyphFileError(
            QStringLiteral("Its folder cannot be reached without following a link: %1.")
                .arg(SystemError(errno)));
    name = parts.last();
    return fd;
}

// Writes bytes to `name` in the folder through a new file beside it that replaces it only once
// it is complete, with the owner and mode given. A link standing at `name` is replaced, never
// followed.
void WriteFileAt(int folderFd, const QByteArray& name, const QByteArray& bytes,
                 const struct stat& like) {
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        temp = '.' + name.left(64) + ".~glyphon" +
               QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::openat(folderFd, temp.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw EGlyphFileError(SystemError(errno));
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlinkat(folderFd, temp.constData(), 0);
        throw EGlyphFileError(SystemError(error));
    };
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            fail(put < 0 ? errno : ENOSPC);
        done += put;
    }
    // The owner first: changing it clears the set-id bits the mode then puts back. Only the
    // superuser may give a file away, so a failure leaves the writer as owner.
    if (::fchown(fd, like.st_uid, like.st_gid) != 0) {
        // not fatal
    }
    if (::fchmod(fd, like.st_mode & 07777) != 0 || ::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlinkat(folderFd, temp.constData(), 0);
        throw EGlyphFileError(SystemError(error));
    }
    if (::renameat(folderFd, temp.constData(), folderFd, name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(folderFd, temp.constData(), 0);
        throw EGlyphFileError(SystemError(error));
    }
}

void LoadLines(TGlyphEditStringList& lines, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    lines.LoadStream(buffer);
}

} // namespace

bool LooksBinary(const QByteArray& bytes) {
    if (HasUtf16Mark(bytes))
        return false;
    return std::memchr(bytes.constData(), 0, size_t(std::min(bytes.size(), BinaryProbeSize)));
}

// ---- Matching lines ----

TLineMatcher::TLineMatcher(const TFindInFilesOptions& options) : regex_(options.RegularExpression) {
    if (options.Text.isEmpty()) {
        error_ = QStringLiteral("There is no text to find.");
        return;
    }
    if (regex_) {
        // Whole words: no word character may touch the match on either side.
        const QString pattern = options.WholeWords
                                    ? QStringLiteral("(?<!\\w)(?:%1)(?!\\w)").arg(options.Text)
                                    : options.Text;
        QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
        if (!options.MatchCase)
            flags |= QRegularExpression::CaseInsensitiveOption;
        expression_ = QRegularExpression(pattern, flags);
        if (!expression_.isValid())
            error_ = QStringLiteral("The regular expression is not valid: %1 (at character %2).")
                         .arg(expression_.errorString())
                         .arg(expression_.patternErrorOffset() + 1);
        else
            expression_.optimize();
        return;
    }
    engine_.SetPattern(options.Text);
    engine_.SetMatchCase(options.MatchCase);
    engine_.SetWholeWord(options.WholeWords);
    if (options.MatchCase) {
        exactNeedles_ << options.Text.toUtf8();
        if (const auto cp1252 = EncodeTextAs(options.Text, TTextEncoding::Windows1252);
            cp1252 && *cp1252 != exactNeedles_.first())
            exactNeedles_ << *cp1252;
        return;
    }
    const char16_t* lower = GlyphSearchTables::LowerCaseTable();
    for (QChar c : options.Text) {
        const char16_t folded = lower[c.unicode()];
        if (folded >= 0x80) {
            foldedNonAscii_ = true;
            continue;
        }
        foldedNeedle_ += char(folded);
        foldedAmbiguous_ = foldedAmbiguous_ || AmbiguousFolds()[folded];
    }
}

QList<std::pair<int, int>> TLineMatcher::Matches(const QString& line) {
    QList<std::pair<int, int>> found;
    if (regex_) {
        QRegularExpressionMatchIterator it = expression_.globalMatch(line);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            found.append({int(m.capturedStart()), int(m.capturedLength())});
        }
        return found;
    }
    const int length = int(engine_.Pattern().size());
    const int count = engine_.FindAllInLine(line);
    for (int i = 0; i < count; ++i)
        found.append({engine_.MatchAt(i) - 1, length});
    return found;
}

QString TLineMatcher::Replaced(const QString& line, const QString& replacement, int& count) {
    const QList<std::pair<int, int>> matches = Matches(line);
    count = int(matches.size());
    if (count == 0)
        return line;
    if (regex_) {
        QString result = line;
        return result.replace(expression_, replacement);
    }
    QString result;
    result.reserve(line.size() + count * (replacement.size() - matches.first().second));
    int from = 0;
    for (const auto& [start, length] : matches) {
        result += QStringView(line).mid(from, start - from);
        result += replacement;
        from = start + length;
    }
    result += QStringView(line).mid(from);
    return result;
}

bool TLineMatcher::MayMatch(const QByteArray& bytes) const {
    if (regex_ || HasUtf16Mark(bytes))
        return true;
    if (!exactNeedles_.isEmpty()) {
        return std::any_of(exactNeedles_.begin(), exactNeedles_.end(),
                           [&](const QByteArray& needle) { return bytes.contains(needle); });
    }
    const bool high = HasHighByte(bytes);
    // Folded text beyond ASCII is only ever matched by text beyond ASCII.
    if (foldedNonAscii_ || (foldedAmbiguous_ && high))
        return high;
    return ContainsFolded(bytes, foldedNeedle_);
}

// ---- One file ----

TFileFindings SearchFileBytes(const QString& fileName, const QByteArray& bytes,
                              TLineMatcher& matcher) {
    TFileFindings findings;
    findings.FileName = fileName;
    if (!matcher.MayMatch(bytes))
        return findings;
    TGlyphEditStringList lines;
    try {
        LoadLines(lines, bytes);
    } catch (const EGlyphError& e) {
        findings.SkipReason = e.Message();
        return findings;
    }
    for (int i = 0; i < lines.LineCount(); ++i) {
        const QString line = lines.GetLine(i);
        for (const auto& [start, length] : matcher.Matches(line)) {
            ++findings.Matches;
            if (findings.Rows.size() < TResultsPane::MaxRows)
                findings.Rows << ResultExcerpt(TResultRow{fileName, i + 1, start + 1, {}, -1, 0},
                                               line, start, length);
        }
    }
    return findings;
}

int ReplaceInFile(const TFileFindings& file, const TFindInFilesOptions& options,
                  TLineMatcher& matcher) {
    QByteArray name;
    const int folderFd = OpenFolderOf(file.RealPath, name);
    const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
    QByteArray bytes;
    struct stat st {};
    if (const auto reason =
            ReadFileAt(folderFd, name.constData(), file.Device, file.Inode, bytes, st))
        throw EGlyphFileError(*reason);
    if (LooksBinary(bytes))
        throw EGlyphFileError(QStringLiteral("It is a binary file."));
    if ((st.st_mode & 0222) == 0 || ::faccessat(folderFd, name.constData(), W_OK, 0) != 0)
        throw EGlyphFileError(QStringLiteral("It is read-only."));

    TGlyphEditStringList lines;
    LoadLines(lines, bytes);
    int total = 0;
    for (int i = 0; i < lines.LineCount(); ++i) {
        int count = 0;
        const QString line = lines.GetLine(i);
        const QString replaced = matcher.Replaced(line, options.Replacement, count);
        if (count > 0 && replaced != line)
            lines.SetLine(i, replaced);
        total += count;
    }
    if (total == 0)
        return 0;
    if (!lines.CanEncodeAs(lines.Encoding()))
        throw EGlyphFileError(
            QStringLiteral("The replacement cannot be stored in %1, the file's encoding.")
                .arg(TextEncodingName(lines.Encoding(), false)));
    const QByteArray changed = lines.SaveToBytes();
    const QByteArray backup = QFile::encodeName(BackupFileName(QFile::decodeName(name)));
    try {
        WriteFileAt(folderFd, backup, bytes, st);
    } catch (const EGlyphError& e) {
        throw EGlyphFileError(QStringLiteral("Its backup cannot be written: %1.").arg(e.Message()));
    }
    try {
        WriteFileAt(folderFd, name, changed, st);
    } catch (const EGlyphError& e) {
        throw EGlyphFileError(QStringLiteral("It cannot be written: %1.").arg(e.Message()));
    }
    return total;
}

// ---- The worker ----

TFindInFilesWorker::TFindInFilesWorker(QObject* parent) : QObject(parent) {
    qRegisterMetaType<TFileFindings>();
    qRegisterMetaType<QList<TFileFindings>>();
    qRegisterMetaType<TFilesTotals>();
}

TFindInFilesWorker::~TFindInFilesWorker() {
    Cancel();
    Wait();
}

void TFindInFilesWorker::Cancel() {
    cancel_ = true;
}

bool TFindInFilesWorker::Running() const {
    return thread_ && thread_->isRunning();
}

void TFindInFilesWorker::Wait() {
    if (thread_)
        thread_->wait();
}

void TFindInFilesWorker::Start(std::function<void()> work) {
    Cancel();
    Wait();
    cancel_ = false;
    thread_.reset(QThread::create(std::move(work)));
    thread_->start(QThread::LowPriority);
}

void TFindInFilesWorker::StartFind(const TFindInFilesOptions& options) {
    Start([this, options] { RunFind(options); });
}

void TFindInFilesWorker::StartReplace(const TFindInFilesOptions& options,
                                      const QList<TFileFindings>& files,
                                      const QHash<QByteArray, QString>& keepOut) {
    Start([this, options, files, keepOut] { RunReplace(options, files, keepOut); });
}

void TFindInFilesWorker::RunFind(TFindInFilesOptions options) {
    TFilesTotals totals;
    TLineMatcher matcher(options);
    if (!matcher.Error().isEmpty()) {
        totals.Error = matcher.Error();
        emit Finished(totals);
        return;
    }
    TFolderWalk walk(options.Walk, cancel_);
    QList<TFileFindings> batch;
    QElapsedTimer sinceReport;
    sinceReport.start();
    QString current;
    const auto report = [&](bool always) {
        if (!always && batch.size() < 256 && sinceReport.elapsed() < 100)
            return;
        if (!batch.isEmpty())
            emit Found(batch);
        batch.clear();
        emit Progress(totals.FilesSearched, current);
        sinceReport.restart();
    };
    const auto skipped = [&](const QString& fileName, const QString& reason) {
        ++totals.Skipped;
        TFileFindings findings;
        findings.FileName = fileName;
        findings.SkipReason = reason;
        batch << findings;
        report(false);
    };
    const auto found = [&](const TWalkedFile& file) {
        current = file.FileName;
        QByteArray bytes;
        struct stat st {};
        std::optional<QString> reason;
        if (file.Size > FindInFilesMaxFileSize)
            reason = QStringLiteral("It is larger than 64 MB.");
        else
            reason =
                ReadFileAt(AT_FDCWD, file.RealPath.constData(), file.Device, file.Inode, bytes, st);
        if (!reason && LooksBinary(bytes))
            reason = QStringLiteral("It is a binary file.");
        if (reason) {
            skipped(file.FileName, *reason);
            return;
        }
        TFileFindings findings = SearchFileBytes(file.FileName, bytes, matcher);
        if (!findings.SkipReason.isEmpty()) {
            skipped(file.FileName, findings.SkipReason);
            return;
        }
        ++totals.FilesSearched;
        if (findings.Matches > 0) {
            findings.RealPath = file.RealPath;
            findings.Device = file.Device;
            findings.Inode = file.Inode;
            ++totals.FilesMatched;
            totals.Matches += findings.Matches;
            batch << findings;
        }
        report(false);
    };
    if (walk.Root().isEmpty() || !walk.Run(found, skipped))
        totals.Error = QStringLiteral("The folder \"%1\" cannot be read.").arg(options.Walk.Folder);
    report(true);
    totals.Cancelled = cancel_;
    emit Finished(totals);
}

void TFindInFilesWorker::RunReplace(TFindInFilesOptions options, QList<TFileFindings> files,
                                    QHash<QByteArray, QString> keepOut) {
    TFilesTotals totals;
    TLineMatcher matcher(options);
    if (!matcher.Error().isEmpty()) {
        totals.Error = matcher.Error();
        emit Finished(totals);
        return;
    }
    QList<TFileFindings> batch;
    for (const TFileFindings& file : files) {
        if (cancel_)
            break;
        TFileFindings done = file;
        done.Rows.clear();
        done.Matches = 0;
        if (keepOut.contains(file.RealPath)) {
            done.SkipReason = keepOut.value(file.RealPath);
        } else {
            try {
                done.Matches = ReplaceInFile(file, options, matcher);
            } catch (const EGlyphError& e) {
                done.SkipReason = e.Message();
            }
        }
        ++totals.FilesSearched;
        if (!done.SkipReason.isEmpty())
            ++totals.Skipped;
        else if (done.Matches > 0)
            ++totals.FilesMatched;
        totals.Matches += done.Matches;
        batch << done;
        emit Found(batch);
        emit Progress(totals.FilesSearched, file.FileName);
        batch.clear();
    }
    totals.Cancelled = cancel_;
    emit Finished(totals);
}
