#include "editor/TGlyphEditSearch.h"

#include <QChar>

namespace {

constexpr int CodeUnitCount = 0x10000;

struct Tables {
    std::array<char16_t, CodeUnitCount> lower{};
    std::array<char16_t, CodeUnitCount> identity{};
    std::array<bool, CodeUnitCount> delimiter{};

    Tables() {
        for (int c = 0; c < CodeUnitCount; ++c) {
            const auto unit = static_cast<char16_t>(c);
            identity[c] = unit;
            lower[c] = QChar::toLower(unit);
            delimiter[c] = !IsWordCharacter(static_cast<char32_t>(c));
        }
    }

    // Letters, digits and combining marks belong to words, so an accent written as a separate
    // mark does not end the word it sits on.
    static bool IsWordCharacter(char32_t c) {
        return c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
    }
};

const Tables& SharedTables() {
    static const Tables tables;
    return tables;
}

// The shift table is indexed by the low byte of a translated code unit.
inline int Bucket(char16_t c) {
    return c & 0xFF;
}

} // namespace

namespace GlyphSearchTables {

const char16_t* LowerCaseTable() {
    return SharedTables().lower.data();
}

const char16_t* IdentityTable() {
    return SharedTables().identity.data();
}

bool IsDelimiter(char16_t c) {
    return SharedTables().delimiter[c];
}

bool IsDelimiterBefore(const QString& text, qsizetype start) {
    if (start <= 0 || start > text.size())
        return true;
    const QChar c = text.at(start - 1);
    if (c.isLowSurrogate() && start >= 2 && text.at(start - 2).isHighSurrogate())
        return !Tables::IsWordCharacter(QChar::surrogateToUcs4(text.at(start - 2), c));
    return IsDelimiter(c.unicode());
}

bool IsDelimiterAfter(const QString& text, qsizetype end) {
    if (end < 0 || end >= text.size())
        return true;
    const QChar c = text.at(end);
    if (c.isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate())
        return !Tables::IsWordCharacter(QChar::surrogateToUcs4(c, text.at(end + 1)));
    return IsDelimiter(c.unicode());
}

} // namespace GlyphSearchTables

void TGlyphEditSearch::SetPattern(const QString& text) {
    if (text == pattern_)
        return;
    pattern_ = text;
    prepared_ = false;
}

void TGlyphEditSearch::SetMatchCase(bool value) {
    if (value == matchCase_)
        return;
    matchCase_ = value;
    caseTable_ = value ? GlyphSearchTables::IdentityTable() : GlyphSearchTables::LowerCaseTable();
    prepared_ = false;
}

void TGlyphEditSearch::SetWholeWord(bool value) {
    wholeWord_ = value;
}

int TGlyphEditSearch::FindAllInLine(const QString& text) {
    matches_.clear();
    for (int column = FindFirstMatch(text); column > 0; column = FindNextMatch())
        matches_.append(column);
    return MatchCount();
}

int TGlyphEditSearch::MatchAt(int index) const {
    if (index < 0 || index >= matches_.size())
        return 0;
    return matches_.at(index);
}

void TGlyphEditSearch::ShiftMatches(int after, int delta) {
    if (delta == 0)
        return;
    // The list is ascending, so the columns behind `after` form its tail.
    for (qsizetype i = matches_.size() - 1; i >= 0 && matches_.at(i) > after; --i)
        matches_[i] -= delta;
}

void TGlyphEditSearch::PreparePattern() {
    const int m = static_cast<int>(pattern_.size());
    if (m == 0)
        throw EGlyphSearchError(QStringLiteral("Pattern is empty"));
    translated_.resize(m);
    for (int j = 0; j < m; ++j)
        translated_[j] = caseTable_[pattern_.at(j).unicode()];

    // Each unit's shift is its distance from the pattern's end plus 1; a later occurrence
    // overwrites an earlier one, so every bucket keeps its smallest shift.
    shift_.fill(m + 1);
    for (int j = 0; j < m; ++j)
        shift_[Bucket(translated_[j])] = m - j;

    // How far the pattern may move after a failed comparison whose last character matched:
    // to the next occurrence of that character further left in the pattern.
    lookAt_ = m;
    const char16_t last = translated_[m - 1];
    for (int k = 1; k < m; ++k) {
        if (translated_[m - 1 - k] == last) {
            lookAt_ = k;
            break;
        }
    }
    prepared_ = true;
}

bool TGlyphEditSearch::MatchesAt(const QString& text, int column) {
    if (!prepared_)
        PreparePattern();
    const int m = static_cast<int>(translated_.size());
    if (column < 1 || column - 1 + m > text.size())
        return false;
    for (int j = 0; j < m; ++j) {
        if (caseTable_[text.at(column - 1 + j).unicode()] != translated_[j])
            return false;
    }
    return true;
}

int TGlyphEditSearch::FindFirstMatch(const QString& text) {
    if (!prepared_)
        PreparePattern();
    scanning_ = false;
    if (text.size() < pattern_.size())
        return 0;
    line_ = text;
    lineLength_ = static_cast<int>(text.size());
    scanPos_ = 0;
    scanning_ = true;
    return FindNextMatch();
}

bool TGlyphEditSearch::IsWholeWordAt(int matchEnd) const {
    const int m = static_cast<int>(translated_.size());
    // The match covers the 1-based columns matchEnd - m + 1 .. matchEnd, that is the 0-based
    // indices matchEnd - m .. matchEnd - 1.
    return GlyphSearchTables::IsDelimiterBefore(line_, matchEnd - m) &&
           GlyphSearchTables::IsDelimiterAfter(line_, matchEnd);
}

int TGlyphEditSearch::FindNextMatch() {
    // A scan left over from another pattern or case setting must not go on with the new tables.
    if (!scanning_ || !prepared_)
        return 0;
    const int m = static_cast<int>(translated_.size());
    const int n = lineLength_;
    const char16_t* tr = caseTable_;
    const char16_t* pat = translated_.data();
    const char16_t last = pat[m - 1];
    // With 1-based r, T[r] is t[r - 1]. QString keeps a terminating 0 behind its data, which
    // serves as T[n + 1].
    const char16_t* t = reinterpret_cast<const char16_t*>(line_.utf16());

    int r = scanPos_ + m;
    while (r <= n) {
        if (tr[t[r - 1]] != last) {
            // Horspool-Sunday step on the character behind the window.
            r += shift_[Bucket(tr[t[r]])];
            continue;
        }
        const char16_t* window = t + r - m;
        int j = 0;
        while (j < m && tr[window[j]] == pat[j])
            ++j;
        if (j == m && (!wholeWord_ || IsWholeWordAt(r))) {
            scanPos_ = r;
            return r - m + 1;
        }
        r += lookAt_;
        if (r > n)
            break;
        r += shift_[Bucket(tr[t[r - 1]])] - 1;
    }
    scanPos_ = n;
    scanning_ = false;
    line_ = QString(); // the caller may reuse the text's room for its next line
    return 0;
}
