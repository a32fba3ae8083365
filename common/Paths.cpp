#include "common/Paths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& ProgramFolderOverride() {
    static QString folder;
    return folder;
}

QString WithTrailingSeparator(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}
} // namespace

QString ProgramFolder() {
    if (!ProgramFolderOverride().isEmpty())
        return WithTrailingSeparator(ProgramFolderOverride());
    return WithTrailingSeparator(QCoreApplication::applicationDirPath());
}

void SetProgramFolderOverride(const QString& folder) { ProgramFolderOverride() = folder; }
