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

void SaveSite(const QString& name, const FtpTestServer& server, const QString& remotePath) {
    TIniFile sites(SitesFilePath());
    sites.Batch([&] {
        for (const auto& [key, value] : {std::pair{"HostName", server.Host()},
                                         {"UserName", "user"},
                                         {"Password", "secret"},
                                         {"RemotePath", remotePath},
                                         {"Passive", "1"}})
            sites.WriteString(name, key, value);
    });
}

// Runs Publish; a site dialog that shows is answered with the saved site Site, or cancelled
// when Site is empty. The number of site dialogs shown.
int Publish(TFormGlyphon& form, const QString& site) {
    int asked = 0;
    QTimer watch;
    watch.callOnTimeout([&] {
        TFormFTPSite* dialog = VisibleWindow<TFormFTPSite>();
        if (!dialog)
            return;
        ++asked;
        dialog->CBSiteName->setEditText(site);
        site.isEmpty() ? dialog->reject() : dialog->ButtonConnect->click();
    });
    watch.start(5);
    form.ClickMenuItem(form.MIPublish);
    return asked;
}

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
    ASSERT_TRUE(form->MIPublish->isEnabled());

    // Untitled: saved through Save As first, then the site dialog asks where to.
    form->GlyphEdit.SetText("<p>one</p>");
    const QString page = local.filePath("page.htm"), published = remote.filePath("www/page.htm");
    ScriptedPrompts prompts;
    prompts.AnswerFile(page);
    EXPECT_EQ(Publish(*form, "Test"), 1);
    EXPECT_EQ(ReadBytes(published), ReadBytes(page));
    EXPECT_EQ(StatusText(*form), "Published \"page.htm\" to Test /www");
    EXPECT_TRUE(form->FormFTPClient().RichEdit->toPlainText().endsWith(StatusText(*form)));

    // Later, modified: no site dialog; the answer to the save question decides what goes.
    const QString question = "The file \"%1\" has been changed.\r\rDo you want to save the "
                             "changes before publishing it?";
    const struct {
        QMessageBox::StandardButton Answer;
        QByteArray Published; // on the server afterwards
    } cases[] = {{QMessageBox::Cancel, "<missing>"},
                 {QMessageBox::No, ReadBytes(page)}, // the version last saved
                 {QMessageBox::Yes, "<p>two</p>"}};
    form->GlyphEdit.SetText("<p>two</p>");
    form->GlyphEdit.SetModified(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Answer);
        QFile::remove(published);
        prompts.Clear();
        prompts.AnswerButton(c.Answer);
        EXPECT_EQ(Publish(*form, {}), 0);
        EXPECT_EQ(prompts.Records().value(0).Text, question.arg(page));
        EXPECT_TRUE(ReadBytes(published).startsWith(c.Published));
        EXPECT_EQ(form->GlyphEdit.Modified(), c.Answer != QMessageBox::Yes);
    }
}

TEST(PublishCommands, AFailedUploadIsShownAsAnErrorAndAskedForAgain) {
    QTemporaryDir local, remote;
    ASSERT_TRUE(QDir(remote.path()).mkdir("www"));
    FtpTestServer truncating(remote.path(), {"--truncate-uploads", "3"}), plain(remote.path());
    ASSERT_TRUE(truncating.Started() && plain.Started());
    SaveSite("Short", truncating, "/www");
    SaveSite("Nowhere", plain, "/missing");
    {
        FtpTestServer gone(remote.path());
        ASSERT_TRUE(gone.Started());
        SaveSite("Closed", gone, "/www");
    }
    const struct {
        QString Site, Failure;
    } cases[] = {{"Short", "ERROR! The server holds 3 of the 12 bytes sent"},
                 {"Nowhere", "550"}, // the server's reply: no such folder
                 {"Closed", "Unable to connect to FTP site (ERROR!"}};
    auto form = StartMainWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Site.toStdString());
        const QString page = local.filePath(c.Site + ".htm");
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("<p>page</p>\n") == 12);
        file.close();
        form->OpenDocument(page, false);
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        EXPECT_EQ(Publish(*form, c.Site), 1);
        ASSERT_EQ(prompts.Records().size(), 1);
        const QString shown = prompts.Records()[0].Text;
        EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Critical);
        EXPECT_TRUE(shown.startsWith(QString("\"%1.htm\" was not published: ").arg(c.Site)));
        EXPECT_TRUE(shown.contains(c.Failure)) << shown.toStdString();
        EXPECT_EQ(StatusText(*form), shown);
        EXPECT_TRUE(form->FormFTPClient().RichEdit->toPlainText().contains(shown));
        EXPECT_EQ(Publish(*form, {}), 1); // not remembered
    }
}
} // namespace
