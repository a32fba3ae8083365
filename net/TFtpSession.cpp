#include "net/TFtpSession.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QUrl>
#include <curl/curl.h>

QString FtpStatusMessage(int status) {
    switch (status) {
    case FtpResolvingName:
        return "Resolving Name";
    case FtpNameResolved:
        return "Name Resolved";
    case FtpConnectingToServer:
        return "Connecting to Server";
    case FtpConnectedToServer:
        return "Connected to Server";
    case FtpClosingConnection:
        return "Closing Connection";
    case FtpConnectionClosed:
        return "Connection Closed";
    case FtpHandleClosing:
        return "Handle Closing";
    case 110:
        return "Redirect";
    case 200:
        return "State Changed";
    default:
        return {};
    }
}

QString FtpErrorMessage(quint32 error, const QString& serverReply) {
    switch (error) {
    case 0:
    case 87:
        return {};
    case 18:
        return "No More Files";
    case 12002:
        return "ERROR! Timeout";
    case 12003:
        return serverReply;
    case 12005:
        return "ERROR! Invalid URL";
    case 12006:
        return "ERROR! Unrecognized Scheme";
    case 12007:
        return "ERROR! Name Not Resolved";
    case 12008:
        return "ERROR! Protocol Not Found";
    case 12013:
        return "ERROR! Incorrect User Name";
    case 12014:
        return "ERROR! Incorrect Password";
    case 12015:
        return "ERROR! Login Failure";
    case 12017:
        return "ERROR! Operation Cancelled";
    case 12029:
        return "ERROR! Cannot Connect";
    case 12030:
        return "ERROR! Connection Aborted";
    case 12031:
        return "ERROR! Connection Reset";
    case 12110:
        return "ERROR! Transfer in Progress";
    case 12045:
        return "ERROR! Untrusted Certificate";
    case 12157:
        return "ERROR! Secure Channel Error";
    case FtpErrorHostKeyUnknown:
        return serverReply.isEmpty() ? "ERROR! Unknown Host Key" : serverReply;
    case FtpErrorHostKeyChanged:
        return serverReply.isEmpty() ? "ERROR! Host Key Changed" : serverReply;
    default:
        return "ERROR! Error Code #" + QString::number(error);
    }
}

QString CertificateFingerprint(const QByteArray& pem) {
    QByteArray body;
    for (const QByteArray& line : pem.split('\n'))
        if (!line.startsWith("-----"))
            body += line.trimmed();
    if (body.isEmpty())
        return {};
    const QByteArray der = QByteArray::fromBase64(body);
    return QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex(':'))
        .toUpper();
}

QString JoinFtpPath(const QString& folder, const QString& name) {
    const QString path =
        name.startsWith('/') ? name : (folder.isEmpty() ? QString("/") : folder) + '/' + name;
    // Above the root there is nothing: "/.." is the root itself, as a shell has it.
    QStringList parts;
    for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != ".") {
            parts.append(part);
        }
    }
    return '/' + parts.join('/');
}

namespace {
quint32 ErrorOfCurlCode(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return FtpErrorNone;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return FtpErrorTimeout;
    case CURLE_URL_MALFORMAT:
        return FtpErrorInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return FtpErrorUnrecognizedScheme;
    case CURLE_COULDNT_RESOLVE_HOST:
        return FtpErrorNameNotResolved;
    case CURLE_LOGIN_DENIED:
        return FtpErrorLoginFailure;
    case CURLE_ABORTED_BY_CALLBACK:
        return FtpErrorCancelled;
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
        return FtpErrorCannotConnect;
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
        return FtpErrorConnectionAborted;
    case CURLE_SEND_ERROR:
        return FtpErrorConnectionReset;
    case CURLE_PEER_FAILED_VERIFICATION:
        return FtpErrorUntrustedCertificate;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        return FtpErrorSecureFailure;
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_SSH:
        return FtpErrorExtended;
    default:
        // Numbers of their own, clear of the codes above.
        return 13000 + quint32(code);
    }
}

// A path as an argument of libcurl's SFTP commands: quoted, so that blanks stay inside it.
QString SftpArgument(const QString& path) {
    QString quoted = path;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

// The commands that rename From to To, given absolute paths, as the protocol speaks.
QStringList RenameCommands(TFtpProtocol protocol, const QString& from, const QString& to) {
    if (protocol == TFtpProtocol::Sftp)
        return {"rename " + SftpArgument(from) + ' ' + SftpArgument(to)};
    return {"RNFR " + from, "RNTO " + to};
}

QStringList PathCommands(TFtpProtocol protocol, const QString& ftp, const QString& sftp,
                         const QString& path) {
    return {protocol == TFtpProtocol::Sftp ? sftp + ' ' + SftpArgument(path) : ftp + ' ' + path};
}

// Where an upload goes until it is whole: a hidden name of its own beside the target, so that
// the live file is replaced in one step, or not at all.
QString TemporaryUploadPath(const QString& remotePath) {
    const QFileInfo target(remotePath);
    const QString tag = QString::number(QRandomGenerator::global()->generate(), 16);
    return JoinFtpPath(target.path(), '.' + target.fileName() + '.' + tag + ".part");
}

// Each segment of an absolute path percent-encoded, for the path part of a URL.
QByteArray EncodePath(const QString& path) {
    QByteArray encoded;
    for (const QString& part : path.split('/', Qt::SkipEmptyParts))
        encoded += '/' + QUrl::toPercentEncoding(part);
    return encoded;
}

} // namespace

struct TFtpOutcome {
    quint32 Result = 0;
    quint32 Error = 0;
    QString Reply;
    QString EntryPath;
    QList<TFtpFindData> Entries;
    TFtpCertificate Certificate;
    TSshHostKey HostKey;
    QString Detail; // a second line for the log, after the error's own message
    QString Cause;  // the transfer library's own words for why the request failed
};

// Lives on the session's worker thread and owns the libcurl handle, whose live connection is
// kept from one request to the next.
class TFtpWorker {
public:
    TFtpWorker(TFtpSession* session, std::shared_ptr<std::atomic<bool>> terminated)
        : session_(session), terminated_(std::move(terminated)) {}
    ~TFtpWorker() { Close(); }

    TFtpServer Server;
    TFtpSession::TTimeouts Timeouts;

    TFtpOutcome Connect() {
        Close();
        handle_ = curl_easy_init();
        hostKey_ = {};
        connecting_ = true;
        TFtpOutcome outcome = Perform(ctxConnection, Url("/", true),
                                      [](CURL* c) { curl_easy_setopt(c, CURLOPT_NOBODY, 1L); });
        connecting_ = false;
        if (outcome.Error == FtpErrorUntrustedCertificate)
            outcome.Certificate = FetchCertificate();
        outcome.HostKey = hostKey_;
        const char* entry = nullptr;
        if (outcome.Error == 0 &&
            curl_easy_getinfo(handle_, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry)
            outcome.EntryPath = QString::fromUtf8(entry);
        if (outcome.EntryPath.isEmpty())
            outcome.EntryPath = "/";
        outcome.Result = outcome.Error == 0 ? 1 : 0;
        return outcome;
    }

    TFtpOutcome CheckDirectory(const QString& path) {
        // SFTP asks nothing of the server for a request without a body; reading the folder's
        // names is what proves it is there.
        const bool sftp = Sftp();
        TFtpOutcome outcome = Perform(ctxConnection, Url(path, true), [sftp](CURL* c) {
            curl_easy_setopt(c, sftp ? CURLOPT_DIRLISTONLY : CURLOPT_NOBODY, 1L);
        });
        outcome.Result = outcome.Error == 0;
        return outcome;
    }

    TFtpOutcome List(const QString& path) {
        TListingReader reader;
        auto setup = [&reader](CURL* c, const char* command) {
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TFtpWorker::ReadListing);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &reader);
            curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, command);
        };
        // The machine listing has exact sizes and times; older servers only know LIST.
        TFtpOutcome outcome = Perform(ctxFind, Url(path, true),
                                      [&](CURL* c) { setup(c, Sftp() ? nullptr : "MLSD"); });
        if (outcome.Error == FtpErrorExtended && !Sftp()) {
            reader = {};
            outcome = Perform(ctxFind, Url(path, true), [&](CURL* c) { setup(c, nullptr); });
        }
        if (!reader.Overflow.isEmpty()) {
            // A server that never ends its listing must not fill the memory.
            outcome.Error = FtpErrorExtended;
            outcome.Reply = QString("ERROR! The listing of \"%1\" was stopped: it passed %2")
                                .arg(path, reader.Overflow);
            return outcome;
        }
        reader.Entries.append(ParseFtpListing(reader.Pending));
        outcome.Entries = std::move(reader.Entries);
        outcome.Result = outcome.Error == 0;
        return outcome;
    }

    TFtpOutcome Get(const QString& remotePath, const QString& localPath) {
        // The new file stays under a temporary name until it is whole, so that a failed
        // transfer never leaves a file that looks complete, nor spoils the one it would replace.
        QSaveFile file(localPath);
        if (!file.open(QIODevice::WriteOnly)) {
            TFtpOutcome outcome;
            outcome.Error = FtpErrorExtended;
            outcome.Reply = QString("ERROR! Unable to write \"%1\"").arg(localPath);
            return outcome;
        }
        TFtpOutcome outcome = Perform(ctxDownload, Url(remotePath, false), [&file](CURL* c) {
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TFtpWorker::WriteFile);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &file);
        });
        if (outcome.Error == 0 && !file.commit()) {
            outcome.Error = FtpErrorExtended;
            outcome.Reply = QString("ERROR! Unable to write \"%1\"").arg(localPath);
        }
        if (outcome.Error != 0)
            file.cancelWriting();
        outcome.Result = outcome.Error == 0;
        return outcome;
    }

    TFtpOutcome Put(const QString& localPath, const QString& remotePath) {
        QFile file(localPath);
        TFtpOutcome outcome;
        if (!file.open(QIODevice::ReadOnly)) {
            outcome.Error = FtpErrorExtended;
            outcome.Reply = QString("ERROR! Unable to read \"%1\"").arg(localPath);
            return outcome;
        }
        const QString temporary = TemporaryUploadPath(remotePath);
        outcome = Upload(file, temporary);
        if (outcome.Error != 0) {
            Cleanup(PathCommands(Server.Protocol, "DELE", "rm", temporary));
            return outcome;
        }
        const QStringList rename = RenameCommands(Server.Protocol, temporary, remotePath);
        TFtpOutcome renamed = Quote(rename);
        if (renamed.Error != 0 && !terminated_->load()) {
            // Some servers (SFTP's own rename among them) will not rename over a file: the old
            // one goes first, and the whole new one takes its place.
            if (Quote(PathCommands(Server.Protocol, "DELE", "rm", remotePath)).Error == 0)
                renamed = Quote(rename);
        }
        if (renamed.Error == 0)
            return renamed;
        Cleanup(PathCommands(Server.Protocol, "DELE", "rm", temporary));
        if (terminated_->load())
            return renamed;
        // A server that renames nothing still takes the file under its own name.
        file.seek(0);
        outcome = Upload(file, remotePath);
        if (outcome.Error == 0)
            outcome.Detail = QString("The server refused to rename the uploaded file into place, "
                                     "so \"%1\" was written in place")
                                 .arg(QFileInfo(remotePath).fileName());
        return outcome;
    }

    // Commands that need no data connection (RNFR/RNTO, DELE, RMD, MKD), given absolute paths.
    TFtpOutcome Quote(const QStringList& commands) {
        // A line break inside a name would end the command and start another of the name's own.
        for (const QString& command : commands) {
            if (command.contains('\r') || command.contains('\n')) {
                TFtpOutcome refused;
                refused.Error = FtpErrorInvalidUrl;
                return refused;
            }
        }
        curl_slist* list = nullptr;
        for (const QString& command : commands)
            list = curl_slist_append(list, command.toUtf8().constData());
        TFtpOutcome outcome = Perform(ctxConnection, Url("/", true), [list](CURL* c) {
            curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
            curl_easy_setopt(c, CURLOPT_QUOTE, list);
        });
        curl_slist_free_all(list);
        outcome.Result = outcome.Error == 0;
        return outcome;
    }

    // Sends File to RemotePath and checks that the server holds all of it.
    TFtpOutcome Upload(QFile& file, const QString& remotePath) {
        const qint64 size = file.size();
        TFtpOutcome outcome = Perform(ctxUpload, Url(remotePath, false), [&file, size](CURL* c) {
            curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(c, CURLOPT_READFUNCTION, &TFtpWorker::ReadFile);
            curl_easy_setopt(c, CURLOPT_READDATA, &file);
            curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
        });
        if (outcome.Error == 0)
            outcome = CheckUploadedSize(remotePath, size);
        outcome.Result = outcome.Error == 0;
        return outcome;
    }

    // Tidying after a failed request: runs even when the user stopped it, on a new connection
    // when the old one dropped, and its own failure changes nothing of what is reported.
    void Cleanup(const QStringList& commands) {
        uninterruptible_ = true;
        Quote(commands);
        uninterruptible_ = false;
    }

    void Close() {
        if (handle_)
            curl_easy_cleanup(handle_);
        handle_ = nullptr;
    }

private:
    bool Sftp() const { return Server.Protocol == TFtpProtocol::Sftp; }

    QByteArray Url(const QString& path, bool folder) const {
        const char* scheme = Server.Protocol == TFtpProtocol::Sftp ? "sftp" : "ftp";
        QUrl host;
        host.setHost(Server.HostName);
        QByteArray name = host.host(QUrl::FullyEncoded).toUtf8();
        if (name.contains(':'))
            name = '[' + name + ']';
        QByteArray url = QByteArray(scheme) + "://" + name;
        if (Server.Port > 0)
            url += ':' + QByteArray::number(Server.Port);
        // "%2F" makes the path absolute rather than relative to the login folder.
        url += Server.Protocol == TFtpProtocol::Sftp ? "/" : "/%2F";
        QByteArray encoded = EncodePath(path);
        if (!encoded.isEmpty())
            encoded.remove(0, 1);
        url += encoded;
        if (folder)
            url += '/';
        return url;
    }

    TFtpOutcome CheckUploadedSize(const QString& remotePath, qint64 size) {
        TFtpOutcome outcome = Perform(ctxUpload, Url(remotePath, false),
                                      [](CURL* c) { curl_easy_setopt(c, CURLOPT_NOBODY, 1L); });
        curl_off_t held = -1;
        curl_easy_getinfo(handle_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &held);
        if (outcome.Error == 0 && held != size) {
            outcome.Error = FtpErrorExtended;
            outcome.Reply = QString("ERROR! The server holds %1 of the %2 bytes sent")
                                .arg(qint64(held))
                                .arg(size);
        }
        return outcome;
    }

    // The certificate the server shows, read on a connection that does not check it and is not
    // kept, so that the user can be asked whether to trust it.
    TFtpCertificate FetchCertificate() {
        CURL* probe = curl_easy_init();
        const QByteArray url = Url("/", true);
        curl_easy_setopt(probe, CURLOPT_URL, url.constData());
        curl_easy_setopt(probe, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(probe, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(probe, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(probe, CURLOPT_CERTINFO, 1L);
        curl_easy_setopt(probe, CURLOPT_CONNECT_ONLY, 1L);
        curl_easy_setopt(probe, CURLOPT_CONNECTTIMEOUT_MS, long(Timeouts.ConnectMs));
        TFtpCertificate certificate;
        if (curl_easy_perform(probe) == CURLE_OK) {
            curl_certinfo* info = nullptr;
            if (curl_easy_getinfo(probe, CURLINFO_CERTINFO, &info) == CURLE_OK && info &&
                info->num_of_certs > 0) {
                const std::pair<const char*, QString*> fields[] = {
                    {"Subject:", &certificate.Subject},
                    {"Issuer:", &certificate.Issuer},
                    {"Start date:", &certificate.StartDate},
                    {"Expire date:", &certificate.ExpireDate}};
                for (curl_slist* field = info->certinfo[0]; field; field = field->next) {
                    if (qstrncmp(field->data, "Cert:", 5) == 0)
                        certificate.Pem = QByteArray(field->data + 5);
                    for (const auto& [name, value] : fields)
                        if (qstrncmp(field->data, name, qstrlen(name)) == 0)
                            *value = QString::fromUtf8(field->data + qstrlen(name)).trimmed();
                }
            }
        }
        curl_easy_cleanup(probe);
        return certificate;
    }

    template <class Setup> TFtpOutcome Perform(int context, const QByteArray& url, Setup setup) {
        if (!handle_)
            handle_ = curl_easy_init();
        CURL* c = handle_;
        curl_easy_reset(c);
        context_ = context;
        reply_.clear();
        replyComplete_ = true;
        hostKeyMatch_ = -1;
        authMethods_.clear();
        char detail[CURL_ERROR_SIZE] = "";
        curl_easy_setopt(c, CURLOPT_URL, url.constData());
        CommonOptions(c);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
        setup(c);
        const CURLcode code = curl_easy_perform(c);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
        Flush(true);
        TFtpOutcome outcome;
        outcome.Error = ErrorOfCurlCode(code);
        outcome.Reply = reply_.trimmed();
        if (code != CURLE_OK)
            outcome.Cause = QString::fromUtf8(*detail ? detail : curl_easy_strerror(code));
        if (code != CURLE_OK && outcome.Error == FtpErrorExtended && outcome.Reply.isEmpty())
            outcome.Reply = outcome.Cause;
        if (code != CURLE_OK && Sftp())
            ExplainSshFailure(code, outcome);
        return outcome;
    }

    // An SSH connection refused for its host key or its login says why, in the user's terms.
    void ExplainSshFailure(CURLcode code, TFtpOutcome& outcome) const {
        const QString server = KnownHostName(Server.HostName, Server.Port);
        const QString key = SshKeyType(hostKey_.Blob) + ' ' + SshFingerprint(hostKey_.Blob);
        if (hostKeyMatch_ == CURLKHMATCH_MISSING) {
            outcome.Error = FtpErrorHostKeyUnknown;
            outcome.Reply = QString("The host key of %1 (%2) is not among the known hosts in %3")
                                .arg(server, key, KnownHostsPath());
        } else if (hostKeyMatch_ == CURLKHMATCH_MISMATCH) {
            outcome.Error = FtpErrorHostKeyChanged;
            outcome.Reply =
                QString("ERROR! The host key of %1 has changed: it is now %2, not the key kept "
                        "for it in %3. The connection was refused, since someone may be "
                        "listening in; if the server was reinstalled, remove its old line there.")
                    .arg(server, key, KnownHostsPath());
        } else if (code == CURLE_LOGIN_DENIED) {
            outcome.Detail = LoginAttempts();
        }
    }

    // What the login offered, of what the server takes.
    QString LoginAttempts() const {
        QStringList tried;
        const QString key = PrivateKeyPath();
        const bool takesKeys = authMethods_.isEmpty() || authMethods_.contains("publickey");
        if (!key.isEmpty() && takesKeys)
            tried << QString("the key \"%1\"").arg(key);
        if (UseAgent() && takesKeys)
            tried << "the ssh-agent";
        if (!Server.Password.isEmpty() &&
            (authMethods_.isEmpty() || authMethods_.contains("password")))
            tried << "the password";
        QString text = QString("Login as \"%1\" refused; tried %2")
                           .arg(Server.UserName, tried.isEmpty() ? QString("nothing the server "
                                                                           "takes")
                                                                 : tried.join(", "));
        if (!authMethods_.isEmpty())
            text += QString(" (the server takes %1)").arg(authMethods_.join(", "));
        return text;
    }

    // The user's own key: the first of ~/.ssh/id_ed25519 and ~/.ssh/id_rsa there is.
    static QString PrivateKeyPath() {
        for (const char* name : {"id_ed25519", "id_rsa"}) {
            const QString path = QDir::homePath() + "/.ssh/" + name;
            if (QFileInfo::exists(path))
                return path;
        }
        return {};
    }

    static bool UseAgent() { return !qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK"); }

    void SshOptions(CURL* c) {
        knownHosts_ = QFile::encodeName(KnownHostsPath());
        curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, knownHosts_.constData());
        curl_easy_setopt(c, CURLOPT_SSH_KEYFUNCTION, &TFtpWorker::HostKey);
        curl_easy_setopt(c, CURLOPT_SSH_KEYDATA, this);
        long methods = 0;
        privateKey_ = QFile::encodeName(PrivateKeyPath());
        if (!privateKey_.isEmpty()) {
            curl_easy_setopt(c, CURLOPT_SSH_PRIVATE_KEYFILE, privateKey_.constData());
            methods |= CURLSSH_AUTH_PUBLICKEY;
        }
        if (UseAgent())
            methods |= CURLSSH_AUTH_AGENT;
        if (!Server.Password.isEmpty())
            methods |= CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
        curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, methods ? methods : CURLSSH_AUTH_PASSWORD);
    }

    // Only a key the user's known hosts hold for this server is let through; what the server
    // showed is kept to tell the user.
    static int HostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                       void* self) {
        auto* worker = static_cast<TFtpWorker*>(self);
        worker->hostKeyMatch_ = match;
        worker->hostKey_.Host = worker->Server.HostName;
        worker->hostKey_.Port = worker->Server.Port > 0 ? worker->Server.Port : 22;
        worker->hostKey_.Blob = found->len == 0 ? QByteArray::fromBase64(QByteArray(found->key))
                                                : QByteArray(found->key, qsizetype(found->len));
        return match == CURLKHMATCH_OK ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
    }

    void CommonOptions(CURL* c) {
        const QByteArray user = Server.UserName.toUtf8();
        const QByteArray password = Server.Password.toUtf8();
        // Empty details stay absent, so that libcurl's own defaults (anonymous) apply.
        if (!user.isEmpty())
            curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        if (!password.isEmpty())
            curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(Timeouts.ConnectMs));
        curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, long(Timeouts.ConnectMs));
        curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                         long(qMax(1, Timeouts.NoDataMs / 1000)));
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long(qMax(1, Timeouts.NoDataMs / 1000)));
        curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
        if (Sftp())
            SshOptions(c);
        else if (!Server.Passive)
            curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
        if (Server.Protocol == TFtpProtocol::FtpsExplicit) {
            curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
            if (!Server.AcceptedCertificate.isEmpty()) {
                // The one certificate the user accepted for this site stands in for the
                // authorities; its names were seen and accepted with it.
                curl_blob blob{const_cast<char*>(Server.AcceptedCertificate.constData()),
                               size_t(Server.AcceptedCertificate.size()), CURL_BLOB_COPY};
                curl_easy_setopt(c, CURLOPT_CAINFO_BLOB, &blob);
                curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
            }
        }
        // What libcurl makes up for a request without a body (sizes as headers) is not wanted.
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TFtpWorker::Discard);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &TFtpWorker::Progress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &TFtpWorker::Debug);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
    }

    static size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

    // A listing read as it arrives: whole lines become entries at once, so only the entries
    // and one unfinished line are held, up to the limits.
    struct TListingReader {
        static constexpr qint64 kMaxBytes = 64 << 20;
        static constexpr qsizetype kMaxEntries = 1000000;
        QByteArray Pending;
        QList<TFtpFindData> Entries;
        qint64 Bytes = 0;
        QString Overflow; // the limit passed, empty while within them
    };
    static size_t ReadListing(char* data, size_t size, size_t count, void* target) {
        auto* reader = static_cast<TListingReader*>(target);
        const size_t n = size * count;
        reader->Bytes += qint64(n);
        if (reader->Bytes > TListingReader::kMaxBytes) {
            reader->Overflow = "64 MB";
            return 0; // ends the transfer
        }
        reader->Pending.append(data, qsizetype(n));
        const qsizetype end = reader->Pending.lastIndexOf('\n');
        if (end >= 0) {
            reader->Entries.append(ParseFtpListing(QByteArrayView(reader->Pending).first(end + 1)));
            reader->Pending.remove(0, end + 1);
        }
        if (reader->Entries.size() > TListingReader::kMaxEntries) {
            reader->Overflow = "1,000,000 entries";
            return 0;
        }
        return n;
    }
    static size_t WriteFile(char* data, size_t size, size_t count, void* target) {
        return size_t(static_cast<QSaveFile*>(target)->write(data, qint64(size * count)));
    }
    static size_t ReadFile(char* data, size_t size, size_t count, void* source) {
        const qint64 n = static_cast<QFile*>(source)->read(data, qint64(size * count));
        return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
    }
    static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* worker = static_cast<TFtpWorker*>(self);
        worker->Flush(false);
        return worker->terminated_->load() && !worker->uninterruptible_ ? 1 : 0;
    }
    static int Debug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
        static_cast<TFtpWorker*>(self)->OnDebug(type, QByteArrayView(data, qsizetype(size)));
        return 0;
    }

    void OnDebug(curl_infotype type, QByteArrayView data) {
        switch (type) {
        case CURLINFO_TEXT:
            // Data connections come and go with every transfer; only the server's own counts.
            if (!connecting_)
                break;
            if (data.startsWith("Trying ")) {
                Status(FtpNameResolved);
                Status(FtpConnectingToServer);
            } else if (data.startsWith("Connected to ")) {
                Status(FtpConnectedToServer);
            } else if (data.startsWith(kAuthMethods)) {
                authMethods_ = QString::fromLatin1(data.sliced(qstrlen(kAuthMethods)))
                                   .trimmed()
                                   .split(',', Qt::SkipEmptyParts);
            }
            break;
        case CURLINFO_HEADER_IN:
            otherReceived_ += data.size();
            CollectReply(data);
            break;
        case CURLINFO_HEADER_OUT:
            otherSent_ += data.size();
            break;
        case CURLINFO_DATA_IN:
            dataReceived_ += data.size();
            break;
        case CURLINFO_DATA_OUT:
            dataSent_ += data.size();
            break;
        default:
            break;
        }
    }

    // Keeps the last whole reply of the server: lines up to one whose code stands before a blank.
    void CollectReply(QByteArrayView line) {
        if (replyComplete_)
            reply_.clear();
        reply_ += QString::fromUtf8(line);
        replyComplete_ = line.size() >= 4 && line[3] == ' ' && std::isdigit(uchar(line[0]));
    }

    void Status(int status) {
        TFtpSession* session = session_;
        QMetaObject::invokeMethod(
            session, [session, status] { emit session->LogMessage(FtpStatusMessage(status)); },
            Qt::QueuedConnection);
    }

    // Hands the bytes counted so far to the session, at most every 50 ms unless Now.
    void Flush(bool now) {
        if (!now && sinceFlush_.isValid() && sinceFlush_.elapsed() < 50)
            return;
        sinceFlush_.start();
        const qint64 sent = dataSent_ + otherSent_;
        const qint64 received = dataReceived_ + otherReceived_;
        if (sent == 0 && received == 0)
            return;
        const int context = context_;
        const qint64 data = context == ctxUpload ? dataSent_ : dataReceived_;
        dataSent_ = dataReceived_ = otherSent_ = otherReceived_ = 0;
        TFtpSession* session = session_;
        QMetaObject::invokeMethod(
            session,
            [session, context, data, sent, received] {
                session->bytesSent_ += sent;
                session->bytesReceived_ += received;
                if (data > 0 && (context == ctxDownload || context == ctxUpload))
                    emit session->DataTransferred(context, data);
                emit session->CountersChanged();
            },
            Qt::QueuedConnection);
    }

    friend class TFtpSession;

    TFtpSession* session_;
    std::shared_ptr<std::atomic<bool>> terminated_;
    CURL* handle_ = nullptr;
    int context_ = ctxConnection;
    QString reply_;
    bool replyComplete_ = true;
    bool connecting_ = false;
    bool uninterruptible_ = false;
    QElapsedTimer sinceFlush_;
    static constexpr const char* kAuthMethods = "SSH authentication methods available: ";
    QByteArray knownHosts_, privateKey_; // kept for libcurl while a request runs
    int hostKeyMatch_ = -1;              // how the last host key checked fared, -1 unchecked
    TSshHostKey hostKey_;
    QStringList authMethods_; // the login methods the SSH server offered
    qint64 dataSent_ = 0, dataReceived_ = 0, otherSent_ = 0, otherReceived_ = 0;
};

TFtpSession::TFtpSession(QObject* parent)
    : QObject(parent), terminated_(std::make_shared<std::atomic<bool>>(false)) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    worker_ = new TFtpWorker(this, terminated_);
    workerContext_ = new QObject;
    workerContext_->moveToThread(&thread_);
    thread_.setObjectName("FTP session");
    thread_.start();
}

TFtpSession::~TFtpSession() {
    // A request under way ends at its next progress call; the rest are dropped with the loop.
    terminated_->store(true);
    thread_.quit();
    thread_.wait();
    delete workerContext_;
    delete worker_;
}

void TFtpSession::Start(std::function<TFtpOutcome(TFtpWorker&)> job,
                        std::function<void(TFtpOutcome&)> then) {
    requestDone_ = false;
    TFtpWorker* worker = worker_;
    const TFtpServer server = server_;
    const TTimeouts timeouts = timeouts_;
    QMetaObject::invokeMethod(
        workerContext_,
        [this, worker, server, timeouts, job = std::move(job), then = std::move(then)] {
            worker->Server = server;
            worker->Timeouts = timeouts;
            TFtpOutcome outcome = job(*worker);
            QMetaObject::invokeMethod(
                this,
                [this, outcome, then]() mutable {
                    if (then)
                        then(outcome);
                    requestCause_ = outcome.Cause;
                    Finish(outcome.Result, outcome.Error, outcome.Reply, outcome.Detail);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void TFtpSession::Finish(quint32 result, quint32 error, const QString& reply,
                         const QString& detail) {
    requestResult_ = result;
    requestError_ = error;
    const QString message = FtpErrorMessage(error, reply);
    if (!message.trimmed().isEmpty())
        emit LogMessage(message);
    if (!detail.trimmed().isEmpty())
        emit LogMessage(detail);
    requestDone_ = true;
    emit Completed();
}

QString TFtpSession::Resolve(const QString& path) const {
    return JoinFtpPath(currentDir_, path);
}

void TFtpSession::Connect(const TFtpServer& server) {
    server_ = server;
    presentedCertificate_ = {};
    presentedHostKey_ = {};
    emit LogMessage(FtpStatusMessage(FtpResolvingName));
    Start([](TFtpWorker& w) { return w.Connect(); },
          [this](TFtpOutcome& outcome) {
              connected_ = outcome.Result != 0;
              currentDir_ = connected_ ? outcome.EntryPath : QString();
              presentedCertificate_ = outcome.Certificate;
              presentedHostKey_ = outcome.HostKey;
          });
}

void TFtpSession::GetCurrentDirectory() {
    // The folder is known from the login and every change since; the reply comes as any other.
    requestDone_ = false;
    const bool known = connected_ && !currentDir_.isEmpty();
    QMetaObject::invokeMethod(
        this,
        [this, known] {
            Finish(known ? 1 : 0,
                   known ? quint32(FtpErrorNone) : quint32(FtpErrorConnectionAborted));
        },
        Qt::QueuedConnection);
}

void TFtpSession::SetCurrentDirectory(const QString& path) {
    const QString target = Resolve(path);
    Start([target](TFtpWorker& w) { return w.CheckDirectory(target); },
          [this, target](TFtpOutcome& outcome) {
              if (outcome.Error == 0)
                  currentDir_ = target;
          });
}

void TFtpSession::FindFirst() {
    const QString folder = currentDir_;
    Start([folder](TFtpWorker& w) { return w.List(folder); },
          [this](TFtpOutcome& outcome) {
              listing_ = outcome.Error == 0 ? outcome.Entries : QList<TFtpFindData>{};
              // SFTP lists the folder itself and its parent, which are no entries of it.
              listing_.removeIf([](const TFtpFindData& entry) {
                  return entry.Name == "." || entry.Name == "..";
              });
              listingIndex_ = 0;
              if (outcome.Error != 0)
                  return;
              if (listing_.isEmpty()) {
                  outcome.Result = 0;
                  outcome.Error = FtpErrorNoMoreFiles;
              } else {
                  findData_ = listing_[listingIndex_++];
              }
          });
}

void TFtpSession::FindNext() {
    requestDone_ = false;
    if (listingIndex_ < listing_.size()) {
        findData_ = listing_[listingIndex_++];
        Finish(1, 0);
    } else {
        Finish(0, FtpErrorNoMoreFiles);
    }
}

void TFtpSession::GetFile(const QString& remoteName, const QString& localFolder) {
    const QString remote = Resolve(remoteName);
    const QString local = QDir(localFolder).filePath(remoteName);
    Start([remote, local](TFtpWorker& w) { return w.Get(remote, local); });
}

void TFtpSession::PutFile(const QString& localFolder, const QString& name) {
    const QString local = QDir(localFolder).filePath(name);
    const QString remote = Resolve(QFileInfo(name).fileName());
    Start([local, remote](TFtpWorker& w) { return w.Put(local, remote); });
}

void TFtpSession::RenameFile(const QString& oldName, const QString& newName) {
    const QStringList commands =
        RenameCommands(server_.Protocol, Resolve(oldName), Resolve(newName));
    Start([commands](TFtpWorker& w) { return w.Quote(commands); });
}

void TFtpSession::DeleteFile(const QString& name) {
    PathCommand("DELE", "rm", name);
}

void TFtpSession::RemoveDirectory(const QString& name) {
    PathCommand("RMD", "rmdir", name);
}

void TFtpSession::CreateDirectory(const QString& name) {
    PathCommand("MKD", "mkdir", name);
}

void TFtpSession::PathCommand(const QString& ftp, const QString& sftp, const QString& name) {
    const QStringList commands = PathCommands(server_.Protocol, ftp, sftp, Resolve(name));
    Start([commands](TFtpWorker& w) { return w.Quote(commands); });
}

void TFtpSession::Disconnect() {
    if (!connected_)
        return;
    connected_ = false;
    listing_.clear();
    emit LogMessage(FtpStatusMessage(FtpClosingConnection));
    QMetaObject::invokeMethod(
        workerContext_, [worker = worker_] { worker->Close(); }, Qt::QueuedConnection);
    emit LogMessage(FtpStatusMessage(FtpConnectionClosed));
}
