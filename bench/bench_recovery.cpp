// Typing in a 1,000,000-line file while its recovery journal is kept: the time of the slowest
// keystroke (the ones that hand a batch to the writer thread included) against the same typing
// with no journal. A keystroke must never take 16 ms or more because of the journal.
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphRecoveryJournal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

constexpr int BufferLines = 1000000;
constexpr int Keystrokes = 10000;
constexpr int LineWidth = 64;

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// The big file on disk, loaded into an editor: the journal's base is the file.
std::unique_ptr<TGlyphEdit> LoadedEditor(QString& fileName) {
    fileName = Folder().filePath("big.htm");
    if (!QFile::exists(fileName)) {
        QFile out(fileName);
        out.open(QIODevice::WriteOnly);
        for (int i = 0; i < BufferLines; ++i)
            out.write(QStringLiteral("    <p>Line %1 of the generated document, some text.</p>\r\n")
                          .arg(i)
                          .toUtf8());
    }
    auto edit = std::make_unique<TGlyphEdit>();
    edit->SetOptions(GlyphEditMainWindowOptions);
    edit->SetKeystrokes(MainWindowKeystrokes());
    edit->Lines().LoadFile(fileName);
    edit->SetModified(false);
    return edit;
}

double slowest[2] = {0, 0}; // milliseconds, without and with the journal

void Type(benchmark::State& state, bool withJournal) {
    QString fileName;
    const auto edit = LoadedEditor(fileName);
    std::unique_ptr<TGlyphRecoveryJournal> journal;
    if (withJournal) {
        journal = std::make_unique<TGlyphRecoveryJournal>(*edit, Folder().filePath("recovery"));
        edit->OnLinesChanged = [&](const TGlyphLinesChange& c) { journal->LinesChanged(c); };
        journal->Restart(fileName, true);
    }
    int iteration = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        int y = BufferLines / 2 + (iteration++ * (Keystrokes / LineWidth + 1)) % (BufferLines / 4);
        edit->SetCaretXY({5, y});
        for (int k = 0; k < Keystrokes; ++k) {
            if (k > 0 && k % LineWidth == 0)
                edit->SetCaretXY({5, ++y});
            clock.start();
            edit->RunCommand(ecChar, QChar(u'a' + k % 26));
            slowest[withJournal] = std::max(slowest[withJournal], clock.nsecsElapsed() / 1e6);
        }
    }
    if (journal)
        journal->Flush();
    edit->OnLinesChanged = nullptr;
    state.counters["keystroke"] = benchmark::Counter(
        Keystrokes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TypeWithoutJournal(benchmark::State& state) {
    Type(state, false);
}
BENCHMARK(BM_TypeWithoutJournal)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TypeWithRecoveryJournal(benchmark::State& state) {
    Type(state, true);
}
BENCHMARK(BM_TypeWithRecoveryJournal)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Slowest keystroke in %d lines: %.2f ms without the journal, %.2f ms with it "
                "(limit 16 ms)\n",
                BufferLines, slowest[0], slowest[1]);
    benchmark::Shutdown();
    return 0;
}
