#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// What a printed PDF file shows, read back with Ghostscript: the text of each page (one text
// line per printed row, as laid out on the page) and a page rendered as a picture.
QStringList PdfPageTexts(const QString& pdfFile);
QImage PdfPageImage(const QString& pdfFile, int page, int dpi = 40);
