#include "app/ModifiedFilesRegistry.h"

#include "common/AppTitle.h"
#include "common/FileUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An entry: this first line, then "DEVICE INODE", then the real path, each ended by a newline
// (the path may hold newlines of its own: it runs to the last byte).
const QByteArray Magic = "glyphon-modified 1\n";
const char* const EntrySuffix = ".entry";
constexpr qsizetype MaxEntrySize = 16 * 1024;

// Opens the folder when it is a real folder of this user's that nobody else may write to;
// creates it first when it is missing. -1 when it cannot be trusted or reached.
int OpenTrustedFolder(const QString& folder, bool create) {
    const QByteArray path = QFile::encodeName(folder);
    if (path.isEmpty())
        return -1;
    if (create)
        ::mkdir(path.constData(), 0700);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ReadAll(int fd, QByteArray& bytes) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        bytes.append(buffer, got);
        if (bytes.size() > MaxEntrySize)
            return false;
    }
}

std::optional<TModifiedFile> ParseEntry(const QByteArray& bytes) {
    if (!bytes.startsWith(Magic) || !bytes.endsWith('\n'))
        return std::nullopt;
    const qsizetype idEnd = bytes.indexOf('\n', Magic.size());
    const QList<QByteArray> id = bytes.mid(Magic.size(), idEnd - Magic.size()).split(' ');
    const QByteArray path = bytes.mid(idEnd + 1, bytes.size() - idEnd - 2);
    if (id.size() != 2 || !path.startsWith('/'))
        return std::nullopt;
    bool deviceOk = false;
    bool inodeOk = false;
    TModifiedFile file{path, dev_t(id[0].toULongLong(&deviceOk)),
                       ino_t(id[1].toULongLong(&inodeOk))};
    if (!deviceOk || !inodeOk)
        return std::nullopt;
    return file;
}

} // namespace

TModifiedFilesRegistry::TModifiedFilesRegistry(QString folder) : folder_(std::move(folder)) {}

TModifiedFilesRegistry::~TModifiedFilesRegistry() {
    Withdraw();
}

QString TModifiedFilesRegistry::DefaultFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    return runtime + '/' + ApplicationTitle() + QStringLiteral(" modified files");
}

void TModifiedFilesRegistry::Note(const QString& fileName, bool modified) {
    if (fileName == fileName_ && modified == modified_)
        return;
    fileName_ = fileName;
    modified_ = modified;
    Withdraw();
    if (!modified || !QFileInfo(fileName).isAbsolute())
        return;
    const QString real = QFileInfo(fileName).canonicalFilePath();
    struct stat st {};
    const QByteArray realPath = QFile::encodeName(real);
    if (real.isEmpty() || ::stat(realPath.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    Enter(realPath, st.st_dev, st.st_ino);
}

void TModifiedFilesRegistry::Enter(const QByteArray& realPath, dev_t device, ino_t inode) {
    const int folderFd = OpenTrustedFolder(folder_, true);
    if (folderFd < 0)
        return;
    const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
    const QByteArray stem = QByteArray::number(::getpid()) + '-' +
                            QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    // Made and locked under a name readers pass over, then put in place: a reader never finds
    // an entry that is not locked yet.
    const QByteArray temp = '.' + stem;
    const int fd = ::openat(folderFd, temp.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray entry = Magic + QByteArray::number(quint64(device)) + ' ' +
                             QByteArray::number(quint64(inode)) + '\n' + realPath + '\n';
    const QByteArray name = stem + EntrySuffix;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || WriteAllToDescriptor(fd, entry) != 0 ||
        ::renameat(folderFd, temp.constData(), folderFd, name.constData()) != 0) {
        ::unlinkat(folderFd, temp.constData(), 0);
        ::close(fd);
        return;
    }
    fd_ = fd;
    entryName_ = name;
}

void TModifiedFilesRegistry::Withdraw() {
    if (fd_ < 0)
        return;
    // Removed before it is unlocked, so no reader takes it for one an ended process left.
    if (const int folderFd = OpenTrustedFolder(folder_, false); folderFd >= 0) {
        ::unlinkat(folderFd, entryName_.constData(), 0);
        ::close(folderFd);
    }
    ::close(fd_);
    fd_ = -1;
    entryName_.clear();
}

QList<TModifiedFile> TModifiedFilesRegistry::List(const QString& folder) {
    QList<TModifiedFile> files;
    const int folderFd = OpenTrustedFolder(folder, false);
    if (folderFd < 0)
        return files;
    DIR* dir = ::fdopendir(folderFd);
    if (!dir) {
        ::close(folderFd);
        return files;
    }
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent* item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name.startsWith('.') || !name.endsWith(EntrySuffix))
            continue;
        const int fd =
            ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        const auto closeEntry = qScopeGuard([fd] { ::close(fd); });
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
            st.st_size > MaxEntrySize)
            continue;
        // A lock held elsewhere is a live window's; one this reader gets was left behind.
        if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
            ::unlinkat(folderFd, name.constData(), 0);
            continue;
        }
        QByteArray bytes;
        if (!ReadAll(fd, bytes))
            continue;
        if (const auto file = ParseEntry(bytes))
            files << *file;
    }
    return files;
}

bool TModifiedFilesRegistry::Holds(const QList<TModifiedFile>& files, const QByteArray& realPath,
                                   dev_t device, ino_t inode) {
    return std::any_of(files.begin(), files.end(), [&](const TModifiedFile& file) {
        return (file.Device == device && file.Inode == inode) || file.RealPath == realPath;
    });
}
