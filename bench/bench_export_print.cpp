// Export and printing of the 1,000,000-line HTML file that bench_peers measures, each beside a
// reference measured in the same run:
// - Export as HTML, the page written to a file, beside the plain highlighting scan of the same
//   lines (targets: at least 25 MB/s, at most 3 times the scan's time), with the memory the
//   export adds at its peak (target: at most twice the output's size); then Copy as HTML of the
//   whole text, which makes the page in memory, for comparison;
// - printing to PDF beside QTextDocument::print of the same plain text (targets: at least 200
//   pages per second, ours at least as fast). Both print the first lines of the file only
//   ("--print-lines N", 100,000 by default), since laying out the whole file in a QTextDocument
//   takes longer than anyone waits.
// "--rounds N" runs the scan and the export N times each (3 by default); "--export-only" stops
// after them.
#include "app/TFormGlyphon.h"
#include "bench/BenchMedian.h"
#include "bench/GeneratedHtml.h"
#include "editor/TGlyphEditPrint.h"
#include "editor/TGlyphEditStringList.h"
#include "highlight/TGlyphExporterHTML.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int HtmlLines = 1'000'000;

void WriteHtmlFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    file.write("<html>\n<head><title>Generated</title></head>\n<body>\n");
    for (int i = 3; i < HtmlLines - 2; ++i)
        file.write(BodyLine(i) + '\n');
    file.write("</body>\n</html>\n");
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
qint64 StatusBytes(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)) + 1)
                       .trimmed()
                       .split(' ')[0]
                       .toLongLong() *
                   1024;
    }
    return 0;
}

// Lets the peak resident size start again from the present one.
void ResetPeakMemory() {
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// The process's processor time: the machine is shared, and the wall clock counts the others.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// Times work in processor seconds.
class TCpuTimer {
public:
    void restart() { start_ = CpuSeconds(); }
    double Seconds() const { return CpuSeconds() - start_; }

private:
    double start_ = CpuSeconds();
};

void PrintToPdf(QPrinter& printer, const QString& file) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The main window made below keeps its settings in a folder of this run only.
    QTemporaryDir dir;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qputenv(name, dir.path().toUtf8());
    QApplication app(argc, argv);
    int printLines = 100'000;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf("--print-lines"); at > 0 && at + 1 < args.size())
        printLines = args[at + 1].toInt();
    int rounds = 3;
    if (const qsizetype at = args.indexOf("--rounds"); at > 0 && at + 1 < args.size())
        rounds = std::max(1, args[at + 1].toInt());

    const QString html = dir.filePath("lines.html");
    WriteHtmlFile(html);
    const double megabytes = QFile(html).size() / 1e6;
    TGlyphEditStringList lines;
    lines.LoadFile(html);
    // The HTML highlighter with the main window's colours, as the user exports and prints.
    TFormGlyphon form;
    TGlyphHTMLHighlighter& highlighter = form.GlyphHTMLHighlighter();

    const auto scanSeconds = [&] {
        TCpuTimer timer;
        highlighter.ResetState();
        for (int i = 0; i < lines.LineCount(); ++i) {
            highlighter.StartLine(lines.GetLine(i), i);
            highlighter.ScanToLineEnd();
        }
        return timer.Seconds();
    };

    // Export as HTML: the page written to a file as it is made. The scan and the export run by
    // turns, a few times each, and the medians count: the machine is shared.
    TGlyphExporterHTML exporter;
    exporter.SetHighlighter(&highlighter);
    const TGlyphExportLines exported{lines.LineCount(), [&](int i) { return lines.GetLine(i); }};
    const QString page = dir.filePath("lines-export.htm");
    std::vector<double> scans, exports, ratios;
    double added = 0;
    double output = 0;
    for (int run = 0; run < rounds; ++run) {
        scans.push_back(scanSeconds());
        ResetPeakMemory();
        const qint64 before = StatusBytes("VmRSS:");
        TCpuTimer timer;
        exporter.ExportRangeToFile(page, exported, {1, 1}, {INT_MAX, INT_MAX});
        exports.push_back(timer.Seconds());
        // Each export against the scan just before it: the machine's speed changes from one
        // minute to the next, and neighbours share it.
        ratios.push_back(exports.back() / scans.back());
        added = std::max(added, double(StatusBytes("VmHWM:") - before));
        output = double(QFile(page).size());
        QFile::remove(page);
    }
    const double scan = Median(scans);
    const double exportTime = Median(exports);
    std::printf("file: %d lines, %.1f MB\n", lines.LineCount(), megabytes);
    std::printf("%-34s %10s %12s\n", "workload", "cpu s", "rate");
    std::printf("%-34s %10.3f %9.1f MB/s\n", "highlighting scan", scan, megabytes / scan);
    std::printf("%-34s %10.3f %9.1f MB/s\n", "HTML export", exportTime, megabytes / exportTime);
    std::printf("export / scan: %.2f (target <= 3), output %.1f MB, memory added %.1f MB = "
                "%.2f x output (target <= 2)\n",
                Median(ratios), output / 1e6, added / 1e6, added / output);
    if (args.contains("--export-only"))
        return 0;

    // Copy as HTML of the whole text: the clipboard form, made in memory.
    exporter.WholeDocument = false;
    TCpuTimer timer;
    exporter.ExportLines(exported);
    const double copyTime = timer.Seconds();
    exporter.ResetOutput();
    std::printf("%-34s %10.3f %9.1f MB/s\n", "copy as HTML (in memory)", copyTime,
                megabytes / copyTime);

    QStringList printed;
    for (int i = 0; i < std::min(printLines, lines.LineCount()); ++i)
        printed << lines.GetLine(i);
    const QFont font(QStringLiteral("Courier New"), 10);

    TGlyphEditPrint print;
    print.SetLines(printed);
    print.SetFont(font);
    print.SetHighlighter(&highlighter);
    QPrinter ours(QPrinter::HighResolution);
    PrintToPdf(ours, dir.filePath("ours.pdf"));
    timer.restart();
    print.PrintDocument(ours);
    const double oursTime = timer.Seconds();

    QTextDocument document;
    document.setDefaultFont(font);
    document.setPlainText(printed.join(u'\n'));
    QPrinter reference(QPrinter::HighResolution);
    PrintToPdf(reference, dir.filePath("reference.pdf"));
    // The same text area as ours: our margins on the same paper, no margin of the document's own.
    const TGlyphEditPrintMargins& margins = print.Margins;
    reference.setPageMargins(QMarginsF(margins.Left, margins.Top, margins.Right, margins.Bottom),
                             QPageLayout::Millimeter);
    document.setDocumentMargin(0);
    // Laid out for the page, so that its page count is the printed one. The document measures
    // in pixels of the screen and print() stretches its page over the printer's: a page of the
    // text area's size in those pixels prints the font at its own size, as ours does.
    const double documentDpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    document.setPageSize(reference.pageRect(QPrinter::Inch).size() * documentDpi);
    timer.restart();
    document.print(&reference);
    const double referenceTime = timer.Seconds();

    std::printf("%-34s %10.3f %8.0f pages/s (%d pages)\n", "print to PDF (ours)", oursTime,
                print.PageCount() / oursTime, print.PageCount());
    std::printf("%-34s %10.3f %8.0f pages/s (%d pages)\n", "QTextDocument::print", referenceTime,
                document.pageCount() / referenceTime, document.pageCount());
    std::printf("ours / QTextDocument time per page: %.2f (target <= 1)\n",
                (oursTime / print.PageCount()) / (referenceTime / document.pageCount()));
    return 0;
}
