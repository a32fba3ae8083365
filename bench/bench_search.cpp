// Searching a generated 50 MB, 1,000,000-line text line by line with the search engine, and
// replacing all of a common word in it through the editor, beside plain QString::indexOf and
// QString::replace loops over the same lines in the same run. Each engine and editor benchmark
// reports its time as a multiple of the matching plain loop ("x_indexOf", "x_replace").
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditFindReplace.h"
#include "editor/TGlyphEditSearch.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <ctime>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int LineCount = 1'000'000;

// About 48 characters per line plus the line break: 50 MB as a file.
const QStringList& SampleLines() {
    static const QStringList lines = [] {
        static const char* const words[] = {
            "the",    "<p>",      "class=\"row\"", "value", "</p>",   "with",
            "and",    "table",    "width",         "cell",  "of",     "to",
            "script", "function", "var",           "index", "return", "href",
            "div",    "span",     "content",       "other", "theme"};
        constexpr int wordCount = sizeof(words) / sizeof(words[0]);
        QRandomGenerator random(20240611);
        QStringList result;
        result.reserve(LineCount);
        for (int i = 0; i < LineCount; ++i) {
            QString line;
            while (line.size() < 44)
                line += QLatin1String(words[random.bounded(wordCount)]) + u' ';
            line.chop(1);
            result << line;
        }
        return result;
    }();
    return lines;
}

qint64 CharacterCount() {
    static const qint64 count = [] {
        qint64 n = 0;
        for (const QString& line : SampleLines())
            n += line.size() + 2;
        return n;
    }();
    return count;
}

// Seconds per iteration of the indexOf loops, by scenario, for the ratios of the engine runs.
std::map<std::string, double>& ReferenceSeconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// Thread CPU time, so that other load on the machine does not skew the ratios.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int IndexOfCount(const QString& pattern, Qt::CaseSensitivity cs) {
    int found = 0;
    for (const QString& line : SampleLines()) {
        for (qsizetype at = line.indexOf(pattern, 0, cs); at >= 0;
             at = line.indexOf(pattern, at + pattern.size(), cs))
            ++found;
    }
    return found;
}

int EngineCount(TGlyphEditSearch& search) {
    int found = 0;
    for (const QString& line : SampleLines())
        found += search.FindAllInLine(line);
    return found;
}

struct Scenario {
    const char* name;
    const char* pattern;
    bool matchCase;
    bool wholeWord;
};

void BM_IndexOf(benchmark::State& state, Scenario scenario) {
    const QString pattern = QString::fromLatin1(scenario.pattern);
    const auto cs = scenario.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    SampleLines();
    double total = 0;
    int found = 0;
    for (auto _ : state) {
        const double start = CpuSeconds();
        found = IndexOfCount(pattern, cs);
        total += CpuSeconds() - start;
        benchmark::DoNotOptimize(found);
    }
    ReferenceSeconds()[scenario.name] = total / static_cast<double>(state.iterations());
    state.counters["matches"] = found;
    state.SetBytesProcessed(state.iterations() * CharacterCount());
}

void BM_Engine(benchmark::State& state, Scenario scenario) {
    TGlyphEditSearch search;
    search.SetPattern(QString::fromLatin1(scenario.pattern));
    search.SetMatchCase(scenario.matchCase);
    search.SetWholeWord(scenario.wholeWord);
    SampleLines();
    double total = 0;
    int found = 0;
    for (auto _ : state) {
        const double start = CpuSeconds();
        found = EngineCount(search);
        total += CpuSeconds() - start;
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = found;
    const auto reference = ReferenceSeconds().find(scenario.name);
    if (reference != ReferenceSeconds().end())
        state.counters["x_indexOf"] =
            total / static_cast<double>(state.iterations()) / reference->second;
    state.SetBytesProcessed(state.iterations() * CharacterCount());
}

const Scenario NothingFound{"NothingFound", "zebra", false, false};
const Scenario NothingFoundMatchCase{"NothingFoundMatchCase", "zebra", true, false};
const Scenario CommonWord{"CommonWord", "the", false, false};
const Scenario CommonWordMatchCase{"CommonWordMatchCase", "the", true, false};
const Scenario LongPatternNothingFound{"LongPatternNothingFound", "function return zebra", false,
                                       false};

// The whole sample as one text with CR LF breaks, for loading it into an editor.
const QString& SampleText() {
    static const QString text = SampleLines().join(QStringLiteral("\r\n"));
    return text;
}

void LoadEditor(TGlyphEdit& edit) {
    edit.SetOptions(GlyphEditMainWindowOptions);
    edit.SetText(SampleText());
    edit.ClearUndoHistory();
}

const QString CommonWordText = QStringLiteral("the");
const QString CommonWordReplacement = QStringLiteral("a");

// The reference for replace all: QString::replace on a copy of every line.
void BM_ReplaceLoop(benchmark::State& state) {
    SampleLines();
    double total = 0;
    qint64 replaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QStringList lines = SampleLines();
        state.ResumeTiming();
        const double start = CpuSeconds();
        replaced = 0;
        for (QString& line : lines) {
            const qsizetype before = line.size();
            line.replace(CommonWordText, CommonWordReplacement, Qt::CaseInsensitive);
            replaced +=
                (before - line.size()) / (CommonWordText.size() - CommonWordReplacement.size());
        }
        total += CpuSeconds() - start;
        benchmark::DoNotOptimize(lines.size());
        state.PauseTiming();
        lines = QStringList(); // the copy is freed outside the measured time
        state.ResumeTiming();
    }
    ReferenceSeconds()["ReplaceAll"] = total / static_cast<double>(state.iterations());
    state.counters["replaced"] = static_cast<double>(replaced);
}

// Replace all through the editor: every match selected and replaced, under one paint lock and
// one undo group.
void BM_EditorReplaceAll(benchmark::State& state) {
    SampleText();
    double total = 0;
    int replaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = std::make_unique<TGlyphEdit>();
        LoadEditor(*edit);
        TGlyphEditFindReplace finder(*edit);
        state.ResumeTiming();
        const double start = CpuSeconds();
        replaced = finder.FindAndReplace(CommonWordText, CommonWordReplacement,
                                         SearchReplaceAll | SearchEntireText);
        total += CpuSeconds() - start;
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
    state.counters["replaced"] = replaced;
    const auto reference = ReferenceSeconds().find("ReplaceAll");
    if (reference != ReferenceSeconds().end())
        state.counters["x_replace"] =
            total / static_cast<double>(state.iterations()) / reference->second;
}

// A search through the editor that finds nothing walks every line of the text.
void BM_EditorFindNothing(benchmark::State& state) {
    TGlyphEdit edit;
    LoadEditor(edit);
    TGlyphEditFindReplace finder(edit);
    double total = 0;
    for (auto _ : state) {
        const double start = CpuSeconds();
        const int found = finder.FindAndReplace(QString::fromLatin1(NothingFound.pattern),
                                                QString(), SearchEntireText);
        total += CpuSeconds() - start;
        benchmark::DoNotOptimize(found);
    }
    const auto reference = ReferenceSeconds().find(NothingFound.name);
    if (reference != ReferenceSeconds().end())
        state.counters["x_indexOf"] =
            total / static_cast<double>(state.iterations()) / reference->second;
    state.SetBytesProcessed(state.iterations() * CharacterCount());
}

} // namespace

// Each indexOf reference runs right before the engine run it is compared with. indexOf has no
// whole-word mode, so the whole-word engine run is compared with the plain common-word loop.
BENCHMARK_CAPTURE(BM_IndexOf, NothingFound, NothingFound)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, NothingFound, NothingFound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorFindNothing)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IndexOf, NothingFoundMatchCase, NothingFoundMatchCase)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, NothingFoundMatchCase, NothingFoundMatchCase)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IndexOf, LongPatternNothingFound, LongPatternNothingFound)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, LongPatternNothingFound, LongPatternNothingFound)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IndexOf, CommonWord, CommonWord)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, CommonWord, CommonWord)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, CommonWordWholeWord, (Scenario{"CommonWord", "the", false, true}))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_IndexOf, CommonWordMatchCase, CommonWordMatchCase)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, CommonWordMatchCase, CommonWordMatchCase)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ReplaceLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EditorReplaceAll)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
