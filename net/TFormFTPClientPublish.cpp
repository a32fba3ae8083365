// Publishing one file without the two panes: the session, log and transfer window of the FTP
// client window, used from the main window's "Publish".
#include "net/TFormFTPClient.h"

#include "net/TFormFTPSite.h"
#include "net/TFormFTPTransfer.h"

#include <QFileInfo>

QString TFormFTPClient::PublishFile(const QString& localFile, const QString& remoteFolder) {
    if (session_.Connected())
        return "Please disconnect from the current FTP site.";
    const QFileInfo file(localFile);
    const QString caption = QString("Uploading \"%1\"").arg(file.fileName());
    // The whole publish is modal: nothing else may reach the session while it runs, and the
    // window that started it must not go away meanwhile.
    const Qt::WindowModality modality = transfer_->windowModality();
    transfer_->setWindowModality(Qt::ApplicationModal);
    transfer_->setWindowTitle(caption);
    transfer_->SetTransferRange(file.size());
    transfer_->SetTransferPosition(0);
    transfer_->show();

    // The session's last message of a request that failed says why.
    QString lastMessage;
    const QMetaObject::Connection listening =
        connect(&session_, &TFtpSession::LogMessage, this,
                [&](const QString& text) { lastMessage = text; });
    QString failure;
    // The one message of a failed publish names the file and the reason; the client's own
    // notice would be a second box saying less.
    if (!ConnectSequence(siteDialog_->SiteServer(), siteDialog_->SiteName, false)) {
        failure = lastMessage.startsWith("ERROR!")
                      ? "Unable to connect to FTP site (" + lastMessage + ")."
                      : QString("Unable to connect to FTP site.");
    } else {
        lastMessage.clear();
        if (!remoteFolder.isEmpty() &&
            !RemoteRequest([&] { session_.SetCurrentDirectory(remoteFolder); },
                           QString("Changing to directory \"%1\"").arg(remoteFolder))) {
            failure = lastMessage.isEmpty()
                          ? QString("No folder \"%1\" on the server.").arg(remoteFolder)
                          : lastMessage;
        } else {
            lastMessage.clear();
            if (!RemoteRequest([&] { session_.PutFile(file.absolutePath(), file.fileName()); },
                               caption))
                failure = lastMessage.isEmpty() ? QString("The upload failed.") : lastMessage;
        }
        DisconnectConnection();
    }
    disconnect(listening);
    transfer_->hide();
    transfer_->setWindowModality(modality);
    return failure;
}
