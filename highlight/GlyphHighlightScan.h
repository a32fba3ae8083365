#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <type_traits>

// One token of a scanned line.
struct TGlyphToken {
    int Start = 0;
    int Length = 0;
    int Kind = 0;
    TGlyphHighlighterAttributes* Attribute = nullptr;

    bool operator==(const TGlyphToken& other) const = default;
};

// Where a token lies in its line and how it is drawn.
struct TGlyphTokenSpan {
    int Start = 0;
    int Length = 0;
    TGlyphHighlighterAttributes* Attribute = nullptr;
};

// Reads the tokens of the line `h` has started (StartLine or ResumeLine) in order, calling
// `visit(const TGlyphTokenSpan&)` for each. During the call `h` stands on that token, so the
// visitor may ask it for more (TokenKind, TokenLanguage, ResumeState). A visitor that answers
// bool stops the scan by answering false; after a full scan `h.State()` is the next line's state.
template <class Visit> void ScanTokens(TGlyphCustomHighlighter& h, Visit&& visit) {
    for (; !h.AtLineEnd(); h.Advance()) {
        const TGlyphTokenSpan token{h.TokenStart(), h.TokenLength(), h.TokenAttribute()};
        if constexpr (std::is_void_v<std::invoke_result_t<Visit&, const TGlyphTokenSpan&>>) {
            visit(token);
        } else if (!visit(token)) {
            return;
        }
    }
}

// One line as a reader sees it: the state it starts in, its tokens and the state it leaves for
// the next line.
struct TGlyphScannedLine {
    TGlyphCustomHighlighter::TState StartState = 0;
    QList<TGlyphToken> Tokens;
    TGlyphCustomHighlighter::TState EndState = 0;

    bool operator==(const TGlyphScannedLine& other) const = default;
};

// Tokenises one line from `startState` (RestoreState, StartLine, Advance to the line end). A
// highlighter that does not reach the line end within a generous number of tokens throws
// EGlyphError instead of hanging the caller.
TGlyphScannedLine ScanLine(TGlyphCustomHighlighter& highlighter, const QString& text,
                           int lineNumber, TGlyphCustomHighlighter::TState startState);

// Tokenises a whole document from the reset state, each line starting in the state the previous
// one left.
QList<TGlyphScannedLine> ScanLines(TGlyphCustomHighlighter& highlighter, const QStringList& lines);

// The start state of every line of a document (the table an editor stores per line).
QList<TGlyphCustomHighlighter::TState> ScanLineStates(TGlyphCustomHighlighter& highlighter,
                                                      const QStringList& lines);

// The state after ResetState.
TGlyphCustomHighlighter::TState ResetStateOf(TGlyphCustomHighlighter& highlighter);
