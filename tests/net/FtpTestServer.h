#pragma once

#include "HttpTestServer.h"

#include <QFile>

// The FTP tests' server (ftp_test_server.py beside this file, pyftpdlib): a real process on
// 127.0.0.1 serving Folder to user "user" with password "secret"; Options as the script takes.
class FtpTestServer : public HttpTestServer {
public:
    explicit FtpTestServer(const QString& folder, const QStringList& options = {})
        : HttpTestServer(
              Python(),
              QStringList{QStringLiteral(GLYPHON_NET_TESTS_DIR "/ftp_test_server.py"), folder} +
                  options) {}

    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }

private:
    // pyftpdlib comes with the system's Python, which a per-user Python may hide.
    static QString Python() {
        return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    }
};
