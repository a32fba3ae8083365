#pragma once

#include "common/GlyphErrors.h"

#include <QList>
#include <QString>
#include <array>
#include <vector>

// The search engine's error: "Pattern is empty".
class EGlyphSearchError : public EGlyphError {
public:
    using EGlyphError::EGlyphError;
};

// The character tables of the search, built once on first use and shared by every engine.
// Characters are UTF-16 code units, so each table has one entry per code unit.
namespace GlyphSearchTables {
// Maps every code unit to its lower-case form (accented capitals fold too).
const char16_t* LowerCaseTable();
// Maps every code unit to itself; used when case matters.
const char16_t* IdentityTable();
// True for every code unit that is neither a letter, a digit, a combining mark nor the
// underscore. Surrogate pairs are classified by the two functions below.
bool IsDelimiter(char16_t c);
// Whether the character that ends right before the 0-based index `start` is a delimiter; the
// line's start counts as one. A surrogate pair is classified as the one character it encodes.
bool IsDelimiterBefore(const QString& text, qsizetype start);
// Whether the character that begins at the 0-based index `end` is a delimiter; the line's end
// counts as one.
bool IsDelimiterAfter(const QString& text, qsizetype end);
} // namespace GlyphSearchTables

// Finds every occurrence of a plain pattern in one line of text with a Boyer-Moore-Horspool
// scan, optionally ignoring case and optionally only as a whole word. Columns are 1-based and
// count UTF-16 code units. Matches never overlap: after a match the scan goes on behind it.
class TGlyphEditSearch {
public:
    TGlyphEditSearch() = default;
    virtual ~TGlyphEditSearch() = default;

    QString Pattern() const { return pattern_; }
    virtual void SetPattern(const QString& text);

    bool MatchCase() const { return matchCase_; }
    virtual void SetMatchCase(bool value);

    bool WholeWord() const { return wholeWord_; }
    virtual void SetWholeWord(bool value);

    // Whether the shift table belongs to the present pattern and case setting.
    bool Prepared() const { return prepared_; }

    // Fills the match list with every match of the line and answers their number.
    virtual int FindAllInLine(const QString& text);
    int MatchCount() const { return static_cast<int>(matches_.size()); }
    // The column of the 0-based entry, or 0 for an index outside the list.
    int MatchAt(int index) const;
    // Moves every column greater than `after` back by `delta`, so that the line's remaining
    // matches stay right after an earlier match was replaced by text of another length.
    void ShiftMatches(int after, int delta);

    // Whether the pattern stands at the 1-based column of the text, under the case rule (the
    // whole-word rule is not applied).
    bool MatchesAt(const QString& text, int column);

    // Starts a scan of the text and answers the column of its first match, or 0.
    virtual int FindFirstMatch(const QString& text);
    // The column of the next match of the scan, or 0.
    virtual int FindNextMatch();

private:
    void PreparePattern();
    bool IsWholeWordAt(int matchEnd) const;

    QString pattern_;
    bool matchCase_ = false;
    bool wholeWord_ = false;

    // Prepared form of the pattern: translated through the case table, the shift per
    // translated code unit (hashed to its low byte; colliding units keep the smallest shift,
    // which is always safe) and the look-at distance after a failed comparison.
    bool prepared_ = false;
    const char16_t* caseTable_ = GlyphSearchTables::LowerCaseTable();
    std::vector<char16_t> translated_;
    std::array<int, 256> shift_{};
    int lookAt_ = 1;

    QList<int> matches_;

    // Scan state: the line, its length and the 1-based position under the pattern's last
    // character.
    QString line_;
    int lineLength_ = 0;
    int scanPos_ = 0;
    bool scanning_ = false;
};
