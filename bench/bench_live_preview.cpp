// Typing in the main window on a generated 1 MB HTML page with the Quick Preview pane showing its
// browser, Live Preview off and on in alternating rounds: the time from the key event to the
// finished repaint of the 1000 x 700 window for keys typed in a burst (the refresh waits for the
// pause), for the first key after a pause of the same length either way (on, its refresh has
// loaded), and for the first key the moment a refresh has loaded. Also the window's own
// time for one refresh of the page (preprocessing, the preview file, the navigation).
//
//   xvfb-run -a build/bench/bench_live_preview
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
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rounds = 6;
constexpr int BurstKeys = 300;
constexpr int Pauses = 10;
// A pause of typing: longer than the refresh delay and the load of the page it brings.
constexpr qint64 PauseMs = 700;

double Ms(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) * 1e-6;
}

double At(std::vector<double> times, double q) {
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, size_t(q * double(times.size())))];
}

double TimedKey(TFormGlyphon& form, int k) {
    QElapsedTimer clock;
    clock.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + k % 26, Qt::NoModifier,
                    QString(QChar(u'a' + k % 26)));
    QCoreApplication::sendEvent(form.GlyphEditView, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + k % 26, Qt::NoModifier,
                      QString(QChar(u'a' + k % 26)));
    QCoreApplication::sendEvent(form.GlyphEditView, &release);
    form.GlyphEditView->viewport()->repaint();
    QCoreApplication::processEvents();
    return Ms(clock);
}

// Lets the event loop run until Done holds.
template <typename F> void RunUntil(F done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
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

    // One refresh, as the timer runs it, on the window's thread.
    form.MILivePreview->setChecked(true);
    std::vector<double> refreshes;
    for (int n = 0; n < 5; ++n) {
        const int before = loads;
        QElapsedTimer clock;
        clock.start();
        form.LivePreviewTimerTimer();
        refreshes.push_back(Ms(clock));
        RunUntil([&] { return loads > before; });
    }

    std::vector<double> burst[2], afterPause[2], afterLoad;
    for (int round = 0; round < Rounds; ++round) {
        const bool live = round % 2 == 1;
        form.MILivePreview->setChecked(live);
        for (int k = 0; k < BurstKeys; ++k)
            burst[live].push_back(TimedKey(form, k));
        for (int p = 0; p < Pauses; ++p) {
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
                const int loaded = loads;
                RunUntil([&] { return loads > loaded && !form.LivePreviewTimer->isActive(); });
                afterLoad.push_back(TimedKey(form, p));
            }
        }
    }
    std::printf("1 MB page (%d lines), preview pane showing its browser\n",
                form.GlyphEdit.LineCount());
    std::printf("one refresh on the window's thread: median %.2f ms\n\n", At(refreshes, 0.5));
    std::printf("| keystroke to repaint | off median | on median | on/off | off p99 | on p99 | "
                "on/off |\n|---|---:|---:|---:|---:|---:|---:|\n");
    const auto row = [](const char* what, const std::vector<double>& off,
                        const std::vector<double>& on) {
        const double m0 = At(off, 0.5), m1 = At(on, 0.5), p0 = At(off, 0.99), p1 = At(on, 0.99);
        std::printf("| %s | %.3f | %.3f | %.2f | %.3f | %.3f | %.2f |\n", what, m0, m1, m1 / m0, p0,
                    p1, p1 / p0);
    };
    row("typing in a burst", burst[0], burst[1]);
    row("first key after a pause", afterPause[0], afterPause[1]);
    row("on: first key as the refresh loads", afterPause[0], afterLoad);
    form.GlyphEdit.SetModified(false);
    return 0;
}
