#include "htmltools/TWordList.h"

#include "common/GlyphErrors.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

// Qt's case-insensitive order, with ASCII letters, which nearly every word is made of, compared
// without the Unicode tables.
int CompareWords(QStringView a, QStringView b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x >= 128 || y >= 128)
            return a.sliced(i).compare(b.sliced(i), Qt::CaseInsensitive);
        x = x >= u'A' && x <= u'Z' ? x + (u'a' - u'A') : x;
        y = y >= u'A' && y <= u'Z' ? y + (u'a' - u'A') : y;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

bool WordLess(const QString& a, QStringView b) {
    return CompareWords(a, b) < 0;
}

} // namespace

bool TWordList::Add(const QString& word) {
    const auto at = std::lower_bound(words_.begin(), words_.end(), QStringView(word), WordLess);
    if (at != words_.end() && CompareWords(*at, word) == 0)
        return false;
    words_.insert(at, word);
    return true;
}

bool TWordList::Contains(QStringView word) const {
    const auto at = std::lower_bound(words_.begin(), words_.end(), word, WordLess);
    return at != words_.end() && CompareWords(*at, word) == 0;
}

bool TWordList::LoadFromFile(const QString& fileName) {
    words_.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError)
        return false;
    // A file written in the list's own order (the shipped dictionary is) loads in one pass; any
    // other order is sorted once at the end.
    bool sorted = true;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        if (end > start) {
            const QStringView word = QStringView(text).sliced(start, end - start);
            const int order = words_.isEmpty() ? 1 : CompareWords(word, words_.constLast());
            if (order > 0)
                words_.append(word.toString());
            else if (order < 0) {
                words_.append(word.toString());
                sorted = false;
            }
        }
        start = end + (end + 1 < size && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
    }
    if (!sorted) {
        std::stable_sort(words_.begin(), words_.end(),
                         [](const QString& a, const QString& b) { return CompareWords(a, b) < 0; });
        words_.erase(
            std::unique(words_.begin(), words_.end(),
                        [](const QString& a, const QString& b) { return CompareWords(a, b) == 0; }),
            words_.end());
    }
    return true;
}

void TWordList::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    QByteArray bytes;
    for (const QString& word : words_)
        bytes += word.toUtf8() + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EGlyphFileError("Unable to write to " + fileName);
}
