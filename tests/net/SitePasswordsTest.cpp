// Saved site passwords: in the desktop's keyring when its Secret Service runs, else in
// Sites.ini. The keyring is GNOME Keyring's real daemon on a session bus of the test's own.
#include "net/SitePasswords.h"

#include "common/SettingsIni.h"
#include "net/TFormFTPSite.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
constexpr int kDeadlineMs = 20000;

// A session bus of this test's own, which knows no services to start on demand, and on request
// GNOME Keyring's secrets daemon on it with a fresh login keyring, unlocked.
class TPrivateSessionBus {
public:
    TPrivateSessionBus() {
        QFile config(dir_.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QString("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                             "<auth>EXTERNAL</auth><policy context=\"default\">"
                             "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                         .arg(dir_.path())
                         .toUtf8());
        config.close();
        bus_.start("dbus-daemon",
                   {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        if (bus_.waitForStarted(kDeadlineMs) &&
            QTest::qWaitFor([&] { return bus_.canReadLine(); }, kDeadlineMs))
            address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    }

    ~TPrivateSessionBus() {
        for (QProcess* process : {&keyring_, &bus_}) {
            process->kill();
            process->waitForFinished(kDeadlineMs);
        }
    }

    QString Address() const { return address_; }
    QString BusErrors() { return QString::fromUtf8(bus_.readAllStandardError()); }

    // True once the daemon serves the Secret Service; its complaints are in KeyringErrors.
    bool StartKeyring() {
        keyring_.start("gnome-keyring-daemon",
                       {"--foreground", "--unlock", "--components=secrets"});
        if (!keyring_.waitForStarted(kDeadlineMs))
            return false;
        keyring_.write("login keyring password");
        keyring_.closeWriteChannel();
        return QTest::qWaitFor([] { return SecretServiceRunning(); }, kDeadlineMs);
    }
    QString KeyringErrors() {
        return keyring_.errorString() + '\n' + QString::fromUtf8(keyring_.readAllStandardError());
    }

private:
    QTemporaryDir dir_;
    QProcess bus_;
    QProcess keyring_;
    QString address_;
};

// The items the Secret Service holds, unlocked ones, asked of the service itself.
int KeyringItems() {
    QDBusInterface service("org.freedesktop.secrets", "/org/freedesktop/secrets",
                           "org.freedesktop.Secret.Service", QDBusConnection::sessionBus());
    using TAttributes = QMap<QString, QString>;
    qDBusRegisterMetaType<TAttributes>();
    // No attributes: every item matches.
    const QDBusMessage reply = service.call("SearchItems", QVariant::fromValue(TAttributes{}));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    return int(qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0)).size());
}

QByteArray SitesFileText() {
    QFile file(SitesFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The password the dialog shows for the saved site Name, once it has arrived.
QString LoadedPassword(TFormFTPSite& dialog, const QString& name) {
    dialog.CBSiteName->setEditText(name);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.ReadingPassword(); }, kDeadlineMs));
    EXPECT_TRUE(dialog.ButtonConnect->isEnabled());
    return dialog.EditPassword->text();
}

void SaveSite(TFormFTPSite& dialog, const QString& name, const QString& password) {
    dialog.CBSiteName->setEditText(name);
    dialog.EditHostName->setText("ftp.example.org");
    dialog.EditPassword->setText(password);
    dialog.ButtonSave->click();
}

TEST(SitePasswords, KeptInTheKeyringWhileItRunsElseInTheFileWithANote) {
    TPrivateSessionBus bus;
    ASSERT_FALSE(bus.Address().isEmpty())
        << "dbus-daemon did not start: " << bus.BusErrors().toStdString();
    // Before anything in this process has connected to a session bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
    QFile::remove(SitesFilePath());

    // No Secret Service: the file keeps the password, and the dialog says so.
    ASSERT_FALSE(SecretServiceRunning());
    {
        TFormFTPSite dialog;
        dialog.show();
        EXPECT_TRUE(dialog.LabelPasswordNote->isVisible());
        EXPECT_TRUE(dialog.LabelPasswordNote->text().contains("Sites.ini"));
        SaveSite(dialog, "Old", "in the file");
        dialog.hide();
    }
    EXPECT_TRUE(SitesFileText().contains("Password=in the file"));

    ASSERT_TRUE(bus.StartKeyring()) << "gnome-keyring-daemon did not serve the Secret Service: "
                                    << bus.KeyringErrors().toStdString();
    {
        TFormFTPSite dialog;
        dialog.show();
        EXPECT_FALSE(dialog.LabelPasswordNote->isVisible());
        // The password saved in the file still reads, and moves to the keyring on the next save.
        EXPECT_EQ(LoadedPassword(dialog, "Old"), "in the file");
        dialog.ButtonSave->click();
        SaveSite(dialog, "New", "p@ss wörd");
        EXPECT_TRUE(QTest::qWaitFor([] { return KeyringItems() == 2; }, kDeadlineMs));
        dialog.hide();
    }
    EXPECT_FALSE(SitesFileText().contains("Password"));
    EXPECT_FALSE(SitesFileText().contains("in the file"));
    EXPECT_FALSE(SitesFileText().contains("p@ss"));

    // A dialog that knows nothing yet gets the passwords back from the keyring; removing a site
    // takes its keyring entry with it.
    TFormFTPSite dialog;
    EXPECT_EQ(LoadedPassword(dialog, "New"), "p@ss wörd");
    EXPECT_EQ(LoadedPassword(dialog, "Old"), "in the file");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    dialog.ButtonRemove->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return KeyringItems() == 1; }, kDeadlineMs));
    EXPECT_EQ(LoadedPassword(dialog, "New"), "p@ss wörd");
}
} // namespace
