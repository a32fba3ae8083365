#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class TIniFile;

// Two names stand for the same file: they are equal, or both exist and are one file on disk
// (the same device and inode, so a link or a differently written path counts too). Letter case
// counts as the file system counts it.
bool SameFileName(const QString& a, const QString& b);

// The recent-files list of the main window: full paths, most recent first, at most MaxItems.
// It is kept in the settings file under the keys Prefix + position and shown as items of a menu.
class TTBMRUList : public QObject {
    Q_OBJECT

public:
    static constexpr int MaxItems = 10;

    explicit TTBMRUList(QObject* parent = nullptr);

    QString Prefix = QStringLiteral("MRU");

    const QStringList& Items() const { return items_; }

    // Puts the full path of Path at the top: an entry naming the same file moves there and
    // takes the new text; the oldest entries beyond MaxItems drop off.
    void Add(const QString& path);
    // Takes the entry naming the same file as Path out of the list; the others stay.
    void Remove(const QString& path);
    void Clear();

    // Clear, then append the non-empty values of Prefix + "1" to Prefix + "10" of Section.
    void LoadFromIni(const TIniFile& ini, const QString& section);
    // Writes every position 1 to 10 in one update: the entry, or no key where the list is
    // shorter.
    void SaveToIni(TIniFile& ini, const QString& section) const;

    // Shows the entries as items of Menu, placed before Before. The items are made once and
    // reused, so an item that is being clicked never disappears under its own click.
    void SetMenu(QMenu* menu, QAction* before);
    // The menu items, one per position; those beyond the list are hidden.
    const QList<QAction*>& MenuItems() const { return menuItems_; }

    // "&" + accelerator + " " + Path: "1" to "9" for the first nine entries, "A" for the tenth.
    // An "&" in the path is doubled so that the menu shows it as it is.
    static QString ItemCaption(int index, const QString& path);

signals:
    // An entry was chosen in the menu.
    void Click(const QString& path);

private:
    void UpdateMenu();

    QStringList items_;
    QList<QAction*> menuItems_;
};
