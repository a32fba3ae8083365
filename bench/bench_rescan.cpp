// The highlighting cost of typing in a 1,000,000-line HTML document: one character typed in the
// middle line (the re-scan stops where the states agree again) and "<!--" typed on line 1 (every
// following line changes state; with the lazy states the work stops at the screen's bottom),
// each beside a full scan of the whole document in the same run. Also: how long one idle-time
// slice of the background scan really takes, and a keystroke in the middle of a 5 MB line of
// HTML, JavaScript, CSS or PHP between two short lines (its checkpoints spare the scan of the
// whole line) beside one scan of that line.
#include "bench/GeneratedSources.h"
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditHighlighting.h"
#include "highlight/TGlyphCssHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "highlight/TGlyphJScriptHighlighter.h"
#include "highlight/TGlyphPHPHighlighter.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int BufferLines = 1000000;
constexpr int ScreenRows = 50;

struct Document {
    TGlyphEdit Edit;
    TGlyphHTMLHighlighter Html;
    TGlyphEditHighlighting Link{Edit};

    explicit Document(bool lazy) {
        Edit.SetOptions(GlyphEditMainWindowOptions);
        Edit.SetKeystrokes(MainWindowKeystrokes());
        Edit.SetLinesInWindow(ScreenRows);
        TGlyphEditStringList& lines = Edit.Lines();
        lines.BeginChanges();
        for (int i = 0; i < BufferLines; ++i)
            lines.AppendLine(
                QStringLiteral("<p class=\"row\">Line %1 with <b>bold</b></p>").arg(i));
        lines.EndChanges();
        if (lazy)
            Link.ScanLimit = [this] { return Edit.TopLine() - 1 + ScreenRows; };
        Link.SetHighlighter(&Html);
        Link.EnsureScanned(BufferLines - 1);
    }
};

Document& Shared(bool lazy) {
    static std::unique_ptr<Document> eager;
    static std::unique_ptr<Document> lazyDoc;
    auto& doc = lazy ? lazyDoc : eager;
    if (!doc)
        doc = std::make_unique<Document>(lazy);
    return *doc;
}

void BM_FullScan(benchmark::State& state) {
    Document& doc = Shared(false);
    for (auto _ : state) {
        doc.Link.SetHighlighter(nullptr);
        doc.Link.SetHighlighter(&doc.Html);
    }
    state.SetItemsProcessed(state.iterations() * BufferLines);
}

void BM_TypeInTheMiddle(benchmark::State& state) {
    Document& doc = Shared(state.range(0) != 0);
    doc.Edit.SetCaretXY({10, BufferLines / 2});
    for (auto _ : state) {
        doc.Edit.RunCommand(ecChar, QChar('x'));
        doc.Edit.RunCommand(ecDeleteLastChar);
    }
    state.counters["keystrokes"] = benchmark::Counter(
        2.0 * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_OpenCommentOnLineOne(benchmark::State& state) {
    Document& doc = Shared(state.range(0) != 0);
    for (auto _ : state) {
        doc.Edit.SetCaretXY({1, 1});
        for (QChar c : QStringLiteral("<!--"))
            doc.Edit.RunCommand(ecChar, c);
        for (int i = 0; i < 4; ++i)
            doc.Edit.RunCommand(ecDeleteLastChar);
    }
    state.counters["keystrokes"] = benchmark::Counter(
        8.0 * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_IdleSlice(benchmark::State& state) {
    Document& doc = Shared(true);
    int lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (doc.Link.FullyScanned()) {
            // Open a comment at the top, so that every state below the screen is stale again.
            doc.Edit.SetCaretXY({1, 1});
            for (QChar c : QStringLiteral("<!--"))
                doc.Edit.RunCommand(ecChar, c);
            for (int i = 0; i < 4; ++i)
                doc.Edit.RunCommand(ecDeleteLastChar);
        }
        const int before = doc.Link.ValidUpTo();
        state.ResumeTiming();
        doc.Link.ScanSlice(TGlyphEditHighlighting::SliceNanoseconds);
        lines += doc.Link.ValidUpTo() - before;
    }
    state.counters["lines_per_slice"] = double(lines) / double(state.iterations());
}

// The long line's language: 0 HTML, 1 JavaScript, 2 CSS, 3 PHP, each minified to one line.
std::unique_ptr<TGlyphCustomHighlighter> LongLineHighlighter(int language) {
    switch (language) {
    case 1:
        return std::make_unique<TGlyphJScriptHighlighter>();
    case 2:
        return std::make_unique<TGlyphCssHighlighter>();
    case 3:
        return std::make_unique<TGlyphPHPHighlighter>();
    default:
        return std::make_unique<TGlyphHTMLHighlighter>();
    }
}

QString HtmlElement(int i) {
    return QStringLiteral("<p class=\"row\">Line %1 &amp; <b>bold</b></p>").arg(i);
}

QString LongLineText(int language) {
    constexpr qsizetype Length = 5 * 1024 * 1024;
    switch (language) {
    case 1:
        return OneLineOf(ScriptStatement, Length);
    case 2:
        return OneLineOf(StyleRule, Length);
    case 3:
        return OneLineOf(PhpStatement, Length);
    default:
        return OneLineOf(HtmlElement, Length);
    }
}

struct LongLineDocument {
    TGlyphEdit Edit;
    std::unique_ptr<TGlyphCustomHighlighter> Highlighter;
    TGlyphEditHighlighting Link{Edit};
    QString Line;

    explicit LongLineDocument(int language)
        : Highlighter(LongLineHighlighter(language)), Line(LongLineText(language)) {
        Edit.SetOptions(GlyphEditMainWindowOptions);
        Edit.SetKeystrokes(MainWindowKeystrokes());
        Edit.SetText(QStringList{"first", Line, "last"}.join(u'\n'));
        Link.SetHighlighter(Highlighter.get());
        Edit.SetCaretXY({int(Line.size() / 2), 2});
    }
};

void BM_LongLineScan(benchmark::State& state) {
    LongLineDocument doc(int(state.range(0)));
    state.SetLabel(doc.Highlighter->LanguageTitle().toStdString());
    for (auto _ : state) {
        doc.Highlighter->ResetState();
        doc.Highlighter->StartLine(doc.Line, 1);
        doc.Highlighter->ScanToLineEnd();
    }
}

void BM_TypeInALongLine(benchmark::State& state) {
    LongLineDocument doc(int(state.range(0)));
    state.SetLabel(doc.Highlighter->LanguageTitle().toStdString());
    for (auto _ : state) {
        doc.Edit.RunCommand(ecChar, QChar('x'));
        doc.Edit.RunCommand(ecDeleteLastChar);
    }
    state.counters["keystrokes"] = benchmark::Counter(
        2.0 * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_FullScan)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_TypeInTheMiddle)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenCommentOnLineOne)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_IdleSlice)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_LongLineScan)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TypeInALongLine)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(50);

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
