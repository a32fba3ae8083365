#pragma once

#include <QFont>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QSettings;
class QWidget;

// The window-state store: keeps a window's placement and some named properties of it in the
// per-user store (group Section, e.g. "TFormGlyphon", of the application title's store).
//
// Placement keys: "Flags" (0), "ShowCmd" (1 normal, 2 minimised, 3 maximised), "PixelsPerInch",
// "MinMaxPos" ("-1,-1,-1,-1": there are no separate minimised and maximised positions here) and
// "NormPos" (left, top, right, bottom of the normal geometry, right and bottom exclusive),
// four integers joined by commas. A property is stored as text under its name
// ("StatusBar.Visible").
//
// The store restores itself the first time the window is shown (or earlier through Restore),
// saves on Save, and saves at its destruction if it restored and has not saved yet. Make it a
// member of the window declared after the controls its properties read, not a child object, so
// that it is destroyed while those controls still exist.
class TFormStorage : public QObject {
public:
    enum class TPlacement { Stored, NotStored };

    TFormStorage(QWidget* form, const QString& section, TPlacement placement = TPlacement::Stored);
    ~TFormStorage() override;

    // A stored property: Read gives its text for saving, Write applies a restored text.
    void AddProperty(const QString& name, std::function<QString()> read,
                     std::function<void(const QString&)> write);
    // A Boolean property stored as "0" or "1".
    void AddBoolProperty(const QString& name, std::function<bool()> read,
                         std::function<void(bool)> write);

    // Applies what is stored; keys that are absent or unreadable leave the window as it is.
    void Restore();
    // Stores the placement and the properties; an error is shown in the error box and the
    // result is false (closing a window must not stop on it).
    bool Save();
    // Stores as Save does but lets the error go on.
    void Store();

    bool Restored() const { return restored_; }
    bool Saved() const { return saved_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TProperty {
        QString Name;
        std::function<QString()> Read;
        std::function<void(const QString&)> Write;
    };

    void RestorePlacement(QSettings& settings);
    void StorePlacement(QSettings& settings) const;

    QPointer<QWidget> form_;
    QString section_;
    TPlacement placement_;
    QList<TProperty> properties_;
    bool restored_ = false;
    bool saved_ = false;
};

// Text forms of values kept as stored properties.
// A font as Qt describes it (QFont::toString: family, point size, ... comma separated).
QString FontToText(const QFont& font);
// The font described by Text, or nothing when Text describes none.
std::optional<QFont> TextToFont(const QString& text);

// A set of named attributes (the gutter's) as "Name=Value;Name=Value", names in sorted order;
// "%", ";" and "=" inside names and values are written %25, %3B and %3D.
QString AttributesToText(const QMap<QString, QString>& attributes);
QMap<QString, QString> TextToAttributes(const QString& text);
