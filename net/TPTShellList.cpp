#include "net/TPTShellList.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The desktop's icon for a file or folder, or where its icon theme has none for the type, the
// style's folder or file icon: a folder must never look like a file.
class TShellIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        const QIcon own = QFileIconProvider::icon(info);
        if (!own.isNull())
            return own;
        return QFileIconProvider::icon(info.isDir() ? QFileIconProvider::Folder
                                                    : QFileIconProvider::File);
    }
    using QFileIconProvider::icon;
};

constexpr int kIconGridWidth = 96;
constexpr int kIconGridHeight = 72;
constexpr int kMaxNewFolders = 999;

QStringList NormalisedMasks(const QStringList& masks) {
    QStringList result;
    for (QString mask : masks) {
        mask = mask.trimmed();
        if (mask.isEmpty())
            continue;
        // "*.*" is every file, also one without an extension.
        result << (mask == QLatin1String("*.*") ? QStringLiteral("*") : mask);
    }
    return result;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TPTShellList::TPTShellList(QWidget* parent)
    : QWidget(parent), model_(new QFileSystemModel(this)), stack_(new QStackedWidget(this)),
      listView_(new QListView(stack_)), detailView_(new QTreeView(stack_)) {
    static TShellIconProvider icons;
    model_->setIconProvider(&icons);
    model_->setReadOnly(false); // renaming in place and drops from other programs
    model_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setNameFilterDisables(false);
    model_->sort(0, Qt::AscendingOrder);

    SetUpView(listView_);
    SetUpView(detailView_);
    // Both views show one selection, so switching views keeps it.
    QItemSelectionModel* unused = detailView_->selectionModel();
    detailView_->setSelectionModel(listView_->selectionModel());
    delete unused;
    listView_->setMovement(QListView::Static);
    listView_->setResizeMode(QListView::Adjust);
    listView_->setWrapping(true);
    detailView_->setRootIsDecorated(false);
    detailView_->setItemsExpandable(false);
    detailView_->setExpandsOnDoubleClick(false);
    detailView_->setSortingEnabled(true);
    detailView_->sortByColumn(0, Qt::AscendingOrder);
    stack_->addWidget(listView_);
    stack_->addWidget(detailView_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    SetViewStyle(TShellViewStyle::List);

    connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QString path = SelectedPath();
        if (!path.isEmpty())
            emit SelectionChanged(path, SelectedIsFolder());
    });
    connect(model_, &QFileSystemModel::fileRenamed, this,
            [this](const QString&, const QString& oldName, const QString& newName) {
                emit ItemRenamed(oldName, newName);
            });
}

void TPTShellList::SetUpView(QAbstractItemView* view) {
    view->setObjectName(view == listView_ ? "ShellListView" : "ShellDetailView");
    view->setModel(model_);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    view->setDefaultDropAction(Qt::CopyAction);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QAbstractItemView::activated, this, &TPTShellList::ItemActivated);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& at) { ShowContextMenu(view, at); });
}

QString TPTShellList::TopFolder() {
    return QDir::rootPath();
}

void TPTShellList::SetFolder(const QString& path) {
    const QFileInfo info(path);
    const QString folder =
        !path.isEmpty() && info.isDir() ? QDir::cleanPath(info.absoluteFilePath()) : TopFolder();
    if (folder == folder_)
        return;
    folder_ = folder;
    const QModelIndex root = model_->setRootPath(folder_);
    listView_->setRootIndex(root);
    detailView_->setRootIndex(root);
    ClearSelection();
    emit FolderChanged(folder_);
}

void TPTShellList::UpOneLevel() {
    if (folder_ != TopFolder())
        SetFolder(QFileInfo(folder_).absolutePath());
}

QString TPTShellList::CreateNewFolder() {
    const QModelIndex root = model_->index(folder_);
    const QDir folder(folder_);
    QString name = tr("New Folder");
    for (int n = 2; folder.exists(name) && n <= kMaxNewFolders; ++n)
        name = tr("New Folder (%1)").arg(n);
    const QModelIndex created = model_->mkdir(root, name);
    if (!created.isValid())
        return {};
    View()->setCurrentIndex(created);
    View()->edit(created);
    return model_->filePath(created);
}

void TPTShellList::SetMasks(const QStringList& masks) {
    const QStringList normalised = NormalisedMasks(masks);
    if (normalised == masks_)
        return;
    masks_ = normalised;
    model_->setNameFilters(masks_);
}

void TPTShellList::SetViewStyle(TShellViewStyle style) {
    style_ = style;
    switch (style) {
    case TShellViewStyle::Icons:
        listView_->setViewMode(QListView::IconMode);
        listView_->setFlow(QListView::LeftToRight);
        listView_->setGridSize(QSize(kIconGridWidth, kIconGridHeight));
        break;
    case TShellViewStyle::List:
        listView_->setViewMode(QListView::ListMode);
        listView_->setFlow(QListView::TopToBottom);
        listView_->setGridSize(QSize());
        break;
    case TShellViewStyle::Details:
        break;
    }
    // Setting the view mode resets these; the list always wraps and arranges itself.
    listView_->setMovement(QListView::Static);
    listView_->setWrapping(true);
    listView_->setResizeMode(QListView::Adjust);
    stack_->setCurrentWidget(style == TShellViewStyle::Details ? static_cast<QWidget*>(detailView_)
                                                               : static_cast<QWidget*>(listView_));
}

QModelIndex TPTShellList::SelectedIndex() const {
    for (const QModelIndex& index : listView_->selectionModel()->selectedIndexes()) {
        if (index.column() == 0)
            return index;
    }
    return {};
}

QString TPTShellList::SelectedPath() const {
    const QModelIndex index = SelectedIndex();
    return index.isValid() ? model_->filePath(index) : QString();
}

bool TPTShellList::SelectedIsFolder() const {
    const QModelIndex index = SelectedIndex();
    return index.isValid() && model_->isDir(index);
}

void TPTShellList::SelectPath(const QString& path) {
    const QModelIndex index = IndexOf(path);
    if (!index.isValid())
        return;
    listView_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
}

void TPTShellList::ClearSelection() {
    listView_->selectionModel()->clearSelection();
}

QModelIndex TPTShellList::IndexOf(const QString& path) const {
    const QModelIndex index = model_->index(path);
    return index.isValid() && index.parent() == model_->index(folder_) ? index : QModelIndex();
}

QAbstractItemView* TPTShellList::View() const {
    return style_ == TShellViewStyle::Details ? static_cast<QAbstractItemView*>(detailView_)
                                              : static_cast<QAbstractItemView*>(listView_);
}

void TPTShellList::ItemActivated(const QModelIndex& index) {
    const QString path = model_->filePath(index);
    if (model_->isDir(index))
        SetFolder(path);
    else
        emit FileActivated(path);
}

void TPTShellList::ShowContextMenu(QAbstractItemView* view, const QPoint& at) {
    const QModelIndex index = view->indexAt(at);
    QMenu menu(this);
    if (index.isValid()) {
        menu.addAction(tr("&Open"), this, [this, index] { ItemActivated(index); });
        menu.addAction(tr("Rena&me"), this, [view, index] { view->edit(index); });
    } else {
        menu.addAction(tr("New &Folder"), this, [this] { CreateNewFolder(); });
        menu.addAction(tr("&Up One Level"), this, [this] { UpOneLevel(); });
    }
    menu.exec(view->viewport()->mapToGlobal(at));
}

// ---------------------------------------------------------------------------------------------

TPTShellCombo::TPTShellCombo(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (list_)
            list_->SetFolder(itemData(index).toString());
    });
}

void TPTShellCombo::SetShellList(TPTShellList* list) {
    list_ = list;
    connect(list, &TPTShellList::FolderChanged, this, &TPTShellCombo::Refill);
    Refill(list->Folder());
}

QStringList TPTShellCombo::Folders() const {
    QStringList folders;
    for (int i = 0; i < count(); ++i)
        folders << itemData(i).toString();
    return folders;
}

void TPTShellCombo::Refill(const QString& folder) {
    QStringList chain;
    for (QString at = folder; !at.isEmpty();) {
        chain.prepend(at);
        const QString up = QFileInfo(at).absolutePath();
        at = up == at ? QString() : up;
    }
    const QSignalBlocker blocker(this);
    clear();
    const QFileIconProvider icons;
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QFileInfo info(chain[depth]);
        const QString name = info.fileName().isEmpty() ? chain[depth] : info.fileName();
        addItem(icons.icon(info), QString(depth * 2, ' ') + name, chain[depth]);
    }
    setCurrentIndex(count() - 1);
}
