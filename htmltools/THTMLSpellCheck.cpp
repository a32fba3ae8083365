#include "htmltools/THTMLSpellCheck.h"

#include "common/MakerServices.h"
#include "common/Paths.h"

#include <QFileInfo>

#include <array>
#include <utility>

namespace {

bool IsAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

bool IsAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool StartsWord(QChar c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c);
}

bool ContinuesWord(QChar c) {
    return StartsWord(c) || c == u'\'' || c == u'-' || c == u'_';
}

// The entities that stand between words rather than for a letter of one.
constexpr std::array<QStringView, 6> SeparatorEntities = {u"&nbsp;", u"&quot;", u"&amp;",
                                                          u"&reg;",  u"&gt;",   u"&lt;"};

qsizetype SeparatorEntityLength(QStringView rest) {
    for (QStringView entity : SeparatorEntities) {
        if (rest.startsWith(entity, Qt::CaseInsensitive))
            return entity.size();
    }
    return 0;
}

QString AsciiLower(QString word) {
    for (QChar& c : word) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return word;
}

} // namespace

void THTMLSpellCheck::DoTag() {
    if (IsTag(u"script") || IsTag(u"style"))
        InScriptOrStyle = true;
    if (IsTag(u"/script") || IsTag(u"/style"))
        InScriptOrStyle = false;
}

void THTMLSpellCheck::DoTextBegin() {
    RunPos = CurrentPos();
}

void THTMLSpellCheck::DoText() {
    if (InScriptOrStyle)
        return;
    for (const TWordSpan& word : FindWords(TextRun)) {
        const TWordSpan span{word.Start + RunPos - 1, word.Length};
        if (!IsKnownWord(Source().sliced(span.Start - 1, span.Length), main_, user_))
            Misspellings.append(span);
    }
}

TWordSpans FindMisspellings(const QString& text, const TWordList& mainDictionary,
                            const TWordList& userDictionary) {
    THTMLSpellCheck check(mainDictionary, userDictionary);
    check.Walk(text);
    return std::move(check.Misspellings);
}

TWordSpans FindWords(QStringView run) {
    TWordSpans words;
    qsizetype i = 0;
    while (i < run.size()) {
        if (StartsWord(run[i])) {
            const qsizetype start = i;
            while (i < run.size() && ContinuesWord(run[i]))
                ++i;
            words.append({start + 1, i - start});
        } else {
            i += std::max<qsizetype>(1, SeparatorEntityLength(run.sliced(i)));
        }
    }
    return words;
}

bool IsKnownIn(QStringView word, const TWordList& list) {
    if (word.size() < 2 || IsAsciiDigit(word[0]) || list.Contains(word))
        return true;
    QString letters;
    letters.reserve(word.size());
    for (QChar c : word) {
        if (IsAsciiLetter(c))
            letters += c;
    }
    if (letters.size() < 2 || list.Contains(letters))
        return true;
    if (letters.size() <= 3)
        return false;
    if (letters.endsWith(u's', Qt::CaseInsensitive))
        return list.Contains(QStringView(letters).chopped(1));
    return false;
}

bool IsKnownWord(QStringView word, const TWordList& mainDictionary,
                 const TWordList& userDictionary) {
    return IsKnownIn(word, mainDictionary) || IsKnownIn(word, userDictionary);
}

bool InWordLists(QStringView word, const TWordList* mainDictionary,
                 const TWordList* userDictionary) {
    return (mainDictionary && mainDictionary->Contains(word)) ||
           (userDictionary && userDictionary->Contains(word));
}

TWordList SuggestWords(QStringView word, const TWordList* mainDictionary,
                       const TWordList* userDictionary) {
    TWordList result;
    const auto consider = [&](const QString& candidate) {
        if (InWordLists(candidate, mainDictionary, userDictionary))
            result.Add(AsciiLower(candidate));
    };
    const QString original = word.toString();
    for (qsizetype i = 0; i < original.size(); ++i) {
        QString candidate = original;
        for (char16_t letter = u'a'; letter <= u'z'; ++letter) {
            candidate[i] = QChar(letter);
            consider(candidate);
        }
    }
    for (qsizetype i = 0; i < original.size(); ++i)
        consider(QString(original).remove(i, 1));
    // Two neighbours swapped is the commonest slip of all ("teh" for "the").
    for (qsizetype i = 0; i + 1 < original.size(); ++i) {
        QString candidate = original;
        std::swap(candidate[i], candidate[i + 1]);
        consider(candidate);
    }
    for (qsizetype i = 0; i <= original.size(); ++i) {
        QString candidate = QString(original).insert(i, QChar(u'a'));
        for (char16_t letter = u'a'; letter <= u'z'; ++letter) {
            candidate[i] = QChar(letter);
            consider(candidate);
        }
    }
    return result;
}

QString MainDictionaryPath() {
    // A dictionary the maker's updater installed wins over the one that ships with the program.
    const QString component = ComponentPath("Dictionary");
    if (!component.isEmpty()) {
        const QString installed = QFileInfo(component).absolutePath() + "/english.txt";
        if (QFileInfo(installed).isFile())
            return installed;
    }
    return ProgramFilePath("english.txt");
}

QString UserDictionaryPath() {
    return MakerDataFilePath("userdict.txt");
}
