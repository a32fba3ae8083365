// "Publish" of the File menu, through the main window, to the real FTP test server.
#include "app/TFormGlyphon.h"

#include "../net/DialogDriver.h"
#include "../net/FtpTestServer.h"
#include "common/AppHelpers.h"
#include "common/SettingsIni.h"
#include "net/TFormFTPClient.h"
#include "net/TFormFTPSite.h"
#include "support/MainWindowStart.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Type(TFormGlyphon& form, const QString& text) {
    for (const QChar c : text)
        form.GlyphEdit.RunCommand(ecChar, c);
}

void SaveSite(const QString& name, const FtpTestServer& server, const QString& remotePath) {
    TIniFile sites(SitesFilePath());
    sites.WriteString(name, "HostName", server.Host());
    sites.WriteString(name, "UserName", "user");
    sites.WriteString(name, "Password", "secret");
    sites.WriteString(name, "RemotePath", remotePath);
    sites.WriteBool(name, "Passive", true);
}

// Chooses the saved site Name in the site dialog once it shows, and connects.
void ChooseSiteWhenAsked(const QString& name) {
    WhenShown<TFormFTPSite>([name](TFormFTPSite* dialog) {
        dialog->CBSiteName->setEditText(name);
        dialog->ButtonConnect->click();
    });
}

// Counts the site dialogs shown while it lives, and cancels them.
class SiteDialogWatch {
public:
    SiteDialogWatch() {
        timer_.callOnTimeout([this] {
            if (TFormFTPSite* dialog = VisibleWindow<TFormFTPSite>()) {
                ++shown_;
                dialog->reject();
            }
        });
        timer_.start(5);
    }
    int Shown() const { return shown_; }

private:
    QTimer timer_;
    int shown_ = 0;
};

QString StatusText(const TFormGlyphon& form) {
    return StatusPanel(form.StatusBar, 0)->text();
}

TEST(PublishCommands, TheFirstPublishAsksWhereAndLaterOnesSendTheSavedTextThere) {
    QTemporaryDir local, remote;
    ASSERT_TRUE(QDir(remote.path()).mkdir("www"));
    FtpTestServer server(remote.path());
    ASSERT_TRUE(server.Started());
    SaveSite("Test", server, "/www");
    auto form = StartMainWindow();
    EXPECT_TRUE(form->MIPublish->isEnabled());

    // Untitled: saved first through Save As, then the site dialog asks where to.
    Type(*form, "<p>one</p>");
    const QString page = local.filePath("page.htm");
    const QString published = remote.filePath("www/page.htm");
    {
        ScriptedPrompts prompts;
        prompts.AnswerFile(page);
        ChooseSiteWhenAsked("Test");
        form->ClickMenuItem(form->MIPublish);
    }
    EXPECT_EQ(ReadBytes(published), ReadBytes(page));
    EXPECT_TRUE(ReadBytes(page).startsWith("<p>one</p>"));
    const QString done = "Published \"page.htm\" to Test /www";
    EXPECT_EQ(StatusText(*form), done);
    EXPECT_TRUE(form->FormFTPClient().RichEdit->toPlainText().contains(done));

    // Later: no site question; the answer to the save question decides what goes.
    struct Case {
        QMessageBox::StandardButton Answer;
        QByteArray Expected; // on the server afterwards
        bool StillModified;
    };
    const Case cases[] = {
        {QMessageBox::Cancel, ReadBytes(page), true},      // nothing published
        {QMessageBox::No, ReadBytes(page), true},          // the version last saved
        {QMessageBox::Yes, "<p>one</p> three two", false}, // saved, then sent
    };
    Type(*form, " two");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Answer);
        QFile::remove(published);
        if (c.Answer == QMessageBox::Yes)
            form->GlyphEdit.SetText("<p>one</p> three two");
        SiteDialogWatch watch;
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.Answer);
        form->ClickMenuItem(form->MIPublish);
        EXPECT_EQ(watch.Shown(), 0);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Text,
                  QString("The file \"%1\" has been changed.\r\rDo you want to save the changes "
                          "before publishing it?")
                      .arg(page));
        EXPECT_EQ(form->GlyphEdit.Modified(), c.StillModified);
        if (c.Answer == QMessageBox::Cancel)
            EXPECT_EQ(ReadBytes(published), "<missing>");
        else
            EXPECT_TRUE(ReadBytes(published).startsWith(c.Expected));
    }
    EXPECT_EQ(ReadBytes(published), ReadBytes(page));
}

TEST(PublishCommands, AFailedUploadIsShownAsAnErrorAndNotRemembered) {
    QTemporaryDir local, remote;
    ASSERT_TRUE(QDir(remote.path()).mkdir("www"));
    FtpTestServer truncating(remote.path(), {"--truncate-uploads", "3"});
    FtpTestServer plain(remote.path());
    ASSERT_TRUE(truncating.Started() && plain.Started());
    SaveSite("Short", truncating, "/www");
    SaveSite("Nowhere", plain, "/missing");
    struct Case {
        QString Site;
        QString Failure;
    };
    const Case cases[] = {
        {"Short", "ERROR! The server holds 3 of the 12 bytes sent"},
        {"Nowhere", "550"}, // the server's own reply: no such folder
    };
    auto form = StartMainWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Site.toStdString());
        const QString page = local.filePath(c.Site + ".htm");
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<p>page</p>\n");
        file.close();
        form->OpenDocument(page, false);
        {
            ScriptedPrompts prompts;
            prompts.AnswerButton(QMessageBox::Ok);
            ChooseSiteWhenAsked(c.Site);
            form->ClickMenuItem(form->MIPublish);
            ASSERT_EQ(prompts.Records().size(), 1);
            const QString shown = prompts.Records()[0].Text;
            EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Critical);
            EXPECT_TRUE(shown.startsWith(QString("\"%1.htm\" was not published: ").arg(c.Site)));
            EXPECT_TRUE(shown.contains(c.Failure)) << shown.toStdString();
            EXPECT_EQ(StatusText(*form), shown);
            EXPECT_FALSE(StatusText(*form).startsWith("Published"));
            EXPECT_TRUE(form->FormFTPClient().RichEdit->toPlainText().contains(shown));
        }
        // Not remembered: the next Publish asks again.
        SiteDialogWatch watch;
        form->ClickMenuItem(form->MIPublish);
        EXPECT_EQ(watch.Shown(), 1);
    }
    EXPECT_FALSE(QFile::exists(remote.filePath("missing")));
}
} // namespace
