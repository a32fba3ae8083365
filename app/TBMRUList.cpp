#include "app/TBMRUList.h"

#include "common/SettingsIni.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <sys/stat.h>

bool SameFileName(const QString& a, const QString& b) {
    if (a == b)
        return true;
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

TTBMRUList::TTBMRUList(QObject* parent) : QObject(parent) {}

void TTBMRUList::Add(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    Remove(full);
    items_.prepend(full);
    while (items_.size() > MaxItems)
        items_.removeLast();
    UpdateMenu();
}

void TTBMRUList::Remove(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const auto same = [&](const QString& item) { return SameFileName(item, full); };
    if (items_.removeIf(same) > 0)
        UpdateMenu();
}

void TTBMRUList::Clear() {
    items_.clear();
    UpdateMenu();
}

void TTBMRUList::LoadFromIni(const TIniFile& ini, const QString& section) {
    items_.clear();
    for (int position = 1; position <= MaxItems; ++position) {
        const QString value = ini.ReadString(section, Prefix + QString::number(position));
        if (!value.isEmpty())
            items_.append(value);
    }
    UpdateMenu();
}

void TTBMRUList::SaveToIni(TIniFile& ini, const QString& section) const {
    ini.Batch([&] {
        for (int position = 1; position <= MaxItems; ++position) {
            const QString key = Prefix + QString::number(position);
            if (position <= items_.size())
                ini.WriteString(section, key, items_.at(position - 1));
            else
                ini.DeleteKey(section, key);
        }
    });
}

void TTBMRUList::SetMenu(QMenu* menu, QAction* before) {
    qDeleteAll(menuItems_);
    menuItems_.clear();
    for (int position = 1; position <= MaxItems; ++position) {
        auto* item = new QAction(menu);
        item->setObjectName(Prefix + QString::number(position));
        menu->insertAction(before, item);
        connect(item, &QAction::triggered, this,
                [this, item] { emit Click(item->data().toString()); });
        menuItems_.append(item);
    }
    UpdateMenu();
}

QString TTBMRUList::ItemCaption(int index, const QString& path) {
    const QString accelerator = index < 9 ? QString::number(index + 1) : QStringLiteral("A");
    return QStringLiteral("&%1 %2").arg(accelerator, QString(path).replace('&', "&&"));
}

void TTBMRUList::UpdateMenu() {
    for (int i = 0; i < menuItems_.size(); ++i) {
        QAction* item = menuItems_.at(i);
        const bool used = i < items_.size();
        item->setVisible(used);
        item->setData(used ? items_.at(i) : QString());
        item->setText(used ? ItemCaption(i, items_.at(i)) : QString());
    }
}
