#pragma once

// The body lines of the generated HTML files the benchmarks measure with: four kinds of lines,
// numbered, so that no two are alike.

#include <QByteArray>
#include <QString>

inline QByteArray BodyLine(int i) {
    switch (i % 4) {
    case 0:
        return QStringLiteral("  <p class=\"row\">Line %1 of the document, some text.</p>")
            .arg(i)
            .toUtf8();
    case 1:
        return QStringLiteral("  <a href=\"page-%1.html\">link to the document %1</a>")
            .arg(i)
            .toUtf8();
    case 2:
        return QStringLiteral("  <div id=\"d-%1\"><span>the document text</span></div>")
            .arg(i)
            .toUtf8();
    default:
        return QStringLiteral("  <td width=\"50%\">cell %1 &amp; document</td>").arg(i).toUtf8();
    }
}
