// Loading and saving a generated 50 MB, 1,000,000-line HTML file through the line buffer, beside a
// plain read of the same file into memory, with the resident memory the loaded buffer costs.
#include "editor/TGlyphEditStringList.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int LineCount = 1'000'000;

QString SampleFile() {
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        path = dir.filePath("sample.htm");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray chunk;
        for (int i = 0; i < LineCount; ++i) {
            chunk += "<p class=\"row\">Line " + QByteArray::number(i) + " with <b>bold</b></p>\r\n";
            if (chunk.size() > (1 << 20)) {
                f.write(chunk);
                chunk.clear();
            }
        }
        f.write(chunk);
    }
    return path;
}

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void BM_PlainReadIntoMemory(benchmark::State& state) {
    const QString path = SampleFile();
    for (auto _ : state) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QByteArray bytes = f.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

void BM_LoadFile(benchmark::State& state) {
    const QString path = SampleFile();
    const double fileSize = static_cast<double>(QFileInfo(path).size());
    double residentPerLine = -1;
    for (auto _ : state) {
        const long before = ResidentBytes();
        TGlyphEditStringList list;
        list.LoadFile(path);
        // Only the first load counts: later ones reuse memory the allocator kept.
        if (residentPerLine < 0)
            residentPerLine = static_cast<double>(ResidentBytes() - before) / list.LineCount();
        benchmark::DoNotOptimize(list.LineCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fileSize));
    state.counters["resident_bytes_per_line"] = residentPerLine;
    state.counters["resident_x_file_size"] = residentPerLine * LineCount / fileSize;
}

void BM_SaveFile(benchmark::State& state) {
    const QString path = SampleFile();
    TGlyphEditStringList list;
    list.LoadFile(path);
    QTemporaryDir dir;
    const QString target = dir.filePath("saved.htm");
    for (auto _ : state)
        list.SaveFile(target);
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

} // namespace

BENCHMARK(BM_PlainReadIntoMemory)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
