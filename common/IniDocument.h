#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The text of an ini file as people read and edit it: sections in file order, keys in the order
// they stand, comments and blank lines kept where they are. Names compare without regard to
// case. A value is the rest of its line after "=" as it stands; one that could not stand so
// (blanks at either end, a line break, a quotation mark at both ends) is written quoted, with
// backslash escapes inside the quotes. Files written by the Qt ini format before are read too:
// their percent-escaped names ("[My%20Site]") and quoted values.
class TIniDocument {
public:
    static TIniDocument Parse(const QByteArray& text);
    QByteArray Text() const;

    QStringList Sections() const;
    bool HasSection(const QString& section) const;
    QStringList Keys(const QString& section) const;
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Changes the key where it stands, or adds it at the end of its section; a new section goes
    // at the end of the file.
    void SetValue(const QString& section, const QString& key, const QString& value);
    // False when there was nothing to remove.
    bool RemoveKey(const QString& section, const QString& key);
    bool RemoveSection(const QString& section);

private:
    struct TLine {
        QString Key; // empty for a comment or a blank line
        QString Value;
        QByteArray Raw; // a comment or blank line as it stood
    };
    struct TSection {
        QString Name;
        QByteArray Header; // as it stood, so that an untouched name keeps its spelling
        QList<TLine> Lines;
    };

    TSection* Find(const QString& section);
    const TSection* Find(const QString& section) const;

    QList<TLine> preamble_; // lines before the first section
    QList<TSection> sections_;
};
