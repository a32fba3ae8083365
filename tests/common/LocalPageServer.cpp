#include "common/LocalPageServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Sends Request as it stands to the server on Port and returns the whole response.
QByteArray Exchange(quint16 port, const QByteArray& request,
                    const QHostAddress& address = QHostAddress::LocalHost) {
    QTcpSocket socket;
    socket.connectToHost(address, port);
    if (!socket.waitForConnected(5000))
        return "no connection";
    socket.write(request);
    QByteArray response;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        response += socket.readAll();
    return response + socket.readAll();
}

// What a browser or any other program on this machine may ask of the server: a page's host
// gives that page alone and sends the rest to its site's resource host, which gives the regular
// files of the site, whole or in part, sandboxed, and nothing else however the path is written.
TEST(LocalPageServer, AnswersOnlyForThePageAndTheFilesOfItsSite) {
    QTemporaryDir dir, elsewhere;
    const QByteArray big(3 * 1024 * 1024 + 17, 'x');
    Write(dir.filePath("docs/page.html"), "<p>page</p>");
    Write(dir.filePath("docs/sub/a b.txt"), "spaced");
    Write(dir.filePath("docs/big.txt"), big);
    Write(dir.filePath(".hidden/x.txt"), "HIDDEN");
    Write(elsewhere.filePath("secret.txt"), "TOPSECRET");
    ASSERT_TRUE(QFile::link(elsewhere.filePath("secret.txt"), dir.filePath("docs/link.txt")));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("docs/fifo")).constData(), 0600), 0);
    const QUrl page(LocalPageUrl(dir.filePath("docs/page.html")));
    const QUrl site(LocalResourceUrl(dir.filePath("docs/page.html")));
    ASSERT_EQ(page.scheme(), "http");
    ASSERT_EQ(page.path(), site.path());
    ASSERT_NE(page.host(), site.host());
    const QByteArray p = page.authority().toUtf8(), r = site.authority().toUtf8();
    const QByteArray docs = site.path(QUrl::FullyEncoded).toUtf8().chopped(10); // "./docs"
    const auto get = [](const QByteArray& host, const QByteArray& path,
                        const QByteArray& more = {}) {
        return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n" + more + "\r\n";
    };

    const struct {
        QByteArray Request;
        QByteArray Status;
        QByteArray Body;
        QByteArray Header; // a header the answer holds
    } cases[] = {
        {get(p, docs + "/page.html"), "200 OK", "<p>page</p>", "Cache-Control: no-store"},
        {get(p, docs + "/page.html?x=1"), "200 OK", "<p>page</p>", ""},
        {get(p, docs + "/sub/a%20b.txt"), "302", "",
         "Location: http://" + r + docs + "/sub/a%20b.txt"},
        {get(r, docs + "/sub/a%20b.txt"), "200 OK", "spaced",
         "Content-Security-Policy: sandbox allow-scripts allow-forms"},
        {get(r, docs + "/page.html"), "200 OK", "<p>page</p>", "X-Content-Type-Options: nosniff"},
        {get(r, docs + "/big.txt"), "200 OK", big, "Accept-Ranges: bytes"},
        {get(r, docs + "/big.txt", "Range: bytes=10-19\r\n"), "206", big.mid(10, 10),
         "Content-Range: bytes 10-19/" + QByteArray::number(big.size())},
        {get(r, docs + "/big.txt", "Range: bytes=-5\r\n"), "206", big.right(5), ""},
        {get(r, docs + "/big.txt", "Range: bytes=99999999-\r\n"), "416", "", ""},
        {get("h0123456789abcdef.localhost", docs + "/page.html"), "404", "", ""},
        {get("127.0.0.1", docs + "/page.html"), "404", "", ""},
        {get(r, docs + "/link.txt"), "404", "", ""},
        {get(r, docs + "/%2e%2e/.hidden/x.txt"), "404", "", ""},
        {get(r, docs + "/..%2F..%2F..%2Fetc%2Fpasswd"), "404", "", ""},
        {get(r, docs + "/page.html%00.png"), "404", "", ""},
        {get(r, docs + "/sub"), "404", "", ""},
        {get(r, docs + "/fifo"), "404", "", ""},
        {get(r, "/etc/passwd"), "404", "", ""},
        {"POST " + docs + "/page.html HTTP/1.1\r\nHost: " + p + "\r\n\r\n", "405", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Request.left(120).toStdString());
        const QByteArray response = Exchange(quint16(page.port()), c.Request);
        const qsizetype bodyStart = response.indexOf("\r\n\r\n") + 4;
        EXPECT_TRUE(response.startsWith("HTTP/1.1 " + c.Status)) << response.left(300).data();
        EXPECT_TRUE(response.mid(bodyStart) == c.Body) << response.size();
        EXPECT_TRUE(response.left(bodyStart).contains(c.Header)) << response.left(300).data();
    }
}

// The port is held on both loopback addresses: no one else takes the other one and receives the
// pages' requests.
TEST(LocalPageServer, HoldsItsPortOnBothLoopbackAddresses) {
    QTemporaryDir dir;
    Write(dir.filePath("page.html"), "<p>page</p>");
    const QUrl url(LocalPageUrl(dir.filePath("page.html")));
    const quint16 port = LocalPageServerPort();
    ASSERT_EQ(url.port(), port);
    for (const QHostAddress& address :
         {QHostAddress(QHostAddress::LocalHostIPv6), QHostAddress(QHostAddress::LocalHost)}) {
        SCOPED_TRACE(address.toString().toStdString());
        QTcpServer squatter;
        EXPECT_FALSE(squatter.listen(address, port));
        EXPECT_TRUE(Exchange(port,
                             "GET " + url.path(QUrl::FullyEncoded).toUtf8() +
                                 " HTTP/1.1\r\nHost: " + url.authority().toUtf8() + "\r\n\r\n",
                             address)
                        .startsWith("HTTP/1.1 200"));
    }
}

// Another user of the machine who has learnt a page's address gets nothing from it. Only root can
// ask as another user here.
TEST(LocalPageServer, RefusesOtherUsersOfTheMachine) {
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    const QString curl = QStandardPaths::findExecutable("curl");
    if (geteuid() != 0 || setpriv.isEmpty() || curl.isEmpty())
        GTEST_SKIP() << "needs root, setpriv and curl";
    QTemporaryDir dir;
    Write(dir.filePath("page.html"), "<p>page</p>");
    const QString url = LocalPageUrl(dir.filePath("page.html"));
    const QUrl parsed(url);
    for (const QString& address : {QStringLiteral("127.0.0.1"), QStringLiteral("[::1]")}) {
        SCOPED_TRACE(address.toStdString());
        const QString resolve =
            parsed.host() + ':' + QString::number(parsed.port()) + ':' + address;
        const auto status = [&](const QStringList& asUser) {
            QProcess process;
            process.start(asUser.isEmpty() ? curl : setpriv,
                          asUser + QStringList{curl, "-s", "-o", "/dev/null", "-w", "%{http_code}",
                                               "--resolve", resolve, url}
                                       .mid(asUser.isEmpty() ? 1 : 0));
            process.waitForFinished(30000);
            return process.readAllStandardOutput();
        };
        EXPECT_EQ(status({}), "200");
        EXPECT_EQ(status({"--reuid=65534", "--regid=65534", "--clear-groups"}), "403");
    }
}

} // namespace
