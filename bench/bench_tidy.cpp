// Validate and Tidy of a generated 1 MB and 10 MB HTML page through the Tidy helper, beside the
// tidy program (the same library) run on the same file with the same options in the same run.
// Each of ours is printed as a multiple of the tidy program's time ("x_tidy") doing the same:
// Tidy beside the program writing the tidied page, Validate beside its errors-only run (-e),
// which writes none. The helper's start and the transfer of the text are part of ours.
#include "htmltools/TFormTidyProperties.h"

#include <QApplication>
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

// The tidy program on the page; Extra holds its switches beyond the options.
void RunTidyProgram(benchmark::State& state, const QStringList& extra) {
    TFixture& f = Fixture();
    f.PageOf(int(state.range(0)));
    for (auto _ : state) {
        QProcess tidy;
        tidy.start(f.Program, QStringList{"-config", f.Config, "-q"} + extra +
                                  QStringList{"-f", f.Dir.filePath("report.txt"),
                                              f.Files[int(state.range(0))]});
        tidy.waitForFinished(-1);
        benchmark::DoNotOptimize(tidy.readAllStandardOutput());
    }
}

// Beside Tidy: the program writes the tidied page, as Tidy HTML has it written.
void BM_TidyProgram(benchmark::State& state) {
    RunTidyProgram(state, {});
}

// Beside Validate: the program's errors-only run, which writes no page, as Validate has none
// written either.
void BM_TidyProgramErrors(benchmark::State& state) {
    RunTidyProgram(state, {"-e"});
}

void BM_Validate(benchmark::State& state) {
    TFixture& f = Fixture();
    const QString& page = f.PageOf(int(state.range(0)));
    // As the Validate command runs it: Tidy reports its messages and writes no page.
    for (auto _ : state) {
        QString messages;
        if (!RunOrSkip(state, [&] { f.Form.ValidateWithTidy(page, messages); }))
            return;
        benchmark::DoNotOptimize(messages);
    }
}

void BM_Tidy(benchmark::State& state) {
    TFixture& f = Fixture();
    const QString& page = f.PageOf(int(state.range(0)));
    // The editor of a run goes in the next run's untimed part: closing a document is no part of
    // the command.
    std::unique_ptr<TGlyphEdit> edit;
    for (auto _ : state) {
        state.PauseTiming();
        edit = std::make_unique<TGlyphEdit>();
        edit->SetText(page);
        state.ResumeTiming();
        QString text = edit->Text(), messages;
        if (!RunOrSkip(state, [&] { f.Form.RunTidy(text, messages); }))
            return;
        edit->SuspendUndoRecording();
        edit->SelectAll();
        edit->ResumeUndoRecording();
        edit->SetSelectedText(text);
    }
}

BENCHMARK(BM_TidyProgram)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_TidyProgramErrors)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_Validate)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_Tidy)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Keeps each benchmark's time per iteration for the ratios printed at the end.
class TTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            seconds[run.benchmark_name()] =
                run.real_accumulated_time / static_cast<double>(run.iterations);
    }
    std::map<std::string, double> seconds;
};

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
    TTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Each of ours beside the program's run that does the same work.
    const std::pair<const char*, const char*> pairs[] = {{"BM_Validate", "BM_TidyProgramErrors"},
                                                         {"BM_Tidy", "BM_TidyProgram"}};
    for (const char* size : {"1", "10"}) {
        for (const auto& [ours, peer] : pairs) {
            const auto seconds = [&](const char* name) {
                return reporter.seconds[std::string(name) + "/" + size + "/iterations:3/real_time"];
            };
            const double program = seconds(peer);
            const double t = seconds(ours);
            if (program > 0 && t > 0)
                std::printf("%s of %s MB: %.0f ms; tidy program%s: %.0f ms; x_tidy %.2f\n",
                            ours + 3, size, t * 1e3,
                            std::string(peer) == "BM_TidyProgramErrors" ? " -e" : "", program * 1e3,
                            t / program);
        }
    }
    benchmark::Shutdown();
    fixture.reset();
    return 0;
}
