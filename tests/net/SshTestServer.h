#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <pwd.h>
#include <unistd.h>

// Runs Program to its end; what it printed.
inline QByteArray RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished(30000);
    return tool.exitCode() == 0 ? tool.readAllStandardOutput() : QByteArray();
}

// Makes an ed25519 key pair without a passphrase at Path; its public line "ssh-ed25519 AAAA...".
inline QByteArray MakeSshKey(const QString& path) {
    QFile::remove(path);
    RunTool("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", path});
    QFile pub(path + ".pub");
    return pub.open(QIODevice::ReadOnly) ? pub.readAll().split(' ').mid(0, 2).join(' ') : "";
}

// The SFTP tests' server: OpenSSH's sshd on 127.0.0.1 on a free port, with its own host key and
// configuration in a temporary folder, letting in the user who runs the test with AuthorizedKey.
class SshTestServer {
public:
    explicit SshTestServer(const QByteArray& authorizedKey) : hostKey_(MakeSshKey(Path("key"))) {
        QFile keys(Path("authorized_keys")), config(Path("sshd_config"));
        QTcpServer probe; // a port free now, given back for sshd to take
        if (hostKey_.isEmpty() || !keys.open(QIODevice::WriteOnly) ||
            !config.open(QIODevice::WriteOnly) || !probe.listen(QHostAddress::LocalHost))
            return;
        port_ = probe.serverPort();
        probe.close();
        keys.write(authorizedKey + '\n');
        config.write(QString("ListenAddress 127.0.0.1\nPort %1\nHostKey %2\nAuthorizedKeysFile %3\n"
                             "PidFile %4\nStrictModes no\nUsePAM no\nPermitRootLogin yes\n"
                             "KbdInteractiveAuthentication no\nSubsystem sftp internal-sftp\n")
                         .arg(port_)
                         .arg(Path("key"), keys.fileName(), Path("sshd.pid"))
                         .toUtf8());
        config.close();
        if (geteuid() == 0) // root's sshd separates privileges into this folder
            QDir().mkpath("/run/sshd");
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("/usr/sbin/sshd", {"-f", config.fileName(), "-D", "-e"});
        const QDeadlineTimer deadline(10000);
        while (!Started() && process_.waitForReadyRead(int(deadline.remainingTime())))
            log_ += process_.readAll();
    }

    ~SshTestServer() {
        process_.terminate();
        if (!process_.waitForFinished(10000))
            process_.kill();
    }

    bool Started() const { return log_.contains("Server listening on"); }
    int Port() const { return port_; }
    QString Host() const { return QString("127.0.0.1:%1").arg(port_); }
    QByteArray HostKey() const { return hostKey_; }
    // As OpenSSH shows it: "SHA256:...".
    QString Fingerprint() const {
        return RunTool("ssh-keygen", {"-l", "-E", "sha256", "-f", Path("key.pub")})
            .split(' ')
            .value(1);
    }
    // What sshd said, to show why it did not start.
    std::string Log() { return (log_ += process_.readAll()).toStdString(); }
    static QString UserName() { return QString::fromLocal8Bit(getpwuid(geteuid())->pw_name); }

private:
    QString Path(const QString& name) const { return folder_.filePath(name); }

    QTemporaryDir folder_;
    QByteArray hostKey_;
    QProcess process_;
    QByteArray log_;
    int port_ = 0;
};
