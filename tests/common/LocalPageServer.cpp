#include "common/LocalPageServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Sends Request as it stands to the server on Port and returns the whole response.
QByteArray Exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return "no connection";
    socket.write(request);
    QByteArray response;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        response += socket.readAll();
    return response + socket.readAll();
}

// What a browser or any other program on this machine may ask of the server: only the files of
// the folder a host name was given for come back, whole, and nothing outside that folder does,
// however the path is written.
TEST(LocalPageServer, AnswersOnlyForTheFilesOfTheFolderOfTheHost) {
    QTemporaryDir dir;
    const QByteArray big(3 * 1024 * 1024 + 17, 'x');
    Write(dir.filePath("docs/page.html"), "<p>page</p>");
    Write(dir.filePath("docs/sub/a b.txt"), "spaced");
    Write(dir.filePath("docs/big.txt"), big);
    Write(dir.filePath("secret/secret.txt"), "TOPSECRET");
    ASSERT_TRUE(QFile::link(dir.filePath("secret/secret.txt"), dir.filePath("docs/link.txt")));
    const QUrl url(LocalPageUrl(dir.filePath("docs/page.html")));
    const QUrl other(LocalPageUrl(dir.filePath("secret/secret.txt")));
    ASSERT_EQ(url.scheme(), "http");
    ASSERT_NE(url.host(), other.host());
    const QByteArray host = url.authority().toUtf8();

    const struct {
        QByteArray Request;
        QByteArray Status;
        QByteArray Body;
    } cases[] = {
        {"GET /page.html HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "200 OK", "<p>page</p>"},
        {"GET /page.html?x=1 HTTP/1.1\r\nhost:" + host + "\r\n\r\n", "200 OK", "<p>page</p>"},
        {"GET /sub/a%20b.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "200 OK", "spaced"},
        {"GET /big.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "200 OK", big},
        {"GET /page.html HTTP/1.1\r\nHost: f0123456789abcdef.localhost\r\n\r\n", "404", ""},
        {"GET /page.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "404", ""},
        {"GET /page.html HTTP/1.1\r\n\r\n", "404", ""},
        {"GET /../secret/secret.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "404", ""},
        {"GET /%2e%2e%2fsecret%2fsecret.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "404", ""},
        {"GET /link.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "404", ""},
        {"GET /page.html%00.png HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "404", ""},
        {"GET /sub HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "404", ""},
        {"GET /secret.txt HTTP/1.1\r\nHost: " + other.authority().toUtf8() + "\r\n\r\n", "200 OK",
         "TOPSECRET"},
        {"POST /page.html HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "405", ""},
        {"GET page.html HTTP/1.1\r\nHost: " + host + "\r\n\r\n", "400", ""},
        {"GET /page.html HTTP/1.1\r\nX: " + QByteArray(20000, 'a'), "431", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Request.left(80).toStdString());
        const QByteArray response = Exchange(quint16(url.port()), c.Request);
        const qsizetype bodyStart = response.indexOf("\r\n\r\n") + 4;
        EXPECT_TRUE(response.startsWith("HTTP/1.1 " + c.Status)) << response.left(200).data();
        EXPECT_TRUE(response.mid(bodyStart) == c.Body) << response.size();
        if (c.Status.startsWith("200")) {
            EXPECT_TRUE(response.left(bodyStart).contains("Cache-Control: no-store"));
        }
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
    const QString resolve =
        parsed.host() + ':' + QString::number(parsed.port()) + QStringLiteral(":127.0.0.1");
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

} // namespace
