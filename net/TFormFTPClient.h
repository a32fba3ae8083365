#pragma once

#include "common/FormStorage.h"
#include "net/TFtpSession.h"

#include <QMainWindow>
#include <QTreeWidget>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDockWidget;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class TFormFTPSite;
class TFormFTPTransfer;

// A file list of the FTP client window: report view, several selected, labels edited in place,
// items dragged to the other list (or onto a folder of the remote one).
class TFtpListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit TFtpListView(QWidget* parent = nullptr);

    // The list's sort state: +c ascending by column c (1 Name .. 4 Modified), -c descending.
    int Tag = 1;

signals:
    // Items of Source were dropped on Target (null: empty space).
    void ItemsDropped(QTreeWidget* source, QTreeWidgetItem* target);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The hidden texts an item keeps beside its columns: byte size, type, packed DOS date-time and
// attribute bits, each as decimal text (sub-items 3 to 6).
enum TFtpSubItem { SubSize = 3, SubType = 4, SubPackedTime = 5, SubAttributes = 6 };
QString ItemSubText(const QTreeWidgetItem* item, int subItem);
bool IsFolderItem(const QTreeWidgetItem* item);
// The order of two items under a list's sort state: negative when A goes first.
int ListView1Compare(const QTreeWidgetItem* a, const QTreeWidgetItem* b, int sortState);
// The DOS date word in the high 16 bits, the time word in the low; 0 when Time cannot be held
// (before 1980, after 2107, or invalid).
quint32 PackedDosDateTime(const QDateTime& localTime);

// The two-pane FTP client window: local folders on the left, the connected server's on the
// right, transfers between them, and the message log.
class TFormFTPClient : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormFTPClient(QWidget* parent = nullptr);
    ~TFormFTPClient() override;

    // Shows the window modally and returns when it is closed.
    void ShowModal();

    TFtpSession& Session() { return session_; }
    TFormFTPSite* SiteDialog() const { return siteDialog_; }
    TFormFTPTransfer* TransferWindow() const { return transfer_; }

    // Commands.
    void MIConnectClick();
    void MIDisconnectClick();
    void ButtonGetClick();
    void ButtonPutClick();
    void PIRefresh1Click();
    void PIRefresh2Click();
    void ChangeLocalDir(const QString& path);
    void ChangeRemoteDir(const QString& path);
    void OpenItem(TFtpListView* list);
    void RenameItem(TFtpListView* list);
    void DeleteItems(TFtpListView* list);
    void NewFolder(TFtpListView* list);
    void SpeedButton2Click();
    void ListView1ColumnClick(TFtpListView* list, int column);
    // Sorts the list's items, with Added put in as well.
    void SortFileList(TFtpListView* list, QList<QTreeWidgetItem*> added = {});

    // Uploads LocalFile into RemoteFolder (the login folder when empty) of the site the site
    // dialog's result names: connects, changes folder, uploads with the transfer window showing
    // the progress, and disconnects, logging every step. Empty on success, else what failed.
    QString PublishFile(const QString& localFile, const QString& remoteFolder);

    // The busy-and-wait protocol around every request.
    void BeginFtpOperation();
    void WaitForFtpCompletion(const QString& text);
    void EndFtpOperation();
    void LogMessage(const QString& text);
    int BusyCount() const { return busyCount_; }

    QAction* MIConnect = nullptr;
    QAction* MIDisconnect = nullptr;
    QAction* TBConnect = nullptr; // the tool bar's Connect and Disconnect
    QAction* TBDisconnect = nullptr;
    QAction* MIProperties = nullptr;
    QAction* MIExit = nullptr;
    QAction* MIMessageLog = nullptr;
    QAction* MIVelmarisOnline = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    TFtpListView* ListView1 = nullptr;
    TFtpListView* ListView2 = nullptr;
    QToolButton* ButtonGet = nullptr;
    QToolButton* ButtonPut = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QDockWidget* TBWindowMessageLog = nullptr;
    QPlainTextEdit* RichEdit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildPane(const QString& title, int index);
    void BuildPopupMenu(TFtpListView* list, QMenu* menu);
    void UpdatePopupMenu(TFtpListView* list, QMenu* menu);
    void RefreshCounters();
    void SetPanesEnabled();
    // ReportFailure false leaves telling the user to the caller, who says more.
    bool ConnectSequence(const TFtpServer& server, const QString& siteName,
                         bool reportFailure = true);
    bool TrustHostKey();
    // Asks whether to trust the certificate the server showed; a certificate other than the
    // one accepted for the site before is refused without asking: Refusal then says why.
    bool TrustCertificate(const TFtpServer& server, const QString& siteName, QString& refusal);
    void DisconnectConnection();
    void RemoteListing();
    void AddFileItem(QList<QTreeWidgetItem*>& items, const TFtpFindData& data);
    void PutOnTop(QComboBox* box, const QString& path);
    void Transfer(bool download);
    void ItemRenamed(TFtpListView* list, QTreeWidgetItem* item);
    void ItemsDropped(TFtpListView* target, QTreeWidget* source, QTreeWidgetItem* onto);
    bool RemoteRequest(const std::function<void()>& request, const QString& text);

    TFtpSession session_;
    TFormFTPSite* siteDialog_ = nullptr;
    TFormFTPTransfer* transfer_ = nullptr;
    int busyCount_ = 0;
    // What SetPanesEnabled last applied; nothing while only the local side is enabled.
    std::optional<bool> panesEnabled_;
    bool filling_ = false;
    std::unique_ptr<TFormStorage> storage_;
};

// Resets List to its one ".." entry.
void ResetFileList(QTreeWidget* list);
