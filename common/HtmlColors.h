#pragma once

#include <QColor>
#include <QString>

// The colour as six upper-case hexadecimal digits, red, green, blue, without "#": blue is
// "0000FF".
QString ColorToHtml(const QColor& color);

// Every character that is not a hexadecimal digit is dropped; digits 1-2 are red, 3-4 green and
// 5-6 blue, a missing pair is 0 and a single last digit is read alone ("F80" is red F8, green 0,
// blue 0). Never fails: unreadable text gives black.
QColor HtmlToColor(const QString& text);
