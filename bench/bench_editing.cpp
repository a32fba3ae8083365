// Editing a 1,000,000-line buffer: 10,000 typed characters and one paste of 1 MB through the
// clipboard, each beside a reference that makes the same change directly in the line buffer;
// then typing and replace all in a single line of 5 MB, and replace all in a 1 MB line that
// ends in a blank.
// The time per keystroke and the ratios to the references are printed at the end.
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditClipboard.h"
#include "editor/TGlyphEditFindReplace.h"

#include <QGuiApplication>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int BufferLines = 1000000;
constexpr int Keystrokes = 10000;
constexpr int LineWidth = 64; // typed characters per line before moving to the next one
constexpr qsizetype PasteBytes = 1024 * 1024;

QString BufferLine(int i) {
    return QStringLiteral("    <p>Line %1 of the generated document, some text.</p>").arg(i);
}

// One editor with the main window's settings, holding the big buffer.
TGlyphEdit& Editor() {
    static std::unique_ptr<TGlyphEdit> edit = [] {
        auto e = std::make_unique<TGlyphEdit>();
        e->SetOptions(GlyphEditMainWindowOptions);
        e->SetTabWidth(2);
        e->SetKeystrokes(MainWindowKeystrokes());
        e->SetLinesInWindow(40);
        e->SetCharsInWindow(120);
        TGlyphEditStringList& lines = e->Lines();
        lines.BeginChanges();
        for (int i = 0; i < BufferLines; ++i)
            lines.AppendLine(BufferLine(i));
        lines.EndChanges();
        return e;
    }();
    return *edit;
}

const QString& PasteText() {
    static const QString text = [] {
        QString t;
        for (int i = 0; t.size() < PasteBytes; ++i)
            t += QStringLiteral("<li>Pasted item %1 with a little text</li>\r\n").arg(i);
        return t;
    }();
    return text;
}

// Where an iteration types: a fresh stretch of lines in the middle of the buffer each time.
int FirstLineOf(int iteration) {
    return BufferLines / 2 + (iteration * (Keystrokes / LineWidth + 1)) % (BufferLines / 4);
}

void BM_TypeKeystrokes(benchmark::State& state) {
    TGlyphEdit& edit = Editor();
    int iteration = 0;
    for (auto _ : state) {
        int y = FirstLineOf(iteration++);
        edit.SetCaretXY({5, y});
        for (int k = 0; k < Keystrokes; ++k) {
            if (k > 0 && k % LineWidth == 0)
                edit.SetCaretXY({5, ++y});
            edit.RunCommand(ecChar, QChar(u'a' + k % 26));
        }
    }
    state.counters["keystroke"] = benchmark::Counter(
        Keystrokes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TypeKeystrokes)->Unit(benchmark::kMillisecond);

// The floor: the same characters put straight into the line buffer.
void BM_ReferenceBufferInsert(benchmark::State& state) {
    TGlyphEditStringList& lines = Editor().Lines();
    int iteration = 0;
    for (auto _ : state) {
        int y = FirstLineOf(iteration++);
        int x = 5;
        for (int k = 0; k < Keystrokes; ++k) {
            if (k > 0 && k % LineWidth == 0) {
                ++y;
                x = 5;
            }
            QString line = lines.GetLine(y - 1);
            line.insert(x - 1, QChar(u'a' + k % 26));
            lines.SetLine(y - 1, line);
            ++x;
        }
    }
    state.counters["keystroke"] = benchmark::Counter(
        Keystrokes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReferenceBufferInsert)->Unit(benchmark::kMillisecond);

// One paste of 1 MB through the clipboard's private format; undone outside the timing so the
// buffer keeps its size.
void BM_Paste1MB(benchmark::State& state) {
    TGlyphEdit& edit = Editor();
    PutGlyphClipboardText(PasteText(), smNormal);
    for (auto _ : state) {
        edit.SetCaretXY({5, BufferLines / 3});
        edit.RunCommand(ecPaste);
        state.PauseTiming();
        edit.Undo();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * PasteText().size());
}
BENCHMARK(BM_Paste1MB)->Unit(benchmark::kMillisecond)->Iterations(10);

// The floor for the paste: the same lines put straight into the line buffer.
void BM_ReferenceBufferPaste(benchmark::State& state) {
    TGlyphEditStringList& lines = Editor().Lines();
    // The text ends with a line break, so the last piece is empty.
    const QStringList pieces = PasteText().split(QStringLiteral("\r\n"));
    const int count = static_cast<int>(pieces.size()) - 1;
    const int at = BufferLines / 3;
    for (auto _ : state) {
        lines.InsertEmptyLines(at, count);
        for (int i = 0; i < count; ++i)
            lines.SetLine(at + i, pieces.at(i));
        state.PauseTiming();
        lines.RemoveLines(at, count);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * PasteText().size());
}
BENCHMARK(BM_ReferenceBufferPaste)->Unit(benchmark::kMillisecond)->Iterations(10);

// ---- One line of 5 MB ----

constexpr qsizetype LongLineChars = 5 * 1024 * 1024;

// An editor with the main window's settings holding one line.
std::unique_ptr<TGlyphEdit> SingleLineEditor(const QString& line) {
    auto e = std::make_unique<TGlyphEdit>();
    e->SetOptions(GlyphEditMainWindowOptions);
    e->SetTabWidth(2);
    e->SetKeystrokes(MainWindowKeystrokes());
    e->SetLinesInWindow(40);
    e->SetCharsInWindow(120);
    e->Lines().AppendLine(line);
    return e;
}

// An editor holding a single 5 MB line of HTML; each benchmark gets a fresh one.
std::unique_ptr<TGlyphEdit> LongLineEditor() {
    QString line;
    line.reserve(LongLineChars + 64);
    for (int i = 0; line.size() < LongLineChars; ++i)
        line += QStringLiteral("<p class=\"row\">Line %1 of the document, some text.</p>").arg(i);
    return SingleLineEditor(line);
}

// A character typed and taken back with Backspace in the middle of the 5 MB line: the cost
// must not grow with the line.
void BM_TypeInLongLine(benchmark::State& state) {
    const std::unique_ptr<TGlyphEdit> edit = LongLineEditor();
    edit->SetCaretXY({int(LongLineChars / 2), 1});
    int k = 0;
    for (auto _ : state) {
        edit->RunCommand(ecChar, QChar(u'a' + k++ % 26));
        edit->RunCommand(ecDeleteLastChar);
    }
    state.counters["keystroke"] = benchmark::Counter(
        2, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TypeInLongLine)->Unit(benchmark::kMicrosecond);

// Replace all of a word that stands in every piece of the 5 MB line (about 90,000 matches).
void BM_ReplaceAllInLongLine(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TGlyphEdit> edit = LongLineEditor();
        TGlyphEditFindReplace finder(*edit);
        state.ResumeTiming();
        const int count =
            finder.FindAndReplace(QStringLiteral("document"), QStringLiteral("page"),
                                  SearchReplaceAll | SearchEntireText | SearchMatchCase);
        benchmark::DoNotOptimize(count);
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplaceAllInLongLine)->Unit(benchmark::kMillisecond)->Iterations(3);

// Replace all in a 1 MB line that ends in a blank, with 100,000 matches: the trimming of the
// line's trailing blanks must not turn the one pass over the line into one pass per match.
void BM_ReplaceAllInLineEndingInBlank(benchmark::State& state) {
    constexpr int Matches = 100000;
    const QString line = QStringLiteral("ab cd efg ").repeated(Matches);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TGlyphEdit> edit = SingleLineEditor(line);
        TGlyphEditFindReplace finder(*edit);
        state.ResumeTiming();
        const int count = finder.FindAndReplace(QStringLiteral("cd"), QStringLiteral("xyz"),
                                                SearchReplaceAll | SearchMatchCase);
        if (count != Matches)
            state.SkipWithError("not every match was replaced");
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplaceAllInLineEndingInBlank)->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps each benchmark's real time per iteration so that the ratios can be printed.
class TTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations > 0)
                seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
        }
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Buffer: %d lines; typing %d characters; pasting %.1f MB\n", BufferLines,
                Keystrokes, double(PasteText().size()) / (1024.0 * 1024.0));
    Editor();
    TTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double typing = reporter.seconds["BM_TypeKeystrokes"];
    const double typingFloor = reporter.seconds["BM_ReferenceBufferInsert"];
    if (typing > 0 && typingFloor > 0) {
        std::printf("Typing: %.2f us per keystroke; buffer alone: %.2f us; ratio %.1f\n",
                    typing / Keystrokes * 1e6, typingFloor / Keystrokes * 1e6,
                    typing / typingFloor);
    }
    const double paste = reporter.seconds["BM_Paste1MB/iterations:10"];
    const double pasteFloor = reporter.seconds["BM_ReferenceBufferPaste/iterations:10"];
    if (paste > 0 && pasteFloor > 0) {
        std::printf("Paste of 1 MB: %.1f ms; buffer alone: %.1f ms; ratio %.1f\n", paste * 1e3,
                    pasteFloor * 1e3, paste / pasteFloor);
    }
    benchmark::Shutdown();
    return 0;
}
