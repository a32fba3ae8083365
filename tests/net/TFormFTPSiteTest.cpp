// The site dialog and its database "Sites.ini".
#include "net/TFormFTPSite.h"

#include "DialogDriver.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

class FtpSiteTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(SitesFilePath()); }

    static QString FileText() {
        QFile file(SitesFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static void Fill(TFormFTPSite& d, const QString& host, const QString& user,
                     const QString& password) {
        d.EditHostName->setText(host);
        d.EditUsername->setEditText(user);
        d.EditPassword->setText(password);
        d.EditRemote->setText("/www");
        d.EditLocal->setText("/home/me/site");
    }
};

TEST_F(FtpSiteTest, EachProtocolIsKeptByItsNameAndComesBackWithTheSite) {
    const std::tuple<int, QString, TFtpProtocol> cases[] = {
        {0, "FTP", TFtpProtocol::Ftp},
        {1, "FTPS", TFtpProtocol::FtpsExplicit},
        {2, "SFTP", TFtpProtocol::Sftp},
    };
    for (const auto& [index, key, protocol] : cases) {
        SCOPED_TRACE(key.toStdString());
        {
            TFormFTPSite d;
            d.CBSiteName->setEditText(key);
            Fill(d, "example.org", "me", "pw");
            d.CBProtocol->setCurrentIndex(index);
            EXPECT_EQ(d.CBPassive->isEnabled(), protocol != TFtpProtocol::Sftp);
            d.ButtonSave->click();
        }
        EXPECT_TRUE(FileText().contains("Protocol=" + key + "\n"));
        TFormFTPSite d;
        d.CBSiteName->setEditText(key);
        d.ButtonConnect->click();
        EXPECT_EQ(d.SiteServer().Protocol, protocol);
        EXPECT_EQ(d.SiteServer().Port, 0); // the protocol's own: 21, or 22 for SFTP
        d.CBSiteName->setEditText({});     // the name the dialog remembers, for the next test
    }
}

TEST_F(FtpSiteTest, SaveLoadsByTypedNameOverwritesOnlyItsKeysAndKeepsTheFilePrivate) {
    {
        TFormFTPSite d;
        EXPECT_FALSE(d.ButtonSave->isEnabled());
        d.CBSiteName->setEditText("   ");
        EXPECT_FALSE(d.ButtonSave->isEnabled());
        d.CBSiteName->setEditText("Home");
        Fill(d, "ftp.example.org", "me", "pw 1");
        EXPECT_TRUE(d.ButtonSave->isEnabled());
        EXPECT_FALSE(d.ButtonRemove->isEnabled());
        d.ButtonSave->click();
        EXPECT_TRUE(d.ButtonRemove->isEnabled());
        // A new name keeps the details on screen and saves them anew.
        d.CBSiteName->setEditText("Work");
        d.EditPassword->setText("pw 2");
        d.ButtonSave->click();
        EXPECT_EQ(d.CBSiteName->count(), 2);
    }
    EXPECT_EQ(QFile::permissions(SitesFilePath()),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
    // A key of someone else's in the section survives a save.
    QFile file(SitesFilePath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("\n[Home]\nComment=kept\n");
    file.close();

    TFormFTPSite d;
    EXPECT_EQ(d.CBSiteName->currentText(), "Work"); // remembered from the last close
    d.EditHostName->clear();
    d.CBSiteName->setEditText("home"); // typed, in another case
    EXPECT_EQ(d.EditHostName->text(), "ftp.example.org");
    EXPECT_EQ(d.EditPassword->text(), "pw 1");
    EXPECT_EQ(d.EditPassword->echoMode(), QLineEdit::Password);
    d.CBShowPassword->setChecked(true);
    EXPECT_EQ(d.EditPassword->echoMode(), QLineEdit::Normal);
    d.EditHostName->setText("ftp2.example.org");
    d.ButtonSave->click();
    EXPECT_TRUE(FileText().contains("Comment=kept"));
    EXPECT_TRUE(FileText().contains("HostName=ftp2.example.org"));
    EXPECT_EQ(QFile::permissions(SitesFilePath()) & 0x0FFF,
              QFileDevice::ReadUser | QFileDevice::WriteUser);
}

TEST_F(FtpSiteTest, SitesAreListedInFileOrderUnderTheNamesTyped) {
    const QStringList names = {"Zeta", "clients/acme", "My Site"};
    {
        TFormFTPSite d;
        for (const QString& name : names) {
            d.CBSiteName->setEditText(name);
            Fill(d, name + ".example.org", "me", "pw");
            d.ButtonSave->click();
        }
    }
    TFormFTPSite d;
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(d.CBSiteName->itemText(i), names[i]);
    d.CBSiteName->setEditText("clients/acme");
    EXPECT_EQ(d.EditHostName->text(), "clients/acme.example.org");
    EXPECT_TRUE(FileText().startsWith("[Zeta]\nHostName=Zeta.example.org\nUserName=me\n"));
    d.CBSiteName->setEditText({});
}

TEST_F(FtpSiteTest, EveryTextIsWholeAndTheNameBoxTakesTheRowsSpareWidth) {
    const QFont normal = QApplication::font();
    for (const double scale : {1.0, 1.5}) {
        SCOPED_TRACE(scale);
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * scale);
        QApplication::setFont(font);
        TFormFTPSite d;
        QStringList cut;
        WhenTrue(
            [&] { return d.isVisible(); },
            [&] {
                QCoreApplication::processEvents(); // the fitting to the screen
                EXPECT_GT(d.CBSiteName->width(), d.ButtonSave->width() + d.ButtonRemove->width());
                for (QLabel* label : d.findChildren<QLabel*>()) {
                    if (!label->isVisible())
                        continue;
                    const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                                         : label->sizeHint().height();
                    if (label->height() < needed ||
                        (!label->wordWrap() && label->width() < label->sizeHint().width()))
                        cut << label->text();
                }
                EXPECT_TRUE(d.geometry().bottom() <= d.screen()->availableGeometry().bottom());
                d.reject();
            });
        d.ExecuteSiteDialog();
        EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
    }
    QApplication::setFont(normal);
}

TEST_F(FtpSiteTest, RemoveAsksFirstAndConnectNeedsAHost) {
    TFormFTPSite d;
    d.CBSiteName->setEditText("Gone");
    Fill(d, "host", "", "");
    d.ButtonSave->click();
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::No);
    prompts.AnswerButton(QMessageBox::Yes);
    d.ButtonRemove->click();
    EXPECT_EQ(d.CBSiteName->count(), 1);
    d.ButtonRemove->click();
    EXPECT_EQ(prompts.Records()[0].Text, "Delete \"Gone\" from your FTP site database?");
    EXPECT_EQ(d.CBSiteName->count(), 0);
    EXPECT_EQ(d.CBSiteName->currentText(), "");
    EXPECT_FALSE(d.ButtonSave->isEnabled() || d.ButtonRemove->isEnabled());
    EXPECT_EQ(d.EditHostName->text(), "host");

    for (const QString& host : {QString(""), QString("  "), QString("h")}) {
        d.EditHostName->setText(host);
        EXPECT_EQ(d.ButtonConnect->isEnabled(), host == "h");
    }
    // Typed details connect without a name; "host:port" names the port.
    d.EditHostName->setText("127.0.0.1:2121");
    WhenTrue([&] { return d.isVisible(); }, [&] { d.ButtonConnect->click(); });
    ASSERT_TRUE(d.ExecuteSiteDialog());
    EXPECT_EQ(d.SiteServer().HostName, "127.0.0.1");
    EXPECT_EQ(d.SiteServer().Port, 2121);
    EXPECT_TRUE(d.SiteServer().Passive); // new sites: passive
}

TEST_F(FtpSiteTest, SitesSavedBeforeTheModeBoxKeepActiveConnections) {
    QFile file(SitesFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Old]\nHostName=old.example.org\nPassword=plain\n");
    file.close();
    TFormFTPSite d;
    d.CBSiteName->setEditText("Old");
    EXPECT_FALSE(d.CBPassive->isChecked());
    EXPECT_EQ(d.EditPassword->text(), "plain");
}
} // namespace
