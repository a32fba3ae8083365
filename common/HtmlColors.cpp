#include "common/HtmlColors.h"

namespace {
bool IsHexDigit(QChar c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
} // namespace

QString ColorToHtml(const QColor& color) {
    const QColor rgb = color.toRgb();
    return QString::asprintf("%.2X%.2X%.2X", rgb.red(), rgb.green(), rgb.blue());
}

QColor HtmlToColor(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (IsHexDigit(c))
            digits += c;
    }
    const auto component = [&digits](int start) {
        bool ok = false;
        const int value = digits.mid(start, 2).toInt(&ok, 16);
        return ok ? value : 0;
    };
    return QColor(component(0), component(2), component(4));
}
