#pragma once

#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditSearch.h"

#include <QFlags>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Options of one FindAndReplace call (the values are bits).
enum TGlyphSearchOption : unsigned {
    SearchMatchCase = 1,      // compare exactly; otherwise both sides are folded to lower case
    SearchWholeWord = 2,      // a delimiter (or the line's start or end) on both sides
    SearchBackward = 4,       // walk from the end of the range towards its start
    SearchEntireText = 8,     // the whole text; otherwise from (backwards: up to) the caret
    SearchSelectionOnly = 16, // only the selection; ignored when nothing is selected
    SearchReplace = 32,       // replace the first match found, then stop
    SearchReplaceAll = 64,    // replace every match in the range
    SearchPrompt = 128,       // ask OnReplaceText before each replacement
};
Q_DECLARE_FLAGS(TGlyphSearchOptions, TGlyphSearchOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGlyphSearchOptions)

// The answer to a replacement prompt.
enum TGlyphReplaceAction {
    raCancel = 0,     // stop
    raSkip = 1,       // leave this match
    raReplace = 2,    // replace it
    raReplaceAll = 3, // replace it and every following one without asking again
};

// Asks whether to replace the match at (column, line); `action` holds raCancel on entry and the
// handler's value of it is the answer.
using TGlyphReplaceTextEvent =
    std::function<void(TCustomGlyphEdit* sender, const QString& search, const QString& replace,
                       int line, int column, TGlyphReplaceAction& action)>;

// Lets an owner put in an engine of its own before every search.
using TGlyphEditSearchOverride =
    std::function<void(TCustomGlyphEdit* sender, std::unique_ptr<TGlyphEditSearch>& engine)>;

// Find and replace for one editor: decides the range to search, walks it line by line forwards
// or backwards with the search engine, selects each match and replaces once, replaces all, or
// asks for each match. It lives beside its editor and keeps the editor's engine, so that the
// pattern prepared by one search serves the next.
class TGlyphEditFindReplace {
public:
    explicit TGlyphEditFindReplace(TCustomGlyphEdit& edit);

    // Answers the number of matches handled: 0 when nothing was found, 1 after a plain search or
    // a single replacement, the number of matches replaced or skipped after replace all.
    int FindAndReplace(const QString& search, const QString& replace, TGlyphSearchOptions options);

    // Replace all shares the walk over at least this many lines with a second core.
    static constexpr int SharedWalkLines = 20000;

    // The engine slot; empty until the first search.
    TGlyphEditSearch* SearchEngine() const { return engine_.get(); }

    TGlyphReplaceTextEvent OnReplaceText;
    TGlyphEditSearchOverride OnSearchEngineOverride;

private:
    struct TRange {
        TBufferCoord Start;
        TBufferCoord End;
    };

    TRange SearchRange(bool backward, bool fromCaret, bool selectionOnly) const;
    bool InRange(int p, int s, int line, const TRange& range) const;
    void ShowMatch(int p, int s, int line, bool backward);
    void ReplaceMatch(const QString& replace);
    // What replacing all matches of one line in one pass did.
    struct TLineReplaced {
        int Count = 0; // matches replaced
        int Line = 0;  // the line the replacements ended on (below `line` when they hold breaks)
    };

    bool CanReplaceLineAtOnce() const;
    // `pieces`: the replacement split at its line breaks. `engine` holds the line's matches.
    void MatchesToReplace(const TGlyphEditSearch& engine, const QString& text, int line,
                          const QString& replace, const QStringList& pieces, TRange& range,
                          bool backward, QList<int>& hits) const;
    // The lines with matches that replace all without line breaks rebuilds, from `first` to
    // `last` in the order of the walk: all but the latest one, and that one apart.
    struct TWalk {
        std::vector<int> Lines; // 0-based
        std::vector<TGlyphEditLineChars> Chars;
        int Count = 0;
        int LastLine = 0; // 1-based; 0 when no line had a match
        TRange LastRange; // the range as that line's matches move it
        // The latest line's text as it stands and its matches: it is rebuilt only once a later
        // line has matches too, as the last line of all is replaced the line-at-a-time way.
        QString LastText;
        QList<int> LastHits;
        int PatternSize = 0;
        QString Replace;
        bool Trims = false;
        QString Built; // room reused by every rebuilt line
        void SettleLast();
        void Append(TWalk&& later);
    };
    void WalkLines(TGlyphEditSearch& engine, const QString& replace, const TRange& range,
                   bool backward, int first, int last, TWalk& walk) const;
    TLineReplaced ReplaceLineAtOnce(const QString& text, int line, const QString& replace,
                                    TRange& range, bool backward);
    TLineReplaced ReplaceHits(const QString& text, int line, const QString& replace,
                              const QStringList& pieces, const QList<int>& hits, TRange& range,
                              bool backward);
    int ReplaceAllAtOnce(const QString& replace, TRange& range, bool backward);

    TCustomGlyphEdit& edit_;
    std::unique_ptr<TGlyphEditSearch> engine_;
};
