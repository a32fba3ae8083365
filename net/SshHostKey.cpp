#include "net/SshHostKey.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtEndian>

QString SshKeyType(const QByteArray& blob) {
    if (blob.size() < 4)
        return {};
    const quint32 length = qFromBigEndian<quint32>(blob.constData());
    if (length > quint32(blob.size() - 4))
        return {};
    return QString::fromLatin1(blob.mid(4, qsizetype(length)));
}

QString SshFingerprint(const QByteArray& blob) {
    const QByteArray digest = QCryptographicHash::hash(blob, QCryptographicHash::Sha256);
    return "SHA256:" + QString::fromLatin1(digest.toBase64(QByteArray::OmitTrailingEquals));
}

QString KnownHostName(const QString& host, int port) {
    if (port <= 0 || port == 22)
        return host;
    return QString("[%1]:%2").arg(host).arg(port);
}

QString KnownHostsPath() {
    return QDir::homePath() + "/.ssh/known_hosts";
}

bool AddKnownHost(const TSshHostKey& key) {
    const QString folder = QDir::homePath() + "/.ssh";
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder))
            return false;
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }
    QFile file(KnownHostsPath());
    const bool existed = file.exists();
    if (!file.open(QIODevice::ReadWrite))
        return false;
    if (!existed)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A last line without its line break would run into the new one.
    QByteArray line;
    if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n")
        line += '\n';
    line += KnownHostName(key.Host, key.Port).toUtf8() + ' ' + SshKeyType(key.Blob).toLatin1() +
            ' ' + key.Blob.toBase64() + '\n';
    return file.seek(file.size()) && file.write(line) == line.size() && file.flush();
}
