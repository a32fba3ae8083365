#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "common/TEmbeddedWB.h"
#include "net/TFormHelp.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ReferenceCommands, ShowTheShippedStartPageInTheHelpViewer) {
    const QString html = TestEnvironment::ProgramDir() + "/reference/html/index.html";
    QDir().mkpath(QFileInfo(html).absolutePath());
    QFile file(html);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<title>HTML</title>");
    file.close();
    const struct {
        const char* Name;
        QString Page; // empty: no page ships, nothing is shown
    } cases[] = {{"MIHTMLReference", html}, {"MICSSReference", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SetCommandLineArgs({"glyphon"});
        TFormGlyphon form;
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.FirstPaintDone(); }, 5000));
        QAction* item = form.findChild<QAction*>(c.Name);
        ASSERT_TRUE(item && item->isEnabled());
        form.ClickMenuItem(item);
        TFormHelp* help = TFormHelp::Instance();
        if (c.Page.isEmpty()) {
            EXPECT_TRUE(!help || !help->isVisible());
            continue;
        }
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->HomeFile, c.Page);
        EXPECT_EQ(help->WebBrowser->Location(), QUrl(TEmbeddedWB::LocalUrl(c.Page)));
    }
}

} // namespace
