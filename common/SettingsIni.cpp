#include "common/SettingsIni.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>

namespace {
// Size, change time and file number: another process's write changes at least one of them.
QByteArray FileStamp(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return "none";
    return QByteArray::number(qint64(info.st_size)) + ':' +
           QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(info.st_mtim.tv_nsec)) + ':' +
           QByteArray::number(quint64(info.st_ino));
}
} // namespace

TIniFile::TIniFile(const QString& fileName) : fileName_(fileName) {}

void TIniFile::Load() const {
    stamp_ = FileStamp(fileName_);
    QFile file(fileName_);
    document_ =
        file.open(QIODevice::ReadOnly) ? TIniDocument::Parse(file.readAll()) : TIniDocument();
}

void TIniFile::Refresh() const {
    // Inside a batch the object holds writes the file has not seen yet.
    if (batchDepth_ == 0 && FileStamp(fileName_) != stamp_)
        Load();
}

void TIniFile::Commit() {
    if (batchDepth_ > 0) {
        changed_ = true;
        return;
    }
    changed_ = false;
    // Written whole under another name and renamed into place, so that a failure (a full disk)
    // never leaves half a file; the file keeps its permissions.
    QSaveFile file(fileName_);
    const QByteArray text = document_.Text();
    const bool written = QDir().mkpath(QFileInfo(fileName_).path()) &&
                         file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                         file.commit();
    if (!written) {
        Load(); // what the file really holds
        throw EGlyphError("Unable to write to " + fileName_);
    }
    stamp_ = FileStamp(fileName_);
}

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    Refresh();
    return document_.Value(section, key).value_or(defaultValue);
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    bool ok = false;
    const int value = ReadString(section, key).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    const QString text = ReadString(section, key).trimmed();
    if (text.compare("true", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare("false", Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value != 0 : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    Refresh(); // another process's changes stay in the file
    document_.SetValue(section, key, value);
    Commit();
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
}

void TIniFile::DeleteKey(const QString& section, const QString& key) {
    Refresh();
    if (document_.RemoveKey(section, key))
        Commit();
}

void TIniFile::EraseSection(const QString& section) {
    Refresh();
    if (document_.RemoveSection(section))
        Commit();
}

bool TIniFile::SectionExists(const QString& section) const {
    Refresh();
    return document_.HasSection(section);
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    Refresh();
    return document_.Value(section, key).has_value();
}

QStringList TIniFile::ReadSection(const QString& section) const {
    Refresh();
    return document_.Keys(section);
}

QStringList TIniFile::ReadSections() const {
    Refresh();
    return document_.Sections();
}

void TIniFile::Batch(const std::function<void()>& writes) {
    if (batchDepth_ == 0)
        Refresh();
    ++batchDepth_;
    try {
        writes();
    } catch (...) {
        if (--batchDepth_ == 0) {
            changed_ = false;
            Load(); // the writes made so far are dropped
        }
        throw;
    }
    if (--batchDepth_ == 0 && changed_)
        Commit();
}

TIniFile& SettingsIni() {
    static TIniFile ini(UserFilePath(TUserFolder::Config, "Settings.ini"));
    return ini;
}
