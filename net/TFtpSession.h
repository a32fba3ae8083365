#pragma once

#include "net/FtpListing.h"
#include "net/SshHostKey.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

// Request contexts: which kind of request a notification belongs to.
enum TFtpContext { ctxSession = 0, ctxConnection = 1, ctxDownload = 2, ctxUpload = 3, ctxFind = 4 };

// Status events of the session, numbered as the messages of the log know them.
enum TFtpStatus {
    FtpResolvingName = 10,
    FtpNameResolved = 11,
    FtpConnectingToServer = 20,
    FtpConnectedToServer = 21,
    FtpClosingConnection = 50,
    FtpConnectionClosed = 51,
    FtpHandleClosing = 70,
};

// Completion error codes, numbered as the messages of the log know them.
enum TFtpError : quint32 {
    FtpErrorNone = 0,
    FtpErrorNoMoreFiles = 18,
    FtpErrorTimeout = 12002,
    FtpErrorExtended = 12003, // the server's reply says what went wrong
    FtpErrorInvalidUrl = 12005,
    FtpErrorUnrecognizedScheme = 12006,
    FtpErrorNameNotResolved = 12007,
    FtpErrorLoginFailure = 12015,
    FtpErrorCancelled = 12017,
    FtpErrorCannotConnect = 12029,
    FtpErrorConnectionAborted = 12030,
    FtpErrorConnectionReset = 12031,
    FtpErrorSecureFailure = 12157, // the secure channel could not be set up
    FtpErrorUntrustedCertificate = 12045,
    FtpErrorHostKeyUnknown = 12201, // an SSH server whose key is not among the known hosts
    FtpErrorHostKeyChanged = 12202, // an SSH server showing another key than the one known
};

enum class TFtpProtocol { Ftp, FtpsExplicit, Sftp };

// Where and how to connect.
struct TFtpServer {
    QString HostName;
    QString UserName;
    QString Password;
    int Port = 0; // 0: the protocol's own port
    TFtpProtocol Protocol = TFtpProtocol::Ftp;
    bool Passive = false; // false: active data connections, the server connects back
    // A certificate the user accepted for this site (PEM); checked against instead of the
    // system's authorities.
    QByteArray AcceptedCertificate;
};

// A server's certificate as the user is asked about it.
struct TFtpCertificate {
    QByteArray Pem;
    QString Subject;
    QString Issuer;
    QString StartDate;
    QString ExpireDate;
};
// The SHA-256 fingerprint of a PEM certificate's DER bytes, "AB:CD:..."; empty for no
// certificate.
QString CertificateFingerprint(const QByteArray& pem);

// The message the log shows for a status event ("Connected to Server"); empty for none.
QString FtpStatusMessage(int status);
// The message the log shows for a completion error; ServerReply fills the extended error.
QString FtpErrorMessage(quint32 error, const QString& serverReply);

class TFtpWorker;
struct TFtpOutcome;

// The FTP session: one server connection driven by libcurl on a worker thread of its own. Each
// request starts at once and ends later with exactly one Completed signal on the thread that
// owns the session; meanwhile the session's signals report status events, bytes moved and the
// log's messages. Only one request is in flight at a time.
class TFtpSession : public QObject {
    Q_OBJECT

public:
    explicit TFtpSession(QObject* parent = nullptr);
    ~TFtpSession() override;

    // The waits of every request; a stalled server ends a request with FtpErrorTimeout.
    struct TTimeouts {
        int ConnectMs = 30000;
        int NoDataMs = 60000;
    };
    void SetTimeouts(const TTimeouts& timeouts) { timeouts_ = timeouts; }

    // Requests. Each clears the done flag and starts; Completed follows.
    void Connect(const TFtpServer& server);
    void GetCurrentDirectory();
    void SetCurrentDirectory(const QString& path);
    void FindFirst();
    void FindNext(); // completes at once, from the listing Find first fetched
    void GetFile(const QString& remoteName, const QString& localFolder);
    void PutFile(const QString& localFolder, const QString& name);
    void RenameFile(const QString& oldName, const QString& newName);
    void DeleteFile(const QString& name);
    void RemoveDirectory(const QString& name);
    void CreateDirectory(const QString& name);
    // Closes the connection; no completion follows.
    void Disconnect();

    // The stop request: the request under way ends with FtpErrorCancelled at its next chance.
    void Terminate() { terminated_->store(true); }
    void ClearTerminated() { terminated_->store(false); }
    bool TransferTerminated() const { return terminated_->load(); }

    bool Connected() const { return connected_; }
    bool RequestDone() const { return requestDone_; }
    void ClearRequestDone() { requestDone_ = false; }
    // Of the last completed request: a handle-like value for Connect and Find first (non-zero
    // means success), else 1 for success and 0 for failure.
    quint32 RequestResult() const { return requestResult_; }
    quint32 RequestError() const { return requestError_; }
    // Why the last request failed, in the transfer library's words; empty after a success.
    QString RequestCause() const { return requestCause_; }
    // The current remote folder and the entry Find first / Find next delivered.
    QString CurrentDirectory() const { return currentDir_; }
    const TFtpFindData& FindData() const { return findData_; }
    const TFtpServer& Server() const { return server_; }
    // The certificate the server showed in the last failed secure connect (PEM), for the
    // question whether to accept it.
    QByteArray PresentedCertificate() const { return presentedCertificate_.Pem; }
    const TFtpCertificate& PresentedCertificateDetails() const { return presentedCertificate_; }
    // The host key an SSH server showed in the last connect, for the question whether to trust
    // it when it is not known.
    const TSshHostKey& PresentedHostKey() const { return presentedHostKey_; }

    qint64 BytesSent() const { return bytesSent_; }
    qint64 BytesReceived() const { return bytesReceived_; }

signals:
    // A status event or a completion that has a message for the log.
    void LogMessage(const QString& text);
    // Data moved for a request of Context; the byte counters already include it.
    void DataTransferred(int context, qint64 bytes);
    void CountersChanged();
    void Completed();

private:
    friend class TFtpWorker;

    void Start(std::function<TFtpOutcome(TFtpWorker&)> job,
               std::function<void(TFtpOutcome&)> then = {});
    void Finish(quint32 result, quint32 error, const QString& reply = {},
                const QString& detail = {});
    QString Resolve(const QString& path) const;
    // A command on one path: FTP's or SFTP's form, as the server speaks.
    void PathCommand(const QString& ftp, const QString& sftp, const QString& name);

    QThread thread_;
    TFtpWorker* worker_ = nullptr;
    QObject* workerContext_ = nullptr; // lives on the worker thread; jobs run in its name
    std::shared_ptr<std::atomic<bool>> terminated_;
    TFtpServer server_;
    TTimeouts timeouts_;
    bool connected_ = false;
    bool requestDone_ = false;
    quint32 requestResult_ = 0;
    quint32 requestError_ = 0;
    QString requestCause_;
    QString currentDir_;
    QList<TFtpFindData> listing_;
    qsizetype listingIndex_ = 0;
    TFtpFindData findData_;
    TFtpCertificate presentedCertificate_;
    TSshHostKey presentedHostKey_;
    qint64 bytesSent_ = 0;
    qint64 bytesReceived_ = 0;
};

// A remote path joined of Folder and Name; ".." goes up one folder and an absolute Name stands
// for itself.
QString JoinFtpPath(const QString& folder, const QString& name);
