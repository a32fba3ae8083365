// The spelling checker's costs: creating the spelling window (which the program does before its
// first paint), loading the main dictionary made from the full system word list (beside a plain
// read of the same file), finding the misspelt words of a generated 1 MB page, suggestions for
// a 10-letter word, and the HTML walker's throughput on generated HTML.
#include "common/Paths.h"
#include "htmltools/TFormSpelling.h"
#include "htmltools/THTMLSpellCheck.h"
#include "htmltools/THTMLWalk.h"
#include "htmltools/TWordList.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

// The dictionary the build makes beside the program (build/bin), the benchmarks living in
// build/bench.
QString DictionaryPath() {
    static QString path;
    if (path.isEmpty()) {
        const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
        path = QFileInfo(self).absolutePath() + "/../bin/english.txt";
        if (!QFile::exists(path)) {
            std::fprintf(stderr, "%s is missing: build the glyphon_dictionary target first\n",
                         qPrintable(path));
            std::exit(1);
        }
    }
    return path;
}

const TWordList& MainDictionary() {
    static TWordList list;
    if (list.Count() == 0)
        list.LoadFromFile(DictionaryPath());
    return list;
}

// About Size characters of page: paragraphs of dictionary words with a misspelling in every
// sentence, links with attributes, a comment and a script now and then.
QString GeneratedPage(qsizetype size) {
    const QStringList& words = MainDictionary().Words();
    QString page = "<html><head><title>Generated page</title></head><body>\r\n";
    quint32 seed = 12345;
    const auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int paragraph = 0;
    while (page.size() < size) {
        page += "<p class=\"text\">";
        for (int i = 0; i < 40; ++i) {
            page += words[next() % words.size()];
            page += i % 9 == 4 ? " wrold " : " ";
            if (i % 13 == 7)
                page += "<a href=\"page" + QString::number(i) + ".htm\" title=\"a link\">link</a> ";
        }
        page += "&amp; more.</p>\r\n";
        if (++paragraph % 10 == 0)
            page += "<!-- a comment --><script>var x = 1 < 2;</script>\r\n";
    }
    return page + "</body></html>\r\n";
}

void BM_CreateSpellingWindow(benchmark::State& state) {
    for (auto _ : state) {
        TFormSpelling form;
        benchmark::DoNotOptimize(&form);
    }
}

void BM_PlainReadDictionary(benchmark::State& state) {
    const QString path = DictionaryPath();
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_LoadDictionaries(benchmark::State& state) {
    const QString path = DictionaryPath();
    for (auto _ : state) {
        TWordList main;
        TWordList user;
        main.LoadFromFile(path);
        user.LoadFromFile(path + ".no-user-dictionary");
        benchmark::DoNotOptimize(main.Count());
    }
    state.counters["words"] = double(MainDictionary().Count());
}

void BM_FindMisspellings1MB(benchmark::State& state) {
    const QString page = GeneratedPage(1 << 20);
    const TWordList user;
    qsizetype found = 0;
    for (auto _ : state)
        found = FindMisspellings(page, MainDictionary(), user).size();
    state.counters["misspelt"] = double(found);
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_SuggestWords10Letters(benchmark::State& state) {
    const TWordList user;
    qsizetype found = 0;
    for (auto _ : state)
        found = SuggestWords(u"mispelling", &MainDictionary(), &user).Count();
    state.counters["suggestions"] = double(found);
}

void BM_Walk(benchmark::State& state) {
    const QString page = GeneratedPage(16 << 20);
    THTMLWalk walk;
    for (auto _ : state)
        walk.Walk(page);
    // Characters of the page, one byte each in the 8-bit text the walker was made for.
    state.SetBytesProcessed(state.iterations() * page.size());
}

} // namespace

BENCHMARK(BM_CreateSpellingWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadDictionary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDictionaries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindMisspellings1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SuggestWords10Letters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) {
    // The window is made off screen, and the user's own folders are left alone.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    SetProgramFolderOverride(QFileInfo(DictionaryPath()).absolutePath());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
