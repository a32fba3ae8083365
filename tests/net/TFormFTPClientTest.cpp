// The FTP client window against a real pyftpdlib server on 127.0.0.1.
#include "net/TFormFTPClient.h"

#include "DialogDriver.h"
#include "FtpTestServer.h"
#include "SshTestServer.h"
#include "common/AppHelpers.h"
#include "net/TFormFTPSite.h"
#include "net/TFormFTPTransfer.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <utime.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Names(const QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names.append(list->topLevelItem(i)->text(0));
    return names;
}

void Select(QTreeWidget* list, const QStringList& names) {
    list->clearSelection();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setSelected(names.contains(list->topLevelItem(i)->text(0)));
}

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(local_.isValid() && remote_.isValid());
        QDir::setCurrent(local_.path());
    }

    void StartServer(const QStringList& options = {}) {
        server_ = std::make_unique<FtpTestServer>(remote_.path(), options);
        ASSERT_TRUE(server_->Started());
    }

    // The Connect command with the details typed into the site dialog.
    void Connect(const QString& host, bool passive = true, int protocol = 0,
                 const QString& user = "user", const QString& password = "secret") {
        TFormFTPSite* site = form_.SiteDialog();
        WhenTrue([site] { return site->isVisible(); },
                 [=] {
                     site->EditHostName->setText(host);
                     site->EditUsername->setEditText(user);
                     site->EditPassword->setText(password);
                     site->CBPassive->setChecked(passive);
                     site->CBProtocol->setCurrentIndex(protocol);
                     site->ButtonConnect->click();
                 });
        form_.MIConnectClick();
    }

    QString Log() const { return form_.RichEdit->toPlainText(); }
    QString Panel(int index) { return StatusPanel(form_.statusBar(), index)->text(); }

    QTemporaryDir local_, remote_;
    std::unique_ptr<FtpTestServer> server_;
    TFormFTPClient form_;
};

TEST_F(FtpClientTest, EmptyFolderThenTransfersBothWaysWithCountersKeptAcrossConnections) {
    for (const bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        QDir(remote_.path()).removeRecursively();
        QDir().mkpath(remote_.path());
        StartServer();
        form_.show();
        const auto canDisconnect = [this] {
            EXPECT_EQ(form_.TBDisconnect->isEnabled(), form_.MIDisconnect->isEnabled());
            return form_.MIDisconnect->isEnabled();
        };
        EXPECT_FALSE(canDisconnect()) << "not connected yet";
        Connect(server_->Host(), passive);
        ASSERT_TRUE(form_.Session().Connected());
        EXPECT_TRUE(canDisconnect());
        EXPECT_EQ(Names(form_.ListView2), QStringList{".."});
        EXPECT_TRUE(Log().endsWith("Finding Files\nNo More Files"));
        EXPECT_EQ(Panel(0), "Ready");
        EXPECT_TRUE(form_.ListView2->isEnabled());

        // Upload, then download over a local file of other content.
        const QByteArray page(1500000, 'p');
        WriteFile("page.htm", page);
        form_.PIRefresh1Click();
        Select(form_.ListView1, {"page.htm"});
        form_.ButtonPutClick();
        EXPECT_EQ(ReadFile(remote_.filePath("page.htm")), page);
        EXPECT_EQ(Names(form_.ListView2), (QStringList{"..", "page.htm"}));
        WriteFile("page.htm", "old");
        Select(form_.ListView2, {"page.htm"});
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Yes);
        form_.ButtonGetClick();
        EXPECT_EQ(ReadFile("page.htm"), page);
        EXPECT_EQ(QDir::current().entryList(QDir::Files), QStringList{"page.htm"});
        const QString received = Panel(2);
        EXPECT_GE(QLocale().toLongLong(received.mid(10).chopped(2)), 1465)
            << received.toStdString();

        const qint64 sent = form_.Session().BytesSent();
        form_.MIDisconnectClick();
        EXPECT_EQ(form_.ListView2->topLevelItemCount(), 0);
        EXPECT_FALSE(form_.ListView2->isEnabled());
        EXPECT_FALSE(canDisconnect());
        Connect(server_->Host(), passive);
        EXPECT_GT(form_.Session().BytesSent(), sent);
        form_.MIDisconnectClick();
        QFile::remove("page.htm");
    }
}

TEST_F(FtpClientTest, TerminateStopsOnlyTheSecondOfThreeFilesAndNothingElseCutsIn) {
    for (const char* name : {"f1.bin", "f2.bin", "f3.bin"})
        WriteFile(remote_.filePath(name), QByteArray(300000, 'x'));
    StartServer({"--throttle", "1000000"});
    form_.show();
    Connect(server_->Host());
    TFormFTPTransfer* transfer = form_.TransferWindow();
    QList<QAction*> enabledMeanwhile;
    QObject::connect(&form_.Session(), &TFtpSession::DataTransferred, transfer, [&] {
        if (transfer->windowTitle() != "Downloading \"f2.bin\"")
            return;
        // Disconnect would empty the list the transfer reads its names from.
        for (QAction* a :
             {form_.MIConnect, form_.MIDisconnect, form_.TBConnect, form_.TBDisconnect})
            if (a->isEnabled() && !enabledMeanwhile.contains(a))
                enabledMeanwhile.append(a);
        form_.TBDisconnect->trigger();
        form_.MIDisconnect->trigger();
        transfer->ButtonTerminate->click();
    });
    Select(form_.ListView2, {"f1.bin", "f2.bin", "f3.bin"});
    form_.ButtonGetClick();
    EXPECT_TRUE(enabledMeanwhile.isEmpty());
    EXPECT_TRUE(form_.Session().Connected());
    EXPECT_EQ(ReadFile("f1.bin").size(), 300000);
    EXPECT_EQ(ReadFile("f3.bin").size(), 300000);
    EXPECT_EQ(QDir::current().entryList(QDir::Files), (QStringList{"f1.bin", "f3.bin"}));
    EXPECT_TRUE(Log().contains("ERROR! Operation Cancelled"));
    EXPECT_TRUE(form_.MIDisconnect->isEnabled());
    form_.MIDisconnectClick();
}

TEST_F(FtpClientTest, BrokenServersNeverLeaveAFileThatLooksWhole) {
    const QByteArray upload(1 << 20, 'u');
    struct Case {
        QStringList Options;
        QString Remote;   // a file of 1 MB on the server, downloaded over a local "old"
        QString Expected; // in the log
        QByteArray RemoteAfter = "old"; // an upload of 1 MB over the server's "old" up.bin
    };
    const Case cases[] = {
        {{"--drop-after", "65536"}, "big.bin", "ERROR!"},
        // An upload the server keeps only part of.
        {{"--truncate-uploads", "10"}, "", "ERROR! The server holds 10 of the 1048576 bytes sent"},
        // The link drops mid-upload: the live file stays whole, the part goes.
        {{"--drop-upload-after", "65536"}, "", "ERROR!"},
        {{"--no-rename"}, "", "so \"up.bin\" was written in place", upload},
        {{}, "", "Uploading \"up.bin\"", upload},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options.join(' ').toStdString());
        QDir(remote_.path()).removeRecursively();
        QDir().mkpath(remote_.path());
        StartServer(c.Options);
        form_.show();
        if (c.Remote.isEmpty()) {
            WriteFile("up.bin", upload);
            WriteFile(remote_.filePath("up.bin"), "old");
            form_.PIRefresh1Click();
            Connect(server_->Host());
            Select(form_.ListView1, {"up.bin"});
            form_.ButtonPutClick();
            EXPECT_EQ(ReadFile(remote_.filePath("up.bin")), c.RemoteAfter) << Log().toStdString();
            EXPECT_EQ(QDir(remote_.path()).entryList(QDir::Files | QDir::Hidden),
                      QStringList{"up.bin"});
        } else {
            WriteFile(remote_.filePath(c.Remote), QByteArray(1 << 20, 'n'));
            WriteFile(c.Remote, "old");
            Connect(server_->Host());
            Select(form_.ListView2, {c.Remote});
            ScriptedPrompts prompts;
            prompts.AnswerButton(QMessageBox::Yes); // replace the local file
            form_.ButtonGetClick();
            EXPECT_EQ(ReadFile(c.Remote), "old");
            EXPECT_EQ(QDir::current().entryList(QDir::Files), QStringList{c.Remote});
            QFile::remove(c.Remote);
        }
        EXPECT_TRUE(Log().contains(c.Expected)) << Log().toStdString();
        form_.MIDisconnectClick();
    }
}

TEST_F(FtpClientTest, DownloadsAskBeforeReplacingALocalFile) {
    const QStringList names = {"a.txt", "b.txt", "c.txt"};
    for (const QString& name : names)
        WriteFile(remote_.filePath(name), "new");
    StartServer();
    form_.show();
    Connect(server_->Host());
    using B = QMessageBox::StandardButton;
    struct Case {
        QList<B> Answers;
        QByteArray After; // of a, b and c: n for new, o for old
    };
    const Case cases[] = {
        {{B::Yes, B::No, B::Yes}, "non"},
        {{B::No, B::YesToAll}, "onn"},
        {{B::Yes, B::Cancel}, "noo"},
    };
    for (const Case& c : cases) {
        for (const QString& name : names)
            WriteFile(name, "old");
        ScriptedPrompts prompts;
        for (const B answer : c.Answers)
            prompts.AnswerButton(answer);
        Select(form_.ListView2, names);
        form_.ButtonGetClick();
        QByteArray after;
        for (const QString& name : names)
            after += ReadFile(name).at(0);
        EXPECT_EQ(after, c.After);
        ASSERT_EQ(prompts.Records().size(), c.Answers.size());
        EXPECT_EQ(prompts.Records()[0].Text, "\"a.txt\" already exists in the local folder.\r\r"
                                             "Replace it?");
        EXPECT_EQ(prompts.Records()[0].Buttons, B::Yes | B::YesToAll | B::No | B::Cancel);
    }
    form_.MIDisconnectClick();
}

TEST_F(FtpClientTest, ListedNamesThatWouldLeaveTheFolderAreShownButNotDownloaded) {
    QDir(local_.path()).mkdir("inner");
    QDir::setCurrent(local_.filePath("inner"));
    WriteFile(remote_.filePath("fine.txt"), "fine");
    StartServer({"--hostile"});
    form_.show();
    Connect(server_->Host());
    const QStringList hostile = {"../escape.txt", "/tmp/absolute.txt", "back\\slash.txt",
                                 "sub/inner.txt"};
    for (const QString& name : hostile)
        EXPECT_TRUE(Names(form_.ListView2).contains(name)) << name.toStdString();
    Select(form_.ListView2, hostile + QStringList{"fine.txt", ".bashrc"});
    const bool absoluteExisted = QFile::exists("/tmp/absolute.txt");
    form_.ButtonGetClick();
    for (const QString& name : hostile)
        EXPECT_TRUE(Log().contains(QString("ERROR! \"%1\" cannot be a local file name").arg(name)));
    EXPECT_TRUE(Log().contains("ERROR! \".bashrc\" begins with \".\""));
    // Control characters and a turn of direction ("invoice" + U+202E + "txt.exe" reads as
    // "invoiceexe.txt") stand written out.
    EXPECT_TRUE(Names(form_.ListView2).contains("invoice\\u202Etxt.exe"));
    EXPECT_TRUE(Names(form_.ListView2).contains("bell\\u0007\\u001B[2Jname"));
    EXPECT_EQ(QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"fine.txt"});
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"inner"});
    EXPECT_EQ(QFile::exists("/tmp/absolute.txt"), absoluteExisted);
    form_.MIDisconnectClick();
}

TEST_F(FtpClientTest, StalledServersTimeOutAndTerminateEndsTheWait) {
    QTcpServer silent; // accepts, then never says a word
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    WriteFile(remote_.filePath("stuck.bin"), QByteArray(100000, 's'));
    StartServer({"--stall-after", "1000"}); // downloads stop after a few bytes
    struct Case {
        bool Download; // else the connection itself stalls
        int NoDataMs;
        bool Terminate;
        QString Expected;
        int Protocol = 0;
    };
    const Case cases[] = {
        {false, 60000, false, "ERROR! Timeout"},
        {false, 60000, true, "ERROR! Operation Cancelled"},
        {true, 500, false, "ERROR! Timeout"},
        {true, 60000, true, "ERROR! Operation Cancelled"},
        {false, 60000, false, "ERROR! Timeout", 2}, // an SSH server that never greets
        {false, 60000, true, "ERROR! Operation Cancelled", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected.toStdString() + (c.Download ? " downloading" : " connecting"));
        // Only a stalled connection is meant to run out of the time to connect.
        form_.Session().SetTimeouts({c.Terminate || c.Download ? 60000 : 500, c.NoDataMs});
        ScriptedPrompts prompts;
        if (c.Terminate)
            WhenTrue(
                [&] {
                    return form_.BusyCount() > 0 &&
                           (!c.Download || form_.TransferWindow()->isVisible());
                },
                [&] { form_.Session().Terminate(); });
        if (c.Download) {
            Connect(server_->Host());
            Select(form_.ListView2, {"stuck.bin"});
            form_.ButtonGetClick();
            EXPECT_TRUE(Log().contains("Downloading \"stuck.bin\"\n" + c.Expected));
            EXPECT_EQ(QDir::current().entryList(QDir::Files), QStringList{});
            form_.MIDisconnectClick();
        } else {
            prompts.AnswerButton(QMessageBox::Ok);
            Connect(QString("127.0.0.1:%1").arg(silent.serverPort()), true, c.Protocol);
            EXPECT_TRUE(Log().contains(c.Expected)) << Log().toStdString();
            ASSERT_EQ(prompts.Records().size(), 1);
            EXPECT_TRUE(prompts.Records()[0].Text.startsWith(
                "Unable to connect to FTP site. Please check your settings."));
        }
    }
}

TEST_F(FtpClientTest, AFailedConnectionSaysWhyInTheBoxAndTheLog) {
    StartServer();
    QTcpServer closed; // a port nothing listens on any more
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = closed.serverPort();
    closed.close();
    const struct {
        QString host, password;
        const char* cause; // in the library's words
    } cases[] = {
        {QString("127.0.0.1:%1").arg(closedPort), "secret", "Failed to connect to 127.0.0.1"},
        {"nowhere.invalid", "secret", "Could not resolve host: nowhere.invalid"},
        {server_->Host(), "wrong", "Access denied: 530"},
    };
    form_.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        Connect(c.host, true, 0, "user", c.password);
        ASSERT_EQ(prompts.Records().size(), 1);
        const QString box = prompts.Records()[0].Text;
        const QString prefix = "Unable to connect to FTP site. Please check your settings.\r\r";
        ASSERT_TRUE(box.startsWith(prefix + c.cause)) << box.toStdString();
        EXPECT_TRUE(Log().endsWith(box.mid(prefix.size()))) << Log().toStdString();
        EXPECT_FALSE(form_.MIDisconnect->isEnabled());
    }
}

TEST_F(FtpClientTest, ListingsThatNeverEndStopAtTheirLimits) {
    const std::pair<const char*, QString> cases[] = {
        {"8", "passed 1,000,000 entries"}, // short names: the count comes first
        {"400", "passed 64 MB"},
    };
    for (const auto& [length, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        StartServer({"--endless-listing", length});
        Connect(server_->Host());
        EXPECT_TRUE(Log().contains("ERROR! The listing of \"/\" was stopped: it " + expected))
            << Log().right(500).toStdString();
        EXPECT_EQ(Names(form_.ListView2), QStringList{".."});
        EXPECT_TRUE(form_.Session().Connected());
        form_.MIDisconnectClick();
    }
}

TEST_F(FtpClientTest, RemoteFolderCommandsAndMovesOntoTheParent) {
    QDir(remote_.path()).mkpath("site");
    WriteFile(remote_.filePath("site/a.htm"), "a");
    StartServer();
    form_.show();
    Connect(server_->Host());
    form_.ChangeRemoteDir("site");
    EXPECT_EQ(form_.ComboBox2->currentText(), "/site");
    ScriptedPrompts prompts;
    prompts.AnswerInput("new folder");
    form_.NewFolder(form_.ListView2);
    prompts.AnswerInput("b.htm");
    Select(form_.ListView2, {"a.htm"});
    form_.RenameItem(form_.ListView2);
    EXPECT_EQ(Names(form_.ListView2), (QStringList{"..", "new folder", "b.htm"}));
    // A line break in a name cannot smuggle in a command of its own.
    prompts.AnswerInput("c.htm\r\nMKD /injected");
    Select(form_.ListView2, {"b.htm"});
    form_.RenameItem(form_.ListView2);
    EXPECT_FALSE(QFile::exists(remote_.filePath("injected")));
    // Dragged onto "..": into the parent folder.
    Select(form_.ListView2, {"b.htm"});
    emit form_.ListView2->ItemsDropped(form_.ListView2, form_.ListView2->topLevelItem(0));
    EXPECT_TRUE(QFile::exists(remote_.filePath("b.htm")));
    prompts.AnswerButton(QMessageBox::Yes);
    Select(form_.ListView2, {"new folder"});
    form_.ListView2->setFocus();
    form_.DeleteItems(form_.ListView2);
    EXPECT_EQ(Names(form_.ListView2), QStringList{".."});
    form_.SpeedButton2->click();
    EXPECT_EQ(Names(form_.ListView2), (QStringList{"..", "site", "b.htm"}));
    EXPECT_EQ(form_.ComboBox2->itemText(1), "/site"); // the history keeps where it was
    // The root is its own parent.
    EXPECT_FALSE(form_.SpeedButton2->isEnabled());
    form_.SpeedButton2Click();
    form_.ChangeRemoteDir("..");
    EXPECT_EQ(form_.ComboBox2->currentText(), "/");
    EXPECT_EQ(form_.ComboBox2->count(), 2);
    form_.MIDisconnectClick();
}
} // namespace

namespace {
TEST(FtpClientPanes, LocalPaneHidesDotFilesAndSortsFoldersFirstByBytesAndDates) {
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    QDir().mkdir("zdir");
    QDir().mkdir("!dir");
    WriteFile("a.bin", QByteArray(1025, 'a'));
    WriteFile("b.bin", QByteArray(2048, 'b'));
    WriteFile("!first", QByteArray(3000, 'f'));
    WriteFile(".htaccess", "hidden");
    const std::pair<const char*, QDate> times[] = {{"b.bin", {1975, 1, 1}},
                                                   {"!first", {2010, 1, 1}},
                                                   {"a.bin", {2020, 1, 1}},
                                                   {"zdir", {2001, 1, 1}},
                                                   {"!dir", {2001, 1, 1}}};
    for (const auto& [name, date] : times) {
        const time_t when = QDateTime(date, QTime(12, 0)).toSecsSinceEpoch();
        const utimbuf both{when, when};
        ASSERT_EQ(utime(name, &both), 0);
    }
    TFormFTPClient form;
    form.show();
    TFtpListView* list = form.ListView1;
    struct Case {
        int Column; // clicked, 1-based
        QStringList Order;
    };
    const Case cases[] = {
        {0, {"!dir", "..", "zdir", "!first", "a.bin", "b.bin"}},
        {1, {"..", "b.bin", "a.bin", "!first", "zdir", "!dir"}}, // second click: descending
        {1, {"!dir", "..", "zdir", "!first", "a.bin", "b.bin"}},
        {2, {"!dir", "..", "zdir", "a.bin", "b.bin", "!first"}}, // 1025 and 2048 both show 2KB
        {4, {"..", "!dir", "zdir", "b.bin", "!first", "a.bin"}}, // Unknown packs as 0
    };
    for (const Case& c : cases) {
        if (c.Column > 0)
            form.ListView1ColumnClick(list, c.Column);
        EXPECT_EQ(Names(list), c.Order) << "sort state " << list->Tag;
    }
    const QList<QTreeWidgetItem*> b = list->findItems("b.bin", Qt::MatchExactly);
    ASSERT_EQ(b.size(), 1);
    EXPECT_EQ(b[0]->text(1), "2KB");
    EXPECT_EQ(b[0]->text(3), "Unknown");
}
} // namespace

namespace {
// A self-signed certificate and its key in one file, made for this run.
QString MakeCertificate(const QString& folder) {
    const QString path = folder + "/server.pem";
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                              "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                              "-keyout", path, "-out", folder + "/cert.pem"});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return {};
    QFile key(path), cert(folder + "/cert.pem");
    if (!key.open(QIODevice::Append) || !cert.open(QIODevice::ReadOnly))
        return {};
    key.write(cert.readAll());
    return path;
}

// The SHA-256 fingerprint of a PEM certificate file, as openssl gives it.
QString OpensslFingerprint(const QString& certificate) {
    QProcess openssl;
    openssl.start("openssl", {"x509", "-noout", "-fingerprint", "-sha256", "-in", certificate});
    openssl.waitForFinished(30000);
    const QString out = QString::fromLatin1(openssl.readAllStandardOutput()).trimmed();
    return out.mid(out.indexOf('=') + 1);
}

TEST_F(FtpClientTest, SecureSitesAskOnceToAcceptASelfSignedCertificateThenTransfer) {
    QTemporaryDir keys;
    const QString certificate = MakeCertificate(keys.path());
    ASSERT_FALSE(certificate.isEmpty());
    StartServer({"--tls", certificate});
    form_.show();
    TFormFTPSite* site = form_.SiteDialog();
    site->CBSiteName->setEditText("Secure");
    site->EditHostName->setText(server_->Host());
    site->EditUsername->setEditText("user");
    site->EditPassword->setText("secret");
    site->CBProtocol->setCurrentIndex(1);
    site->ButtonSave->click();
    auto connect = [&] {
        WhenTrue([site] { return site->isVisible(); }, [site] { site->ButtonConnect->click(); });
        form_.MIConnectClick();
    };
    {
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Yes);
        for (int round = 0; round < 2; ++round) {
            connect();
            ASSERT_TRUE(form_.Session().Connected()) << Log().toStdString();
            WriteFile(QString("s%1.htm").arg(round), "secret page");
            form_.PIRefresh1Click();
            Select(form_.ListView1, {QString("s%1.htm").arg(round)});
            form_.ButtonPutClick();
            QFile::remove(QString("s%1.htm").arg(round));
            Select(form_.ListView2, {QString("s%1.htm").arg(round)});
            form_.ButtonGetClick();
            EXPECT_EQ(ReadFile(QString("s%1.htm").arg(round)), "secret page");
            form_.MIDisconnectClick();
        }
        ASSERT_EQ(prompts.Records().size(), 1); // the second connection trusts what was accepted
        const QString question = prompts.Records()[0].Text;
        for (const QString& part :
             {QString("Accept this certificate"), QString("Subject: "),
              QString("127.0.0.1\rIssuer: "), QString("Valid until: "),
              "SHA-256 fingerprint: " + OpensslFingerprint(keys.filePath("cert.pem"))})
            EXPECT_TRUE(question.contains(part)) << question.toStdString();
    }

    // Another certificate on the same site: refused outright, as a changed host key is.
    QTemporaryDir otherKeys;
    ASSERT_FALSE(MakeCertificate(otherKeys.path()).isEmpty());
    StartServer({"--tls", otherKeys.filePath("server.pem")});
    site->CBSiteName->setEditText("Secure");
    site->EditHostName->setText(server_->Host());
    site->ButtonSave->click();
    {
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        connect();
        EXPECT_FALSE(form_.Session().Connected());
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Warning);
        EXPECT_TRUE(prompts.Records()[0].Text.contains("has changed since you accepted it"));
        EXPECT_TRUE(
            prompts.Records()[0].Text.contains(OpensslFingerprint(otherKeys.filePath("cert.pem"))));
    }
    // Forgotten in the site dialog, the new one can be accepted.
    EXPECT_TRUE(site->ButtonForgetCertificate->isEnabled());
    site->ButtonForgetCertificate->click();
    EXPECT_FALSE(site->ButtonForgetCertificate->isEnabled());
    {
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Yes);
        connect();
        EXPECT_TRUE(form_.Session().Connected());
        form_.MIDisconnectClick();
    }

    // A site never saved keeps what was accepted for this run only, out of the site database.
    site->CBSiteName->setEditText("Typed only");
    site->EditHostName->setText(server_->Host().replace("127.0.0.1", "localhost"));
    {
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Yes);
        for (int round = 0; round < 2; ++round) {
            connect();
            EXPECT_TRUE(form_.Session().Connected()) << Log().toStdString();
            form_.MIDisconnectClick();
        }
        EXPECT_EQ(prompts.Records().size(), 1);
    }
    EXPECT_EQ(TIniFile(SitesFilePath()).ReadSections(), QStringList{"Secure"});
}
} // namespace

namespace {
constexpr int kSftp = 2; // the protocol box's entry

// The user's known hosts holding Line, or none at all when it is empty.
void WriteKnownHosts(const QByteArray& line) {
    QFile::remove(KnownHostsPath());
    if (!line.isEmpty())
        WriteFile(KnownHostsPath(), line + '\n');
}

TEST_F(FtpClientTest, SftpSitesTransferBothWaysAndWorkOnRemoteFolders) {
    QDir().mkpath(QDir::homePath() + "/.ssh");
    SshTestServer sshd(MakeSshKey(QDir::homePath() + "/.ssh/id_ed25519"));
    ASSERT_TRUE(sshd.Started()) << sshd.Log();
    WriteKnownHosts(KnownHostName("127.0.0.1", sshd.Port()).toUtf8() + ' ' + sshd.HostKey());
    form_.show();
    Connect(sshd.Host(), true, kSftp, SshTestServer::UserName(), {});
    ASSERT_TRUE(form_.Session().Connected()) << Log().toStdString();
    form_.ChangeRemoteDir(remote_.path());
    EXPECT_EQ(Names(form_.ListView2), QStringList{".."});
    EXPECT_TRUE(Log().endsWith("Finding Files\nNo More Files")) << Log().toStdString();

    const QByteArray page = QByteArray(1000, 'x').repeated(300) + QByteArray("\0\r\n\xff", 4);
    // The second upload replaces the first whole, by a rename over it.
    for (const QByteArray& content : {QByteArray("old"), page}) {
        WriteFile("page.htm", content);
        form_.PIRefresh1Click();
        Select(form_.ListView1, {"page.htm"});
        form_.ButtonPutClick();
    }
    EXPECT_EQ(ReadFile(remote_.filePath("page.htm")), page);
    EXPECT_EQ(QDir(remote_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"page.htm"});
    ScriptedPrompts prompts;
    prompts.AnswerInput("new folder");
    form_.NewFolder(form_.ListView2);
    prompts.AnswerInput("b \"c\".htm");
    Select(form_.ListView2, {"page.htm"});
    form_.RenameItem(form_.ListView2);
    EXPECT_EQ(Names(form_.ListView2), (QStringList{"..", "new folder", "b \"c\".htm"}));

    // Downloaded over a local file of other content.
    WriteFile("b \"c\".htm", "old");
    Select(form_.ListView2, {"b \"c\".htm"});
    prompts.AnswerButton(QMessageBox::Yes);
    form_.ButtonGetClick();
    EXPECT_EQ(ReadFile("b \"c\".htm"), page);
    EXPECT_EQ(QDir::current().entryList(QDir::Files), (QStringList{"b \"c\".htm", "page.htm"}));

    form_.ChangeRemoteDir("missing"); // stays where it is
    EXPECT_EQ(form_.ComboBox2->currentText(), remote_.path());
    prompts.AnswerButton(QMessageBox::Yes);
    Select(form_.ListView2, {"new folder", "b \"c\".htm"});
    form_.ListView2->setFocus();
    form_.DeleteItems(form_.ListView2);
    EXPECT_EQ(Names(form_.ListView2), QStringList{".."});
    EXPECT_EQ(QDir(remote_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{});
    form_.MIDisconnectClick();
}

TEST_F(FtpClientTest, SftpConnectsOnlyToAKnownOrAcceptedHostKeyAndSaysWhichLoginFailed) {
    const QString keyPath = QDir::homePath() + "/.ssh/id_ed25519";
    QDir().mkpath(QDir::homePath() + "/.ssh");
    SshTestServer sshd(MakeSshKey(keyPath));
    ASSERT_TRUE(sshd.Started()) << sshd.Log();
    const QByteArray name = KnownHostName("127.0.0.1", sshd.Port()).toUtf8();
    const QByteArray right = name + ' ' + sshd.HostKey();
    QTemporaryDir other;
    const QByteArray changed = name + ' ' + MakeSshKey(other.filePath("key"));
    const QString changedText = "ERROR! The host key of " + name + " has changed";
    const QString keyRefused = "ERROR! Login Failure\nLogin as \"" + SshTestServer::UserName() +
                               "\" refused; tried the key \"" + keyPath + "\"";
    enum TUserKey { Authorized, InAgent, Stranger, NoKey };
    struct Case {
        const char* Name;
        QByteArray KnownHosts;
        QMessageBox::StandardButton Answer; // to the host key question; NoButton: not asked
        TUserKey Key;
        QString Password;
        bool Connected;
        QString Logged;
        QByteArray KnownAfter;
    };
    const auto none = QMessageBox::NoButton, yes = QMessageBox::Yes, no = QMessageBox::No;
    const Case cases[] = {
        {"known key", right, none, Authorized, {}, true, {}, right},
        {"changed key", changed, none, Authorized, {}, false, changedText, changed},
        {"unknown key accepted", {}, yes, Authorized, {}, true, {}, right},
        {"unknown key refused", {}, no, Authorized, {}, false, {}, {}},
        {"key in the agent", right, none, InAgent, {}, true, {}, right},
        {"key not authorized", right, none, Stranger, {}, false, keyRefused, right},
        {"wrong password", right, none, NoKey, "wrong", false, "refused; tried the password",
         right},
    };
    qunsetenv("SSH_AUTH_SOCK"); // the tester's own agent stays out
    form_.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteKnownHosts(c.KnownHosts);
        QProcess agent;
        if (c.Key == InAgent) {
            const QString socket = other.filePath("agent");
            agent.start("ssh-agent", {"-D", "-a", socket});
            ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000));
            qputenv("SSH_AUTH_SOCK", QFile::encodeName(socket));
            ASSERT_EQ(QProcess::execute("ssh-add", {"-q", keyPath}), 0);
            QFile::remove(keyPath);
        }
        if (c.Key == Stranger) {
            ASSERT_FALSE(MakeSshKey(keyPath).isEmpty());
        }
        if (c.Key == NoKey)
            QFile::remove(keyPath);
        ScriptedPrompts prompts;
        if (c.Answer != QMessageBox::NoButton)
            prompts.AnswerButton(c.Answer);
        if (!c.Connected)
            prompts.AnswerButton(QMessageBox::Ok);
        Connect(sshd.Host(), true, kSftp, SshTestServer::UserName(), c.Password);
        EXPECT_EQ(form_.Session().Connected(), c.Connected) << Log().toStdString();
        EXPECT_TRUE(Log().contains(c.Logged)) << Log().toStdString();
        if (c.Answer != QMessageBox::NoButton) {
            ASSERT_FALSE(prompts.Records().isEmpty());
            const QString question = prompts.Records()[0].Text;
            for (const QString& part : {QString(name), QString("ssh-ed25519"), sshd.Fingerprint()})
                EXPECT_TRUE(question.contains(part)) << question.toStdString();
        }
        EXPECT_EQ(prompts.Records().size(), int(c.Answer != QMessageBox::NoButton) + !c.Connected);
        EXPECT_EQ(ReadFile(KnownHostsPath()).trimmed(),
                  c.KnownAfter.isEmpty() ? QByteArray("<missing>") : c.KnownAfter);
        if (c.Connected)
            form_.MIDisconnectClick();
        form_.RichEdit->clear();
        qunsetenv("SSH_AUTH_SOCK");
        agent.kill();
        agent.waitForFinished();
    }
}

// Opened for the first time on a small screen, the window fits on it: nothing off its edges.
TEST(FtpClientWindow, FirstOpenedFitsTheScreen) {
    TFormFTPClient form;
    form.show();
    const QRect screen = form.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form.frameGeometry()))
        << form.frameGeometry().width() << "x" << form.frameGeometry().height() << " on "
        << screen.width() << "x" << screen.height();
}
} // namespace
