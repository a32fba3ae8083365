// Validate and Tidy of a generated 1 MB and 10 MB HTML page through the Tidy helper, beside the
// tidy program (the same library) run on the same file with the same options in the same run.
// Each of ours runs by turns with the tidy program doing the same work, and "x_tidy" is the
// median of our time over the program's: Tidy beside the program writing the tidied page,
// Validate beside its errors-only run (-e), which writes none. The helper's start and the
// transfer of the text are part of ours.
#include "bench/BenchMedian.h"
#include "htmltools/TFormTidyProperties.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// A page of repeated sections with the usual faults: unclosed paragraphs and bold, fonts,
// unquoted attributes and non-ASCII text.
QString Page(qsizetype bytes) {
    const QString section = QString::fromUtf8(
        "<h2>Section</h2>\n<p>Some <b>bold text and <a href=page.html>a link</a>\n"
        "<table border=1><tr><td>cell<td>café – “quoted”</tr></table>\n"
        "<p><font color=red>red</font> text &amp; more text in a paragraph\n"
        "<ul><li>one<li>two</ul>\n");
    QString page = "<html><head><title>Bench</title></head><body>\n";
    while (page.size() < bytes)
        page += section;
    return page + "</body></html>\n";
}

struct TFixture {
    QTemporaryDir Dir;
    TFormTidyProperties Form;
    QString Program = QStandardPaths::findExecutable("tidy");
    std::map<int, QString> Pages;
    std::map<int, QString> Files;
    QString Config;

    TFixture() {
        Config = Dir.filePath("config.txt");
        QFile config(Config);
        config.open(QIODevice::WriteOnly);
        config.write("drop-proprietary-attributes: no\n");
        for (const TTidyOption& o : Form.ApplyTidyOptions()) {
            const bool number = o.Name == "wrap" || o.Name == "tab-size";
            QByteArray value = o.Value;
            if (!number && (value == "0" || value == "1"))
                value = value == "1" ? "yes" : "no";
            config.write(o.Name + ": " + value + "\n");
        }
    }

    const QString& PageOf(int megabytes) {
        if (!Pages.count(megabytes)) {
            Pages[megabytes] = Page(qsizetype(megabytes) * 1024 * 1024);
            Files[megabytes] = Dir.filePath(QString("page%1.html").arg(megabytes));
            QFile file(Files[megabytes]);
            file.open(QIODevice::WriteOnly);
            file.write(Pages[megabytes].toUtf8());
        }
        return Pages[megabytes];
    }
};

// Made after the application object and gone before it: the dialog is a window.
std::unique_ptr<TFixture> fixture;

TFixture& Fixture() {
    if (!fixture)
        fixture = std::make_unique<TFixture>();
    return *fixture;
}

// A run the helper's time limit stopped (a loaded machine) is reported, not a crash.
bool RunOrSkip(benchmark::State& state, const std::function<void()>& run) {
    try {
        run();
        return true;
    } catch (const EGlyphError& e) {
        state.SkipWithError(e.Message().toStdString().c_str());
        return false;
    }
}

// Seconds of one run of the tidy program on the page; Extra holds its switches beyond the
// options.
double TidyProgramSeconds(int megabytes, const QStringList& extra) {
    TFixture& f = Fixture();
    QElapsedTimer timer;
    timer.start();
    QProcess tidy;
    tidy.start(f.Program, QStringList{"-config", f.Config, "-q"} + extra +
                              QStringList{"-f", f.Dir.filePath("report.txt"), f.Files[megabytes]});
    tidy.waitForFinished(-1);
    benchmark::DoNotOptimize(tidy.readAllStandardOutput());
    return double(timer.nsecsElapsed()) * 1e-9;
}

// Runs Ours (which answers its own seconds) and the tidy program doing the same work by turns,
// so that a busy moment of the machine falls on both alike; the times are ours, and the
// counters give the medians and the median of the ratios of each pair.
void RunBesideTidyProgram(benchmark::State& state, const QStringList& extra,
                          const std::function<double()>& ours) {
    const int megabytes = int(state.range(0));
    Fixture().PageOf(megabytes);
    std::vector<double> oursSeconds, programSeconds, ratios;
    for (auto _ : state) {
        double t = 0;
        if (!RunOrSkip(state, [&] { t = ours(); }))
            return;
        const double program = TidyProgramSeconds(megabytes, extra);
        state.SetIterationTime(t);
        oursSeconds.push_back(t);
        programSeconds.push_back(program);
        ratios.push_back(t / program);
    }
    state.counters["ours_ms"] = Median(oursSeconds) * 1e3;
    state.counters["tidy_ms"] = Median(programSeconds) * 1e3;
    state.counters["x_tidy"] = Median(ratios);
}

// Beside the program's errors-only run (-e), which writes no page, as Validate has none
// written either: Tidy reports its messages and writes no page.
void BM_Validate(benchmark::State& state) {
    TFixture& f = Fixture();
    const QString& page = f.PageOf(int(state.range(0)));
    RunBesideTidyProgram(state, {"-e"}, [&] {
        QElapsedTimer timer;
        timer.start();
        QString messages;
        f.Form.ValidateWithTidy(page, messages);
        benchmark::DoNotOptimize(messages);
        return double(timer.nsecsElapsed()) * 1e-9;
    });
}

// Beside the program writing the tidied page: Tidy HTML as the command runs it, the tidied page
// replacing the editor's text. The editor of a run is made before it is timed and closed after:
// opening and closing a document are no part of the command.
void BM_Tidy(benchmark::State& state) {
    TFixture& f = Fixture();
    const QString& page = f.PageOf(int(state.range(0)));
    RunBesideTidyProgram(state, {}, [&] {
        auto edit = std::make_unique<TGlyphEdit>();
        edit->SetText(page);
        QElapsedTimer timer;
        timer.start();
        QString text = edit->Text(), messages;
        f.Form.RunTidy(text, messages);
        edit->SuspendUndoRecording();
        edit->SelectAll();
        edit->ResumeUndoRecording();
        edit->SetSelectedText(text);
        const double seconds = double(timer.nsecsElapsed()) * 1e-9;
        edit.reset();
        return seconds;
    });
}

BENCHMARK(BM_Validate)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_Tidy)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (Fixture().Program.isEmpty()) {
        std::printf("The tidy program (Debian package tidy) is needed.\n");
        fixture.reset();
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture.reset();
    return 0;
}
