// FTP transfers and listings over 127.0.0.1 against the tests' pyftpdlib server, beside the curl
// command-line program on the same server and files in the same run. Prints the throughput of
// each, their ratio ("x_curl", at least 0.8 wanted), the time to show a 10,000-entry folder, and
// the longest gap between 1 ms timer ticks of the window's event loop during the transfers.
#include "net/TFormFTPClient.h"
#include "net/TFormFTPSite.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {
constexpr qint64 kFileSize = 100LL * 1024 * 1024;

int StartServer(QProcess& server, const QString& folder) {
    server.start("/usr/bin/python3", {GLYPHON_FTP_SERVER_SCRIPT, folder});
    QString out;
    while (server.waitForReadyRead(10000)) {
        out += QString::fromUtf8(server.readAllStandardOutput());
        if (out.contains("PORT ") && out.contains('\n'))
            return out.section("PORT ", 1).section('\n', 0, 0).toInt();
    }
    return 0;
}

// Seconds the curl program takes for Arguments.
double CurlSeconds(const QStringList& arguments) {
    QElapsedTimer clock;
    clock.start();
    QProcess curl;
    curl.start("curl", QStringList{"-s", "--user", "user:secret"} + arguments);
    curl.waitForFinished(600000);
    return clock.nsecsElapsed() / 1e9;
}

// Runs Action on the window with a 1 ms timer ticking; seconds taken and the longest tick gap.
std::pair<double, double> Measure(const std::function<void()>& action) {
    QElapsedTimer clock, tick;
    double longestGapMs = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        longestGapMs = qMax(longestGapMs, tick.nsecsElapsed() / 1e6);
        tick.start();
    });
    tick.start();
    timer.start();
    clock.start();
    action();
    timer.stop();
    return {clock.nsecsElapsed() / 1e9, longestGapMs};
}

void Select(QTreeWidget* list, const QString& name) {
    list->clearSelection();
    for (QTreeWidgetItem* item : list->findItems(name, Qt::MatchExactly))
        item->setSelected(true);
}
} // namespace

int main(int argc, char** argv) {
    // The site dialog and the window keep state in the user's folders: keep the real ones clean.
    QTemporaryDir home;
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qputenv(name, QFile::encodeName(home.path() + '/' + name));
    QApplication app(argc, argv);
    QTemporaryDir remote, local, curlDir;
    {
        QFile big(remote.filePath("big.bin"));
        big.open(QIODevice::WriteOnly);
        const QByteArray block(1 << 20, 'b');
        for (qint64 n = 0; n < kFileSize; n += block.size())
            big.write(block);
        QDir(remote.path()).mkdir("many");
        for (int i = 0; i < 10000; ++i)
            QFile(remote.filePath(QString("many/file%1.htm").arg(i))).open(QIODevice::WriteOnly);
    }
    QProcess server;
    const int port = StartServer(server, remote.path());
    if (port == 0) {
        std::fprintf(stderr, "the FTP server did not start\n");
        return 1;
    }
    const QString base = QString("ftp://127.0.0.1:%1/").arg(port);
    QDir::setCurrent(local.path());

    TFormFTPClient form;
    form.show();
    QTimer::singleShot(0, [&] {
        TFormFTPSite* site = form.SiteDialog();
        site->EditHostName->setText(QString("127.0.0.1:%1").arg(port));
        site->EditUsername->setEditText("user");
        site->EditPassword->setText("secret");
        site->ButtonConnect->click();
    });
    form.MIConnectClick();

    const double curlDown = CurlSeconds({"-o", curlDir.filePath("big.bin"), base + "big.bin"});
    Select(form.ListView2, "big.bin");
    const auto [down, downGap] = Measure([&] { form.ButtonGetClick(); });
    QFile::remove(remote.filePath("big.bin"));
    const double curlUp = CurlSeconds({"-T", curlDir.filePath("big.bin"), base + "big.bin"});
    QFile::remove(remote.filePath("big.bin"));
    form.PIRefresh1Click();
    Select(form.ListView1, "big.bin");
    const auto [up, upGap] = Measure([&] { form.ButtonPutClick(); });
    const auto [listing, listGap] = Measure([&] { form.ChangeRemoteDir("many"); });

    const double mb = kFileSize / 1e6;
    std::printf("download  %7.1f MB/s   curl %7.1f MB/s   x_curl %.2f   longest tick gap %.0f ms\n",
                mb / down, mb / curlDown, curlDown / down, downGap);
    std::printf("upload    %7.1f MB/s   curl %7.1f MB/s   x_curl %.2f   longest tick gap %.0f ms\n",
                mb / up, mb / curlUp, curlUp / up, upGap);
    std::printf("listing of %d entries shown in %.0f ms   longest tick gap %.0f ms\n",
                form.ListView2->topLevelItemCount() - 1, listing * 1000, listGap);
    form.MIDisconnectClick();
    server.terminate();
    server.waitForFinished();
    return 0;
}
