#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// One row of a results list: a place in a file and what to show for it.
struct TResultRow {
    QString FileName;   // full path
    int Line = 0;       // 1-based; 0 when the row is about the whole file (a reason only)
    int Column = 0;     // 1-based, in UTF-16 code units
    QString Text;       // the line (or a piece of it around the mark), or a reason
    int MarkStart = -1; // where in Text the marked part begins; -1 marks nothing
    int MarkLength = 0;
};

// A piece of a long line around a match, short enough to show in a list: at most `before`
// characters before the match and the match with what follows up to `total` characters. The
// result's mark start is the match's place in the piece.
TResultRow ResultExcerpt(TResultRow row, const QString& line, int matchStart, int matchLength,
                         int before = 60, int total = 240);

// A list of results grouped by file, as Find in Files and the link checker show them: one
// group row per file with its count, under it a row per result with the file, line, column
// and the line (or a reason) with the match marked. Activating a row (double-click or Enter)
// emits RowActivated with its place; rows about a whole file (line 0) name line 0. The rows'
// menu offers the same, or the place in a new window (RowActivatedInNewWindow).
class TResultsPane : public QWidget {
    Q_OBJECT

public:
    // More rows than this are counted but not listed, so a hostile tree cannot flood the window.
    static constexpr int MaxRows = 20000;

    explicit TResultsPane(QWidget* parent = nullptr);

    // Removes every row and the summary; file names are shown relative to `baseFolder` when
    // they lie in it.
    void Clear(const QString& baseFolder = {});
    // Adds a row under its file's group, making the group at the file's first row. Answers
    // false when the row was only counted, the list being full.
    bool AddRow(const TResultRow& row);
    // Gives each file's group a check box (for choosing the files a replacement changes).
    void SetFilesCheckable(bool checkable);
    bool FilesCheckable() const { return checkable_; }
    // The files whose group is ticked, in the order they were listed.
    QStringList CheckedFiles() const;
    void SetFileChecked(const QString& fileName, bool checked);

    void SetSummary(const QString& text);
    QString Summary() const;
    // While work fills the list: a moving bar and a Cancel button beside the summary, which
    // shows `text`; Cancel emits CancelRequested.
    void SetBusy(bool busy, const QString& text = {});
    bool Busy() const;

    int FileCount() const { return static_cast<int>(groups_.size()); }
    int RowCount() const { return rowCount_; }
    // Rows counted but not listed.
    int HiddenRowCount() const { return hiddenRows_; }
    // The rows listed under a file, in order.
    QList<TResultRow> RowsOf(const QString& fileName) const;
    // The group row of a file, or null.
    QTreeWidgetItem* GroupItem(const QString& fileName) const { return groups_.value(fileName); }

    QLabel* LabelSummary = nullptr;
    QProgressBar* ProgressBarBusy = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QTreeWidget* TreeResults = nullptr;
    QMenu* PopupMenuResults = nullptr;
    QAction* PMOpen = nullptr;
    QAction* PMOpenNewWindow = nullptr;

signals:
    void RowActivated(const QString& fileName, int line, int column);
    void RowActivatedInNewWindow(const QString& fileName, int line, int column);
    void CancelRequested();

private:
    // The row a group row stands for (its first listed row), or null for a row with no place.
    static QTreeWidgetItem* PlaceRow(QTreeWidgetItem* item);
    void EmitPlace(QTreeWidgetItem* item, bool newWindow);
    QString ShownName(const QString& fileName) const;
    void UpdateGroupCaption(QTreeWidgetItem* group) const;

    QString baseFolder_;
    QHash<QString, QTreeWidgetItem*> groups_;
    QList<QTreeWidgetItem*> order_;
    int rowCount_ = 0;
    int hiddenRows_ = 0;
    bool checkable_ = false;
    QTreeWidgetItem* menuRow_ = nullptr; // the row the menu was opened on
};
