// HTML highlighting throughput on a generated 10 MB page, beside a plain scan of the same lines
// that only looks at every character once; the ratio of the two is printed at the end.
#include "highlight/GlyphHighlightScan.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include <QRandomGenerator>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr qsizetype TargetBytes = 10 * 1024 * 1024;

// A page of the usual mix: tags with attributes, text with character references, comments
// over several lines and server-script blocks. Bytes count the line breaks as CR LF.
struct TPage {
    QStringList Lines;
    qsizetype Bytes = 0;
};

const TPage& Page() {
    static const TPage page = [] {
        TPage p;
        QRandomGenerator random(20240611);
        const QStringList shapes{
            QStringLiteral("<tr><td class=\"cell\" align=right>%1</td><td>Caf&eacute; &amp; bar "
                           "&#169; %1</td></tr>"),
            QStringLiteral("<p>Some running text of paragraph %1, with <b>bold</b> and "
                           "<a href=\"page%1.htm\" target=_blank>a link</a>.</p>"),
            QStringLiteral(
                "  <img src=\"images/pic%1.png\" width=120 height=80 alt=\"Picture %1\">"),
            QStringLiteral("<!-- comment %1 opened here"),
            QStringLiteral("     still inside comment %1 <table> & co"),
            QStringLiteral("     closed here --> <br>"),
            QStringLiteral("<% Response.Write(\"row %1\") %>"),
            QStringLiteral("<div id=d%1 style=\"color: red\"><span>&lt;text&gt; %1</span></div>"),
            QStringLiteral("\t<input type=checkbox name=c%1 checked>"),
            QString(),
        };
        while (p.Bytes < TargetBytes) {
            const int shape = random.bounded(int(shapes.size()));
            // The three comment lines always come together.
            const int count = shape == 3 ? 3 : 1;
            for (int i = 0; i < count; ++i) {
                const QString line = shapes[shape + i].arg(p.Lines.size());
                p.Lines << line;
                p.Bytes += line.toUtf8().size() + 2;
            }
        }
        return p;
    }();
    return page;
}

void BM_PlainQStringScan(benchmark::State& state) {
    const TPage& page = Page();
    for (auto _ : state) {
        qsizetype tags = 0;
        for (const QString& line : page.Lines) {
            for (QChar c : line) {
                tags += c == u'<';
            }
        }
        benchmark::DoNotOptimize(tags);
    }
    state.SetBytesProcessed(state.iterations() * page.Bytes);
}
BENCHMARK(BM_PlainQStringScan)->Unit(benchmark::kMillisecond);

// Every reader tokenises this way: restore the state, start the line, read each token's
// position and attribute through the scan helper, carry the state to the next line.
void BM_HtmlHighlight(benchmark::State& state) {
    const TPage& page = Page();
    TGlyphHTMLHighlighter h;
    for (auto _ : state) {
        qsizetype tokens = 0;
        h.ResetState();
        TGlyphCustomHighlighter::TState carried = h.State();
        for (qsizetype i = 0; i < page.Lines.size(); ++i) {
            h.RestoreState(carried);
            h.StartLine(page.Lines[i], int(i));
            ScanTokens(h, [&](const TGlyphTokenSpan& token) {
                benchmark::DoNotOptimize(token.Start + token.Length);
                benchmark::DoNotOptimize(token.Attribute);
                ++tokens;
            });
            carried = h.State();
        }
        state.counters["tokens"] = double(tokens);
    }
    state.SetBytesProcessed(state.iterations() * page.Bytes);
}
BENCHMARK(BM_HtmlHighlight)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's bytes per second so that the ratio can be printed after the run.
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
    benchmark::Initialize(&argc, argv);
    std::printf("Generated page: %lld lines, %.1f MB\n",
                static_cast<long long>(Page().Lines.size()),
                double(Page().Bytes) / (1024.0 * 1024.0));
    TRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double plain = reporter.rates["BM_PlainQStringScan"];
    const double html = reporter.rates["BM_HtmlHighlight"];
    if (plain > 0 && html > 0) {
        std::printf("HTML highlighting: %.1f MB/s; plain QString scan: %.1f MB/s; ratio %.2f\n",
                    html / (1024.0 * 1024.0), plain / (1024.0 * 1024.0), html / plain);
    }
    benchmark::Shutdown();
    return 0;
}
