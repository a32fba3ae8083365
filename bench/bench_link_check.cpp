// The link checker on a generated site of 10,000 pages with 50 links each, checked locally (no
// remote addresses), as the worker of Format > Check Links... runs it, three times. Target:
// within 10 s.
//
//   build/bench/bench_link_check
#include "app/LinkChecker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Pages = 10'000;
constexpr int LinksPerPage = 50;
constexpr int PagesPerFolder = 100;

QString PageName(int n) {
    return QStringLiteral("d%1/page%2.html").arg(n / PagesPerFolder).arg(n);
}

} // namespace

int main() {
    QTemporaryDir site;
    for (int n = 0; n < Pages / PagesPerFolder; ++n)
        QDir(site.path()).mkpath(QStringLiteral("d%1").arg(n));
    QFile image(site.filePath("logo.png"));
    if (!image.open(QIODevice::WriteOnly))
        return 1;
    image.close();
    // Links to other pages (with and without fragments), a picture, remote addresses, and one
    // missing page in every page.
    for (int n = 0; n < Pages; ++n) {
        QByteArray page = "<html><head><title>Page</title></head><body>\n";
        page += QStringLiteral("<h1 id=\"top%1\">Page %1</h1>\n").arg(n).toUtf8();
        for (int k = 0; k < LinksPerPage; ++k) {
            const int to = (n * 7 + k * 13) % Pages;
            QString link;
            switch (k % 5) {
            case 0:
                link = QStringLiteral("../%1#top%2").arg(PageName(to)).arg(to);
                break;
            case 1:
                link = QStringLiteral("/%1").arg(PageName(to));
                break;
            case 2:
                link = QStringLiteral("../logo.png");
                break;
            case 3:
                link = QStringLiteral("https://example.com/p%1").arg(to);
                break;
            default:
                link = k == 4 ? QStringLiteral("missing%1.html").arg(n) : "../" + PageName(to);
            }
            page += QStringLiteral("<p>Paragraph %1 with <a href=\"%2\">a link</a>.</p>\n")
                        .arg(k)
                        .arg(link)
                        .toUtf8();
        }
        page += "</body></html>\n";
        QFile file(site.filePath(PageName(n)));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(page);
    }
    for (int run = 0; run < 3; ++run) {
        std::atomic_bool cancel = false;
        int problems = 0;
        QElapsedTimer clock;
        clock.start();
        TLinkChecker checker({.Folder = site.path(), .Remote = false}, cancel);
        const TLinkCheckTotals totals = checker.Run([&](const TLinkProblem&) { ++problems; });
        std::printf("%s: %d pages, %d links, %d problems in %.2f s\n", run == 0 ? "cold" : "warm",
                    totals.Pages, totals.Links, problems, double(clock.nsecsElapsed()) * 1e-9);
    }
    return 0;
}
