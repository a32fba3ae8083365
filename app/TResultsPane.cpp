#include "app/TResultsPane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TColumn { ColFile, ColLine, ColColumn, ColText, ColumnCount };

enum TRole {
    RoleFile = Qt::UserRole,
    RoleLine,
    RoleColumn,
    RoleMarkStart,
    RoleMarkLength,
    RoleCount, // on a group row: the rows the file has, listed or not
};

// Control characters (tabs, a newline in a file's name) would break a row's one line: each
// becomes one visible character, so marked places keep their offsets.
QString OneLine(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = c == u'\t' ? QChar(u' ') : QChar(0xFFFD);
    }
    return text;
}

// Draws the text column with the marked part on a highlight of its own.
class TMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int start =
            index.data(RoleMarkStart).isValid() ? index.data(RoleMarkStart).toInt() : -1;
        if (start < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const QRect area =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        const int length = std::clamp(index.data(RoleMarkLength).toInt(), 0,
                                      int(text.size()) - std::min(start, int(text.size())));
        const int from = std::min(start, int(text.size()));
        const QFontMetrics metrics(opt.font);
        const QString head = text.left(from);
        const QString mark = text.mid(from, length);
        const QString tail = text.mid(from + length);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor ink = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);

        painter->save();
        painter->setClipRect(area);
        painter->setFont(opt.font);
        int x = area.left();
        const int flags = Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine;
        painter->setPen(ink);
        painter->drawText(QRect(x, area.top(), area.width(), area.height()), flags, head);
        x += metrics.horizontalAdvance(head);
        const int markWidth = metrics.horizontalAdvance(mark);
        // A marked empty match still shows where it is.
        const QRect markRect(x, area.top() + 1, std::max(markWidth, 2), area.height() - 2);
        painter->fillRect(markRect, QColor(255, 214, 92));
        painter->setPen(QColor(Qt::black));
        painter->drawText(QRect(x, area.top(), markWidth + 1, area.height()), flags, mark);
        x += markWidth;
        painter->setPen(ink);
        painter->drawText(QRect(x, area.top(), area.right() - x + 1, area.height()), flags, tail);
        painter->restore();
    }
};

} // namespace

TResultRow ResultExcerpt(TResultRow row, const QString& line, int matchStart, int matchLength,
                         int before, int total) {
    const int size = int(line.size());
    matchStart = std::clamp(matchStart, 0, size);
    matchLength = std::clamp(matchLength, 0, size - matchStart);
    int from = std::max(0, matchStart - before);
    // A cut never splits a surrogate pair.
    if (from > 0 && line[from].isLowSurrogate())
        --from;
    int to = std::min(size, std::max(from + total, matchStart + std::min(matchLength, total)));
    if (to < size && to > 0 && line[to - 1].isHighSurrogate())
        ++to;
    const QString ellipsis = QStringLiteral("\u2026");
    row.Text = (from > 0 ? ellipsis : QString()) + line.mid(from, to - from) +
               (to < size ? ellipsis : QString());
    row.MarkStart = matchStart - from + (from > 0 ? 1 : 0);
    row.MarkLength = std::min(matchLength, to - matchStart);
    return row;
}

TResultsPane::TResultsPane(QWidget* parent) : QWidget(parent) {
    setObjectName("TResultsPane");
    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName("LabelSummary");
    LabelSummary->setTextFormat(Qt::PlainText);
    LabelSummary->setContentsMargins(4, 2, 4, 2);
    TreeResults = new QTreeWidget(this);
    TreeResults->setObjectName("TreeResults");
    TreeResults->setColumnCount(ColumnCount);
    TreeResults->setHeaderLabels({"File", "Line", "Column", "Text"});
    TreeResults->setUniformRowHeights(true);
    TreeResults->setAllColumnsShowFocus(true);
    TreeResults->setRootIsDecorated(true);
    TreeResults->setItemDelegateForColumn(ColText, new TMarkDelegate(TreeResults));
    QHeaderView* header = TreeResults->header();
    header->setStretchLastSection(true);
    header->resizeSection(ColFile, 260);
    header->resizeSection(ColLine, 60);
    header->resizeSection(ColColumn, 60);

    ProgressBarBusy = new QProgressBar(this);
    ProgressBarBusy->setObjectName("ProgressBarBusy");
    ProgressBarBusy->setRange(0, 0);
    ProgressBarBusy->setMaximumWidth(160);
    ProgressBarBusy->setMaximumHeight(LabelSummary->sizeHint().height());
    ProgressBarBusy->hide();
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->hide();
    connect(ButtonCancel, &QPushButton::clicked, this, &TResultsPane::CancelRequested);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 4, 0);
    top->addWidget(LabelSummary, 1);
    top->addWidget(ProgressBarBusy);
    top->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(TreeResults, 1);

    connect(TreeResults, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { EmitPlace(item, false); });

    PopupMenuResults = new QMenu(this);
    PopupMenuResults->setObjectName("PopupMenuResults");
    PMOpen = PopupMenuResults->addAction("&Open");
    PMOpen->setObjectName("PMOpen");
    PMOpenNewWindow = PopupMenuResults->addAction("Open in &New Window");
    PMOpenNewWindow->setObjectName("PMOpenNewWindow");
    connect(PMOpen, &QAction::triggered, this, [this] { EmitPlace(menuRow_, false); });
    connect(PMOpenNewWindow, &QAction::triggered, this, [this] { EmitPlace(menuRow_, true); });
    TreeResults->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeResults, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        menuRow_ = PlaceRow(TreeResults->itemAt(at));
        // A row about a whole file (one passed over) has no place to open.
        if (menuRow_ && menuRow_->data(0, RoleLine).toInt() > 0)
            PopupMenuResults->popup(TreeResults->viewport()->mapToGlobal(at));
    });
}

QTreeWidgetItem* TResultsPane::PlaceRow(QTreeWidgetItem* item) {
    if (item && !item->parent() && item->childCount() > 0)
        item = item->child(0);
    return item && item->parent() ? item : nullptr;
}

void TResultsPane::EmitPlace(QTreeWidgetItem* item, bool newWindow) {
    item = PlaceRow(item);
    if (!item)
        return;
    const QString fileName = item->data(0, RoleFile).toString();
    const int line = item->data(0, RoleLine).toInt();
    const int column = item->data(0, RoleColumn).toInt();
    if (newWindow)
        emit RowActivatedInNewWindow(fileName, line, column);
    else
        emit RowActivated(fileName, line, column);
}

void TResultsPane::Clear(const QString& baseFolder) {
    menuRow_ = nullptr;
    TreeResults->clear();
    groups_.clear();
    order_.clear();
    rowCount_ = 0;
    hiddenRows_ = 0;
    baseFolder_ = baseFolder.isEmpty() ? QString() : QDir::cleanPath(baseFolder);
    LabelSummary->clear();
}

QString TResultsPane::ShownName(const QString& fileName) const {
    if (!baseFolder_.isEmpty() && fileName.startsWith(baseFolder_ + u'/'))
        return OneLine(fileName.mid(baseFolder_.size() + 1));
    return OneLine(fileName);
}

void TResultsPane::UpdateGroupCaption(QTreeWidgetItem* group) const {
    const QString name = group->data(0, RoleFile).toString();
    group->setText(
        ColFile,
        QStringLiteral("%1 (%2)").arg(ShownName(name)).arg(group->data(0, RoleCount).toInt()));
}

bool TResultsPane::AddRow(const TResultRow& row) {
    ++rowCount_;
    QTreeWidgetItem* group = groups_.value(row.FileName);
    if (!group) {
        group = new QTreeWidgetItem(TreeResults);
        group->setData(0, RoleFile, row.FileName);
        group->setData(0, RoleCount, 0);
        group->setToolTip(ColFile, OneLine(row.FileName));
        group->setFirstColumnSpanned(true);
        group->setExpanded(true);
        if (checkable_)
            group->setCheckState(ColFile, Qt::Checked);
        groups_.insert(row.FileName, group);
        order_.append(group);
    }
    group->setData(0, RoleCount, group->data(0, RoleCount).toInt() + 1);
    UpdateGroupCaption(group);
    if (rowCount_ - hiddenRows_ > MaxRows) {
        ++hiddenRows_;
        return false;
    }
    auto* item = new QTreeWidgetItem(group);
    item->setData(0, RoleFile, row.FileName);
    item->setData(0, RoleLine, row.Line);
    item->setData(0, RoleColumn, row.Column);
    item->setText(ColFile, OneLine(QFileInfo(row.FileName).fileName()));
    if (row.Line > 0) {
        item->setText(ColLine, QString::number(row.Line));
        item->setText(ColColumn, QString::number(row.Column));
    }
    item->setText(ColText, OneLine(row.Text));
    item->setData(ColText, RoleMarkStart, row.MarkStart);
    item->setData(ColText, RoleMarkLength, row.MarkLength);
    return true;
}

void TResultsPane::SetFilesCheckable(bool checkable) {
    checkable_ = checkable;
    for (QTreeWidgetItem* group : std::as_const(order_)) {
        if (checkable)
            group->setCheckState(ColFile, Qt::Checked);
        else
            group->setData(ColFile, Qt::CheckStateRole, QVariant());
    }
}

QStringList TResultsPane::CheckedFiles() const {
    QStringList files;
    if (!checkable_)
        return files;
    for (const QTreeWidgetItem* group : order_) {
        if (group->checkState(ColFile) == Qt::Checked)
            files << group->data(0, RoleFile).toString();
    }
    return files;
}

void TResultsPane::SetFileChecked(const QString& fileName, bool checked) {
    if (QTreeWidgetItem* group = groups_.value(fileName); group && checkable_)
        group->setCheckState(ColFile, checked ? Qt::Checked : Qt::Unchecked);
}

void TResultsPane::SetSummary(const QString& text) {
    LabelSummary->setText(text);
}

QString TResultsPane::Summary() const {
    return LabelSummary->text();
}

void TResultsPane::SetBusy(bool busy, const QString& text) {
    ProgressBarBusy->setVisible(busy);
    ButtonCancel->setVisible(busy);
    ButtonCancel->setEnabled(busy);
    if (!text.isEmpty() || busy)
        LabelSummary->setText(text);
}

bool TResultsPane::Busy() const {
    return !ButtonCancel->isHidden();
}

QList<TResultRow> TResultsPane::RowsOf(const QString& fileName) const {
    QList<TResultRow> rows;
    const QTreeWidgetItem* group = groups_.value(fileName);
    for (int i = 0; group && i < group->childCount(); ++i) {
        const QTreeWidgetItem* item = group->child(i);
        TResultRow row;
        row.FileName = fileName;
        row.Line = item->data(0, RoleLine).toInt();
        row.Column = item->data(0, RoleColumn).toInt();
        row.Text = item->text(ColText);
        row.MarkStart = item->data(ColText, RoleMarkStart).toInt();
        row.MarkLength = item->data(ColText, RoleMarkLength).toInt();
        rows << row;
    }
    return rows;
}
