#include "app/TFormCheckLinks.h"
#include "app/TFormGlyphon.h"
#include "app/TResultsPane.h"

#include "common/CommandLine.h"
#include "net/HttpTestServer.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void Write(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// Each reason the checker gives, over a real folder with a FIFO, a link loop and a page too
// large to read, and remote addresses on real servers of 127.0.0.1: one that answers 404, one
// that redirects, one that redirects past the limit, one that never answers. The check runs as
// the user starts it, from the menu through its dialog; a row opens its page at the link.
TEST(LinkCheck, EachBrokenLinkIsListedWithItsPlaceAndReason) {
    QTemporaryDir dir;
    const QString site = QDir(dir.path()).canonicalPath() + "/site";
    HttpTestServer server(site);
    ASSERT_TRUE(server.Started());
    QTcpServer silent; // takes connections and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString remote = server.Url("").chopped(1);
    const QString loop = remote + "/" + QString("redirect/").repeated(12) + "about.html";
    const QString quiet = QString("http://127.0.0.1:%1/page.html").arg(silent.serverPort());
    const QString index =
        "<link rel=stylesheet href=\"css/site.css\"><p id=local>x</p>\n"
        "<a href=\"about.html\">a</a> <a href=\"About.html\">b</a>\n"
        "<img src=\"img/nothere.png\">\n"
        "<a href=\"about.html#team\">t</a> <a href=\"about.html#nobody\">n</a>\n"
        "<a href=\"../../etc/passwd\">up</a> <a href=\"/img/logo.png\">root</a>\n"
        "<img srcset=\"img/logo.png 1x, img/gone.png 2x\">\n"
        "<form action=\"cgi/send.php\"></form>\n"
        "<a href=\"#local\">l</a> <a href=\"#elsewhere\">e</a>\n"
        "<script>var s = '<a href=\"nothing.html\">';</script>\n"
        "<a href=\"mailto:x@example.com\">m</a> <a href=\"" +
        remote + "/missing.html\">404</a>\n<a href=\"" + remote +
        "/redirect/about.html\">r</a>\n<a href=\"" + loop + "\">loop</a>\n<a href=\"" + quiet +
        "\">silent</a>\n<div style=\"background: url('img/bg.png')\">s</div>\n"
        "<a href=\"file:///etc/passwd\">f</a> <a href=\"loop/loop/about.html\">l</a>\n";
    const QString about = "<h2 id=team>Team</h2><base href=\"sub/\">\n"
                          "<a href=\"deep.html\">d</a> <a href=\"nope.html\">n</a>\n";
    const QString css = "body { background: url(../img/logo.png) }\n"
                        "h1 { background: url(\"missing.png\") }\n";
    Write(site + "/index.html", index);
    Write(site + "/about.html", about);
    Write(site + "/css/site.css", css);
    Write(site + "/img/logo.png", "png");
    Write(site + "/sub/deep.html", "<p>deep</p>");
    ASSERT_EQ(::mkfifo(QFile::encodeName(site + "/pipe.html").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(site, site + "/loop"));
    QFile big(site + "/big.html");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(65ll << 20));
    big.close();

    const QMap<QString, QString> pages = {
        {"index.html", index}, {"about.html", about}, {"css/site.css", css}};
    const struct {
        const char* Page;
        QString Link;
        QString Reason;
    } expected[] = {
        {"index.html", "About.html", "Only \"about.html\" exists (letter case differs)"},
        {"index.html", "img/nothere.png", "Missing target \"img/nothere.png\""},
        {"index.html", "about.html#nobody", "No id or name \"nobody\" in \"about.html\""},
        {"index.html", "../../etc/passwd", "Leads out of the checked folder"},
        {"index.html", "img/gone.png", "Missing target \"img/gone.png\""},
        {"index.html", "cgi/send.php", "Missing target \"cgi/send.php\""},
        {"index.html", "#elsewhere", "No id or name \"elsewhere\" in \"index.html\""},
        {"index.html", remote + "/missing.html", "HTTP 404"},
        {"index.html", remote + "/redirect/about.html", "Redirected to " + remote + "/about.html"},
        {"index.html", loop, "Redirected more than 10 times"},
        {"index.html", quiet, "No answer within 10 seconds"},
        {"index.html", "img/bg.png", "Missing target \"img/bg.png\""},
        {"index.html", "file:///etc/passwd",
         "Links to a file of this computer, which visitors of the site cannot reach"},
        {"about.html", "nope.html", "Missing target \"sub/nope.html\""},
        {"css/site.css", "missing.png", "Missing target \"css/missing.png\""},
        {"big.html", {}, "Not checked: larger than 64 MB"},
    };
    QStringList wanted;
    for (const auto& e : expected) {
        const QStringList lines = pages.value(e.Page).split(u'\n');
        int line = 0, column = 0;
        for (int y = 0; y < lines.size() && !e.Link.isEmpty() && line == 0; ++y) {
            for (const QString quote : {"\"", "'", "", " "}) {
                const qsizetype x = lines[y].indexOf(quote + e.Link + (quote == "" ? " " : quote));
                if (x >= 0 && line == 0) {
                    line = y + 1;
                    column = int(x + quote.size()) + 1;
                }
            }
        }
        wanted << QString("%1:%2:%3: %4")
                      .arg(e.Page)
                      .arg(line)
                      .arg(column)
                      .arg(e.Link.isEmpty() ? e.Reason : e.Link + "  \u2014  " + e.Reason);
    }

    SetCommandLineArgs({"glyphon", site + "/index.html"});
    TFormGlyphon form;
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.DocumentFileName == site + "/index.html"; }));
    ScriptedPrompts prompts;
    prompts.AnswerDialog([&](QDialog& dialog) {
        auto& check = dynamic_cast<TFormCheckLinks&>(dialog);
        EXPECT_EQ(check.EditFolder->text(), site); // the document's folder
        check.CBRemote->setChecked(true);
        return int(QDialog::Accepted);
    });
    form.ClickMenuItem(form.MICheckLinks);
    EXPECT_EQ(form.PageControl->currentWidget(), form.TSLinks);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.LinkResults->Busy(); }, 60000));

    QStringList listed;
    for (const QString page : {"index.html", "about.html", "css/site.css", "big.html"}) {
        for (const TResultRow& row : form.LinkResults->RowsOf(site + "/" + page))
            listed << QString("%1:%2:%3: %4").arg(page).arg(row.Line).arg(row.Column).arg(row.Text);
    }
    wanted.sort();
    listed.sort();
    EXPECT_EQ(listed.join(u'\n').toStdString(), wanted.join(u'\n').toStdString());
    EXPECT_EQ(form.LinkResults->RowsOf(site + "/pipe.html").size(), 1) << "named, never read";

    // A row opens its page at the link.
    emit form.LinkResults->RowActivated(site + "/about.html", 2, 33);
    EXPECT_EQ(form.DocumentFileName, site + "/about.html");
    EXPECT_EQ(form.GlyphEdit.CaretY(), 2);
    EXPECT_EQ(form.GlyphEdit.CaretX(), 33);
}

} // namespace
