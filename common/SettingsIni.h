#pragma once

#include "common/IniDocument.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// An ini file read and written by section and key. Every write reaches the file before the call
// returns; a write the file does not take throws EGlyphError "Unable to write to <path>" and the
// object then shows the file's real content again. Reads pick up changes other processes made.
//
// The file stays a plain ini file as people read and carry it (TIniDocument): sections in the
// order they stand, new ones at the end; keys in the order they were written; comments kept;
// names as given, compared without regard to case. Integers and Booleans are written as decimal
// numbers (Booleans 0 or 1).
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
    // The keys of a section in the order they stand in the file.
    QStringList ReadSection(const QString& section) const;
    // The sections in the order they stand in the file.
    QStringList ReadSections() const;

    // Runs Writes as one update: the file is written once, at the end. When Writes throws, the
    // writes it made are dropped and the error goes on.
    void Batch(const std::function<void()>& writes);

private:
    // Reads the file again when it changed since it was last read (never inside a batch).
    void Refresh() const;
    void Load() const;
    void Commit();

    QString fileName_;
    mutable TIniDocument document_;
    mutable QByteArray stamp_; // what the file looked like when it was read
    int batchDepth_ = 0;
    bool changed_ = false; // within a batch: something waits to be written
};

// The one settings file of the program, "Settings.ini" in the per-user configuration folder, opened
// on first use and shared until the program ends.
TIniFile& SettingsIni();
