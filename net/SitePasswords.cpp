#include "net/SitePasswords.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/SettingsIni.h"
#include "net/TFormFTPSite.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <qt6keychain/keychain.h>

namespace {
const QString kPasswordKey = QStringLiteral("Password");

// The keyring's entries of this program: one per site, named by the site.
QString KeyringService() {
    return ApplicationTitle() + QStringLiteral(" FTP sites");
}
} // namespace

bool SecretServiceRunning() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> reply =
        bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"));
    return reply.isValid() && reply.value();
}

TSitePasswords::TSitePasswords(TIniFile& sites, QObject* parent) : QObject(parent), sites_(sites) {}

void TSitePasswords::Read(const QString& site, const std::function<void(const QString&)>& done) {
    if (sites_.ValueExists(site, kPasswordKey))
        return done(sites_.ReadString(site, kPasswordKey));
    if (const auto known = known_.constFind(site); known != known_.cend())
        return done(*known);
    if (!SecretServiceRunning())
        return done({});
    // A job goes by itself once finished; deleted while libsecret still works on it, its answer
    // would arrive at a freed object. The connections end with this object instead.
    auto* job = new QKeychain::ReadPasswordJob(KeyringService());
    job->setKey(site);
    connect(job, &QKeychain::Job::finished, this, [this, site, done](QKeychain::Job* finished) {
        const auto* read = static_cast<QKeychain::ReadPasswordJob*>(finished);
        const QString password = read->error() == QKeychain::NoError ? read->textData() : QString();
        if (read->error() == QKeychain::NoError)
            known_.insert(site, password);
        done(password);
    });
    job->start();
}

void TSitePasswords::Write(const QString& site, const QString& password) {
    if (!SecretServiceRunning()) {
        sites_.WriteString(site, kPasswordKey, password);
        return;
    }
    // The file's copy goes now; should the keyring refuse, the password comes back to the file.
    known_.insert(site, password);
    sites_.DeleteKey(site, kPasswordKey);
    auto* job = new QKeychain::WritePasswordJob(KeyringService());
    job->setKey(site);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this, site, password](QKeychain::Job* done) {
        if (done->error() == QKeychain::NoError)
            return;
        // A later save or a removal since then has the last word.
        if (known_.value(site) != password || !sites_.SectionExists(site))
            return;
        const QString reason = done->errorString();
        RunCommand([&] {
            ProtectSitesFile();
            sites_.WriteString(site, kPasswordKey, password);
            ProtectSitesFile();
            emit KeptInFile(site, reason);
        });
    });
    job->start();
}

void TSitePasswords::Remove(const QString& site) {
    known_.remove(site);
    if (!SecretServiceRunning())
        return;
    auto* job = new QKeychain::DeletePasswordJob(KeyringService());
    job->setKey(site);
    job->start();
}
