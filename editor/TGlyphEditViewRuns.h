#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QColor>
#include <QString>
#include <climits>
#include <vector>

// One stretch of a painted line drawn with one text call: cells [Start, End) of the line's
// expanded text (0-based) in one pair of colours and one style.
struct TGlyphPaintRun {
    int Start = 0;
    int End = 0;
    QColor Foreground;
    QColor Background;
    TGlyphFontStyles Style = 0;

    friend bool operator==(const TGlyphPaintRun&, const TGlyphPaintRun&) = default;
};

// The colours a token falls back to: the editor font's colour, and the background (the
// highlighter's whitespace background, else the editor's colour).
struct TGlyphRunDefaults {
    QColor Foreground;
    QColor Background;
};

// The background of the text area: the background of the highlighter's whitespace attribute
// when it has one, else the editor's own colour.
QColor GlyphTextBackground(const TGlyphCustomHighlighter* highlighter, TGlyphColor editorColor);

// Whether the highlighter colours the text: installed and enabled.
bool GlyphHighlighterActive(const TGlyphCustomHighlighter* highlighter);

// The part of a line runs are wanted for: cells First..Last (0-based). The text handed over
// starts at cell TextStart of the line, and the scan starts at cell ResumeAt, from the line's
// start when it is 0, else continued inside the line (the highlighter must CanResumeLine).
struct TGlyphRunRange {
    int First = 0;
    int Last = INT_MAX;
    int TextStart = 0;
    int ResumeAt = 0;
};

// Tokenises `expanded` (the line's text with tabs expanded, line `lineIndex` counted from 0)
// from the start state `state` and joins the tokens into runs: neighbours with the same
// colours and style, and blank tokens on the same background, become one run. Without an
// active highlighter the whole text is one run in the default colours. Runs are given in cells
// of the line; only tokens that reach into the range's cells are looked at.
std::vector<TGlyphPaintRun> GlyphLineRuns(TGlyphCustomHighlighter* highlighter,
                                          const QString& expanded, int lineIndex,
                                          TGlyphCustomHighlighter::TState state,
                                          const TGlyphRunDefaults& defaults,
                                          const TGlyphRunRange& range = {});
