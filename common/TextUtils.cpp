#include "common/TextUtils.h"

QString ReplaceAllText(const QString& text, const QString& oldText, const QString& newText) {
    if (oldText.isEmpty())
        return text;
    QString result = text;
    return result.replace(oldText, newText, Qt::CaseInsensitive);
}
