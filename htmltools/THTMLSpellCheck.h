#pragma once

#include "htmltools/THTMLWalk.h"
#include "htmltools/TWordList.h"

#include <QList>
#include <QString>

// A word in a text: the 1-based offset of its first character and its length in characters.
struct TWordSpan {
    qsizetype Start = 0;
    qsizetype Length = 0;
    friend bool operator==(const TWordSpan&, const TWordSpan&) = default;
};
using TWordSpans = QList<TWordSpan>;

// Finds the words a reader of a page sees that neither word list knows: text runs outside
// "script" and "style" elements; tags, attribute values and comments are never looked at.
class THTMLSpellCheck : public THTMLWalk {
public:
    THTMLSpellCheck(const TWordList& mainDictionary, const TWordList& userDictionary)
        : main_(mainDictionary), user_(userDictionary) {}

    bool InScriptOrStyle = false;
    qsizetype RunPos = 0; // 1-based offset of the current text run
    TWordSpans Misspellings;

protected:
    void DoTag() override;
    void DoTextBegin() override;
    void DoText() override;

private:
    const TWordList& main_;
    const TWordList& user_;
};

// The spans, in the whole of Text, of the words that neither list knows.
TWordSpans FindMisspellings(const QString& text, const TWordList& mainDictionary,
                            const TWordList& userDictionary);

// The words of one piece of text, with starts counted from 1 in the piece. A word begins with an
// ASCII letter or digit and goes on over letters, digits, "'", "-" and "_"; the entities
// &nbsp; &quot; &amp; &reg; &gt; &lt; are skipped whole, any other "&" is a separator.
TWordSpans FindWords(QStringView run);

// Whether List knows Word: as it is, without its non-letters, or (4 letters or more) without a
// final "s". Words shorter than 2 characters and words that begin with a digit are known.
bool IsKnownIn(QStringView word, const TWordList& list);
bool IsKnownWord(QStringView word, const TWordList& mainDictionary,
                 const TWordList& userDictionary);
// Whether either list, when there is one, holds Word exactly (case aside).
bool InWordLists(QStringView word, const TWordList* mainDictionary,
                 const TWordList* userDictionary);

// The words, lower-cased, that one replaced, removed or inserted letter, or two neighbouring
// characters swapped, make of Word and that either list holds.
TWordList SuggestWords(QStringView word, const TWordList* mainDictionary,
                       const TWordList* userDictionary);

// Where the main dictionary "english.txt" and the user's "userdict.txt" are read from.
QString MainDictionaryPath();
QString UserDictionaryPath();
