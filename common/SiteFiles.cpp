#include "common/SiteFiles.h"

#include "common/AppTitle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Path with its links resolved where it exists, else only cleaned.
QString RealPath(const QString& path) {
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : real;
}

// The names of Path below Folder; empty when Path is not below it.
QStringList NamesBelow(const QString& path, const QString& folder) {
    const QString prefix = folder.endsWith('/') ? folder : folder + '/';
    if (!path.startsWith(prefix))
        return {};
    return path.mid(prefix.size()).split('/', Qt::SkipEmptyParts);
}

bool InFolder(const QString& path, const QString& folder) {
    return path == folder || !NamesBelow(path, folder).isEmpty();
}

// The maker's folders in each per-user place: settings, sites, recovery journals, previews and
// the user dictionary are no page's business.
QStringList ProgramUserFolders() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    QStringList folders;
    for (const QString& base :
         {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
          QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), state}) {
        if (!base.isEmpty())
            folders << RealPath(base + '/' + MakerName());
    }
    return folders;
}

// Why the file at the real path Path is no file of Site; empty when it is one.
QString RefusalOf(const TSite& site, const QString& path) {
    const QStringList names = NamesBelow(path, site.Root);
    if (names.isEmpty())
        return QStringLiteral("it lies outside the site %1").arg(site.Root);
    if (site.Flat && names.size() > 1)
        return QStringLiteral("it lies in a subfolder of %1, which is no site").arg(site.Root);
    for (const QString& name : names) {
        if (name.startsWith('.'))
            return QStringLiteral("hidden files and folders are not reached");
    }
    for (const QString& folder : ProgramUserFolders()) {
        if (InFolder(path, folder))
            return QStringLiteral("it is one of the program's own files");
    }
    return {};
}

} // namespace

TSite SiteOf(const QString& fileName) {
    const QString file = RealPath(fileName);
    const QString folder = QFileInfo(file).path();
    const QString home = RealPath(QDir::homePath());
    const QStringList belowHome = home == "/" ? QStringList() : NamesBelow(file, home);
    if (!belowHome.isEmpty())
        return belowHome.size() >= 2 ? TSite{home + '/' + belowHome[0], false} : TSite{home, true};
    const QStringList names = file.split('/', Qt::SkipEmptyParts);
    if (names.size() >= 3)
        return {'/' + names[0] + '/' + names[1], false};
    return {folder, true};
}

TSiteFile OpenRegularFile(const QString& path) {
    TSiteFile result;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.Missing = true;
        result.Refusal = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        result.Refusal = QStringLiteral("it is not a regular file");
        return result;
    }
    result.Fd = fd;
    result.Size = info.st_size;
    return result;
}

TSiteFile OpenSiteFile(const TSite& site, const QString& path) {
    // Nothing outside the site is even opened: opening a device may already do something.
    const QString asked = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (const QString refusal = RefusalOf(site, RealPath(asked)); !refusal.isEmpty()) {
        TSiteFile refused;
        refused.Refusal = refusal;
        return refused;
    }
    TSiteFile result = OpenRegularFile(asked);
    if (result.Fd < 0)
        return result;
    // The place of what was opened, whatever the name pointed at before.
    char real[PATH_MAX + 1] = {};
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(result.Fd);
    const ssize_t length = ::readlink(link.constData(), real, PATH_MAX);
    result.Refusal = length <= 0 ? QStringLiteral("its place cannot be told")
                                 : RefusalOf(site, QFile::decodeName(QByteArray(real, length)));
    if (!result.Refusal.isEmpty()) {
        ::close(result.Fd);
        result.Fd = -1;
    }
    return result;
}
