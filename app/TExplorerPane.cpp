#include "app/TExplorerPane.h"

#include "app/LanguageSelection.h"
#include "app/TTBToolWindowSlider.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
constexpr int MinClientSize = 40;

QString CleanFolder(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

// The folder and its parents, the root first.
QStringList FolderChain(const QString& folder) {
    QStringList chain;
    for (QDir dir(folder);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    return chain;
}
} // namespace

bool ExplorerListsFile(const QString& path, bool isFolder, const QString& filter) {
    if (isFolder)
        return false;
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot >= 0 && ExtensionInFilter(filter, name.mid(dot));
}

// ---------------------------------------------------------------------------------------------

void TExplorerFileFilter::SetFolder(const QString& folder) {
    folder_ = folder;
    invalidateFilter();
}

void TExplorerFileFilter::SetFileFilter(const QString& filter) {
    filter_ = filter;
    invalidateFilter();
}

void TExplorerFileFilter::sort(int column, Qt::SortOrder order) {
    sourceModel()->sort(column, order);
}

bool TExplorerFileFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* model = static_cast<const QFileSystemModel*>(sourceModel());
    if (model->filePath(sourceParent) != folder_)
        return true;
    const QModelIndex index = model->index(sourceRow, 0, sourceParent);
    return ExplorerListsFile(model->filePath(index), model->isDir(index), filter_);
}

// ---------------------------------------------------------------------------------------------

TExplorerPane::TExplorerPane(QMainWindow& window, const QString& fileFilter)
    : QDockWidget("Explorer", &window), fileFilter_(fileFilter) {
    setObjectName("TBWindowExplorer");
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);

    Client = new QWidget(this);
    Client->setObjectName("TBWindowExplorerClient");
    Client->setMinimumSize(MinClientSize, MinClientSize);
    Client->setMaximumWidth(MaxClientWidth);
    grid_ = new QGridLayout(Client);
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setSpacing(0);
    grid_->setRowStretch(1, 1);
    grid_->setColumnStretch(1, 1);
    Slider = new TTBToolWindowSlider(window, *this, *Client, *grid_);
    setWidget(Client);
}

// The folder box, the tree and the list are made when the pane is first shown: a pane that
// stays hidden costs the window's start nothing.
void TExplorerPane::CreateContent() {
    if (ShellComboBox)
        return;
    auto* content = new QWidget(Client);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    ShellComboBox = new QComboBox(content);
    ShellComboBox->setObjectName("ShellComboBox");
    column->addWidget(ShellComboBox);

    Splitter = new QSplitter(Qt::Vertical, content);
    ShellTreeView = new QTreeView(Splitter);
    ShellTreeView->setObjectName("ShellTreeView");
    ShellTreeView->setHeaderHidden(true);
    // The chosen folder stays marked when the tree loses the focus.
    QPalette palette = ShellTreeView->palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                     palette.brush(QPalette::Active, QPalette::Highlight));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     palette.brush(QPalette::Active, QPalette::HighlightedText));
    ShellTreeView->setPalette(palette);
    ShellListView = new QTreeView(Splitter);
    ShellListView->setObjectName("ShellListView");
    ShellListView->setRootIsDecorated(false);
    ShellListView->setItemsExpandable(false);
    ShellListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShellListView->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::SelectedClicked);
    // A double click opens the file; it never steps into anything by itself.
    ShellListView->setExpandsOnDoubleClick(false);
    column->addWidget(Splitter, 1);

    grid_->addWidget(content, 1, 1);
    // Made after the pane was shown, it would otherwise stay hidden.
    content->show();
    connect(ShellComboBox, &QComboBox::activated, this, &TExplorerPane::ShellComboBoxChange);
    connect(ShellListView, &QAbstractItemView::doubleClicked, this,
            &TExplorerPane::ShellListViewDblClick);
}

void TExplorerPane::showEvent(QShowEvent* event) {
    CreateContent();
    QDockWidget::showEvent(event);
}

void TExplorerPane::CreateModels() {
    if (treeModel_)
        return;
    CreateContent();
    treeModel_ = new QFileSystemModel(this);
    treeModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    treeModel_->setRootPath(QDir::rootPath());
    ShellTreeView->setModel(treeModel_);
    for (int column = 1; column < treeModel_->columnCount(); ++column)
        ShellTreeView->hideColumn(column);
    connect(ShellTreeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TExplorerPane::ShellTreeViewChange);
    // The rows of the chosen folder's parents arrive after it was chosen, in batches that move
    // it down: until the user takes the tree in hand, each batch brings it back into view.
    connect(treeModel_, &QAbstractItemModel::rowsInserted, this, &TExplorerPane::QueueReveal);
    connect(treeModel_, &QAbstractItemModel::layoutChanged, this, &TExplorerPane::QueueReveal);
    ShellTreeView->installEventFilter(this);
    ShellTreeView->viewport()->installEventFilter(this);
    ShellTreeView->verticalScrollBar()->installEventFilter(this);

    listModel_ = new QFileSystemModel(this);
    listModel_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    listModel_->setReadOnly(false);
    listFilter_ = new TExplorerFileFilter(this);
    listFilter_->SetFileFilter(fileFilter_);
    listFilter_->setSourceModel(listModel_);
    ShellListView->setModel(listFilter_);
    ShellListView->setSortingEnabled(true);
    ShellListView->sortByColumn(0, Qt::AscendingOrder);
    ShellListView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ShellListView->header()->setStretchLastSection(false);
}

void TExplorerPane::ShowFolder(const QString& folder) {
    CreateModels();
    const QModelIndex index = treeModel_->index(CleanFolder(folder));
    if (!index.isValid())
        return;
    revealPending_ = true;
    ShellTreeView->setCurrentIndex(index);
    RevealCurrentFolder();
    // The same folder again changes no current item, yet the others still follow it.
    if (folder_ != treeModel_->filePath(index))
        ShellTreeViewChange();
}

void TExplorerPane::QueueReveal() {
    if (!revealPending_ || revealQueued_)
        return;
    revealQueued_ = true;
    // The view lays the new rows out after the model's signal.
    QTimer::singleShot(0, this, [this] {
        revealQueued_ = false;
        if (revealPending_)
            RevealCurrentFolder();
    });
}

bool TExplorerPane::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        revealPending_ = false;
        break;
    default:
        break;
    }
    return QDockWidget::eventFilter(watched, event);
}

void TExplorerPane::RevealCurrentFolder() {
    const QModelIndex current = ShellTreeView->currentIndex();
    for (QModelIndex parent = current.parent(); parent.isValid(); parent = parent.parent())
        ShellTreeView->expand(parent);
    ShellTreeView->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void TExplorerPane::ShellTreeViewChange() {
    const QString folder = treeModel_->filePath(ShellTreeView->currentIndex());
    if (folder.isEmpty() || folder == folder_)
        return;
    folder_ = folder;
    listModel_->setRootPath(folder);
    listFilter_->SetFolder(folder);
    ShellListView->setRootIndex(listFilter_->mapFromSource(listModel_->index(folder)));
    FillComboBox(folder);
    emit FolderChosen(folder);
}

void TExplorerPane::FillComboBox(const QString& folder) {
    const QSignalBlocker blocker(ShellComboBox);
    ShellComboBox->clear();
    QFileIconProvider icons;
    const QStringList chain = FolderChain(folder);
    for (qsizetype depth = 0; depth < chain.size(); ++depth) {
        const QFileInfo info(chain.at(depth));
        const QString name = info.isRoot() ? chain.at(depth) : info.fileName();
        ShellComboBox->addItem(icons.icon(info), QString(int(depth) * 2, ' ') + name,
                               chain.at(depth));
    }
    const QString home = QDir::homePath();
    if (!chain.contains(home))
        ShellComboBox->insertItem(0, icons.icon(QFileIconProvider::Folder), home, home);
    ShellComboBox->setCurrentIndex(ShellComboBox->findData(folder));
}

void TExplorerPane::ShellComboBoxChange(int index) {
    ShowFolder(ShellComboBox->itemData(index).toString());
}

void TExplorerPane::ShellListViewDblClick() {
    const QModelIndex current = ShellListView->currentIndex();
    if (!current.isValid() || !ShellListView->selectionModel()->isSelected(current))
        return;
    emit FileDoubleClicked(listModel_->filePath(listFilter_->mapToSource(current)));
}

QStringList TExplorerPane::ListedFiles() const {
    QStringList files;
    if (!listFilter_)
        return files;
    const QModelIndex root = ShellListView->rootIndex();
    for (int row = 0; row < listFilter_->rowCount(root); ++row)
        files << listModel_->filePath(listFilter_->mapToSource(listFilter_->index(row, 0, root)));
    return files;
}
