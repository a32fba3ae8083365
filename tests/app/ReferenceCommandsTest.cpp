#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "common/TEmbeddedWB.h"
#include "net/TFormHelp.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
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

} // namespace
