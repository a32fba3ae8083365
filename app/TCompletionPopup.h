#pragma once

#include <QListWidget>

// The completion list: a popup beside the caret that never takes the keyboard focus from the
// editor, which hands it the keys that move in it.
class TCompletionPopup : public QListWidget {
    Q_OBJECT
public:
    explicit TCompletionPopup(QWidget* owner);

    // Shows Entries that start with Prefix (case ignored) at Place (global); hides the list
    // when none does.
    void Open(const QStringList& entries, const QString& prefix, QPoint place);
    void Filter(const QString& prefix);
    void Move(int rows);
    QString Choice() const;
    QStringList Shown() const;

signals:
    void Chosen(const QString& entry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList entries_;
    QWidget* ownerWindow_;
    QRect ownerPlace_; // the owner window's geometry when the list opened
};
