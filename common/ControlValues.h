#pragma once

#include <QHash>
#include <QString>

class QWidget;
class TIniFile;

// Where SaveControlValues and LoadControlValues keep values: an ini file, or memory.
class TControlValueStore {
public:
    virtual ~TControlValueStore() = default;
    virtual QString ReadString(const QString& section, const QString& key,
                               const QString& defaultValue) const = 0;
    virtual int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    virtual bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    virtual void WriteString(const QString& section, const QString& key, const QString& value) = 0;
};

// The values kept in an ini file, written as TIniFile writes them.
class TIniControlValueStore : public TControlValueStore {
public:
    explicit TIniControlValueStore(TIniFile& ini) : ini_(ini) {}
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const override;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const override;
    void WriteString(const QString& section, const QString& key, const QString& value) override;

private:
    TIniFile& ini_;
};

// The values kept in memory only, never written to a file.
class TMemoryControlValueStore : public TControlValueStore {
public:
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void WriteString(const QString& section, const QString& key, const QString& value) override;

private:
    QHash<QString, QString> values_;
};

// Writes every named edit box ("Name.Text"), check box ("Name.Checked") and combo box
// ("Name.ItemIndex", then "Name.Text") of Form, in creation order, into the section named after
// the form.
void SaveControlValues(QWidget* form, TControlValueStore& ini);

// Reads them back; a missing key leaves its control as it is. Setting a check box runs its
// click handler; a combo box gets its text first, then its index (one outside the list leaves
// no item selected).
void LoadControlValues(QWidget* form, const TControlValueStore& ini);
