// Highlighting throughput of the language highlighters but HTML (bench_highlight_html has its
// own), each as the main window holds it, on a generated 10 MB file of its own language, beside a
// plain scan of the same lines that only looks at every character once. A table of MB/s and the
// ratio to the plain scan is printed at the end.
#include "highlight/GlyphHighlightScan.h"
#include "highlight/GlyphLanguageCatalogue.h"

#include <QRandomGenerator>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr qsizetype TargetBytes = 10 * 1024 * 1024;

// The lines of a language file are drawn from shapes; a shape may span several lines (a block
// comment, a continued string), which always come together. %1 is the line number.
using TShape = QStringList;

struct TLanguage {
    TGlyphLanguageId Id;
    std::vector<TShape> Shapes;
    std::string Name = LanguageEntry(Id).Name;
};

struct TFile {
    QStringList Lines;
    qsizetype Bytes = 0; // as saved: UTF-8 with CR LF line breaks
};

const std::vector<TLanguage>& Languages() {
    static const std::vector<TLanguage> languages = {
        {glJScript,
         {{"function f%1(a, b) { return a + b * 0x1F; } // helper %1"},
          {"  var s%1 = \"text \\\"quoted\\\" %1\", t = 'x';"},
          {"  document.getElementById('id%1').onclick = onClick;"},
          {"/* block comment %1 opened", "   still inside %1 if while",
           "   closed */ x%1 += 12.5;"},
          {"  if (i%1 >= 10 && j != null) { alert(Math.max(i, 3)); }"},
          {""}}},
        {glJava,
         {{"public class C%1 extends Base implements Runnable {"},
          {"    private static final long ID%1 = 0x1FL; // id"},
          {"/** Documentation %1", " * @param x value", " */"},
          {"    String s = \"value %1\" + 'c';"},
          {"    for (int i = 0; i < 10; i++) { sum += i * 3.5; }"},
          {"}"}}},
        {glCss,
         {{"body.c%1 { color: #FF0000; background-color: white; }"},
          {"  margin: -1px 2em 0 10px; padding-top: 1.5ex;"},
          {"/* comment %1", "   over lines */"},
          {"  font-family: 'Arial', sans-serif; z-index: %1;"},
          {"}"}}},
        {glPHP,
         {{"<?php echo $name%1 . 'text %1'; ?>"},
          {"function f%1($a, $b) { return $a + 0x1F; } // note"},
          {"$s = \"multi %1", "line string\";"},
          {"/* comment %1", "*/"},
          {"if (isset($x%1) && $y == 10) { print(\"ok\"); } # hash comment"}}},
        {glPerl,
         {{"my $x%1 = shift; # first"},
          {"print \"Value $x%1\\n\" if defined $x%1 and $y eq 'abc';"},
          {"foreach my $i (@ARGV) { $sum += $i * 1e-5; }"},
          {"use strict; use vars qw($a $b);"},
          {"$h{'key%1'} = $^W ? 0xff : 10;"}}},
        {glVBScript,
         {{"Dim x%1, y%1 ' declare"},
          {"If x%1 <> 10 Then MsgBox \"Value \" & x%1 End If"},
          {"d%1 = #1/1/2000#: n = 1.5E3 + y"},
          {"Function F%1(ByVal a)", "  F%1 = a * 2", "End Function"}}},
        {glCpp,
         {{"#include <vector> // %1"},
          {"static const int k%1 = 0x1F + 017 + 1.5f;"},
          {"/* comment %1", " * more */"},
          {"std::string s%1 = \"text \\\"%1\\\"\"; char c = 'x';"},
          {"for (int i = 0; i < n; ++i) { sum += v[i] * 2.5e3; }"},
          {"#define M%1(a) \\", "    ((a) + 1)"}}},
        {glGeneral,
         {{"Plain text line %1 with some words, numbers 12.5 and 'quotes'."},
          {"  - an item of a list, %1 of them;"},
          {""}}},
    };
    return languages;
}

TFile Generate(const TLanguage& language) {
    TFile file;
    QRandomGenerator random(20240611);
    while (file.Bytes < TargetBytes) {
        const TShape& shape = language.Shapes[random.bounded(int(language.Shapes.size()))];
        for (const QString& pattern : shape) {
            const QString line =
                pattern.contains(QLatin1String("%1")) ? pattern.arg(file.Lines.size()) : pattern;
            file.Lines << line;
            file.Bytes += line.toUtf8().size() + 2;
        }
    }
    return file;
}

// Files are made on first use so that a run filtered to one language makes only its file.
const TFile& FileOf(const TLanguage& language) {
    static std::map<std::string, TFile> files;
    auto it = files.find(language.Name);
    if (it == files.end()) {
        it = files.emplace(language.Name, Generate(language)).first;
    }
    return it->second;
}

void PlainScan(benchmark::State& state, const TLanguage* language) {
    const TFile& file = FileOf(*language);
    for (auto _ : state) {
        qsizetype semicolons = 0;
        for (const QString& line : file.Lines) {
            for (QChar c : line) {
                semicolons += c == u';';
            }
        }
        benchmark::DoNotOptimize(semicolons);
    }
    state.SetBytesProcessed(state.iterations() * file.Bytes);
}

// Every reader tokenises this way: restore the state, start the line, read each token's
// position and attribute through the scan helper, carry the state to the next line.
void Highlight(benchmark::State& state, const TLanguage* language) {
    const TFile& file = FileOf(*language);
    const std::unique_ptr<TGlyphCustomHighlighter> h =
        MakeMainWindowHighlighter(LanguageEntry(language->Id));
    for (auto _ : state) {
        qsizetype tokens = 0;
        h->ResetState();
        TGlyphCustomHighlighter::TState carried = h->State();
        for (qsizetype i = 0; i < file.Lines.size(); ++i) {
            h->RestoreState(carried);
            h->StartLine(file.Lines[i], int(i));
            ScanTokens(*h, [&](const TGlyphTokenSpan& token) {
                benchmark::DoNotOptimize(token.Start + token.Length);
                benchmark::DoNotOptimize(token.Attribute);
                ++tokens;
            });
            carried = h->State();
        }
        state.counters["tokens"] = double(tokens);
    }
    state.SetBytesProcessed(state.iterations() * file.Bytes);
}

// Remembers each benchmark's bytes per second so that the table can be printed after the run.
class TRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) {
                rates[run.benchmark_name()] = it->second.value;
            }
        }
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv) {
    for (const TLanguage& language : Languages()) {
        benchmark::RegisterBenchmark(("PlainQStringScan/" + language.Name).c_str(), PlainScan,
                                     &language)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Highlight/" + language.Name).c_str(), Highlight, &language)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    TRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-12s %10s %14s %8s\n", "language", "MB/s", "plain MB/s", "ratio");
    constexpr double MB = 1024.0 * 1024.0;
    for (const TLanguage& language : Languages()) {
        const double plain = reporter.rates["PlainQStringScan/" + language.Name];
        const double highlight = reporter.rates["Highlight/" + language.Name];
        if (plain > 0 && highlight > 0) {
            std::printf("%-12s %10.1f %14.1f %8.2f\n", language.Name.c_str(), highlight / MB,
                        plain / MB, highlight / plain);
        }
    }
    benchmark::Shutdown();
    return 0;
}
