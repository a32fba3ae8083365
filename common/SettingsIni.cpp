#include "common/SettingsIni.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"

namespace {
QString KeyPath(const QString& section, const QString& key) {
    return section + '/' + key;
}

// Hand-edited files may hold a value with unquoted commas, which Qt reads as a list; the text
// as the user wrote it is wanted.
QString VariantText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(", ");
    return value.toString();
}
} // namespace

TIniFile::TIniFile(const QString& fileName)
    : fileName_(fileName), settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

void TIniFile::Refresh() const {
    // Outside a batch nothing is pending, so this only re-reads a file changed elsewhere.
    if (batchDepth_ == 0)
        settings_->sync();
}

void TIniFile::Remember(const QString& keyPath) {
    for (const TOldValue& old : std::as_const(oldValues_)) {
        if (old.KeyPath == keyPath)
            return;
    }
    const QVariant value = settings_->value(keyPath);
    oldValues_.append({keyPath, value.isValid() ? std::optional(value) : std::nullopt});
}

// Qt keeps values it could not write in a cache shared by every QSettings object on the file,
// and retries them later; putting the old values back makes memory match the file again.
void TIniFile::Revert() {
    for (auto old = oldValues_.crbegin(); old != oldValues_.crend(); ++old) {
        if (old->Value)
            settings_->setValue(old->KeyPath, *old->Value);
        else
            settings_->remove(old->KeyPath);
    }
    oldValues_.clear();
}

void TIniFile::Commit() {
    if (batchDepth_ > 0)
        return;
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        oldValues_.clear();
        return;
    }
    Revert();
    // A QSettings object keeps its error status for good; a fresh one starts clean.
    settings_ = std::make_unique<QSettings>(fileName_, QSettings::IniFormat);
    throw EGlyphError("Unable to write to " + fileName_);
}

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    Refresh();
    const QVariant value = settings_->value(KeyPath(section, key));
    return value.isValid() ? VariantText(value) : defaultValue;
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
    Remember(KeyPath(section, key));
    settings_->setValue(KeyPath(section, key), value);
    Commit();
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    Remember(KeyPath(section, key));
    settings_->setValue(KeyPath(section, key), value);
    Commit();
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
}

void TIniFile::DeleteKey(const QString& section, const QString& key) {
    Remember(KeyPath(section, key));
    settings_->remove(KeyPath(section, key));
    Commit();
}

void TIniFile::EraseSection(const QString& section) {
    settings_->beginGroup(section);
    const QStringList keys = settings_->allKeys();
    settings_->endGroup();
    for (const QString& key : keys)
        Remember(KeyPath(section, key));
    settings_->remove(section);
    Commit();
}

bool TIniFile::SectionExists(const QString& section) const {
    return ReadSections().contains(section);
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    Refresh();
    return settings_->contains(KeyPath(section, key));
}

QStringList TIniFile::ReadSection(const QString& section) const {
    Refresh();
    settings_->beginGroup(section);
    QStringList keys = settings_->childKeys();
    settings_->endGroup();
    return keys;
}

QStringList TIniFile::ReadSections() const {
    Refresh();
    return settings_->childGroups();
}

void TIniFile::Batch(const std::function<void()>& writes) {
    ++batchDepth_;
    try {
        writes();
    } catch (...) {
        --batchDepth_;
        if (batchDepth_ == 0)
            Revert();
        throw;
    }
    --batchDepth_;
    Commit();
}

TIniFile& SettingsIni() {
    static TIniFile ini(UserFilePath(TUserFolder::Config, "Settings.ini"));
    return ini;
}
