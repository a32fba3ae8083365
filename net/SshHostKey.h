#pragma once

#include <QByteArray>
#include <QString>

// An SSH server's host key as the server showed it: the key blob of the SSH wire format.
struct TSshHostKey {
    QString Host;
    int Port = 22;
    QByteArray Blob;
};

// The key's algorithm as written in the blob ("ssh-ed25519", "ecdsa-sha2-nistp256", ...).
QString SshKeyType(const QByteArray& blob);
// The key's fingerprint as OpenSSH shows it: "SHA256:" and the unpadded base64 of its digest.
QString SshFingerprint(const QByteArray& blob);
// How a known-hosts line names the server: the bare host on the standard port, else
// "[host]:port".
QString KnownHostName(const QString& host, int port);
// The user's list of trusted host keys, ~/.ssh/known_hosts.
QString KnownHostsPath();
// Adds Key to the user's known hosts, creating ~/.ssh (0700) and the file (0600) if needed; the
// lines already there are kept as they are. False when the file cannot be written.
bool AddKnownHost(const TSshHostKey& key);
