#include "common/LocalPageServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>
#include <QtEndian>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr char HostSuffix[] = ".localhost";
// A request head longer than this is no browser's.
constexpr qsizetype MaxRequestHead = 16 * 1024;
// How much of a file waits in the socket at a time, so a big file is never read whole.
constexpr qint64 BodyChunk = 256 * 1024;

// The folders pages are shown from, each under a random host name of its own; the server's
// thread reads them while the window's thread adds to them.
class TFolderHosts {
public:
    QString HostFor(const QString& folder) {
        const QMutexLocker lock(&mutex_);
        QString& host = hostOfFolder_[folder];
        if (host.isEmpty()) {
            host = QStringLiteral("f%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                             QLatin1Char('0'));
            folderOfHost_.insert(host, folder);
        }
        return host;
    }

    QString FolderOf(const QString& host) const {
        const QMutexLocker lock(&mutex_);
        return folderOfHost_.value(host);
    }

private:
    mutable QMutex mutex_;
    QHash<QString, QString> hostOfFolder_;
    QHash<QString, QString> folderOfHost_;
};

// Whether Path is Folder or lies below it.
bool InFolderTree(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

// The file that Path, decoded from a request, names in Folder's tree; empty if it names none.
// Dots and symbolic links are resolved before the check, so neither leads out, and Qt refuses a
// name with a NUL in it.
QString ServedFile(const QString& folder, const QString& path) {
    const QString cleaned = QDir::cleanPath(folder + '/' + path);
    const QString real = QFileInfo(cleaned).canonicalFilePath();
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty() || realFolder.isEmpty() || !InFolderTree(cleaned, folder) ||
        !InFolderTree(real, realFolder) || !QFileInfo(real).isFile())
        return {};
    return real;
}

// The value of header Name in the lines of a request head, empty if it has none.
QByteArray HeaderValue(const QList<QByteArray>& lines, const QByteArray& name) {
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

// The user the other end of a loopback connection belongs to, read from the kernel's table of
// TCP sockets; -1 if it is not there.
long PeerUser(const QTcpSocket& socket) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    // Each end is written as address:port in hexadecimal, the address as the kernel's word.
    const auto end = [](const QByteArray& field) {
        const QList<QByteArray> parts = field.split(':');
        return parts.size() == 2 ? std::pair{qFromBigEndian(parts[0].toUInt(nullptr, 16)),
                                             parts[1].toUInt(nullptr, 16)}
                                 : std::pair{0u, 0u};
    };
    const std::pair client{socket.peerAddress().toIPv4Address(), uint(socket.peerPort())};
    const std::pair server{socket.localAddress().toIPv4Address(), uint(socket.localPort())};
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 7 && end(fields[1]) == client && end(fields[2]) == server)
            return fields[7].toLong();
    }
    return -1;
}

// Answers the one request of a connection, then closes it.
class TConnection : public QObject {
public:
    TConnection(QTcpSocket* socket, const TFolderHosts& hosts)
        : QObject(socket), socket_(socket), hosts_(hosts) {
        connect(socket, &QTcpSocket::readyRead, this, [this] { ReadHead(); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { WriteBody(); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The files are this user's: another user of the machine gets none, whatever names it
        // has learnt.
        if (PeerUser(*socket) != long(getuid()))
            Refuse("403 Forbidden");
    }

private:
    void ReadHead() {
        if (answered_) {
            socket_->readAll();
            return;
        }
        head_ += socket_->readAll();
        const qsizetype end = head_.indexOf("\r\n\r\n");
        if (end >= 0)
            Answer(head_.left(end).split('\n'));
        else if (head_.size() > MaxRequestHead)
            Refuse("431 Request Header Fields Too Large");
    }

    void Answer(QList<QByteArray> lines) {
        answered_ = true;
        for (QByteArray& line : lines)
            line = line.trimmed();
        const QList<QByteArray> request = lines.takeFirst().split(' ');
        if (request.size() != 3 || !request[2].startsWith("HTTP/1.") ||
            !request[1].startsWith('/')) {
            Refuse("400 Bad Request");
            return;
        }
        if (request[0] != "GET") {
            Refuse("405 Method Not Allowed");
            return;
        }
        const QString folder = hosts_.FolderOf(HostName(HeaderValue(lines, "Host")));
        const QByteArray target = request[1].split('?').first();
        const QString name =
            folder.isEmpty() ? QString() : ServedFile(folder, QUrl::fromPercentEncoding(target));
        if (name.isEmpty()) {
            Refuse("404 Not Found");
            return;
        }
        file_ = std::make_unique<QFile>(name);
        if (!file_->open(QIODevice::ReadOnly)) {
            file_.reset();
            Refuse("403 Forbidden");
            return;
        }
        const QString mime =
            QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
        // Never kept: the quick preview shows each new text under the same address.
        socket_->write("HTTP/1.1 200 OK\r\nContent-Type: " + mime.toUtf8() +
                       "\r\nContent-Length: " + QByteArray::number(file_->size()) +
                       "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n");
        WriteBody();
    }

    // The registered host name that a Host header names, empty for any other.
    static QString HostName(const QByteArray& header) {
        QString host = QString::fromLatin1(header).toLower();
        const qsizetype colon = host.lastIndexOf(':');
        if (colon >= 0)
            host.truncate(colon);
        return host.endsWith(QLatin1String(HostSuffix)) ? host.chopped(qstrlen(HostSuffix))
                                                        : QString();
    }

    void Refuse(const QByteArray& status) {
        answered_ = true;
        socket_->write("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket_->disconnectFromHost();
    }

    void WriteBody() {
        while (file_ && socket_->bytesToWrite() < BodyChunk) {
            const QByteArray chunk = file_->read(BodyChunk);
            if (chunk.isEmpty()) {
                file_.reset();
                socket_->disconnectFromHost();
                return;
            }
            socket_->write(chunk);
        }
    }

    QTcpSocket* socket_;
    const TFolderHosts& hosts_;
    QByteArray head_;
    bool answered_ = false;
    std::unique_ptr<QFile> file_;
};

class TLocalPageServer : public QObject {
public:
    explicit TLocalPageServer(QObject* parent) : QObject(parent) {
        auto* server = new QTcpServer;
        if (!server->listen(QHostAddress::LocalHost))
            std::fprintf(stderr, "Velmaris Glyphon: local pages cannot be shown: %s\n",
                         qPrintable(server->errorString()));
        port_ = server->serverPort();
        QObject::connect(server, &QTcpServer::newConnection, server, [this, server] {
            while (QTcpSocket* socket = server->nextPendingConnection())
                new TConnection(socket, hosts_);
        });
        server->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, server, &QObject::deleteLater);
        thread_.setObjectName(QStringLiteral("LocalPageServer"));
        thread_.start();
    }

    ~TLocalPageServer() override {
        thread_.quit();
        thread_.wait();
    }

    QString UrlOf(const QString& fileName) {
        const QFileInfo info(fileName);
        QUrl url;
        url.setScheme(QStringLiteral("http"));
        url.setHost(hosts_.HostFor(QDir::cleanPath(info.absolutePath())) +
                    QLatin1String(HostSuffix));
        url.setPort(port_);
        url.setPath('/' + info.fileName());
        return url.toString(QUrl::FullyEncoded);
    }

private:
    TFolderHosts hosts_;
    QThread thread_;
    quint16 port_ = 0;
};

} // namespace

QString LocalPageUrl(const QString& fileName) {
    // Goes with the application, which stops its thread before the program ends.
    static QPointer<TLocalPageServer> server;
    if (!server)
        server = new TLocalPageServer(QCoreApplication::instance());
    return server->UrlOf(fileName);
}
