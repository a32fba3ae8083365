#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QList>
#include <QString>
#include <QStringList>

// One token of a scanned line.
struct TGlyphToken {
    int Start = 0;
    int Length = 0;
    int Kind = 0;
    TGlyphHighlighterAttributes* Attribute = nullptr;

    bool operator==(const TGlyphToken& other) const = default;
};

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
