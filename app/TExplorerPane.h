#pragma once

#include <QDockWidget>
#include <QSortFilterProxyModel>

class QComboBox;
class QFileSystemModel;
class QGridLayout;
class QMainWindow;
class QSplitter;
class QTreeView;
class TTBToolWindowSlider;

// Whether the explorer's file list shows Path: never a folder, and a file only when Filter (in
// the form "Description|*.a;*.b|...") lists its extension.
bool ExplorerListsFile(const QString& path, bool isFolder, const QString& filter);

// The explorer's file list over a file-system model: the files of one folder that
// ExplorerListsFile accepts. Rows outside that folder pass, so the folder itself can be the root.
class TExplorerFileFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetFolder(const QString& folder);
    void SetFileFilter(const QString& filter);
    // The file-system model sorts itself; its order, folders and all, is the list's.
    void sort(int column, Qt::SortOrder order) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString folder_;
    QString filter_;
};

// The explorer pane: a folder box, the folder tree and the list of editable files of the tree's
// folder, linked so that a folder chosen in one is shown by the others. The file-system models
// are made the first time a folder is shown, so a hidden pane costs nothing at start-up.
class TExplorerPane : public QDockWidget {
    Q_OBJECT

public:
    static constexpr int MaxClientWidth = 600;

    TExplorerPane(QMainWindow& window, const QString& fileFilter);

    QWidget* Client = nullptr;
    // Null until the pane is first shown.
    QComboBox* ShellComboBox = nullptr;
    QTreeView* ShellTreeView = nullptr;
    QSplitter* Splitter = nullptr;
    QTreeView* ShellListView = nullptr;
    TTBToolWindowSlider* Slider = nullptr;

    // The folder the tree has chosen; empty before any.
    QString Folder() const { return folder_; }
    // Shows Folder in the box, the tree (scrolled to it) and the list.
    void ShowFolder(const QString& folder);
    // The full paths of the files the list shows, in its order.
    QStringList ListedFiles() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

signals:
    // A folder was chosen in the tree, the box, or by ShowFolder.
    void FolderChosen(const QString& folder);
    // An item of the file list was double-clicked.
    void FileDoubleClicked(const QString& fileName);

private:
    void CreateContent();
    void CreateModels();
    // Opens the tree down to its chosen folder and scrolls that into view.
    void RevealCurrentFolder();
    void QueueReveal();
    void ShellTreeViewChange();
    void ShellComboBoxChange(int index);
    void FillComboBox(const QString& folder);
    void ShellListViewDblClick();

    QGridLayout* grid_ = nullptr;
    QString fileFilter_;
    QString folder_;
    bool revealPending_ = false; // the chosen folder is kept in view until the user scrolls
    bool revealQueued_ = false;
    QFileSystemModel* treeModel_ = nullptr;
    QFileSystemModel* listModel_ = nullptr;
    TExplorerFileFilter* listFilter_ = nullptr;
};
