// Quick preview: the preprocessor's throughput on a 10 MB text with 100 definitions, and the time
// from the Quick Preview command to the loaded page for a 1 MB page, the first time (the web
// engine starts then) and after. Runs with every per-user folder in a temporary folder; the
// browser needs a display (xvfb-run -a) or QT_QPA_PLATFORM=offscreen.

#include "app/PreprocessText.h"
#include "app/TFormGlyphon.h"
#include "common/CommandLine.h"
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
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <unistd.h>

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

QString Page() {
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

void BM_PreprocessText(benchmark::State& state) {
    const QString text = MacroText();
    for (auto _ : state)
        benchmark::DoNotOptimize(PreprocessText(text, QStringLiteral("/tmp/page.htm")));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_PreprocessText)->Unit(benchmark::kMillisecond);

// The processor time, in seconds, used so far by this process's descendants that are still
// running (the web engine's helper processes): under load a preview waits for the processor, and
// this is the work it asks of it.
double EngineProcessSeconds() {
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
    double total = 0;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        for (int p = it.value(); p > 1; p = parents.value(p, 0)) {
            if (p == getpid()) {
                total += seconds.value(it.key());
                break;
            }
        }
    }
    return total;
}

// Runs the Quick Preview command and waits for the browser's top-level document.
double QuickPreviewSeconds(TFormGlyphon& form) {
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
    const int failed = loop.exec();
    const double seconds = double(timer.nsecsElapsed()) * 1e-9;
    QObject::disconnect(done);
    return failed ? -1 : seconds;
}

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
    form.GlyphEdit.SetText(Page());
    state.counters["first_s"] = QuickPreviewSeconds(form);
    const double engineBefore = EngineProcessSeconds();
    for (auto _ : state) {
        const double seconds = QuickPreviewSeconds(form);
        if (seconds < 0) {
            state.SkipWithError("the page did not load within 60 s");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["engine_cpu_s"] = benchmark::Counter(EngineProcessSeconds() - engineBefore,
                                                        benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_QuickPreview1MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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
