// Typing in the main window on a generated 1 MB HTML page with the Quick Preview pane showing its
// browser, Live Preview off and on in alternating blocks, as the time from a key to the finished
// repaint of the 1000 x 700 window. Rows (each can run alone):
// - burst: keys typed in a burst (the refresh waits for the pause);
// - pause: the first key after a pause of the same length either way (on, its refresh has
//   loaded within it), and, on, the first key the moment the next refresh has loaded;
// - due: keys typed with pauses just longer than the refresh delay, so that they fall while a
//   refresh is being started, built and loaded; each is timed from the moment it was due, so a
//   key kept waiting by the window's thread counts the wait.
//   Under it, the window's thread's own CPU time for the same keys.
// Also the window's own time for one refresh, and the time until its page has loaded.
//
// - unshown: as due, with the refreshed pages built but never shown.
//
//   xvfb-run -a build/bench/bench_live_preview [burst,pause,due,unshown] [keys per row and mode]
#include "app/PreviewBuilder.h"
#include "app/TFormGlyphon.h"
#include "bench/GeneratedHtml.h"
#include "common/CommandLine.h"
#include "common/TEmbeddedWB.h"
#include "editor/TGlyphEditView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// A pause of typing: longer than the refresh delay and the load of the page it brings.
constexpr qint64 PauseMs = 700;
// On and off take turns after this many keys.
constexpr int Block = 10;

double Ms(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) * 1e-6;
}

double At(std::vector<double> times, double q) {
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, size_t(q * double(times.size())))];
}

// The time the calling thread has run, which waiting for a processor or a lock does not count.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
}

double TimedKey(TFormGlyphon& form, int k, double* cpuMs = nullptr) {
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = ThreadCpuMs();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + k % 26, Qt::NoModifier,
                    QString(QChar(u'a' + k % 26)));
    QCoreApplication::sendEvent(form.GlyphEditView, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + k % 26, Qt::NoModifier,
                      QString(QChar(u'a' + k % 26)));
    QCoreApplication::sendEvent(form.GlyphEditView, &release);
    form.GlyphEditView->viewport()->repaint();
    QCoreApplication::processEvents();
    if (cpuMs)
        *cpuMs = ThreadCpuMs() - cpuStart;
    return Ms(clock);
}

// A key pressed DueMs after Since, with the event loop running until then, timed from that
// moment: when the window's thread is busy then, the key waits as a typed one would.
double KeyDue(TFormGlyphon& form, const QElapsedTimer& since, double dueMs, int k, double* cpuMs) {
    QEventLoop loop;
    double time = 0;
    const int wait = std::max(0, int(dueMs - Ms(since)));
    QTimer::singleShot(wait, Qt::PreciseTimer, &loop, [&] {
        time = std::max(0.0, Ms(since) - dueMs) + TimedKey(form, k, cpuMs);
        loop.quit();
    });
    loop.exec();
    return time;
}

// Turns Live Preview on or off as the menu item does: turned on, the text is refreshed.
void SetLive(TFormGlyphon& form, bool live) {
    if (form.MILivePreview->isChecked() == live)
        return;
    form.MILivePreview->setChecked(live);
    form.MILivePreviewClick();
}

// Lets the event loop run until Done holds.
template <typename F> void RunUntil(F done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

void PrintRow(const char* what, const std::vector<double>& off, const std::vector<double>& on) {
    // Fewer keys than a block leave one setting without any.
    if (off.empty() || on.empty()) {
        std::printf("| %s | too few keys for both settings |\n", what);
        return;
    }
    const double m0 = At(off, 0.5), m1 = At(on, 0.5), p0 = At(off, 0.99), p1 = At(on, 0.99);
    std::printf("| %s (%zu / %zu keys) | %.3f | %.3f | %.2f | %.3f | %.3f | %.2f |\n", what,
                off.size(), on.size(), m0, m1, m1 / m0, p0, p1, p1 / p0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        qputenv(name, home.path().toUtf8());
    QApplication app(argc, argv);
    const QStringList rows =
        argc > 1 ? QString(argv[1]).split(',') : QStringList{"burst", "pause", "due", "unshown"};
    const int keys = argc > 2 ? std::max(1, atoi(argv[2])) : 200;

    const QString file = home.filePath("page.html");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write("<html>\n<body>\n");
        for (int i = 0; out.size() < 1'000'000; ++i)
            out.write(BodyLine(i) + '\n');
        out.write("</body>\n</html>\n");
    }
    SetCommandLineArgs({"glyphon", file});
    TFormGlyphon form;
    form.resize(1000, 700);
    form.show();
    RunUntil([&] { return form.DocumentFileName == file; });
    form.ClickMenuItem(form.MIViewQuickPreview);
    form.ClickMenuItem(form.MIQuickPreview);
    int loads = 0;
    QObject::connect(form.EmbeddedWB, &TEmbeddedWB::DocumentComplete, [&] { ++loads; });
    form.GlyphEditView->setFocus();
    form.GlyphEdit.SetCaretXY({1, form.GlyphEdit.LineCount() / 2});

    // One refresh, as the timer runs it: the window's share, and until its page has loaded.
    // Beside it the build the worker does, here timed on this thread.
    form.MILivePreview->setChecked(true);
    std::vector<double> refreshes, loaded, builds;
    for (int n = 0; n < 5; ++n) {
        const int before = loads;
        QElapsedTimer clock;
        clock.start();
        form.LivePreviewTimerTimer();
        refreshes.push_back(Ms(clock));
        RunUntil([&] { return loads > before; });
        loaded.push_back(Ms(clock));
        clock.start();
        BuildPreviewFile(form.PreviewSource());
        builds.push_back(Ms(clock));
    }
    std::printf("1 MB page (%d lines), preview pane showing its browser\n",
                form.GlyphEdit.LineCount());
    std::printf("one refresh: %.2f ms on the window's thread, %.2f ms until loaded; "
                "the build itself %.2f ms (medians)\n\n",
                At(refreshes, 0.5), At(loaded, 0.5), At(builds, 0.5));
    std::printf("| keystroke to repaint | off median | on median | on/off | off p99 | on p99 | "
                "on/off |\n|---|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);

    if (rows.contains("burst")) {
        std::vector<double> times[2];
        for (int k = 0; k < 2 * 3 * keys; ++k) {
            const bool live = k / Block % 2 == 1;
            SetLive(form, live);
            times[live].push_back(TimedKey(form, k));
        }
        PrintRow("typing in a burst", times[0], times[1]);
    }

    if (rows.contains("pause")) {
        std::vector<double> afterPause[2], afterLoad;
        for (int p = 0; p < 2 * keys; ++p) {
            const bool live = p / Block % 2 == 1;
            SetLive(form, live);
            const int before = loads;
            // The pause, as long with Live Preview off as on, where the refresh runs and its
            // page loads within it.
            QElapsedTimer pause;
            pause.start();
            RunUntil([&] {
                return pause.elapsed() >= PauseMs &&
                       (!live || (loads > before && !form.LivePreviewTimer->isActive()));
            });
            afterPause[live].push_back(TimedKey(form, p));
            // On, also the key typed the moment the next refresh has loaded, while the
            // browser's own work after the load may still wait in the event loop.
            if (live) {
                const int next = loads;
                RunUntil([&] { return loads > next && !form.LivePreviewTimer->isActive(); });
                afterLoad.push_back(TimedKey(form, p));
            }
        }
        PrintRow("first key after a pause", afterPause[0], afterPause[1]);
        PrintRow("on: first key as the refresh loads", afterPause[0], afterLoad);
    }

    // Pauses from a little before the refresh falls due (a coarse timer may fire early) to well
    // past the time its page takes to build.
    const auto keysAsRefreshesFallDue = [&](const char* what) {
        std::vector<double> times[2], cpu[2];
        QElapsedTimer since;
        since.start();
        for (int k = 0; k < 2 * keys; ++k) {
            const bool live = k / Block % 2 == 1;
            SetLive(form, live);
            const double due = 0.95 * TFormGlyphon::LivePreviewDelayMs + (k * 7 % 31) * 3;
            double cpuMs = 0;
            times[live].push_back(KeyDue(form, since, due, k, &cpuMs));
            cpu[live].push_back(cpuMs);
            since.start();
        }
        PrintRow(what, times[0], times[1]);
        // Whether a slow key did more work or waited: the thread's own time for the same keys.
        PrintRow("  the window's thread's own CPU time for them", cpu[0], cpu[1]);
    };
    if (rows.contains("due"))
        keysAsRefreshesFallDue("keys as refreshes fall due");
    // The same with the pages built but never shown: the window's own share, without the web
    // engine's loading of each page.
    if (rows.contains("unshown")) {
        QObject::disconnect(form.LivePreviewBuilder, &TPreviewBuilder::Built, &form, nullptr);
        keysAsRefreshesFallDue("the same, pages built but not shown");
    }
    form.GlyphEdit.SetModified(false);
    return 0;
}
