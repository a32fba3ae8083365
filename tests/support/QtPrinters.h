#pragma once

// Readable GoogleTest messages for Qt values: include this in a test file and failed checks on
// QString, QStringList, QColor, QRect, QSize, QPoint and QUrl print the values, not their bytes.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list.at(i).toStdString() << '"';
    *out << '}';
}

inline void PrintTo(const QColor& color, std::ostream* out) {
    *out << "QColor(" << color.name(QColor::HexArgb).toStdString() << ')';
}

inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height()
         << ')';
}

inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << "QSize(" << size.width() << 'x' << size.height() << ')';
}

inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "QPoint(" << point.x() << ',' << point.y() << ')';
}

inline void PrintTo(const QUrl& url, std::ostream* out) {
    *out << "QUrl(" << url.toString().toStdString() << ')';
}
