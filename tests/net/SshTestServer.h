#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <pwd.h>
#include <unistd.h>

// Makes an SSH key pair without a passphrase at Path (and Path + ".pub"); the public line, or
// an empty text when ssh-keygen failed.
inline QByteArray MakeSshKey(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + ".pub");
    QProcess keygen;
    keygen.start("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-C", "test", "-f", path});
    if (!keygen.waitForFinished(30000) || keygen.exitCode() != 0)
        return {};
    QFile pub(path + ".pub");
    return pub.open(QIODevice::ReadOnly) ? pub.readAll().trimmed() : QByteArray();
}

// The SFTP tests' server: OpenSSH's sshd on 127.0.0.1 on a free port, with a host key of its own
// and a configuration in a temporary folder, letting the user who runs the test log in with
// AuthorizedKey or the user's password. Stopped when the object goes.
class SshTestServer {
public:
    explicit SshTestServer(const QByteArray& authorizedKey) {
        if (!folder_.isValid())
            return;
        hostKey_ = MakeSshKey(folder_.filePath("host_key"));
        QFile keys(folder_.filePath("authorized_keys"));
        if (hostKey_.isEmpty() || !keys.open(QIODevice::WriteOnly))
            return;
        keys.write(authorizedKey + '\n');
        keys.close();
        QTcpServer probe; // a port free now, given back for sshd to take
        if (!probe.listen(QHostAddress::LocalHost))
            return;
        port_ = probe.serverPort();
        probe.close();
        QFile config(folder_.filePath("sshd_config"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(
            QString("ListenAddress 127.0.0.1\nPort %1\nHostKey %2\n"
                    "AuthorizedKeysFile %3\nPidFile %4\nStrictModes no\nUsePAM no\n"
                    "PermitRootLogin yes\nPasswordAuthentication yes\n"
                    "KbdInteractiveAuthentication no\nSubsystem sftp internal-sftp\n")
                .arg(port_)
                .arg(folder_.filePath("host_key"), keys.fileName(), folder_.filePath("sshd.pid"))
                .toUtf8());
        config.close();
        // sshd run by root separates its privileges into this folder; as another user it
        // needs none.
        if (geteuid() == 0)
            QDir().mkpath("/run/sshd");
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("/usr/sbin/sshd", {"-f", config.fileName(), "-D", "-e"});
        const QDeadlineTimer deadline(10000);
        while (!listening_ && !deadline.hasExpired() &&
               process_.waitForReadyRead(int(deadline.remainingTime()))) {
            output_ += process_.readAll();
            listening_ = output_.contains("Server listening on");
        }
    }

    ~SshTestServer() {
        process_.terminate();
        if (!process_.waitForFinished(10000))
            process_.kill();
        process_.waitForFinished(10000);
    }

    SshTestServer(const SshTestServer&) = delete;
    SshTestServer& operator=(const SshTestServer&) = delete;

    bool Started() const { return listening_; }
    int Port() const { return port_; }
    QString Host() const { return QString("127.0.0.1:%1").arg(port_); }
    // The host key as a known-hosts line writes it: "ssh-ed25519 AAAA...".
    QByteArray HostKey() const { return hostKey_.left(hostKey_.lastIndexOf(' ')); }
    // The host key's fingerprint as OpenSSH shows it: "SHA256:...".
    QString Fingerprint() const {
        QProcess keygen;
        keygen.start("ssh-keygen", {"-l", "-E", "sha256", "-f", folder_.filePath("host_key.pub")});
        keygen.waitForFinished(30000);
        return QString::fromUtf8(keygen.readAllStandardOutput()).split(' ').value(1);
    }
    // All sshd has said so far, to show why it did not start.
    std::string Log() {
        output_ += process_.readAll();
        return output_.toStdString();
    }

    // The user the test runs as, whom sshd lets in.
    static QString UserName() {
        const passwd* user = getpwuid(geteuid());
        return user ? QString::fromLocal8Bit(user->pw_name) : QString();
    }

private:
    QTemporaryDir folder_;
    QByteArray hostKey_;
    QProcess process_;
    QByteArray output_;
    int port_ = 0;
    bool listening_ = false;
};
