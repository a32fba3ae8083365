#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The folders visited in the open dialog, with the position of the current one, for going back
// and forward. A folder is identified by its path.
class TPIDLHistory {
public:
    // Drops every entry after the current one, then appends Id as the new current entry.
    void Add(const QString& id);
    // Add for a folder that may be missing: an empty id adds nothing.
    void AddCopy(const QString& id);

    // Whether an entry stands N places back (forward) of the current one.
    bool CanGoBack(int n) const { return Holds(index_ - n); }
    bool CanGoForward(int n) const { return Holds(index_ + n); }
    // Moves N entries back (forward) and returns the entry there; nothing when there is none.
    std::optional<QString> Back(int n);
    std::optional<QString> Forward(int n);
    void Clear();

    const QStringList& Items() const { return items_; }
    int Index() const { return index_; }

private:
    bool Holds(qsizetype at) const { return at >= 0 && at < items_.size(); }

    QStringList items_;
    int index_ = 0;
};
