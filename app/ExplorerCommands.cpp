// The main window's explorer pane: its View command, its place kept in the settings file, and
// how it opens files and follows the document.
#include "app/TExplorerPane.h"
#include "app/TFormGlyphon.h"
#include "app/TTBToolWindowSlider.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/DockLayout.h"
#include "common/FileDialogs.h"
#include "common/FileUtils.h"
#include "common/SettingsIni.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTreeView>

namespace {
const QString ExplorerName = QStringLiteral("TBWindowExplorer");
const QString FloatingDock = QStringLiteral("+");
// The width the pane opens with until the user gives it another.
constexpr int DefaultExplorerWidth = 240;

struct TPaneDock {
    Qt::DockWidgetArea Area;
    const char* Name;
};
constexpr TPaneDock PaneDocks[] = {{Qt::LeftDockWidgetArea, "TBDockLeft"},
                                   {Qt::RightDockWidgetArea, "TBDockRight"}};

QString PaneDockName(Qt::DockWidgetArea area) {
    for (const TPaneDock& d : PaneDocks) {
        if (d.Area == area)
            return QString::fromLatin1(d.Name);
    }
    return {};
}

std::optional<Qt::DockWidgetArea> PaneDockArea(const QString& name) {
    for (const TPaneDock& d : PaneDocks) {
        if (name == QLatin1String(d.Name))
            return d.Area;
    }
    return std::nullopt;
}
} // namespace

void TFormGlyphon::CreateExplorer() {
    TBWindowExplorer = new TExplorerPane(*this, BuildFileFilter());
    addDockWidget(Qt::LeftDockWidgetArea, TBWindowExplorer);
    TBWindowExplorer->hide();
    AlignSliderToDock(*this, *TBWindowExplorer, *TBWindowExplorer->Slider);
    explorerLastDock_ = Qt::LeftDockWidgetArea;
    explorerClientWidth_ = DefaultExplorerWidth;

    const auto dockChanged = [this] { TBWindowExplorerDockChanged(); };
    connect(TBWindowExplorer, &QDockWidget::dockLocationChanged, this, dockChanged);
    connect(TBWindowExplorer, &QDockWidget::topLevelChanged, this, dockChanged);
    // The first showing lists the document's folder, or the home folder for a new document.
    connect(TBWindowExplorer, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        // The stored width can only be given to a pane the window has laid out.
        if (visible && explorerClientWidth_) {
            resizeDocks({TBWindowExplorer}, {*explorerClientWidth_}, Qt::Horizontal);
            explorerClientWidth_.reset();
        }
        if (visible && TBWindowExplorer->Folder().isEmpty()) {
            const QFileInfo document(DocumentFileName);
            TBWindowExplorer->ShowFolder(document.isAbsolute() ? document.path()
                                                               : QDir::homePath());
        }
    });
    connect(TBWindowExplorer, &TExplorerPane::FolderChosen, this,
            [this](const QString& folder) { ShellTreeViewChange(folder); });
    connect(
        TBWindowExplorer, &TExplorerPane::FileDoubleClicked, this,
        [this](const QString& fileName) { RunCommand([&] { ShellListViewDblClick(fileName); }); });

    MIViewExplorer->setEnabled(true);
    connect(MIViewExplorer, &QAction::triggered, this,
            [this] { RunCommand([this] { MIViewExplorerClick(); }); });
    connect(MIView, &QMenu::aboutToShow, this,
            [this] { MIViewExplorer->setChecked(!TBWindowExplorer->isHidden()); });
}

void TFormGlyphon::MIViewExplorerClick() {
    TBWindowExplorer->setVisible(TBWindowExplorer->isHidden());
}

void TFormGlyphon::TBWindowExplorerDockChanged() {
    const Qt::DockWidgetArea area = dockWidgetArea(TBWindowExplorer);
    if (!TBWindowExplorer->isFloating() && area != Qt::NoDockWidgetArea)
        explorerLastDock_ = area;
    AlignSliderToDock(*this, *TBWindowExplorer, *TBWindowExplorer->Slider);
}

void TFormGlyphon::ShellListViewDblClick(const QString& fileName) {
    if (FormCloseQuery())
        OpenDocument(fileName, false);
}

void TFormGlyphon::ShellTreeViewChange(const QString& folder) {
    SetInitialDialogFolder(folder);
}

void TFormGlyphon::SyncExplorer(const QString& fileName) {
    if (TBWindowExplorer->isHidden() || IsInInternetCache(fileName))
        return;
    TBWindowExplorer->ShowFolder(QFileInfo(fileName).path());
}

void TFormGlyphon::LoadExplorerLayout() {
    const auto layout =
        ReadDockLayout(SettingsIni(), DockLayoutSection(MainFormClassName(), ExplorerName));
    if (!layout)
        return;
    if (const auto area = PaneDockArea(layout->LastDock))
        explorerLastDock_ = *area;
    if (layout->DockedTo == FloatingDock) {
        TBWindowExplorer->setFloating(true);
        TBWindowExplorer->move(layout->FloatLeft, layout->FloatTop);
    } else if (const auto area = PaneDockArea(layout->DockedTo)) {
        addDockWidget(*area, TBWindowExplorer);
    }
    if (layout->ClientWidth)
        explorerClientWidth_ = qBound(1, *layout->ClientWidth, int(TExplorerPane::MaxClientWidth));
    TBWindowExplorer->setVisible(layout->Visible);
    TBWindowExplorerDockChanged();
}

void TFormGlyphon::SaveExplorerLayout() const {
    TDockLayout layout;
    layout.Visible = !TBWindowExplorer->isHidden();
    layout.DockedTo = TBWindowExplorer->isFloating()
                          ? FloatingDock
                          : PaneDockName(dockWidgetArea(TBWindowExplorer));
    layout.LastDock = PaneDockName(explorerLastDock_);
    layout.FloatLeft = TBWindowExplorer->isFloating() ? TBWindowExplorer->x() : 0;
    layout.FloatTop = TBWindowExplorer->isFloating() ? TBWindowExplorer->y() : 0;
    // A pane never shown keeps the width it was to open with.
    layout.ClientWidth = explorerClientWidth_.value_or(TBWindowExplorer->Client->width());
    layout.ClientHeight = TBWindowExplorer->Client->height();
    WriteDockLayout(SettingsIni(), DockLayoutSection(MainFormClassName(), ExplorerName), layout);
}
