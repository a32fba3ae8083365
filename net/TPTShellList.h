#pragma once

#include <QComboBox>
#include <QModelIndex>
#include <QStringList>
#include <QWidget>

class QAbstractItemView;
class QFileSystemModel;
class QListView;
class QStackedWidget;
class QTreeView;

enum class TShellViewStyle { Icons, List, Details };

// The items of one folder with the desktop's icons and names: folders always, files when they
// match the current masks. Enters a folder on activation, renames in place, creates folders,
// follows changes made by others and drags files to and from other programs.
class TPTShellList : public QWidget {
    Q_OBJECT

public:
    explicit TPTShellList(QWidget* parent = nullptr);

    // The top of the folder tree, shown for an empty or unknown path.
    static QString TopFolder();

    QString Folder() const { return folder_; }
    // Shows Path (the top for a path that is no folder); FolderChanged follows when the folder
    // shown changes.
    void SetFolder(const QString& path);
    void UpOneLevel();
    // Creates a new folder in the one shown and starts editing its name; its path, or empty
    // when it could not be created.
    QString CreateNewFolder();

    // File masks such as "*.htm"; "*.*" stands for every file. The list is filled again only
    // when the masks change.
    void SetMasks(const QStringList& masks);
    QStringList Masks() const { return masks_; }

    void SetViewStyle(TShellViewStyle style);
    TShellViewStyle ViewStyle() const { return style_; }

    // The selected item, empty when nothing is selected.
    QString SelectedPath() const;
    bool SelectedIsFolder() const;
    void SelectPath(const QString& path);
    void ClearSelection();

    // The item of Path in the folder shown (invalid when it is not listed there).
    QModelIndex IndexOf(const QString& path) const;
    // The view in use for the current style.
    QAbstractItemView* View() const;
    QFileSystemModel* Model() const { return model_; }

signals:
    void FolderChanged(const QString& folder);
    void SelectionChanged(const QString& path, bool isFolder);
    // A file was double-clicked (or Enter pressed on it); folders are entered instead.
    void FileActivated(const QString& path);
    void ItemRenamed(const QString& oldName, const QString& newName);

private:
    QModelIndex SelectedIndex() const;
    void ItemActivated(const QModelIndex& index);
    void ShowContextMenu(QAbstractItemView* view, const QPoint& at);
    void SetUpView(QAbstractItemView* view);

    QFileSystemModel* model_;
    QStackedWidget* stack_;
    QListView* listView_;
    QTreeView* detailView_;
    QString folder_;
    QStringList masks_;
    TShellViewStyle style_ = TShellViewStyle::List;
};

// The folder shown in a shell list and its ancestors up to the top, one per line; choosing a
// line shows that folder in the list.
class TPTShellCombo : public QComboBox {
    Q_OBJECT

public:
    explicit TPTShellCombo(QWidget* parent = nullptr);
    void SetShellList(TPTShellList* list);

    // The folders offered, from the top down to the folder shown.
    QStringList Folders() const;

private:
    void Refill(const QString& folder);

    TPTShellList* list_ = nullptr;
};
