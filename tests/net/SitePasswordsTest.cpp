// Saved site passwords: in the desktop's keyring while its Secret Service runs, else in
// Sites.ini. The keyring is GNOME Keyring's real daemon on a session bus of the test's own.
#include "net/SitePasswords.h"

#include "net/TFormFTPSite.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDBusInterface>
#include <QDBusMetaType>
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

// A session bus of the test's own that starts no services on demand, with GNOME Keyring's
// secrets daemon on it once StartKeyring is called (a fresh login keyring, unlocked).
class TPrivateSessionBus {
public:
    TPrivateSessionBus() {
        const QString config = dir_.filePath("bus.conf");
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write(QString("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                               "<auth>EXTERNAL</auth><policy context=\"default\">"
                               "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                           .arg(dir_.path())
                           .toUtf8());
        file.close();
        bus_.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address=1"});
        if (QTest::qWaitFor([&] { return bus_.canReadLine(); }, kDeadlineMs))
            Address = QString::fromUtf8(bus_.readLine()).trimmed();
    }
    ~TPrivateSessionBus() {
        for (QProcess* process : {&keyring_, &bus_}) {
            process->kill();
            process->waitForFinished(kDeadlineMs);
        }
    }
    // Empty when the daemon serves the Secret Service, else why not.
    QString StartKeyring() {
        keyring_.start("gnome-keyring-daemon",
                       {"--foreground", "--unlock", "--components=secrets"});
        keyring_.waitForStarted(kDeadlineMs);
        keyring_.write("login keyring password");
        keyring_.closeWriteChannel();
        if (QTest::qWaitFor([] { return SecretServiceRunning(); }, kDeadlineMs))
            return {};
        return QString("gnome-keyring-daemon %1 (state %2): %3")
            .arg(keyring_.errorString())
            .arg(keyring_.state())
            .arg(QString::fromUtf8(keyring_.readAllStandardError()));
    }

    QString Address;

private:
    QTemporaryDir dir_;
    QProcess bus_, keyring_;
};

// The number of items the Secret Service holds, asked of the service itself.
int KeyringItems() {
    using TAttributes = QMap<QString, QString>;
    qDBusRegisterMetaType<TAttributes>();
    QDBusInterface service("org.freedesktop.secrets", "/org/freedesktop/secrets",
                           "org.freedesktop.Secret.Service");
    const QDBusMessage reply = service.call("SearchItems", QVariant::fromValue(TAttributes{}));
    return reply.arguments().isEmpty()
               ? -1
               : int(qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0)).size());
}

QByteArray SitesFileText() {
    QFile file(SitesFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The password the dialog shows for the saved site Name, once it has arrived.
QString LoadedPassword(TFormFTPSite& dialog, const QString& name) {
    dialog.CBSiteName->setEditText(name);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.ButtonConnect->isEnabled(); }, kDeadlineMs));
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
    ASSERT_FALSE(bus.Address.isEmpty()) << "dbus-daemon did not start";
    // Before anything in this process has connected to a session bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address.toUtf8());
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "the test's bus is unreachable";

    // No Secret Service: the file keeps the password, and the dialog says so.
    {
        TFormFTPSite dialog;
        dialog.show();
        EXPECT_TRUE(dialog.LabelPasswordNote->isVisible());
        EXPECT_TRUE(dialog.LabelPasswordNote->text().contains("Sites.ini"));
        SaveSite(dialog, "Old", "in the file");
    }
    EXPECT_TRUE(SitesFileText().contains("Password=in the file"));

    const QString failure = bus.StartKeyring();
    ASSERT_TRUE(failure.isEmpty()) << "no Secret Service: " << failure.toStdString();
    {
        TFormFTPSite dialog;
        dialog.show();
        EXPECT_FALSE(dialog.LabelPasswordNote->isVisible());
        // The password in the file still reads, and moves to the keyring on the next save.
        EXPECT_EQ(LoadedPassword(dialog, "Old"), "in the file");
        dialog.ButtonSave->click();
        SaveSite(dialog, "New", "p@ss wörd");
        EXPECT_TRUE(QTest::qWaitFor([] { return KeyringItems() == 2; }, kDeadlineMs));
    }
    EXPECT_FALSE(SitesFileText().contains("Password"));

    // A dialog that knows nothing yet reads them from the keyring; Remove takes the entry away.
    TFormFTPSite dialog;
    EXPECT_EQ(LoadedPassword(dialog, "New"), "p@ss wörd");
    EXPECT_EQ(LoadedPassword(dialog, "Old"), "in the file");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    dialog.ButtonRemove->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return KeyringItems() == 1; }, kDeadlineMs));
}
} // namespace
