#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// An ini file read and written by section and key. Every write reaches the file before the call
// returns; a write the file does not take throws EGlyphError "Unable to write to <path>" and the
// object then shows the file's real content again. Reads pick up changes other processes made.
//
// Values are stored as Qt's ini format writes them: sections are "[Section]", integers and
// Booleans are written as decimal numbers (Booleans 0 or 1). Section and key names must not
// contain "/" or "\", which the ini format reads as a nesting of sections.
class TIniFile {
public:
    explicit TIniFile(const QString& fileName);

    QString FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;
    // The value read as a decimal integer; Default when absent or not a number.
    int ReadInteger(const QString& section, const QString& key, int defaultValue = 0) const;
    // A number other than 0 is true, 0 is false; "true" and "false" are understood too.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue = false) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The keys of a section in the order Qt keeps them (sorted).
    QStringList ReadSection(const QString& section) const;
    QStringList ReadSections() const;

    // Runs Writes as one update: the file is written once, at the end. When Writes throws, the
    // writes it made are dropped and the error goes on.
    void Batch(const std::function<void()>& writes);

private:
    // A key as it was before the write under way touched it.
    struct TOldValue {
        QString KeyPath;
        std::optional<QVariant> Value;
    };

    void Refresh() const;
    void Remember(const QString& keyPath);
    void Revert();
    void Commit();

    QString fileName_;
    std::unique_ptr<QSettings> settings_;
    QList<TOldValue> oldValues_;
    int batchDepth_ = 0;
};

// The one settings file of the program, "Settings.ini" in the per-user configuration folder, opened
// on first use and shared until the program ends.
TIniFile& SettingsIni();
