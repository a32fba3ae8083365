#include "app/TCompletionPopup.h"

#include <QEvent>

TCompletionPopup::TCompletionPopup(QWidget* owner)
    : QListWidget(owner), ownerWindow_(owner->window()) {
    setObjectName("CompletionPopup");
    // A tool tip window shows without being activated, so the editor keeps the focus.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit Chosen(item->text()); });
    // The list is a window of its own placed at the caret: it would stay where it was when
    // its owner moves or hides.
    ownerWindow_->installEventFilter(this);
}

bool TCompletionPopup::eventFilter(QObject* watched, QEvent* event) {
    // The list's own parts come here too. The window system may report the owner's placement
    // late, after the list opened: only a change counts.
    if (watched == ownerWindow_ && isVisible() &&
        (event->type() == QEvent::Hide ||
         ((event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
          ownerWindow_->geometry() != ownerPlace_)))
        hide();
    return QListWidget::eventFilter(watched, event);
}

void TCompletionPopup::Open(const QStringList& entries, const QString& prefix, QPoint place) {
    entries_ = entries;
    ownerPlace_ = ownerWindow_->geometry();
    move(place);
    Filter(prefix);
}

void TCompletionPopup::Filter(const QString& prefix) {
    clear();
    for (const QString& entry : entries_) {
        if (entry.startsWith(prefix, Qt::CaseInsensitive))
            addItem(entry);
    }
    if (count() == 0) {
        hide();
        return;
    }
    setCurrentRow(0);
    const int rows = std::min(count(), 10);
    resize(std::max(200, sizeHintForColumn(0) + 30), rows * sizeHintForRow(0) + 2 * frameWidth());
    show();
}

void TCompletionPopup::Move(int rows) {
    setCurrentRow(std::clamp(currentRow() + rows, 0, count() - 1));
}

QString TCompletionPopup::Choice() const {
    return currentItem() ? currentItem()->text() : QString();
}

QStringList TCompletionPopup::Shown() const {
    QStringList shown;
    for (int row = 0; row < count(); ++row)
        shown << item(row)->text();
    return shown;
}
