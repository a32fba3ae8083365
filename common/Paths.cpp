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

// The application-data folder + Sub + Name, when the folder of that file exists or can be made.
// A fresh account may not have $XDG_DATA_HOME yet, so it is created too rather than sending
// per-user files into the shared program folder.
QString DataFilePath(const QString& sub, const QString& name) {
    const QString appData = SpecialFolderPath(TSpecialFolder::ApplicationData);
    if (!appData.isEmpty()) {
        const QString path = appData + sub + name;
        if (QDir().mkpath(QFileInfo(path).absolutePath()))
            return path;
    }
    return ProgramFilePath(name);
}
} // namespace

QString ProgramFolder() {
    if (!ProgramFolderOverride().isEmpty())
        return WithTrailingSeparator(ProgramFolderOverride());
    return WithTrailingSeparator(QCoreApplication::applicationDirPath());
}

void SetProgramFolderOverride(const QString& folder) {
    ProgramFolderOverride() = folder;
}

QString ProgramFilePath(const QString& name) {
    return ProgramFolder() + name;
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
