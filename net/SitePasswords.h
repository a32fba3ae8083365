#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class TIniFile;

// Whether the desktop's Secret Service answers on the session bus. Asked of the bus itself,
// which replies at once, so that a missing service never costs the long wait of a call to it.
bool SecretServiceRunning();

// Where the passwords of the saved FTP sites are kept: in the desktop's keyring while its
// Secret Service runs, else under "Password" in the site database, readable by its owner only.
// A "Password" key in the database wins over the keyring: it is only written when the keyring
// could not take the password, or before there was one.
class TSitePasswords : public QObject {
    Q_OBJECT

public:
    explicit TSitePasswords(TIniFile& sites, QObject* parent = nullptr);

    // Hands Site's password to Done: at once from the database or what this object already
    // knows, later when the keyring has to be asked (empty when it holds none).
    void Read(const QString& site, const std::function<void(const QString&)>& done);
    // Keeps Password for Site; a keyring that refuses it leaves it in the database.
    void Write(const QString& site, const QString& password);
    // Forgets Site's password in the keyring (the database section goes with its owner).
    void Remove(const QString& site);

signals:
    // The keyring refused Site's password, which is kept in the database instead.
    void KeptInFile(const QString& site, const QString& reason);

private:
    TIniFile& sites_;
    QHash<QString, QString> known_;
};
