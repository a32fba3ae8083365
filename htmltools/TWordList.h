#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// A list of words kept sorted without regard to case, in which a word is held once whatever its
// case. Lookups are binary searches.
class TWordList {
public:
    // Adds Word with the case it has; false when the list already holds it in any case.
    bool Add(const QString& word);
    bool Contains(QStringView word) const;
    qsizetype Count() const { return words_.size(); }
    const QStringList& Words() const { return words_; }
    void Clear() { words_.clear(); }

    // Replaces the list by the lines of FileName (CR LF, LF or CR ended), taken as they are;
    // empty lines hold no word. False, with the list left empty, when the file cannot be read.
    bool LoadFromFile(const QString& fileName);
    // Writes the words in the list's order, each line ended by CR LF, through a temporary file
    // that replaces FileName only when whole. Throws EGlyphFileError when that fails.
    void SaveToFile(const QString& fileName) const;

private:
    QStringList words_;
};

// The order of a word list: case-insensitive comparison, negative, zero or positive.
int CompareWords(QStringView a, QStringView b);
