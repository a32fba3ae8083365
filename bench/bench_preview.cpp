// Quick preview: the preprocessor's throughput on a 10 MB text with 100 definitions, and the time
// from the Quick Preview command to the loaded page for a 1 MB page, the first time (the web
// engine starts then) and after, taking turns with the peer: the same bytes loaded from a file://
// address into a bare QWebEngineView of the same size, which is the engine's own cost of the page.
// Each runs on two pages: the sections with a small table each (arg 0), and a more usual page of
// headings, paragraphs, lists and a few tables (arg 1). Runs with every per-user folder in a
// temporary folder; the browser needs a display (xvfb-run -a) or QT_QPA_PLATFORM=offscreen.

#include "app/PreprocessText.h"
#include "app/TFormGlyphon.h"
#include "bench/BenchMedian.h"
#include "common/CommandLine.h"
#include "common/HtmlPreview.h"
#include "common/Paths.h"
#include "common/TEmbeddedWB.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Definitions = 100;
constexpr qsizetype PreprocessBytes = 10 * 1024 * 1024;
constexpr qsizetype PageBytes = 1024 * 1024;

// 100 definitions, then ordinary markup lines that use some of them and the date macros.
QString MacroText() {
    QString text;
    for (int i = 0; i < Definitions; ++i)
        text += QStringLiteral("#define NAME%1 value number %1\n").arg(i);
    int line = 0;
    while (text.size() < PreprocessBytes) {
        text += QStringLiteral("<p class=\"c%1\">Line %1 with NAME%2 and $Date$, then some plain "
                               "words of a page about nothing much.</p>\n")
                    .arg(line)
                    .arg(line % Definitions);
        ++line;
    }
    return text;
}

QString TablesPage() {
    QString text = QStringLiteral("<html><head><title>Big</title></head><body>\n");
    int row = 0;
    while (text.size() < PageBytes) {
        text += QStringLiteral("<h2>Section %1</h2><p>Some <b>bold</b> and <i>italic</i> text in "
                               "paragraph %1, with a <a href=\"#s%1\">link</a>.</p>\n"
                               "<table border=1><tr><td>%1</td><td>cell</td></tr></table>\n")
                    .arg(row++);
    }
    return text + QStringLiteral("</body></html>\n");
}

// Headings, paragraphs of running text, lists, and a table now and then.
QString UsualPage() {
    QString text = QStringLiteral("<!DOCTYPE html>\n<html><head><title>Big</title></head><body>\n");
    const QString words = QStringLiteral(
        "The quick preview shows a page as the browser would, with its <b>bold</b>, "
        "<i>italic</i> and <a href=\"#top\">linked</a> words, wrapped to the width of the pane. ");
    int section = 0;
    while (text.size() < PageBytes) {
        text += QStringLiteral("<h2 id=\"s%1\">Section %1</h2>\n").arg(section);
        for (int p = 0; p < 3; ++p)
            text += "<p>" + words + words + words + "</p>\n";
        text += QStringLiteral("<ul><li>First point</li><li>Second point</li>"
                               "<li>Third point of section %1</li></ul>\n")
                    .arg(section);
        if (section % 20 == 0) {
            text += QStringLiteral("<table border=1>");
            for (int r = 0; r < 10; ++r)
                text += QStringLiteral("<tr><td>%1</td><td>row</td><td>cell</td></tr>").arg(r);
            text += QStringLiteral("</table>\n");
        }
        ++section;
    }
    return text + QStringLiteral("</body></html>\n");
}

QString Page(int64_t kind) {
    return kind == 0 ? TablesPage() : UsualPage();
}

void BM_PreprocessText(benchmark::State& state) {
    const QString text = MacroText();
    for (auto _ : state)
        benchmark::DoNotOptimize(PreprocessText(text, QStringLiteral("/tmp/page.htm")));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_PreprocessText)->Unit(benchmark::kMillisecond);

// Our own share of a quick preview of the 1 MB page: preprocessing, the BASE wrapper and the
// preview file, with the browser not yet started.
void BM_PreviewFile1MB(benchmark::State& state) {
    const QString text = Page(state.range(0));
    TEmbeddedWB browser;
    for (auto _ : state)
        ShowHtmlPreview(browser, PreprocessText(text, QStringLiteral("/tmp/page.htm")),
                        QStringLiteral("/tmp/page.htm"));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_PreviewFile1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The processor time, in seconds, used so far by each of this process's descendants that are
// still running (the web engine's helper processes): under load a preview waits for the
// processor, and this is the work it asks of it.
QHash<int, double> EngineProcessSeconds() {
    QHash<int, int> parents;
    QHash<int, double> seconds;
    const double tick = double(sysconf(_SC_CLK_TCK));
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        QFile stat("/proc/" + entry + "/stat");
        if (!isPid || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            continue;
        parents.insert(pid, fields[1].toInt());
        seconds.insert(pid, (fields[11].toDouble() + fields[12].toDouble()) / tick);
    }
    QHash<int, double> descendants;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        for (int p = it.value(); p > 1; p = parents.value(p, 0)) {
            if (p == getpid()) {
                descendants.insert(it.key(), seconds.value(it.key()));
                break;
            }
        }
    }
    return descendants;
}

// The processor time the helper processes running now used since Before (one that ended
// meanwhile, such as the renderer of a closed view, is left out rather than subtracted).
double EngineSecondsSince(const QHash<int, double>& before) {
    double total = 0;
    const QHash<int, double> now = EngineProcessSeconds();
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        total += it.value() - before.value(it.key(), 0);
    return total;
}

// The processor time, in seconds, of this process (all its threads, the engine's own among them).
double OwnProcessSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Sets the counters of the processor time per iteration used since Engine and Own.
void CountProcessorTime(benchmark::State& state, const QHash<int, double>& engine, double own) {
    state.counters["engine_cpu_s"] =
        benchmark::Counter(EngineSecondsSince(engine), benchmark::Counter::kAvgIterations);
    state.counters["own_cpu_s"] =
        benchmark::Counter(OwnProcessSeconds() - own, benchmark::Counter::kAvgIterations);
}

// Waits until the engine's processes have been idle for a moment, at most a few seconds: a
// renderer still freeing the page before would otherwise be timed with the next load.
void WaitForIdleEngine() {
    QElapsedTimer timer;
    timer.start();
    QHash<int, double> before = EngineProcessSeconds();
    while (timer.elapsed() < 5000) {
        QEventLoop pause;
        QTimer::singleShot(250, &pause, &QEventLoop::quit);
        pause.exec();
        if (EngineSecondsSince(before) < 0.02)
            return;
        before = EngineProcessSeconds();
    }
}

// Runs the Quick Preview command and waits for the browser's top-level document. Command gets
// the time the command itself took (preprocessing, writing the file, asking for the page).
double QuickPreviewSeconds(TFormGlyphon& form, double* command = nullptr) {
    QEventLoop loop;
    const auto done =
        QObject::connect(form.EmbeddedWB, &TEmbeddedWB::DocumentComplete, &loop, [&](bool top) {
            if (top)
                loop.quit();
        });
    QTimer::singleShot(60000, &loop, [&] { loop.exit(1); });
    QElapsedTimer timer;
    timer.start();
    form.ClickMenuItem(form.MIQuickPreview);
    if (command)
        *command += double(timer.nsecsElapsed()) * 1e-9;
    const int failed = loop.exec();
    const double seconds = double(timer.nsecsElapsed()) * 1e-9;
    QObject::disconnect(done);
    return failed ? -1 : seconds;
}

// Loads Url into View and waits for the load to finish.
double LoadSeconds(QWebEngineView& view, const QUrl& url) {
    QEventLoop loop;
    const auto done = QObject::connect(&view, &QWebEngineView::loadFinished, &loop,
                                       [&](bool ok) { loop.exit(ok ? 0 : 2); });
    QTimer::singleShot(60000, &loop, [&] { loop.exit(1); });
    QElapsedTimer timer;
    timer.start();
    view.load(url);
    const int failed = loop.exec();
    const double seconds = double(timer.nsecsElapsed()) * 1e-9;
    QObject::disconnect(done);
    return failed ? -1 : seconds;
}

// Each iteration runs the Quick Preview command, then loads the same bytes into the peer: a bare
// QWebEngineView of the preview browser's size, from a file:// address, which is the engine's own
// cost of the page. The machine's speed drifts from minute to minute, so the two sides take turns
// and the ratio is the median of each pair's ratio. Before each load the engine is let settle, as
// it does while the user types, so that neither side is timed with the other's clean-up. The
// processor counters are for both sides.
void BM_QuickPreview1MB(benchmark::State& state) {
    SetCommandLineArgs({QStringLiteral("glyphon")});
    TFormGlyphon form;
    form.resize(1000, 800);
    form.show();
    QEventLoop paint;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &paint, [&] {
        if (form.FirstPaintDone() && !form.DocumentFileName.isEmpty())
            paint.quit();
    });
    poll.start(5);
    paint.exec();
    form.GlyphEdit.SetText(Page(state.range(0)));
    state.counters["first_s"] = QuickPreviewSeconds(form);

    QTemporaryDir dir;
    const QString peerFile = dir.filePath("Temp1.html");
    if (!QFile::copy(PreviewFilePath(1), peerFile)) {
        state.SkipWithError("the preview file could not be copied for the peer");
        return;
    }
    QWebEngineView peer;
    peer.resize(form.EmbeddedWB->size());
    peer.show();
    const QUrl peerUrl = QUrl::fromLocalFile(peerFile);
    state.counters["peer_first_s"] = LoadSeconds(peer, peerUrl);

    const QHash<int, double> engineBefore = EngineProcessSeconds();
    const double ownBefore = OwnProcessSeconds();
    double command = 0;
    std::vector<double> times, peerTimes, ratios;
    for (auto _ : state) {
        WaitForIdleEngine();
        const double seconds = QuickPreviewSeconds(form, &command);
        WaitForIdleEngine();
        const double peerSeconds = seconds < 0 ? -1 : LoadSeconds(peer, peerUrl);
        if (seconds < 0 || peerSeconds < 0) {
            state.SkipWithError("a page did not load within 60 s");
            break;
        }
        state.SetIterationTime(seconds);
        times.push_back(seconds);
        peerTimes.push_back(peerSeconds);
        ratios.push_back(seconds / peerSeconds);
    }
    CountProcessorTime(state, engineBefore, ownBefore);
    state.counters["median_s"] = Median(times);
    state.counters["peer_median_s"] = Median(peerTimes);
    state.counters["ratio"] = Median(ratios);
    state.counters["command_s"] = benchmark::Counter(command, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_QuickPreview1MB)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    // Settings, preview files and caches go to a folder of the run's own.
    QTemporaryDir home;
    for (const auto& [name, sub] : {std::pair{"HOME", ""},
                                    {"XDG_CONFIG_HOME", "/config"},
                                    {"XDG_CACHE_HOME", "/cache"},
                                    {"XDG_DATA_HOME", "/data"},
                                    {"XDG_STATE_HOME", "/state"}}) {
        QDir().mkpath(home.path() + sub);
        setenv(name, qPrintable(home.path() + sub), 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
