// "Open FTP Client..." of the main window, through to an upload to a real FTP server.
#include "app/TFormGlyphon.h"

#include "../net/DialogDriver.h"
#include "../net/FtpTestServer.h"
#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "net/TFormFTPClient.h"
#include "net/TFormFTPSite.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FtpCommands, TheClientWindowOpensModallyPublishesAndClosesOnlyWhenDisconnected) {
    QTemporaryDir local, remote;
    QDir::setCurrent(local.path());
    QFile page(local.filePath("index.htm"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<p>hello</p>");
    page.close();
    FtpTestServer server(remote.path());
    ASSERT_TRUE(server.Started());
    SetCommandLineArgs({"glyphon"});
    TFormGlyphon form;
    form.show();
    ASSERT_TRUE(form.MIOpenFTPClient->isEnabled());

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    TFormFTPClient& client = form.FormFTPClient();
    TFormFTPSite* site = client.SiteDialog();
    // Shown, and its local pane filled (the refresh lets events through before it lists).
    WhenTrue(
        [&] {
            return client.isVisible() &&
                   !client.ListView1->findItems("index.htm", Qt::MatchExactly).isEmpty();
        },
        [&] {
            EXPECT_EQ(client.windowTitle(), "Velmaris Glyphon [FTP Client]");
            EXPECT_EQ(client.ComboBox1->currentText(), QDir::currentPath());
            WhenTrue([&] { return site->isVisible(); },
                     [&] {
                         site->EditHostName->setText(server.Host());
                         site->EditUsername->setEditText("user");
                         site->EditPassword->setText("secret");
                         site->ButtonConnect->click();
                     });
            client.MIConnectClick();
            client.ListView1->findItems("index.htm", Qt::MatchExactly)[0]->setSelected(true);
            client.ButtonPutClick();
            client.close(); // refused: still connected
            EXPECT_TRUE(client.isVisible());
            client.MIDisconnectClick();
            client.close();
        });
    form.ClickMenuItem(form.MIOpenFTPClient);
    EXPECT_FALSE(client.isVisible());
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Please disconnect before closing this application.");
    QFile uploaded(remote.filePath("index.htm"));
    ASSERT_TRUE(uploaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(uploaded.readAll(), "<p>hello</p>");
}
} // namespace
