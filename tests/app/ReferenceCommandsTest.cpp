#include "app/TFormGlyphon.h"
#include "tests/support/WaitFor.h"

#include "common/CommandLine.h"
#include "common/TEmbeddedWB.h"
#include "net/TFormHelp.h"
#include "support/BrowserScript.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ReferenceCommands, ShowTheShippedStartPageElseTheInstalledComponent) {
    const QString html = TestEnvironment::ProgramDir() + "/reference/html/index.html";
    QDir().mkpath(QFileInfo(html).absolutePath());
    QFile file(html);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<title>HTML</title>");
    file.close();
    // The updater's record of an installed CSS reference, in place of the machine's settings.
    QTemporaryDir machine;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machine.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine.path());
    const QString installed = machine.filePath("css/index.html");
    QDir().mkpath(machine.filePath("css"));
    QFile(installed).open(QIODevice::WriteOnly);
    const struct {
        const char* Name;
        QString Component; // the installed copy the updater records, if any
        QString Shown;     // empty: nothing ships or is installed, nothing is shown
    } cases[] = {{"MIHTMLReference", {}, html},
                 {"MICSSReference", {}, {}},
                 {"MICSSReference", installed, installed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QSettings(machine.path() + "/Velmaris/Renuvex.conf", QSettings::IniFormat)
            .setValue("Components/WDG CSS Reference/PATH", c.Component);
        SetCommandLineArgs({"glyphon"});
        TFormGlyphon form;
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.FirstPaintDone(); }, 5000));
        QAction* item = form.findChild<QAction*>(c.Name);
        ASSERT_TRUE(item && item->isEnabled());
        form.ClickMenuItem(item);
        TFormHelp* help = TFormHelp::Instance();
        if (c.Shown.isEmpty()) {
            EXPECT_TRUE(!help || !help->isVisible());
            continue;
        }
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->HomeFile, c.Shown);
        EXPECT_EQ(help->WebBrowser->Location(), QUrl(TEmbeddedWB::LocalUrl(c.Shown)));
    }
}

// The shipped pages as the help viewer shows them: each with the style sheet of the folder above
// it, and a link from one reference to the other followed.
TEST(ReferenceCommands, TheShippedPagesShowWithTheirStyleSheetAndFollowTheirLinks) {
    const QString shipped = QStringLiteral(GLYPHON_NET_TESTS_DIR "/../../data/reference");
    QDirIterator files(shipped, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString target = TestEnvironment::ProgramDir() + "/reference/" +
                               QDir(shipped).relativeFilePath(files.next());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(files.filePath(), target));
    }
    SetCommandLineArgs({"glyphon"});
    TFormGlyphon form;
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.FirstPaintDone(); }, 5000));
    form.ClickMenuItem(form.findChild<QAction*>("MIHTMLReference"));
    TFormHelp* help = TFormHelp::Instance();
    ASSERT_NE(help, nullptr);
    const QString styled = "getComputedStyle(document.body).marginLeft == '32px'";
    ASSERT_SOON_EQ(help->windowTitle(), "Velmaris Glyphon - [HTML 4.01 reference]", 30000);
    ASSERT_SOON(PageReports(*help->WebBrowser, styled), 30000);
    help->WebBrowser->EvaluateScript(
        "document.querySelector('a[href=\"../css/index.html\"]').click()", {});
    ASSERT_SOON_EQ(help->windowTitle(), "Velmaris Glyphon - [CSS 2.1 reference]", 30000);
    ASSERT_SOON(PageReports(*help->WebBrowser, styled), 30000);
}

} // namespace
