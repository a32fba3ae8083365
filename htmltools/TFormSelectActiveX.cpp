#include "htmltools/TFormSelectActiveX.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString ClassesKey = QStringLiteral("Software/CLASSES/CLSID");
} // namespace

TFormSelectActiveX::TFormSelectActiveX(QWidget* parent) : QDialog(parent) {
    setObjectName("FormSelectActiveX");
    setWindowTitle("Insert ActiveX Control");

    PageControl = new QTabWidget(this);
    TSControls = new QWidget(PageControl);
    TSControls->setObjectName("TSControls");
    PageControl->addTab(TSControls, "Controls");
    ListView = new QTreeWidget(TSControls);
    ListView->setObjectName("ListView");
    ListView->setColumnCount(1);
    ListView->setHeaderLabels({"Name"});
    ListView->setRootIsDecorated(false);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSortingEnabled(true);
    ListView->sortByColumn(0, Qt::AscendingOrder);
    auto* page = new QVBoxLayout(TSControls);
    page->addWidget(ListView);
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, [this] { ListViewSelectItem(); });
    connect(ListView, &QTreeWidget::itemDoubleClicked, this, [this] { ListViewDblClick(); });

    ButtonOK = new QPushButton("OK", this);
    ButtonOK->setObjectName("ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    setFixedSize(420, 340);

    ButtonOK->setEnabled(false);
    if (ListView->topLevelItemCount() == 0)
        ListActiveXControls(ListView);
}

void TFormSelectActiveX::ListViewSelectItem() {
    ButtonOK->setEnabled(SelectedControl().has_value());
}

void TFormSelectActiveX::ListViewDblClick() {
    if (SelectedControl())
        accept();
}

std::optional<TActiveXControl> TFormSelectActiveX::SelectedControl() const {
    const QList<QTreeWidgetItem*> items = ListView->selectedItems();
    if (items.isEmpty())
        return std::nullopt;
    return TActiveXControl{items.first()->text(0), items.first()->data(0, Qt::UserRole).toString()};
}

QSettings MachineSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Velmaris",
                     "Velmaris Glyphon");
}

void ListActiveXControls(QTreeWidget* list) {
    QSettings store = MachineSettings();
    store.beginGroup(ClassesKey);
    for (const QString& key : store.childGroups()) {
        store.beginGroup(key);
        const bool isControl = store.childGroups().contains("Control") || store.contains("Control");
        const QString name = store.value("Default").toString();
        store.endGroup();
        // A key too short to hold braces is no class identifier.
        if (!isControl || key.size() < 2)
            continue;
        auto* item = new QTreeWidgetItem(list, {name});
        item->setData(0, Qt::UserRole, key.mid(1, key.size() - 2));
    }
}

std::optional<TActiveXControl> RunActiveXChooser(QWidget* parent) {
    TFormSelectActiveX form(parent);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.SelectedControl();
}
