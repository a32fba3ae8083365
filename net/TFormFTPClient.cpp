#include "net/TFormFTPClient.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/FileUtils.h"
#include "common/Prompts.h"
#include "common/ShellUtils.h"
#include "net/FtpListing.h"
#include "net/TFormFTPSite.h"
#include "net/TFormFTPTransfer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QDragMoveEvent>
#include <QEventLoop>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QPainter>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kSubRole = Qt::UserRole + 100; // + sub-item number
constexpr int kNameRole = Qt::UserRole;

// A pane's header band: its name in bold on a gradient, in 32 steps from the button shadow to
// the button face.
class THeaderBand : public QWidget {
public:
    explicit THeaderBand(const QString& title) {
        setToolTip({});
        setAccessibleName(title);
        title_ = title;
        setFixedHeight(fontMetrics().height() + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor from = palette().color(QPalette::Dark);
        const QColor to = palette().color(QPalette::Button);
        for (int step = 0; step < 32; ++step) {
            const double t = step / 31.0;
            const QColor c =
                QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * t),
                                 float(from.greenF() + (to.greenF() - from.greenF()) * t),
                                 float(from.blueF() + (to.blueF() - from.blueF()) * t));
            const int left = width() * step / 32;
            painter.fillRect(left, 0, width() * (step + 1) / 32 - left, height(), c);
        }
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(rect().adjusted(6, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, title_);
    }

private:
    QString title_;
};

QString TypeName(const QString& name, bool folder) {
    static const QMimeDatabase mimes;
    if (folder)
        return mimes.mimeTypeForName("inode/directory").comment();
    return mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
}

int CompareNoCase(const QString& a, const QString& b) {
    // Only ASCII letters fold, so "!" and "-" still sort ahead of "..".
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <class T> int CompareNumbers(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
} // namespace

QString ItemSubText(const QTreeWidgetItem* item, int subItem) {
    if (subItem < SubSize)
        return item->text(subItem + 1);
    return item->data(0, kSubRole + subItem).toString();
}

bool IsFolderItem(const QTreeWidgetItem* item) {
    return item->text(1).isEmpty();
}

quint32 PackedDosDateTime(const QDateTime& localTime) {
    if (!localTime.isValid())
        return 0;
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    if (d.year() < 1980 || d.year() > 2107)
        return 0;
    const quint32 date = quint32(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    const quint32 time = quint32((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    return (date << 16) | time;
}

int ListView1Compare(const QTreeWidgetItem* a, const QTreeWidgetItem* b, int sortState) {
    // Descending, ".." stays on top: left to the reversed order, a folder named "!x" would go
    // before ".." while ".." went before every other entry, and the order would have no end.
    if (sortState < 0 && (a->text(0) == "..") != (b->text(0) == ".."))
        return a->text(0) == ".." ? -1 : 1;
    const bool folderA = IsFolderItem(a), folderB = IsFolderItem(b);
    int result = 0;
    if (folderA != folderB) {
        result = folderA ? -1 : 1;
    } else {
        const int column = qMax(1, qAbs(sortState));
        if (column == 2)
            result = CompareNumbers(ItemSubText(a, SubSize).toLongLong(),
                                    ItemSubText(b, SubSize).toLongLong());
        else if (column == 3)
            result = ItemSubText(a, SubType).compare(ItemSubText(b, SubType), Qt::CaseInsensitive);
        else if (column == 4)
            result = CompareNumbers(ItemSubText(a, SubPackedTime).toLongLong(),
                                    ItemSubText(b, SubPackedTime).toLongLong());
        if (result == 0)
            result = CompareNoCase(a->text(0), b->text(0));
    }
    if (sortState < 0 && a->text(0) != ".." && b->text(0) != "..")
        result = -result;
    return result;
}

void ResetFileList(QTreeWidget* list) {
    list->clear();
    auto* up = new QTreeWidgetItem(QStringList{".."});
    up->setIcon(0, QFileIconProvider().icon(QAbstractFileIconProvider::Folder));
    up->setData(0, kNameRole, "..");
    up->setFlags(up->flags() & ~Qt::ItemIsEditable);
    list->addTopLevelItem(up);
}

TFtpListView::TFtpListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHeaderLabels({"Name", "Size", "Type", "Modified"});
    // The name comes first and is given room for a long one; the date takes what is left. A
    // narrow window scrolls the other columns rather than squeezing the names.
    const QFontMetrics metrics(font());
    const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) +
                       style()->pixelMetric(QStyle::PM_HeaderMarkSize);
    header()->resizeSection(0, metrics.horizontalAdvance("a rather long page name.html") + margin);
    header()->resizeSection(1, metrics.horizontalAdvance(FormatKilobytes(99'999'999)) + margin);
    header()->setStretchLastSection(true);
    header()->setSectionsClickable(true);
    headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setUniformRowHeights(true);
}

void TFtpListView::dragEnterEvent(QDragEnterEvent* event) {
    if (qobject_cast<TFtpListView*>(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFtpListView::dragMoveEvent(QDragMoveEvent* event) {
    if (qobject_cast<TFtpListView*>(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFtpListView::dropEvent(QDropEvent* event) {
    auto* source = qobject_cast<TFtpListView*>(event->source());
    if (!source)
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit ItemsDropped(source, itemAt(event->position().toPoint()));
}

TFormFTPClient::TFormFTPClient(QWidget* parent) : QMainWindow(parent) {
    setObjectName("TFormFTPClient");
    setWindowTitle(ApplicationTitle() + " [FTP Client]");
    siteDialog_ = new TFormFTPSite(this);
    transfer_ = new TFormFTPTransfer(this);
    BuildMenus();

    auto* scene = new QWidget;
    auto* sceneLayout = new QHBoxLayout(scene);
    sceneLayout->setContentsMargins(2, 2, 2, 2);
    sceneLayout->addWidget(BuildPane("Local Computer", 1), 1);
    auto* center = new QWidget;
    center->setObjectName("PanelCenter");
    auto* centerLayout = new QVBoxLayout(center);
    ButtonGet = new QToolButton;
    ButtonGet->setObjectName("ButtonGet");
    ButtonGet->setToolTip("Download");
    ButtonGet->setArrowType(Qt::LeftArrow);
    ButtonPut = new QToolButton;
    ButtonPut->setObjectName("ButtonPut");
    ButtonPut->setToolTip("Upload");
    ButtonPut->setArrowType(Qt::RightArrow);
    centerLayout->addStretch();
    centerLayout->addWidget(ButtonGet);
    centerLayout->addWidget(ButtonPut);
    centerLayout->addStretch();
    sceneLayout->addWidget(center);
    sceneLayout->addWidget(BuildPane("Remote Computer", 2), 1);
    setCentralWidget(scene);

    RichEdit = new QPlainTextEdit;
    RichEdit->setObjectName("RichEdit");
    RichEdit->setReadOnly(true);
    RichEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit->appendPlainText("Welcome to " + ApplicationTitle());
    RichEdit->appendPlainText("Publish your pages by FTP, FTPS or SFTP.");
    TBWindowMessageLog = new QDockWidget("Message Log", this);
    TBWindowMessageLog->setObjectName("TBWindowMessageLog");
    TBWindowMessageLog->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    TBWindowMessageLog->setFeatures(QDockWidget::DockWidgetClosable |
                                    QDockWidget::DockWidgetMovable);
    TBWindowMessageLog->setWidget(RichEdit);
    addDockWidget(Qt::BottomDockWidgetArea, TBWindowMessageLog);

    AddStatusPanel(statusBar(), 0)->setText("Ready");
    AddStatusPanel(statusBar(), 140);
    AddStatusPanel(statusBar(), 140);
    RefreshCounters();

    auto run = [](auto&& f) { return [f] { RunCommand(f); }; };
    connect(ButtonGet, &QToolButton::clicked, this, run([this] { ButtonGetClick(); }));
    connect(ButtonPut, &QToolButton::clicked, this, run([this] { ButtonPutClick(); }));
    connect(&session_, &TFtpSession::LogMessage, this, &TFormFTPClient::LogMessage);
    connect(&session_, &TFtpSession::CountersChanged, this, &TFormFTPClient::RefreshCounters);
    connect(&session_, &TFtpSession::DataTransferred, this, [this](int, qint64 bytes) {
        if (transfer_->isVisible())
            transfer_->SetTransferPosition(transfer_->TransferPosition() + bytes);
    });
    connect(transfer_, &TFormFTPTransfer::TerminateClicked, &session_, &TFtpSession::Terminate);

    // Disconnected: only the local side can be used, and there is nothing to disconnect.
    for (QWidget* w :
         std::initializer_list<QWidget*>{ComboBox2, SpeedButton2, ListView2, ButtonGet, ButtonPut})
        w->setEnabled(false);
    for (QAction* a : {MIDisconnect, TBDisconnect})
        a->setEnabled(false);
    storage_ = std::make_unique<TFormStorage>(this, "TFormFTPClient");
    // Room for both lists; on a small screen at most nine tenths of it, so that the frame the
    // desktop adds fits too.
    resize(QSize(900, 600).boundedTo(screen()->availableGeometry().size() * 0.9));
}

TFormFTPClient::~TFormFTPClient() = default;

void TFormFTPClient::BuildMenus() {
    auto run = [](auto&& f) { return [f] { RunCommand(f); }; };
    QMenu* file = menuBar()->addMenu("&File");
    MIConnect =
        file->addAction("&Open FTP Site... (Connect)", this, run([this] { MIConnectClick(); }));
    MIDisconnect =
        file->addAction("Close FTP Site (Disconnect)", this, run([this] { MIDisconnectClick(); }));
    file->addSeparator();
    MIProperties = file->addAction("Internet &Properties...");
    // The desktop has no common internet settings applet to open.
    MIProperties->setEnabled(RunControlPanelApplet({}));
    file->addSeparator();
    MIExit = file->addAction("E&xit", this, &QWidget::close);
    QMenu* view = menuBar()->addMenu("&View");
    MIMessageLog = view->addAction("&Message Log");
    MIMessageLog->setCheckable(true);
    connect(view, &QMenu::aboutToShow, this,
            [this] { MIMessageLog->setChecked(TBWindowMessageLog->isVisible()); });
    connect(MIMessageLog, &QAction::triggered, this,
            [this] { TBWindowMessageLog->setVisible(!TBWindowMessageLog->isVisible()); });
    QMenu* help = menuBar()->addMenu("&Help");
    MIVelmarisOnline = help->addAction("&Velmaris Software... (Online)");
    MIVelmarisOnline->setEnabled(false); // the maker's site command is not built yet

    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("TBToolbar");
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    TBConnect = bar->addAction(style()->standardIcon(QStyle::SP_DriveNetIcon), "Connect");
    TBConnect->setToolTip("Open FTP Site (Connect)");
    connect(TBConnect, &QAction::triggered, MIConnect, &QAction::trigger);
    TBDisconnect =
        bar->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), "Disconnect");
    TBDisconnect->setToolTip("Disconnect From Current FTP Site");
    connect(TBDisconnect, &QAction::triggered, MIDisconnect, &QAction::trigger);
    bar->addSeparator();
    QAction* properties =
        bar->addAction(style()->standardIcon(QStyle::SP_FileDialogInfoView), "Properties");
    properties->setToolTip("Internet Properties");
    properties->setEnabled(MIProperties->isEnabled());
}

QWidget* TFormFTPClient::BuildPane(const QString& title, int index) {
    auto* pane = new QWidget;
    pane->setObjectName(index == 1 ? "PanelLeft" : "PanelRight");
    auto* band = new THeaderBand(title);
    band->setObjectName(QString("PaintBox%1").arg(index));
    auto* box = new QComboBox;
    box->setObjectName(QString("ComboBox%1").arg(index));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* up = new QToolButton;
    up->setObjectName(QString("SpeedButton%1").arg(index));
    up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    auto* list = new TFtpListView;
    list->setObjectName(QString("ListView%1").arg(index));
    auto* menu = new QMenu(this);
    menu->setObjectName(QString("PopupMenu%1").arg(index));
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(up);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(band);
    layout->addLayout(row);
    layout->addWidget(list);
    if (index == 1) {
        ComboBox1 = box, SpeedButton1 = up, ListView1 = list, PopupMenu1 = menu;
    } else {
        ComboBox2 = box, SpeedButton2 = up, ListView2 = list, PopupMenu2 = menu;
    }
    if (index == 1)
        ResetFileList(list); // the remote list stays empty until a listing fills it
    BuildPopupMenu(list, menu);

    const bool local = index == 1;
    connect(up, &QToolButton::clicked, this, [this, local] {
        RunCommand([&] { local ? ChangeLocalDir("..") : SpeedButton2Click(); });
    });
    connect(box, &QComboBox::activated, this, [this, box, local](int at) {
        RunCommand([&] {
            const QString path = box->itemText(at);
            if (local)
                return ChangeLocalDir(path);
            if (RemoteRequest([&] { session_.SetCurrentDirectory(path); },
                              QString("Changing to directory \"%1\"").arg(path)))
                PIRefresh2Click();
        });
    });
    connect(list, &QTreeWidget::itemDoubleClicked, this,
            [this, list] { RunCommand([&] { OpenItem(list); }); });
    connect(list->header(), &QHeaderView::sectionClicked, this,
            [this, list](int section) { ListView1ColumnClick(list, section + 1); });
    connect(list, &QTreeWidget::itemChanged, this, [this, list](QTreeWidgetItem* item, int column) {
        if (column == 0 && !filling_)
            RunCommand([&] { ItemRenamed(list, item); });
    });
    connect(list, &TFtpListView::ItemsDropped, this,
            [this, list](QTreeWidget* source, QTreeWidgetItem* onto) {
                RunCommand([&] { ItemsDropped(list, source, onto); });
            });
    connect(list, &QWidget::customContextMenuRequested, this,
            [list, menu](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
    return pane;
}

void TFormFTPClient::BuildPopupMenu(TFtpListView* list, QMenu* menu) {
    auto add = [&](const QString& text, const QString& name, auto handler) {
        QAction* action = menu->addAction(text, this, [handler] { RunCommand(handler); });
        action->setObjectName(name);
        return action;
    };
    add("Open", "PIOpen", [this, list] { OpenItem(list); });
    menu->addSeparator();
    add("Refresh", "PIRefresh",
        [this, list] { list == ListView1 ? PIRefresh1Click() : PIRefresh2Click(); });
    menu->addSeparator();
    add("Rename", "PIRename", [this, list] { RenameItem(list); });
    QAction* del = add("Delete", "PIDelete", [this, list] { DeleteItems(list); });
    del->setShortcut(QKeySequence::Delete);
    del->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(del);
    menu->addSeparator();
    QAction* all = add("Select All", "PISelectAll", [list] { list->selectAll(); });
    all->setShortcut(QKeySequence::SelectAll);
    all->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(all);
    menu->addSeparator();
    add("New Folder...", "PINewFolder", [this, list] { NewFolder(list); });
    connect(menu, &QMenu::aboutToShow, this, [this, list, menu] { UpdatePopupMenu(list, menu); });
}

void TFormFTPClient::UpdatePopupMenu(TFtpListView* list, QMenu* menu) {
    const qsizetype selected = list->selectedItems().size();
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name == "PIOpen" || name == "PIRename")
            action->setEnabled(selected == 1);
        else if (name == "PIDelete")
            action->setEnabled(selected > 0 && list->hasFocus());
        else if (name == "PISelectAll")
            action->setEnabled(selected < list->topLevelItemCount());
    }
}

void TFormFTPClient::ShowModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    while (isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void TFormFTPClient::closeEvent(QCloseEvent* event) {
    if (session_.Connected()) {
        ShowInfo("Please disconnect before closing this application.");
        event->ignore();
        return;
    }
    storage_->Store();
    event->accept();
}

void TFormFTPClient::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    PIRefresh1Click();
}

void TFormFTPClient::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitFirstStatusPanel(statusBar());
}

void TFormFTPClient::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RefreshCounters();
    QMainWindow::changeEvent(event);
}

void TFormFTPClient::RefreshCounters() {
    StatusPanel(statusBar(), 1)->setText("Sent: " + FormatKilobytes(session_.BytesSent()));
    StatusPanel(statusBar(), 2)->setText("Received: " + FormatKilobytes(session_.BytesReceived()));
}

void TFormFTPClient::LogMessage(const QString& text) {
    const QString line = text.trimmed();
    if (line.isEmpty())
        return;
    RichEdit->appendPlainText(line);
    RichEdit->moveCursor(QTextCursor::End);
}

void TFormFTPClient::BeginFtpOperation() {
    ++busyCount_;
    SetPanesEnabled();
    session_.ClearRequestDone();
    session_.ClearTerminated();
}

void TFormFTPClient::WaitForFtpCompletion(const QString& text) {
    if (!text.isEmpty()) {
        StatusPanel(statusBar(), 0)->setText(text);
        LogMessage(text);
    }
    if (!session_.RequestDone()) {
        QEventLoop loop;
        connect(&session_, &TFtpSession::Completed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    StatusPanel(statusBar(), 0)->setText("Ready");
    session_.ClearTerminated();
    session_.ClearRequestDone();
}

void TFormFTPClient::EndFtpOperation() {
    if (busyCount_ > 0)
        --busyCount_;
    SetPanesEnabled();
}

void TFormFTPClient::SetPanesEnabled() {
    const bool idle = busyCount_ == 0;
    // A request under way reads the lists and the connection: nothing may change them until it
    // ends (Terminate is the way to stop a transfer).
    for (QAction* a : {MIConnect, TBConnect})
        a->setEnabled(idle);
    for (QAction* a : {MIDisconnect, TBDisconnect})
        a->setEnabled(idle && session_.Connected());
    // A listing begins and ends once per entry; only a change is worth the widgets' restyling.
    if (panesEnabled_ != idle) {
        panesEnabled_ = idle;
        for (QWidget* w :
             std::initializer_list<QWidget*>{ButtonPut, ButtonGet, SpeedButton1, ComboBox1,
                                             ListView1, SpeedButton2, ComboBox2, ListView2})
            w->setEnabled(idle);
    }
    // The root has no parent to go to.
    if (idle && session_.Connected())
        SpeedButton2->setEnabled(session_.CurrentDirectory() != "/");
}

// One request wrapped in the busy-and-wait protocol; true when it succeeded.
bool TFormFTPClient::RemoteRequest(const std::function<void()>& request, const QString& text) {
    BeginFtpOperation();
    request();
    WaitForFtpCompletion(text);
    EndFtpOperation();
    return (session_.RequestResult() & 0xFF) != 0 || session_.RequestResult() > 0xFF;
}

bool TFormFTPClient::ConnectSequence(const TFtpServer& server, const QString& siteName,
                                     bool reportFailure) {
    if (RemoteRequest([&] { session_.Connect(server); }, "Attempting to connect to FTP Site"))
        return true;
    QString refusal;
    if (session_.RequestError() == FtpErrorUntrustedCertificate &&
        TrustCertificate(server, siteName, refusal)) {
        TFtpServer trusting = server;
        trusting.AcceptedCertificate = session_.PresentedCertificate();
        if (RemoteRequest([&] { session_.Connect(trusting); }, "Attempting to connect to FTP Site"))
            return true;
    } else if (session_.RequestError() == FtpErrorHostKeyUnknown && TrustHostKey()) {
        if (RemoteRequest([&] { session_.Connect(server); }, "Attempting to connect to FTP Site"))
            return true;
    }
    // The library's reason, unless the session's own message already said it in those words.
    const QString cause =
        session_.RequestError() == FtpErrorCancelled ? QString() : session_.RequestCause();
    if (!cause.isEmpty() && !RichEdit->toPlainText().endsWith(cause))
        LogMessage(cause);
    // Nothing was connected, so the "not connected" notice of Disconnect would only confuse.
    DisconnectConnection();
    if (reportFailure && !refusal.isEmpty())
        Prompts().MessageBox(ApplicationTitle(), refusal, QMessageBox::Warning, QMessageBox::Ok);
    else if (reportFailure)
        ShowInfo("Unable to connect to FTP site. Please check your settings." +
                 (cause.isEmpty() ? QString() : "\r\r" + cause));
    return false;
}

bool TFormFTPClient::TrustCertificate(const TFtpServer& server, const QString& siteName,
                                      QString& refusal) {
    const TFtpCertificate& shown = session_.PresentedCertificateDetails();
    if (shown.Pem.isEmpty())
        return false;
    const QString fingerprint = CertificateFingerprint(shown.Pem);
    const QString details =
        QString("Subject: %1\rIssuer: %2\rValid from: %3\rValid until: %4\r"
                "SHA-256 fingerprint: %5")
            .arg(shown.Subject, shown.Issuer, shown.StartDate, shown.ExpireDate, fingerprint);
    const QString accepted = CertificateFingerprint(server.AcceptedCertificate);
    if (!accepted.isEmpty() && accepted != fingerprint) {
        // As with a changed SSH host key: someone may stand between, so no question to say yes to.
        const QString warning =
            QString("ERROR! The certificate of %1 has changed since you accepted it. The "
                    "connection was refused, since someone may be listening in; if the server's "
                    "certificate was renewed, choose \"Forget Accepted Certificate\" in the site "
                    "dialog and connect again.")
                .arg(server.HostName);
        LogMessage(QString(details).replace('\r', '\n'));
        // Through the session, as its own errors go, so that a publish reports it too.
        emit session_.LogMessage(warning);
        refusal =
            warning.mid(qsizetype(qstrlen("ERROR! "))) + "\r\rThe server now shows:\r" + details;
        return false;
    }
    if (!AskYesNo("The server's certificate is not signed by an authority this computer trusts."
                  "\r\r" +
                  details + "\r\rAccept this certificate for this site?"))
        return false;
    WriteSiteCertificate(siteName, server, shown.Pem);
    return true;
}

// Asks whether to trust the unknown host key the SSH server showed; Yes adds it to the known
// hosts, where the next connect finds it.
bool TFormFTPClient::TrustHostKey() {
    const TSshHostKey& key = session_.PresentedHostKey();
    if (key.Blob.isEmpty() ||
        !AskYesNo(QString("The host key of \"%1\" is not known to this computer.\r\r"
                          "Key type: %2\rFingerprint: %3\r\r"
                          "Trust this key and add it to your known hosts?")
                      .arg(KnownHostName(key.Host, key.Port), SshKeyType(key.Blob),
                           SshFingerprint(key.Blob))))
        return false;
    if (AddKnownHost(key))
        return true;
    LogMessage(QString("ERROR! Unable to write \"%1\"").arg(KnownHostsPath()));
    return false;
}

void TFormFTPClient::MIConnectClick() {
    if (busyCount_ > 0)
        return; // disabled meanwhile; a shortcut queued before must not reach in
    if (session_.Connected()) {
        ShowInfo("Please disconnect from the current FTP site.");
        return;
    }
    if (!siteDialog_->ExecuteSiteDialog())
        return;
    if (!ConnectSequence(siteDialog_->SiteServer(), siteDialog_->SiteName))
        return;
    PIRefresh2Click();
    if (!siteDialog_->SiteLocalPath.isEmpty())
        ChangeLocalDir(siteDialog_->SiteLocalPath);
    if (!siteDialog_->SiteRemotePath.isEmpty())
        ChangeRemoteDir(siteDialog_->SiteRemotePath);
}

void TFormFTPClient::MIDisconnectClick() {
    if (busyCount_ > 0)
        return;
    if (!session_.Connected()) {
        ShowInfo("You are not currently connected to a FTP site.");
        return;
    }
    DisconnectConnection();
}

void TFormFTPClient::DisconnectConnection() {
    session_.Disconnect();
    ListView2->clear();
    BeginFtpOperation();
    busyCount_ = 0;
    panesEnabled_.reset(); // the local side enabled, the remote one not
    for (QWidget* w : std::initializer_list<QWidget*>{SpeedButton1, ComboBox1, ListView1})
        w->setEnabled(true);
    for (QAction* a : {MIConnect, TBConnect})
        a->setEnabled(true);
    for (QAction* a : {MIDisconnect, TBDisconnect})
        a->setEnabled(false);
}

void TFormFTPClient::PutOnTop(QComboBox* box, const QString& path) {
    const int at = box->findText(path);
    if (at >= 0)
        box->removeItem(at);
    box->insertItem(0, path);
    box->setCurrentIndex(0);
}

void TFormFTPClient::AddFileItem(QList<QTreeWidgetItem*>& items, const TFtpFindData& data) {
    static const QFileIconProvider icons;
    static const QIcon folderIcon = icons.icon(QAbstractFileIconProvider::Folder);
    static const QIcon fileIcon = icons.icon(QAbstractFileIconProvider::File);
    const QDateTime local = data.LastWriteTime.toLocalTime();
    const quint32 packed = PackedDosDateTime(local);
    const QString type = TypeName(data.Name, data.Directory);
    const QLocale locale;
    auto* item = new QTreeWidgetItem(QStringList{
        PrintableFileName(data.Name), data.Directory ? QString() : FormatKilobytes(data.Size), type,
        packed ? locale.toString(local, QLocale::ShortFormat) : QString("Unknown")});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setIcon(0, data.Directory ? folderIcon : fileIcon);
    item->setData(0, kNameRole, data.Name);
    item->setData(0, kSubRole + SubSize, QString::number(data.Size));
    item->setData(0, kSubRole + SubType, type);
    item->setData(0, kSubRole + SubPackedTime, QString::number(packed));
    item->setData(0, kSubRole + SubAttributes, QString::number(data.Directory ? 0x10 : 0x80));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    items.append(item);
}

void TFormFTPClient::SortFileList(TFtpListView* list, QList<QTreeWidgetItem*> items) {
    const QSignalBlocker block(list);
    while (list->topLevelItemCount() > 0)
        items.append(list->takeTopLevelItem(0));
    const int state = list->Tag;
    std::stable_sort(items.begin(), items.end(),
                     [state](auto* a, auto* b) { return ListView1Compare(a, b, state) < 0; });
    list->addTopLevelItems(items);
}

void TFormFTPClient::ListView1ColumnClick(TFtpListView* list, int column) {
    list->Tag = list->Tag == column ? -column : column;
    SortFileList(list);
}

void TFormFTPClient::PIRefresh1Click() {
    const QString folder = QDir::currentPath();
    PutOnTop(ComboBox1, folder);
    filling_ = true;
    ResetFileList(ListView1);
    QCoreApplication::processEvents();
    const QFileInfoList entries = QDir::current().entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QList<QTreeWidgetItem*> items;
    for (const QFileInfo& info : entries) {
        // Names with a leading full stop are the desktop's hidden files.
        if (info.fileName().startsWith('.'))
            continue;
        AddFileItem(items, {info.fileName(), info.isDir() ? 0 : info.size(), info.lastModified(),
                            info.isDir()});
    }
    // Put in at once: one by one, a list of thousands would be laid out thousands of times.
    SortFileList(ListView1, items);
    filling_ = false;
}

void TFormFTPClient::RemoteListing() {
    filling_ = true;
    QList<QTreeWidgetItem*> items;
    // Step 1-3: the folder, its place in the history and a fresh list.
    if (RemoteRequest([this] { session_.GetCurrentDirectory(); }, "Refreshing Directory")) {
        PutOnTop(ComboBox2, session_.CurrentDirectory());
        ResetFileList(ListView2);
        // Step 4-5: the entries, with the panes kept disabled throughout.
        BeginFtpOperation();
        BeginFtpOperation();
        session_.FindFirst();
        WaitForFtpCompletion("Finding Files");
        EndFtpOperation();
        bool more = session_.RequestResult() != 0;
        while (more) {
            const TFtpFindData& data = session_.FindData();
            if (data.Name != "." && data.Name != "..")
                AddFileItem(items, data);
            BeginFtpOperation();
            session_.FindNext();
            WaitForFtpCompletion({});
            EndFtpOperation();
            more = session_.RequestResult() != 0;
        }
        EndFtpOperation();
    }
    SortFileList(ListView2, items);
    filling_ = false;
}

void TFormFTPClient::PIRefresh2Click() {
    RemoteListing();
}

void TFormFTPClient::ChangeLocalDir(const QString& path) {
    if (QDir::setCurrent(path))
        PIRefresh1Click();
}

void TFormFTPClient::ChangeRemoteDir(const QString& path) {
    RemoteRequest([&] { session_.SetCurrentDirectory(path); },
                  QString("Changing to directory \"%1\"").arg(path));
    PIRefresh2Click();
}

void TFormFTPClient::SpeedButton2Click() {
    RemoteRequest([&] { session_.SetCurrentDirectory(".."); }, "Changing to parent directory");
    PIRefresh2Click();
}

void TFormFTPClient::OpenItem(TFtpListView* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.first();
    const QString name = item->data(0, kNameRole).toString();
    if (IsFolderItem(item))
        list == ListView1 ? ChangeLocalDir(name) : ChangeRemoteDir(name);
    else if (list == ListView1)
        ShellOpen(QDir::current().absoluteFilePath(name));
}

void TFormFTPClient::RenameItem(TFtpListView* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return;
    const QString oldName = selected.first()->data(0, kNameRole).toString();
    const std::optional<QString> newName =
        Prompts().InputBox("Rename File", "Enter New Name:", oldName);
    if (!newName)
        return;
    if (list == ListView1) {
        if (QDir::current().rename(oldName, *newName))
            PIRefresh1Click();
        return;
    }
    if (newName->isEmpty())
        RaiseError("Illegal File name.");
    if (RemoteRequest([&] { session_.RenameFile(oldName, *newName); },
                      QString("Renaming \"%1\" to \"%2\"").arg(oldName, *newName)))
        PIRefresh2Click();
}

void TFormFTPClient::ItemRenamed(TFtpListView* list, QTreeWidgetItem* item) {
    const QString oldName = item->data(0, kNameRole).toString();
    const QString newName = item->text(0);
    if (oldName == newName || newName == PrintableFileName(oldName) || oldName == "..")
        return;
    const bool renamed =
        list == ListView1
            ? QDir::current().rename(oldName, newName)
            : RemoteRequest([&] { session_.RenameFile(oldName, newName); },
                            QString("Renaming \"%1\" to \"%2\"").arg(oldName, newName));
    const QSignalBlocker block(list);
    if (renamed) {
        item->setData(0, kNameRole, newName);
        return;
    }
    item->setText(0, oldName);
    ShowInfo("Unable to rename file");
}

void TFormFTPClient::DeleteItems(TFtpListView* list) {
    if (!AskYesNo("Are you sure you want to delete the selected files?"))
        return;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (!item->isSelected())
            continue;
        const QString name = item->data(0, kNameRole).toString();
        const bool folder = IsFolderItem(item);
        if (list == ListView1) {
            // Failures (a full folder, "..") are passed over.
            folder ? QDir::current().rmdir(name) : QDir::current().remove(name);
        } else if (folder) {
            RemoteRequest([&] { session_.RemoveDirectory(name); },
                          QString("Removing Directory \"%1\"").arg(name));
        } else {
            RemoteRequest([&] { session_.DeleteFile(name); },
                          QString("Deleteing File \"%1\"").arg(name));
        }
    }
    list == ListView1 ? PIRefresh1Click() : PIRefresh2Click();
}

void TFormFTPClient::NewFolder(TFtpListView* list) {
    const std::optional<QString> name =
        Prompts().InputBox(ApplicationTitle(), "Enter new folder name:", {});
    if (!name)
        return;
    if (list == ListView1) {
        if (!name->isEmpty() && QDir::current().mkdir(*name))
            PIRefresh1Click();
        return;
    }
    if (name->isEmpty())
        RaiseError("Illegal Folder Name");
    if (RemoteRequest([&] { session_.CreateDirectory(*name); },
                      QString("Creating Directory \"%1\"").arg(*name)))
        PIRefresh2Click();
}

void TFormFTPClient::ButtonGetClick() {
    Transfer(true);
}

void TFormFTPClient::ButtonPutClick() {
    Transfer(false);
}

void TFormFTPClient::Transfer(bool download) {
    TFtpListView* list = download ? ListView2 : ListView1;
    const QString verb = download ? "downloading" : "uploading";
    if (list->selectedItems().isEmpty()) {
        ShowInfo(QString("There are no files are selected for %1.").arg(verb));
        return;
    }
    // What the loop needs, taken now: the list may be refilled while a file is on its way.
    struct TEntry {
        QString Name;
        bool Folder;
        qint64 Size;
    };
    QList<TEntry> entries;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->isSelected())
            entries.append({item->data(0, kNameRole).toString(), IsFolderItem(item),
                            ItemSubText(item, SubSize).toLongLong()});
    }
    bool replaceAll = false;
    for (const TEntry& entry : entries) {
        const QString shown = PrintableFileName(entry.Name);
        if (entry.Folder) {
            ShowInfo(QString("Error while %1 \"%2\". %3 folders is not currently supported.")
                         .arg(verb, shown, download ? "Downloading" : "Uploading"));
            continue;
        }
        if (download && entry.Name.startsWith('.') && entry.Name != "." && entry.Name != ".." &&
            IsSafeLocalFileName('x' + entry.Name.mid(1))) {
            // The local pane hides such files: one chosen by the server (".bashrc") would land
            // unseen.
            LogMessage(QString("ERROR! \"%1\" begins with \".\", which would make a hidden local "
                               "file; not downloaded")
                           .arg(shown));
            continue;
        }
        if (download && !IsSafeLocalFileName(entry.Name)) {
            // A server's name must not reach outside the local folder nor name another place.
            LogMessage(
                QString("ERROR! \"%1\" cannot be a local file name; not downloaded").arg(shown));
            continue;
        }
        if (download && !replaceAll && QFileInfo::exists(entry.Name)) {
            const QMessageBox::StandardButton answer = Prompts().MessageBox(
                ApplicationTitle(),
                QString("\"%1\" already exists in the local folder.\r\rReplace it?").arg(shown),
                QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel)
                break;
            if (answer == QMessageBox::No) {
                LogMessage(QString("\"%1\" kept; not downloaded").arg(shown));
                continue;
            }
            replaceAll = answer == QMessageBox::YesToAll;
        }
        const QString caption =
            QString(download ? "Downloading \"%1\"" : "Uploading \"%1\"").arg(shown);
        BeginFtpOperation();
        if (download)
            session_.GetFile(entry.Name, QDir::currentPath());
        else
            session_.PutFile(QDir::currentPath(), entry.Name);
        transfer_->setWindowTitle(caption);
        transfer_->SetTransferRange(entry.Size);
        transfer_->SetTransferPosition(0);
        transfer_->show();
        WaitForFtpCompletion(caption);
        EndFtpOperation();
        if (isMinimized())
            showNormal();
        QCoreApplication::processEvents();
        transfer_->hide();
    }
    download ? PIRefresh1Click() : PIRefresh2Click();
}

void TFormFTPClient::ItemsDropped(TFtpListView* target, QTreeWidget* source,
                                  QTreeWidgetItem* onto) {
    if (target == ListView1) {
        if (source == ListView2)
            ButtonGetClick();
        return;
    }
    if (source == ListView1)
        return ButtonPutClick();
    if (source != ListView2 || !onto || !IsFolderItem(onto))
        return;
    const QString folder = onto->data(0, kNameRole).toString();
    QStringList names;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
        if (ListView2->topLevelItem(i)->isSelected())
            names.append(ListView2->topLevelItem(i)->data(0, kNameRole).toString());
    for (const QString& name : names) {
        if (name == folder)
            continue;
        const QString to = folder + '/' + name;
        RemoteRequest([&] { session_.RenameFile(name, to); },
                      QString("Renaming \"%1\" to \"%2\"").arg(name, to));
    }
    PIRefresh2Click();
}
