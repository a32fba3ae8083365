#include "app/FolderWalk.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deeper than this a tree is taken to be made to exhaust the walk (each level holds a folder
// open).
constexpr int MaxDepth = 200;

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes a descriptor when it leaves scope.
struct TFd {
    int fd = -1;
    explicit TFd(int f) : fd(f) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() {
        if (fd >= 0)
            ::close(fd);
    }
};

// The names a folder holds, read through a copy of its descriptor so the descriptor itself
// stays open for opening them.
QList<QByteArray> FolderNames(int folderFd, int& error) {
    QList<QByteArray> names;
    error = 0;
    const int copy = ::dup(folderFd);
    if (copy < 0) {
        error = errno;
        return names;
    }
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        error = errno;
        ::close(copy);
        return names;
    }
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << name;
        errno = 0;
    }
    error = errno;
    ::closedir(dir);
    return names;
}

} // namespace

TFolderWalk::TFolderWalk(TFolderWalkOptions options, const std::atomic_bool& cancel)
    : options_(std::move(options)), cancel_(cancel), patterns_(ParsePatterns(options_.Patterns)) {
    char resolved[PATH_MAX];
    const QByteArray folder = QFile::encodeName(options_.Folder);
    if (!folder.isEmpty() && ::realpath(folder.constData(), resolved)) {
        struct stat st {};
        if (::stat(resolved, &st) == 0 && S_ISDIR(st.st_mode)) {
            rootBytes_ = resolved;
            root_ = QFile::decodeName(rootBytes_);
        }
    }
}

QList<QRegularExpression> TFolderWalk::ParsePatterns(const QString& patterns) {
    QList<QRegularExpression> list;
    for (const QString& part : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        list << QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                   QRegularExpression::CaseInsensitiveOption);
    }
    return list;
}

bool TFolderWalk::NameFits(const QString& name, const QList<QRegularExpression>& patterns) {
    if (patterns.isEmpty())
        return true;
    return std::any_of(patterns.begin(), patterns.end(), [&](const QRegularExpression& pattern) {
        return pattern.match(name).hasMatch();
    });
}

bool TFolderWalk::InsideRoot(const QByteArray& realPath) const {
    if (rootBytes_ == "/")
        return realPath.startsWith('/');
    return realPath == rootBytes_ || realPath.startsWith(rootBytes_ + '/');
}

bool TFolderWalk::Run(const TFileFound& found, const TSkipped& skipped) {
    if (rootBytes_.isEmpty())
        return false;
    const int fd = ::open(rootBytes_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    folders_.insert({st.st_dev, st.st_ino});
    found_ = &found;
    skipped_ = &skipped;
    WalkFolder(fd, rootBytes_, root_, 0);
    return true;
}

void TFolderWalk::WalkFolder(int folderFd, const QByteArray& realPath, const QString& shownPath,
                             int depth) {
    const TFd owner(folderFd);
    int error = 0;
    const QList<QByteArray> names = FolderNames(folderFd, error);
    if (error != 0)
        (*skipped_)(shownPath,
                    QStringLiteral("The folder cannot be read: %1.").arg(SystemError(error)));
    for (const QByteArray& name : names) {
        if (cancel_.load(std::memory_order_relaxed))
            return;
        VisitEntry(folderFd, realPath, shownPath, name, depth);
    }
}

void TFolderWalk::VisitEntry(int folderFd, const QByteArray& realFolder, const QString& shownFolder,
                             const QByteArray& name, int depth) {
    const QString decoded = QFile::decodeName(name);
    const QString shown = shownFolder + u'/' + decoded;
    const QByteArray real = (realFolder == "/" ? QByteArray() : realFolder) + '/' + name;
    const bool fits = NameFits(decoded, patterns_);

    struct stat st {};
    if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (fits)
            (*skipped_)(shown,
                        QStringLiteral("It cannot be examined: %1.").arg(SystemError(errno)));
        return;
    }
    // A name that does not come back from its text would open some other file by that text.
    if (QFile::encodeName(decoded) != name) {
        if (fits || S_ISDIR(st.st_mode))
            (*skipped_)(shown, QStringLiteral("Its name is not valid in the system's encoding."));
        return;
    }

    const auto enterFolder = [&](int fd, const QByteArray& realPath) {
        struct stat own {};
        if (::fstat(fd, &own) != 0 || !folders_.insert({own.st_dev, own.st_ino}).second) {
            ::close(fd); // read already: a loop, or a second way to the same folder
            return;
        }
        if (depth + 1 > MaxDepth) {
            ::close(fd);
            (*skipped_)(shown, QStringLiteral("Its folders nest too deeply."));
            return;
        }
        WalkFolder(fd, realPath, shown, depth + 1);
    };
    const auto takeFile = [&](const struct stat& file, const QByteArray& realPath) {
        if (!fits || !files_.insert({file.st_dev, file.st_ino}).second)
            return;
        (*found_)(TWalkedFile{shown, realPath, file.st_dev, file.st_ino, qint64(file.st_size)});
    };
    const auto wantsFolder = [&] {
        return options_.Subfolders && (options_.HiddenFolders || !decoded.startsWith(u'.'));
    };
    const QString notRegular = QStringLiteral("It is not a regular file.");

    if (S_ISDIR(st.st_mode)) {
        if (!wantsFolder())
            return;
        const int fd =
            ::openat(folderFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            (*skipped_)(shown,
                        QStringLiteral("The folder cannot be read: %1.").arg(SystemError(errno)));
            return;
        }
        enterFolder(fd, real);
        return;
    }
    if (S_ISREG(st.st_mode)) {
        takeFile(st, real);
        return;
    }
    if (!S_ISLNK(st.st_mode)) {
        if (fits)
            (*skipped_)(shown, notRegular);
        return;
    }

    // A link: followed only to where it stays inside the folder.
    char resolved[PATH_MAX];
    if (!::realpath(real.constData(), resolved)) {
        if (fits)
            (*skipped_)(
                shown,
                QStringLiteral("It is a link that leads nowhere: %1.").arg(SystemError(errno)));
        return;
    }
    const QByteArray target(resolved);
    struct stat to {};
    if (::stat(resolved, &to) != 0)
        return;
    if (!InsideRoot(target)) {
        if (fits || (S_ISDIR(to.st_mode) && wantsFolder()))
            (*skipped_)(shown, QStringLiteral("It is a link that leads out of the folder."));
        return;
    }
    if (S_ISDIR(to.st_mode)) {
        if (!wantsFolder())
            return;
        const int fd = ::open(resolved, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
            enterFolder(fd, target);
        return;
    }
    if (S_ISREG(to.st_mode))
        takeFile(to, target);
    else if (fits)
        (*skipped_)(shown, notRegular);
}
