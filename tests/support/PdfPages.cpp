#include "PdfPages.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

bool RunGhostscript(const QStringList& arguments) {
    QProcess gs;
    gs.start(QStringLiteral("gs"),
             QStringList{"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER"} + arguments);
    return gs.waitForFinished(60000) && gs.exitStatus() == QProcess::NormalExit &&
           gs.exitCode() == 0;
}

} // namespace

QStringList PdfPageTexts(const QString& pdfFile) {
    QTemporaryDir dir;
    if (!RunGhostscript(
            {"-sDEVICE=txtwrite", "-sOutputFile=" + dir.filePath("p%04d.txt"), pdfFile}))
        return {QStringLiteral("<gs failed>")};
    QStringList pages;
    for (const QString& name : QDir(dir.path()).entryList({"p*.txt"}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        pages << QString::fromUtf8(file.readAll());
    }
    return pages;
}

QImage PdfPageImage(const QString& pdfFile, int page, int dpi) {
    QTemporaryDir dir;
    const QString png = dir.filePath("page.png");
    if (!RunGhostscript({"-sDEVICE=png16m", "-r" + QString::number(dpi),
                         "-dFirstPage=" + QString::number(page),
                         "-dLastPage=" + QString::number(page), "-sOutputFile=" + png, pdfFile}))
        return {};
    return QImage(png);
}
