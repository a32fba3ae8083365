#include "common/Paths.h"

#include "common/AppTitle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString& ProgramFolderOverride() {
    static QString folder;
    return folder;
}

QString WithTrailingSeparator(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}

// The application-data folder + Sub + Name, its folder created with all missing parents. A
// fresh account may not have $XDG_DATA_HOME yet, so it is created too. When that is impossible
// the path is still returned: the program's folder is shared by every user and read-only once
// installed, so writing the per-user file there is no way out; writing this path reports the
// failure under the file's own name.
QString DataFilePath(const QString& sub, const QString& name) {
    const QString appData = SpecialFolderPath(TSpecialFolder::ApplicationData,
                                              QDir::homePath() + QStringLiteral("/.local/share/"));
    const QString path = appData + sub + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}
} // namespace

QString DataFolderForExecutableFolder(const QString& exeFolder) {
    const QString installed =
        QDir::cleanPath(exeFolder + QStringLiteral("/../share/velmaris-glyphon"));
    if (QFileInfo(exeFolder).fileName() == QLatin1String("bin") && QFileInfo(installed).isDir())
        return WithTrailingSeparator(installed);
    return WithTrailingSeparator(exeFolder);
}

QString ProgramFolder() {
    if (!ProgramFolderOverride().isEmpty())
        return WithTrailingSeparator(ProgramFolderOverride());
    static const QString folder =
        DataFolderForExecutableFolder(QCoreApplication::applicationDirPath());
    return folder;
}

void SetProgramFolderOverride(const QString& folder) {
    ProgramFolderOverride() = folder;
}

QString ProgramFilePath(const QString& name) {
    return ProgramFolder() + name;
}

QString UserFilePath(TUserFolder folder, const QString& name) {
    QString base;
    switch (folder) {
    case TUserFolder::Config:
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        break;
    case TUserFolder::Cache:
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        break;
    case TUserFolder::State: {
        // Qt 6.4 names no state location; the XDG rule is simple enough to follow here.
        base = qEnvironmentVariable("XDG_STATE_HOME");
        if (!QDir::isAbsolutePath(base))
            base = QDir::homePath() + QStringLiteral("/.local/state");
        break;
    }
    }
    const QString product = WithTrailingSeparator(base) + MakerName() + '/' + ApplicationTitle();
    const QString path = product + '/' + name;
    const QString folderOfPath = QFileInfo(path).absolutePath();
    if (!QFileInfo(folderOfPath).isDir() && QDir().mkpath(folderOfPath)) {
        // Recent files, sites and unsaved text are nobody else's business.
        for (QString dir = folderOfPath; dir.startsWith(product); dir = QFileInfo(dir).path())
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        QFile::setPermissions(QFileInfo(product).path(), QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
    }
    return path;
}

QString UserOrShippedFilePath(const QString& name) {
    const QString own = UserFilePath(TUserFolder::Config, name);
    return QFileInfo::exists(own) ? own : ProgramFilePath(name);
}

QString SpecialFolderPath(TSpecialFolder folder, const QString& defaultPath) {
    QString path;
    switch (folder) {
    case TSpecialFolder::ApplicationData:
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        break;
    case TSpecialFolder::InternetCache: {
        const QString cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (!cache.isEmpty())
            path = WithTrailingSeparator(cache) + MakerName() + '/' + ApplicationTitle() +
                   "/Internet Cache";
        break;
    }
    }
    return path.isEmpty() ? defaultPath : WithTrailingSeparator(path);
}

QString InternetCacheFolder() {
    return SpecialFolderPath(TSpecialFolder::InternetCache);
}

QString MakerDataFilePath(const QString& name) {
    return DataFilePath(MakerName() + '/', name);
}

QString ProductDataFilePath(const QString& name) {
    return DataFilePath(MakerName() + '/' + ApplicationTitle() + '/', name);
}
