#include "common/LocalPageServer.h"

#include "common/SiteFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QPointer>
#include <QRandomGenerator>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char HostSuffix[] = ".localhost";
constexpr unsigned IdleSeconds = 30;
constexpr int MaxConnections = 64;
// Documents of a resource origin run in a sandbox of their own: their scripts may run, but as
// an origin no other address shares, so they read nothing either.
constexpr char ResourcePolicy[] = "sandbox allow-scripts allow-forms";

// One host name of the server: a page, or a site's resources.
struct THost {
    bool Page = false;
    TSite Site;
    QString PageFile; // a page host's file
    QString Path;     // a page host's path, its file's place in its site
};

// The host names handed out; the server's thread reads them while the window's adds to them.
class THosts {
public:
    QString HostFor(const QString& key, const THost& host) {
        const QMutexLocker lock(&mutex_);
        QString& name = nameOfKey_[key];
        if (name.isEmpty()) {
            name = QStringLiteral("h%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                             QLatin1Char('0'));
            hosts_.insert(name, host);
        }
        return name;
    }

    std::optional<THost> Find(const QString& name) const {
        const QMutexLocker lock(&mutex_);
        const auto it = hosts_.constFind(name);
        return it == hosts_.cend() ? std::nullopt : std::optional<THost>(*it);
    }

private:
    mutable QMutex mutex_;
    QHash<QString, QString> nameOfKey_;
    QHash<QString, THost> hosts_;
};

// The file's place in its site, as an address path: "/sub/page.htm".
QString SitePath(const TSite& site, const QString& fileName) {
    const QString real = QFileInfo(fileName).canonicalFilePath();
    const QString file = real.isEmpty() ? QDir::cleanPath(fileName) : real;
    return file.mid(site.Root == "/" ? 0 : site.Root.size());
}

// The registered host name that a Host header names, empty for any other.
QString HostName(const char* header) {
    QString host = QString::fromLatin1(header ? header : "").toLower();
    const qsizetype colon = host.lastIndexOf(':');
    if (colon >= 0)
        host.truncate(colon);
    return host.endsWith(QLatin1String(HostSuffix)) ? host.chopped(qstrlen(HostSuffix)) : QString();
}

// The bytes of an address as the kernel's table of TCP sockets writes it: words in hexadecimal,
// each in the machine's own byte order.
QByteArray TableAddress(const QByteArray& hex) {
    QByteArray bytes;
    for (qsizetype at = 0; at + 8 <= hex.size(); at += 8) {
        const quint32 word = hex.mid(at, 8).toUInt(nullptr, 16);
        bytes.append(reinterpret_cast<const char*>(&word), 4);
    }
    return bytes;
}

// An address and port of a socket end, as bytes of the address and the port.
std::pair<QByteArray, uint> SocketEnd(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET6) {
        const auto& a = reinterpret_cast<const sockaddr_in6&>(address);
        return {QByteArray(reinterpret_cast<const char*>(&a.sin6_addr), 16), ntohs(a.sin6_port)};
    }
    const auto& a = reinterpret_cast<const sockaddr_in&>(address);
    return {QByteArray(reinterpret_cast<const char*>(&a.sin_addr), 4), ntohs(a.sin_port)};
}

// The user the other end of a loopback connection belongs to, read from the kernel's table of
// TCP sockets, where that end is a socket of its own; -1 if it is not there. Reading the table
// walks all of the kernel's socket buckets, milliseconds on a busy machine.
long TablePeerUser(const sockaddr_storage& local, const sockaddr_storage& peer) {
    QFile table(peer.ss_family == AF_INET6 ? QStringLiteral("/proc/net/tcp6")
                                           : QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    const auto end = [](const QByteArray& field) {
        const QList<QByteArray> parts = field.split(':');
        return parts.size() == 2 ? std::pair{TableAddress(parts[0]), parts[1].toUInt(nullptr, 16)}
                                 : std::pair{QByteArray(), 0u};
    };
    const auto client = SocketEnd(peer), server = SocketEnd(local);
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 7 && end(fields[1]) == client && end(fields[2]) == server)
            return fields[7].toLong();
    }
    return -1;
}

// The same asked of the kernel's socket diagnostics for that one socket, in microseconds;
// nothing where the kernel does not answer such questions.
std::optional<long> DiagnosedPeerUser(const sockaddr_storage& local, const sockaddr_storage& peer) {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return std::nullopt;
    struct {
        nlmsghdr Header;
        inet_diag_req_v2 Request;
    } question{};
    question.Header.nlmsg_len = sizeof question;
    question.Header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    question.Header.nlmsg_flags = NLM_F_REQUEST;
    question.Request.sdiag_family = quint8(peer.ss_family);
    question.Request.sdiag_protocol = IPPROTO_TCP;
    question.Request.idiag_states = ~0u;
    // The other end's own socket: its source is the peer, its destination this server.
    inet_diag_sockid& id = question.Request.id;
    const auto [client, clientPort] = SocketEnd(peer);
    const auto [server, serverPort] = SocketEnd(local);
    id.idiag_sport = htons(quint16(clientPort));
    id.idiag_dport = htons(quint16(serverPort));
    std::memcpy(id.idiag_src, client.constData(), size_t(client.size()));
    std::memcpy(id.idiag_dst, server.constData(), size_t(server.size()));
    id.idiag_cookie[0] = id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    alignas(nlmsghdr) char answer[1024];
    const ssize_t sent = ::send(fd, &question, sizeof question, 0);
    const ssize_t size =
        sent == ssize_t(sizeof question) ? ::recv(fd, answer, sizeof answer, 0) : -1;
    ::close(fd);
    const auto* header = reinterpret_cast<const nlmsghdr*>(answer);
    if (size < 0 || !NLMSG_OK(header, size_t(size)))
        return std::nullopt;
    if (header->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
        header->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg)))
        return long(static_cast<const inet_diag_msg*>(NLMSG_DATA(header))->idiag_uid);
    if (header->nlmsg_type == NLMSG_ERROR && header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
        static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error == -ENOENT)
        return -1;
    return std::nullopt;
}

// The user the other end of a loopback connection belongs to; -1 if it is not a socket of this
// machine.
long PeerUser(int fd) {
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
        return -1;
    if (const std::optional<long> user = DiagnosedPeerUser(local, peer))
        return *user;
    return TablePeerUser(local, peer);
}

// A socket listening on Address, or -1 with errno set.
int Listen(const sockaddr* address, socklen_t size) {
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    if (address->sa_family == AF_INET6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (::bind(fd, address, size) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

class TLocalPageServer : public QObject {
public:
    explicit TLocalPageServer(QObject* parent) : QObject(parent) {
        // The port is held on both loopback addresses, so that no other user of the machine can
        // take the other one and receive the pages' requests, host names and all.
        for (int attempt = 0; attempt < 20 && !daemons_[0]; ++attempt)
            StartOnFreePort();
        if (!daemons_[0])
            std::fprintf(stderr, "Velmaris Glyphon: local pages cannot be shown: %s\n",
                         std::strerror(errno));
    }

    ~TLocalPageServer() override { Stop(); }

    quint16 Port() const { return port_; }

    QString PageUrl(const QString& fileName) {
        const QString file = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
        const TSite site = SiteOf(file);
        const THost host{
            .Page = true, .Site = site, .PageFile = file, .Path = SitePath(site, file)};
        return Url(hosts_.HostFor("page:" + file, host), host.Path);
    }

    QString ResourceUrl(const QString& fileName) {
        const QString file = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
        const TSite site = SiteOf(file);
        return Url(ResourceHost(site), SitePath(site, file));
    }

    QUrl TopFrameUrl(const QUrl& url) {
        const std::optional<THost> host = hosts_.Find(HostName(url.host().toUtf8().constData()));
        if (url.port() != port_ || !host || !url.host().endsWith(QLatin1String(HostSuffix)))
            return url;
        const QString path = url.path(QUrl::FullyDecoded);
        if (host->Page && path == host->Path)
            return url;
        const QString file = QDir::cleanPath(host->Site.Root + '/' + path);
        const TSiteFile opened = OpenSiteFile(host->Site, file);
        if (opened.Fd < 0)
            return {};
        ::close(opened.Fd);
        return QUrl(PageUrl(file));
    }

private:
    void StartOnFreePort() {
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int fd4 = Listen(reinterpret_cast<sockaddr*>(&v4), sizeof v4);
        if (fd4 < 0)
            return;
        socklen_t size = sizeof v4;
        ::getsockname(fd4, reinterpret_cast<sockaddr*>(&v4), &size);
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_addr = in6addr_loopback;
        v6.sin6_port = v4.sin_port;
        const int fd6 = Listen(reinterpret_cast<sockaddr*>(&v6), sizeof v6);
        // Taken by someone else: another port. A machine without IPv6 has no ::1 to take.
        if (fd6 < 0 && errno != EADDRNOTAVAIL && errno != EAFNOSUPPORT) {
            ::close(fd4);
            return;
        }
        port_ = ntohs(v4.sin_port);
        daemons_[0] = Start(fd4, 0);
        if (fd6 >= 0)
            daemons_[1] = Start(fd6, MHD_USE_IPv6);
        if (!daemons_[0] || (fd6 >= 0 && !daemons_[1]))
            Stop();
    }

    MHD_Daemon* Start(int fd, unsigned flags) {
        return MHD_start_daemon(
            MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | flags, 0, &TLocalPageServer::Accept,
            this, &TLocalPageServer::Answer, this, MHD_OPTION_LISTEN_SOCKET, fd,
            MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds, MHD_OPTION_CONNECTION_LIMIT,
            unsigned(MaxConnections), MHD_OPTION_NOTIFY_CONNECTION, &TLocalPageServer::Notify, this,
            MHD_OPTION_UNESCAPE_CALLBACK, &TLocalPageServer::KeepEscaped, nullptr, MHD_OPTION_END);
    }

    void Stop() {
        for (MHD_Daemon*& daemon : daemons_) {
            if (daemon) {
                // The daemon closes its listening socket.
                MHD_stop_daemon(daemon);
                daemon = nullptr;
            }
        }
    }

    QString ResourceHost(const TSite& site) {
        return hosts_.HostFor("site:" + site.Root + (site.Flat ? ":flat" : ""),
                              THost{.Page = false, .Site = site, .PageFile = {}, .Path = {}});
    }

    QString Url(const QString& host, const QString& path) const {
        QUrl url;
        url.setScheme(QStringLiteral("http"));
        url.setHost(host + QLatin1String(HostSuffix));
        url.setPort(port_);
        url.setPath(path);
        return url.toString(QUrl::FullyEncoded);
    }

    // Both addresses together take no more than the most connections.
    static MHD_Result Accept(void* self, const sockaddr*, socklen_t) {
        return static_cast<TLocalPageServer*>(self)->connections_ < MaxConnections ? MHD_YES
                                                                                   : MHD_NO;
    }

    // Each connection learns once whose it is.
    static void Notify(void* self, MHD_Connection* connection, void** context,
                       MHD_ConnectionNotificationCode code) {
        auto* server = static_cast<TLocalPageServer*>(self);
        if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
            --server->connections_;
            return;
        }
        ++server->connections_;
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        const bool own = info && PeerUser(info->connect_fd) == long(getuid());
        *context = reinterpret_cast<void*>(quintptr(own));
    }

    // Paths are decoded here, where a NUL in them can be refused.
    static size_t KeepEscaped(void*, MHD_Connection*, char* text) { return std::strlen(text); }

    static MHD_Result Answer(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*, size_t*, void**) {
        return static_cast<TLocalPageServer*>(self)->Answer(connection, url, method);
    }

    MHD_Result Answer(MHD_Connection* connection, const char* url, const char* method) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        // The files are this user's: another user of the machine gets none, whatever names it
        // has learnt.
        if (!info || !info->socket_context)
            return Status(connection, MHD_HTTP_FORBIDDEN);
        if (std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0)
            return Status(connection, MHD_HTTP_METHOD_NOT_ALLOWED);
        const QByteArray path = QByteArray::fromPercentEncoding(url);
        const std::optional<THost> host =
            hosts_.Find(HostName(MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Host")));
        if (!host || !path.startsWith('/') || path.contains('\0'))
            return Status(connection, MHD_HTTP_NOT_FOUND);
        const QString name = QString::fromUtf8(path);
        if (host->Page && name == host->Path)
            return Serve(connection, OpenRegularFile(host->PageFile), host->PageFile, false);
        if (host->Page) {
            // The page's relative references: its site's resources.
            MHD_Response* response =
                MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            const QByteArray location = Url(ResourceHost(host->Site), name).toUtf8();
            MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, location.constData());
            MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
            const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_FOUND, response);
            MHD_destroy_response(response);
            return queued;
        }
        const QString file = QDir::cleanPath(host->Site.Root + '/' + name);
        return Serve(connection, OpenSiteFile(host->Site, file), file, true);
    }

    static MHD_Result Status(MHD_Connection* connection, unsigned status) {
        MHD_Response* response =
            MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        const MHD_Result queued = MHD_queue_response(connection, status, response);
        MHD_destroy_response(response);
        return queued;
    }

    // Answers with the opened file, or the part of it a Range header asks for.
    MHD_Result Serve(MHD_Connection* connection, const TSiteFile& file, const QString& name,
                     bool resource) {
        if (file.Fd < 0)
            return Status(connection, MHD_HTTP_NOT_FOUND);
        const auto range =
            Range(MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_RANGE),
                  file.Size);
        if (range && range->first > range->second) {
            ::close(file.Fd);
            MHD_Response* response =
                MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            const QByteArray all = "bytes */" + QByteArray::number(file.Size);
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, all.constData());
            const MHD_Result queued =
                MHD_queue_response(connection, MHD_HTTP_RANGE_NOT_SATISFIABLE, response);
            MHD_destroy_response(response);
            return queued;
        }
        const qint64 from = range ? range->first : 0;
        const qint64 to = range ? range->second : file.Size - 1;
        MHD_Response* response =
            MHD_create_response_from_fd_at_offset64(uint64_t(to - from + 1), file.Fd, from);
        if (!response) {
            ::close(file.Fd);
            return MHD_NO;
        }
        const QByteArray mime =
            mimes_.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toUtf8();
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, mime.constData());
        // Never kept: the quick preview shows each new text under the same address.
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
        if (resource) {
            MHD_add_response_header(response, "Content-Security-Policy", ResourcePolicy);
            // A text file of the site (notes, a key) never runs as a script whose globals the
            // page could read.
            MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
        }
        if (range) {
            const QByteArray part = "bytes " + QByteArray::number(from) + '-' +
                                    QByteArray::number(to) + '/' + QByteArray::number(file.Size);
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, part.constData());
        }
        const MHD_Result queued = MHD_queue_response(
            connection, range ? MHD_HTTP_PARTIAL_CONTENT : MHD_HTTP_OK, response);
        MHD_destroy_response(response);
        return queued;
    }

    // The first and last byte a "bytes=" range of one part asks for (first past last when none
    // of the file is in it); nothing for no range or one this server does not answer in part.
    static std::optional<std::pair<qint64, qint64>> Range(const char* header, qint64 size) {
        const QByteArray text = QByteArray(header ? header : "").trimmed();
        if (!text.startsWith("bytes=") || text.contains(','))
            return std::nullopt;
        const QList<QByteArray> ends = text.mid(6).split('-');
        bool firstOk = false, lastOk = false;
        const qint64 first = ends.value(0).trimmed().toLongLong(&firstOk);
        const qint64 last = ends.value(1).trimmed().toLongLong(&lastOk);
        if (ends.size() != 2 || (!firstOk && !lastOk) || first < 0 || last < 0 ||
            (firstOk && lastOk && last < first))
            return std::nullopt;
        if (!firstOk) // the last Last bytes
            return std::pair{std::max<qint64>(0, size - last), size - 1};
        if (first >= size)
            return std::pair{size, size - 1};
        return std::pair{first, lastOk ? std::min(last, size - 1) : size - 1};
    }

    THosts hosts_;
    QMimeDatabase mimes_;
    MHD_Daemon* daemons_[2] = {nullptr, nullptr};
    std::atomic<int> connections_ = 0;
    quint16 port_ = 0;
};

TLocalPageServer& Server() {
    // Goes with the application, which stops its thread before the program ends.
    static QPointer<TLocalPageServer> server;
    if (!server)
        server = new TLocalPageServer(QCoreApplication::instance());
    return *server;
}

} // namespace

QString LocalPageUrl(const QString& fileName) {
    return Server().PageUrl(fileName);
}

QString LocalResourceUrl(const QString& fileName) {
    return Server().ResourceUrl(fileName);
}

QUrl LocalTopFrameUrl(const QUrl& url) {
    return Server().TopFrameUrl(url);
}

quint16 LocalPageServerPort() {
    return Server().Port();
}
