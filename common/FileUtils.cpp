#include "common/FileUtils.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"

#include <QFile>
#include <QLocale>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The path is a folder (Folder true) or a file, the process may write it, and its mode has a
// write bit.
bool IsWritablePath(const QString& path, bool folder) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return false;
    if (S_ISDIR(info.st_mode) != folder)
        return false;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::access(native.constData(), W_OK) == 0;
}

QString FolderPart(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf('/');
    return slash < 0 ? QString() : fileName.left(slash + 1);
}
} // namespace

bool IsFileReadOnly(const QString& fileName) {
    return !IsWritablePath(fileName, false);
}

bool IsFolderReadOnly(const QString& fileName) {
    const QString folder = FolderPart(fileName);
    return folder.isEmpty() || !IsWritablePath(folder, true);
}

bool IsInInternetCache(const QString& fileName) {
    const QString cache = InternetCacheFolder();
    return !cache.isEmpty() && fileName.startsWith(cache, Qt::CaseInsensitive);
}

bool CanSaveInPlace(const QString& fileName) {
    return !IsFolderReadOnly(fileName) && QFile::exists(fileName) && !IsFileReadOnly(fileName) &&
           !IsInInternetCache(fileName);
}

bool CanWriteFile(const QString& fileName) {
    return !IsFolderReadOnly(fileName) && !(QFile::exists(fileName) && IsFileReadOnly(fileName)) &&
           !IsInInternetCache(fileName);
}

QString BackupFileName(const QString& fileName) {
    const qsizetype nameStart = fileName.lastIndexOf('/') + 1;
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot < nameStart)
        return fileName + ".~";
    return fileName.left(dot) + ".~" + fileName.mid(dot + 1);
}

bool MakeBackupCopy(const QString& fileName) {
    // Without a file to copy, an older backup is all there is: keep it.
    if (!QFile::exists(fileName))
        return false;
    const QString backup = BackupFileName(fileName);
    if (QFile::exists(backup) && !QFile::remove(backup))
        return false;
    return QFile::copy(fileName, backup);
}

QString FormatKilobytes(qint64 bytes) {
    bytes = qMax<qint64>(0, bytes); // an unknown size (-1) reads as nothing, not as 1KB
    const qint64 kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return QLocale().toString(kilobytes) + "KB";
}

void SaveTextToFile(const QString& text, const QString& fileName) {
    SaveBytesToFile(text.toUtf8(), fileName);
}

void SaveBytesToFile(const QByteArray& bytes, const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw EGlyphFileError("Unable to write to " + fileName);
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw EGlyphFileError("Unable to write to " + fileName);
}

int WriteAllToDescriptor(int fd, QByteArrayView bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return put < 0 ? errno : ENOSPC;
        done += put;
    }
    return 0;
}
