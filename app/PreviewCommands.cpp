#include "app/PreviewBuilder.h"
#include "app/TFormGlyphon.h"
#include "app/TTBToolWindowSlider.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/DockLayout.h"
#include "common/GlyphErrors.h"
#include "common/Paths.h"
#include "common/SettingsIni.h"
#include "common/TEmbeddedWB.h"
#include "common/UrlUtils.h"
#include "editor/TGlyphEditStringList.h"
#include "editor/TGlyphEditView.h"
#include "net/DownloadURL.h"

#include <QDockWidget>
#include <QFileInfo>
#include <QGridLayout>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int PreviewMaxClientHeight = 400;
constexpr int PreviewMaxClientWidth = 640;
constexpr int PaneMinClientSize = 40;
constexpr int PreviewFirstClientHeight = 200;
// The client height a docked pane takes when it is next shown.
constexpr char PendingClientHeight[] = "PendingClientHeight";

const QString PreviewPaneName = QStringLiteral("TBWindowPreview");
const QString LivePreviewKey = QStringLiteral("LivePreview");

QString PreviewDockName(Qt::DockWidgetArea area) {
    return area == Qt::TopDockWidgetArea ? QStringLiteral("TBDockTop")
                                         : QStringLiteral("TBDockBot");
}

std::optional<Qt::DockWidgetArea> PreviewDockArea(const QString& name) {
    if (name == QLatin1String("TBDockTop"))
        return Qt::TopDockWidgetArea;
    if (name == QLatin1String("TBDockBot"))
        return Qt::BottomDockWidgetArea;
    return std::nullopt;
}

// Gives a docked pane's client the height Height, within the client's limits.
void SetClientHeight(QMainWindow* window, QDockWidget* pane, QWidget* client, int height) {
    const int clamped = std::clamp(height, client->minimumHeight(), client->maximumHeight());
    window->resizeDocks({pane}, {pane->height() - client->height() + clamped}, Qt::Vertical);
}

} // namespace

void TFormGlyphon::CreatePreviewPane() {
    TBWindowPreview = new QDockWidget("Quick Preview", this);
    TBWindowPreview->setObjectName(PreviewPaneName);
    TBWindowPreview->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    TBWindowPreview->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                                 QDockWidget::DockWidgetFloatable);

    PageControl = new QTabWidget(TBWindowPreview);
    PageControl->setObjectName("PageControl");
    PageControl->setTabPosition(QTabWidget::South);
    TSWebBrowser = new QWidget;
    TSWebBrowser->setObjectName("TSWebBrowser");
    auto* browserLayout = new QVBoxLayout(TSWebBrowser);
    browserLayout->setContentsMargins(0, 0, 0, 0);
    EmbeddedWB = new TEmbeddedWB(TSWebBrowser);
    EmbeddedWB->setObjectName("EmbeddedWB");
    browserLayout->addWidget(EmbeddedWB);
    PageControl->addTab(TSWebBrowser, "Browser");
    TSErrors = new QWidget;
    TSErrors->setObjectName("TSErrors");
    auto* errorsLayout = new QVBoxLayout(TSErrors);
    errorsLayout->setContentsMargins(0, 0, 0, 0);
    ListBoxErrors = new QListWidget(TSErrors);
    ListBoxErrors->setObjectName("ListBoxErrors");
    errorsLayout->addWidget(ListBoxErrors);
    PageControl->addTab(TSErrors, "Messages");
    TBWindowPreviewClient = new QWidget(TBWindowPreview);
    TBWindowPreviewClient->setObjectName("TBWindowPreviewClient");
    TBWindowPreviewClient->setMinimumSize(PaneMinClientSize, PaneMinClientSize);
    TBWindowPreviewClient->setMaximumHeight(PreviewMaxClientHeight);
    auto* grid = new QGridLayout(TBWindowPreviewClient);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(PageControl, 1, 1);
    TBWindowPreview->setWidget(TBWindowPreviewClient);

    addDockWidget(Qt::BottomDockWidgetArea, TBWindowPreview);
    TBWindowPreview->hide();
    TBWindowPreviewSlider =
        new TTBToolWindowSlider(*this, *TBWindowPreview, *TBWindowPreviewClient, *grid);
    AlignSliderToDock(*this, *TBWindowPreview, *TBWindowPreviewSlider);

    // A docked pane is laid out only once it shows; then it takes the height it should have.
    TBWindowPreview->setProperty(PendingClientHeight, PreviewFirstClientHeight);
    connect(TBWindowPreview, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        const QVariant height = TBWindowPreview->property(PendingClientHeight);
        if (!visible || !height.isValid() || TBWindowPreview->isFloating())
            return;
        TBWindowPreview->setProperty(PendingClientHeight, QVariant());
        QTimer::singleShot(0, this, [this, height = height.toInt()] {
            SetClientHeight(this, TBWindowPreview, TBWindowPreviewClient, height);
        });
    });
    connect(TBWindowPreview, &QDockWidget::dockLocationChanged, this,
            [this] { RunCommand([this] { TBWindowPreviewDockChanged(); }); });
    connect(TBWindowPreview, &QDockWidget::topLevelChanged, this,
            [this] { RunCommand([this] { TBWindowPreviewDockChanged(); }); });
    connect(EmbeddedWB, &TEmbeddedWB::DocumentComplete, this,
            [this](bool topFrame) { EmbeddedWBDocumentComplete(topFrame); });

    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        item->setEnabled(true);
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MIQuickPreview, &TFormGlyphon::MIQuickPreviewClick);
    bind(MIPreviewInBrowser, &TFormGlyphon::MIPreviewInBrowserClick);
    bind(TBPreview, &TFormGlyphon::MIPreviewInBrowserClick);
    bind(MIViewQuickPreview, &TFormGlyphon::MIViewQuickPreviewClick);
}

void TFormGlyphon::TBWindowPreviewDockChanged() {
    AlignSliderToDock(*this, *TBWindowPreview, *TBWindowPreviewSlider);
    if (TBWindowPreview->isFloating()) {
        const int frame = TBWindowPreview->width() - TBWindowPreviewClient->width();
        TBWindowPreview->resize(PreviewMaxClientWidth + frame, TBWindowPreview->height());
    }
}

void TFormGlyphon::LoadPreviewLayout() {
    const auto layout =
        ReadDockLayout(SettingsIni(), DockLayoutSection(objectName(), PreviewPaneName));
    if (!layout)
        return;
    if (layout->DockedTo == QLatin1String("+")) {
        TBWindowPreview->setFloating(true);
        TBWindowPreview->move(layout->FloatLeft, layout->FloatTop);
        if (layout->ClientWidth)
            TBWindowPreview->resize(*layout->ClientWidth, TBWindowPreview->height());
    } else if (const auto area = PreviewDockArea(layout->DockedTo)) {
        addDockWidget(*area, TBWindowPreview);
    }
    TBWindowPreview->setVisible(layout->Visible);
    AlignSliderToDock(*this, *TBWindowPreview, *TBWindowPreviewSlider);
    if (layout->ClientHeight)
        TBWindowPreview->setProperty(PendingClientHeight, *layout->ClientHeight);
}

void TFormGlyphon::SavePreviewLayout() const {
    TDockLayout layout;
    layout.Visible = !TBWindowPreview->isHidden();
    const QString dock = PreviewDockName(dockWidgetArea(TBWindowPreview));
    layout.DockedTo = TBWindowPreview->isFloating() ? QStringLiteral("+") : dock;
    layout.LastDock = dock;
    if (TBWindowPreview->isFloating()) {
        layout.FloatLeft = TBWindowPreview->x();
        layout.FloatTop = TBWindowPreview->y();
    }
    layout.ClientWidth = TBWindowPreviewClient->width();
    // A pane not shown since the start was never laid out: its client's height is no choice of
    // the user's, and the stored one still stands.
    const QVariant pending = TBWindowPreview->property(PendingClientHeight);
    layout.ClientHeight = pending.isValid() ? pending.toInt() : TBWindowPreviewClient->height();
    WriteDockLayout(SettingsIni(), DockLayoutSection(objectName(), PreviewPaneName), layout);
}

void TFormGlyphon::ShowPreviewPaneWithRoom() {
    // Results and pages need room: a pane dragged (or first laid out) down to a strip grows back.
    constexpr int ResultsHeight = 200;
    constexpr int Strip = ResultsHeight * 3 / 4;
    if (TBWindowPreview->isHidden()) {
        const QVariant pending = TBWindowPreview->property(PendingClientHeight);
        if (pending.isValid() && pending.toInt() < Strip)
            TBWindowPreview->setProperty(PendingClientHeight, ResultsHeight);
        TBWindowPreview->show();
        if (pending.isValid())
            return; // laid out at its first showing
    }
    QTimer::singleShot(0, this, [this] {
        const int client = TBWindowPreviewClient->height();
        if (!TBWindowPreview->isFloating() && client < Strip)
            SetClientHeight(this, TBWindowPreview, TBWindowPreviewClient, ResultsHeight);
    });
}

void TFormGlyphon::LoadPreviewStartPage() {
    EmbeddedWB->Navigate(ProgramFilePath("Services.htm"));
}

void TFormGlyphon::SetMessagesTabVisible(bool visible) {
    PageControl->setTabVisible(PageControl->indexOf(TSErrors), visible);
}

void TFormGlyphon::EmbeddedWBDocumentComplete(bool topFrame) {
    if (topFrame)
        GlyphEditView->setFocus();
}

void TFormGlyphon::MIQuickPreviewClick() {
    ShowPreviewPaneWithRoom();
    PageControl->setCurrentWidget(TSWebBrowser);
    ShowDocumentPreview();
    GlyphEditView->setFocus();
}

void TFormGlyphon::ShowDocumentPreview() {
    // The page about to show is the text as it is now: a refresh still being built is not.
    LivePreviewTimer->stop();
    LivePreviewBuilder->Supersede();
    EmbeddedWB->Navigate(BuildPreviewFile(PreviewSource()));
}

TPreviewSource TFormGlyphon::PreviewSource() const {
    TPreviewSource source;
    source.Text = GlyphEdit.Text();
    source.FileName = DocumentFileName;
    // A downloaded page's references lead where they lead from its address.
    const QString url = DownloadedFromUrl(DocumentFileName);
    source.BaseUrl = TEmbeddedWB::BaseUrl(url.isEmpty() ? DocumentFileName : url);
    source.Encoding = GlyphEdit.Lines().Encoding();
    source.ByteOrderMark = GlyphEdit.Lines().HasByteOrderMark();
    source.Now = QDateTime::currentDateTime();
    return source;
}

void TFormGlyphon::MIPreviewInBrowserClick() {
    ClickMenuItem(MISave);
    // "Untitled.htm" names no file, even when the working folder holds one by that name.
    const QFileInfo file(DocumentFileName);
    if (!file.isAbsolute() || !file.exists())
        RaiseError("You must save this file before you can preview it.");
    OpenInWebBrowser(DocumentFileName);
}

void TFormGlyphon::MIViewQuickPreviewClick() {
    TBWindowPreview->setVisible(TBWindowPreview->isHidden());
}

void TFormGlyphon::ConnectLivePreview() {
    MILivePreview = new QAction("&Live Preview", MIView);
    MILivePreview->setObjectName("MILivePreview");
    MILivePreview->setCheckable(true);
    const QList<QAction*> items = MIView->actions();
    const qsizetype after = items.indexOf(MIViewQuickPreview);
    MIView->insertAction(items.value(after + 1), MILivePreview);
    MILivePreview->setChecked(SettingsIni().ReadBool(MainFormClassName(), LivePreviewKey, false));
    connect(MILivePreview, &QAction::triggered, this,
            [this] { RunCommand([this] { MILivePreviewClick(); }); });

    LivePreviewTimer = new QTimer(this);
    LivePreviewTimer->setObjectName("LivePreviewTimer");
    LivePreviewTimer->setSingleShot(true);
    LivePreviewTimer->setInterval(LivePreviewDelayMs);
    connect(LivePreviewTimer, &QTimer::timeout, this, [this] { LivePreviewTimerTimer(); });
    LivePreviewBuilder = new TPreviewBuilder(this);
    connect(LivePreviewBuilder, &TPreviewBuilder::Built, this,
            [this](const QString& fileName) { LivePreviewBuilderBuilt(fileName); });
    // A text that cannot be shown yet (an include being typed) is said in the status bar: an
    // error box would take the keyboard from the typing.
    connect(LivePreviewBuilder, &TPreviewBuilder::Failed, this,
            [this](const QString& message) { ShowStatusNote(message); });
    // A keystroke only restarts the timer: the page is built once the typing pauses.
    GlyphEdit.OnLinesChanged =
        [this, before = GlyphEdit.OnLinesChanged](const TGlyphLinesChange& change) {
            if (before)
                before(change);
            ScheduleLivePreview();
        };
    // A pane or tab that comes into view shows the text as it is now.
    connect(TBWindowPreview, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            ScheduleLivePreview();
    });
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { ScheduleLivePreview(); });
}

void TFormGlyphon::MILivePreviewClick() {
    SettingsIni().WriteBool(MainFormClassName(), LivePreviewKey, MILivePreview->isChecked());
    if (MILivePreview->isChecked()) {
        ScheduleLivePreview();
    } else {
        LivePreviewTimer->stop();
        LivePreviewBuilder->Supersede();
    }
}

bool TFormGlyphon::PreviewShowsBrowser() const {
    return TBWindowPreview->isVisible() && PageControl->currentWidget() == TSWebBrowser;
}

void TFormGlyphon::ScheduleLivePreview() {
    if (MILivePreview->isChecked() && PreviewShowsBrowser())
        LivePreviewTimer->start();
}

void TFormGlyphon::LivePreviewTimerTimer() {
    if (!MILivePreview->isChecked() || !PreviewShowsBrowser())
        return;
    // Nobody sees a minimised window's page: building it would only take time from the typing.
    if (isMinimized()) {
        livePreviewWaiting_ = true;
        return;
    }
    // The text is taken here; preprocessing, encoding and writing the page, which take long
    // for a long page, are the worker's.
    LivePreviewTimer->stop();
    LivePreviewBuilder->Start(PreviewSource());
}

void TFormGlyphon::LivePreviewBuilderBuilt(const QString& fileName) {
    // A pane hidden meanwhile gets the text as it is when it shows again.
    if (MILivePreview->isChecked() && PreviewShowsBrowser())
        EmbeddedWB->Refresh(fileName);
}
