// Find in Files on a generated site of 10,000 files and 500 MB beside `grep -r` (and `rg` when
// it is installed) on the same tree with the same file types, warm cache: a literal matched
// exactly, a literal ignoring case (the dialog's default) and a regular expression. Each
// workload runs once to warm the cache, then three times; the medians are printed with the
// ratio to grep.
//
//     bench_find_in_files [FOLDER]   (default: $TMPDIR/glyphon-bench-site, made on first run)
#include "app/FindInFiles.h"

#include "BenchMedian.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <random>
#include <sys/resource.h>

namespace {

constexpr int Folders = 100;
constexpr int FilesPerFolder = 100;
constexpr qint64 FileSize = 50 * 1000;
const char* const Extensions[] = {"html", "html", "html", "html", "html",
                                  "html", "css",  "js",   "js",   "php"};

// Lines of a site: mostly markup and text, now and then a navigation item (the literal), a
// link to a PHP page (the expression) and, in one file of ten, text beyond ASCII.
QByteArray GeneratedFile(std::mt19937& random, bool nonAscii) {
    QByteArray bytes;
    bytes.reserve(FileSize + 200);
    int n = 0;
    while (bytes.size() < FileSize) {
        const unsigned pick = random() % 1000;
        ++n;
        if (pick < 5)
            bytes += "  <li class=\"nav-item\"><a href=\"page" + QByteArray::number(n) +
                     ".html\">Page</a></li>\n";
        else if (pick < 15)
            bytes += "  <a href=\"/shop/item" + QByteArray::number(n) + ".php\">Item</a>\n";
        else if (nonAscii && pick < 40)
            bytes += "  <p>Caf\xC3\xA9 cr\xC3\xA8me \xE2\x80\x94 na\xC3\xAFve r\xC3\xA9sum\xC3\xA9 "
                     "</p>\n";
        else if (pick < 500)
            bytes += "  <div class=\"row\"><p>Lorem ipsum dolor sit amet, consectetur adipiscing "
                     "elit " +
                     QByteArray::number(n) + "</p></div>\n";
        else
            bytes += "    .block-" + QByteArray::number(n) +
                     " { margin: 0 auto; padding: 4px 8px; color: #333; }\n";
    }
    return bytes;
}

void GenerateSite(const QString& root) {
    std::mt19937 random(20261210);
    for (int d = 0; d < Folders; ++d) {
        const QString folder = QStringLiteral("%1/section%2").arg(root).arg(d);
        QDir().mkpath(folder);
        for (int f = 0; f < FilesPerFolder; ++f) {
            QFile file(QStringLiteral("%1/file%2.%3").arg(folder).arg(f).arg(Extensions[f % 10]));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(file.fileName()));
            file.write(GeneratedFile(random, f % 10 == 3));
        }
    }
    QFile stamp(root + "/.complete");
    stamp.open(QIODevice::WriteOnly);
}

struct TWorkload {
    const char* Name;
    QString Text;
    bool Regex;
    bool MatchCase;
    QStringList GrepArguments;
    QStringList RgArguments;
};

// CPU seconds (user and system) of this process or of its ended children: on a shared machine
// the wall time says as much about the other programs as about the one measured.
double CpuMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct TTimes {
    double Wall;
    double Cpu;
};

TTimes TimeOurs(const QString& root, const TWorkload& w, int& matches) {
    TFindInFilesOptions options;
    options.Walk.Folder = root;
    options.Walk.Patterns = "*.htm;*.html;*.php;*.css;*.js";
    options.Text = w.Text;
    options.RegularExpression = w.Regex;
    options.MatchCase = w.MatchCase;
    TFindInFilesWorker worker;
    QEventLoop loop;
    QObject::connect(&worker, &TFindInFilesWorker::Finished, &loop,
                     [&](const TFilesTotals& totals) {
                         matches = totals.Matches;
                         loop.quit();
                     });
    QElapsedTimer timer;
    const double cpu = CpuMs(RUSAGE_SELF);
    timer.start();
    worker.StartFind(options);
    loop.exec();
    return {double(timer.nsecsElapsed()) / 1e6, CpuMs(RUSAGE_SELF) - cpu};
}

TTimes TimeProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    const double cpu = CpuMs(RUSAGE_CHILDREN);
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    return {double(timer.nsecsElapsed()) / 1e6, CpuMs(RUSAGE_CHILDREN) - cpu};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString root =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + "/glyphon-bench-site";
    if (!QFile::exists(root + "/.complete")) {
        std::printf("generating %d files of %lld bytes in %s\n", Folders * FilesPerFolder, FileSize,
                    qPrintable(root));
        GenerateSite(root);
    }
    const QString rg = QStandardPaths::findExecutable("rg");
    const QStringList include = {"--include=*.htm", "--include=*.html", "--include=*.php",
                                 "--include=*.css", "--include=*.js"};
    const QStringList globs = {"-g", "*.{htm,html,php,css,js}"};
    const QString literal = "nav-item";
    const QString regex = R"(href="[^"]*\.php")";
    const TWorkload workloads[] = {
        {"literal, match case", literal, false, true,
         QStringList{"-rnF"} + include + QStringList{literal, root},
         QStringList{"-nF"} + globs + QStringList{literal, root}},
        {"literal, ignoring case", literal, false, false,
         QStringList{"-rniF"} + include + QStringList{literal, root},
         QStringList{"-niF"} + globs + QStringList{literal, root}},
        {"regular expression", regex, true, true,
         QStringList{"-rnE"} + include + QStringList{regex, root},
         QStringList{"-n"} + globs + QStringList{regex, root}},
    };
    // grep runs in the locale a user's desktop has, which decides its case folding.
    qputenv("LC_ALL", "C.UTF-8");
    std::printf("%-24s %9s %9s %9s %9s %9s %8s %8s %9s\n", "workload", "ours ms", "cpu ms",
                "grep ms", "cpu ms", "rg ms", "x grep", "cpu x", "matches");
    for (const TWorkload& w : workloads) {
        int matches = 0;
        TimeOurs(root, w, matches);
        TimeProgram("grep", w.GrepArguments);
        std::vector<double> ours, oursCpu, grep, grepCpu, ripgrep;
        for (int i = 0; i < 3; ++i) {
            const TTimes o = TimeOurs(root, w, matches);
            const TTimes g = TimeProgram("grep", w.GrepArguments);
            ours.push_back(o.Wall);
            oursCpu.push_back(o.Cpu);
            grep.push_back(g.Wall);
            grepCpu.push_back(g.Cpu);
            if (!rg.isEmpty())
                ripgrep.push_back(TimeProgram(rg, w.RgArguments).Wall);
        }
        std::printf("%-24s %9.0f %9.0f %9.0f %9.0f %9s %8.2f %8.2f %9d\n", w.Name, Median(ours),
                    Median(oursCpu), Median(grep), Median(grepCpu),
                    rg.isEmpty() ? "-" : qPrintable(QString::number(Median(ripgrep), 'f', 0)),
                    Median(ours) / Median(grep), Median(oursCpu) / Median(grepCpu), matches);
    }
    return 0;
}
