#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QTcpSocket>
#include <QTest>

// The download tests' HTTP server (download_test_server.py beside this file): a real process
// on 127.0.0.1 serving Folder, started here and stopped when the object goes.
class HttpTestServer {
public:
    explicit HttpTestServer(const QString& folder)
        : HttpTestServer(
              "python3",
              {QStringLiteral(GLYPHON_NET_TESTS_DIR "/download_test_server.py"), folder}) {}

    // Any server script that prints "PORT <n>" once it listens on 127.0.0.1.
    HttpTestServer(const QString& program, const QStringList& arguments) {
        process_.setProgram(program);
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(kDeadlineMs))
            return;
        ReadPort();
        if (port_ != 0)
            WaitUntilListening();
    }

    ~HttpTestServer() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(kDeadlineMs)) {
            process_.kill();
            process_.waitForFinished(kDeadlineMs);
        }
    }

    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool Started() const { return listening_; }
    int Port() const { return port_; }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(path);
    }

    // Waits, with the event loop running, until the server has printed Text.
    bool WaitForOutput(const QString& text, int deadlineMs = kDeadlineMs) {
        return QTest::qWaitFor(
            [&] {
                output_ += QString::fromUtf8(process_.readAllStandardOutput());
                return output_.contains(text);
            },
            deadlineMs);
    }

    // All the server has printed so far.
    QString Output() {
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        return output_;
    }

private:
    static constexpr int kDeadlineMs = 10000;

    void ReadPort() {
        QDeadlineTimer deadline(kDeadlineMs);
        while (!deadline.hasExpired()) {
            output_ += QString::fromUtf8(process_.readAllStandardOutput());
            const qsizetype at = output_.indexOf("PORT ");
            const qsizetype end = output_.indexOf('\n', at);
            if (at >= 0 && end > at) {
                port_ = output_.mid(at + 5, end - at - 5).trimmed().toInt();
                return;
            }
            if (!process_.waitForReadyRead(int(deadline.remainingTime())))
                return;
        }
    }

    void WaitUntilListening() {
        QDeadlineTimer deadline(kDeadlineMs);
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost("127.0.0.1", quint16(port_));
            if (probe.waitForConnected(int(deadline.remainingTime()))) {
                listening_ = true;
                return;
            }
        }
    }

    QProcess process_;
    QString output_;
    int port_ = 0;
    bool listening_ = false;
};
