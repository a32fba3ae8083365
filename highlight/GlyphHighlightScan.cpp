#include "highlight/GlyphHighlightScan.h"

#include "common/GlyphErrors.h"

TGlyphScannedLine ScanLine(TGlyphCustomHighlighter& highlighter, const QString& text,
                           int lineNumber, TGlyphCustomHighlighter::TState startState) {
    TGlyphScannedLine line;
    line.StartState = startState;
    highlighter.RestoreState(startState);
    highlighter.StartLine(text, lineNumber);
    // Every token holds at least one character; the bound keeps a faulty highlighter from
    // hanging the caller.
    const qsizetype limit = 4 * text.size() + 16;
    ScanTokens(highlighter, [&](const TGlyphTokenSpan& token) {
        if (line.Tokens.size() > limit) {
            throw EGlyphError(QStringLiteral("%1 does not reach the end of line %2")
                                  .arg(highlighter.LanguageTitle())
                                  .arg(lineNumber + 1));
        }
        line.Tokens.append({token.Start, token.Length, highlighter.TokenKind(), token.Attribute});
    });
    line.EndState = highlighter.State();
    return line;
}

TGlyphCustomHighlighter::TState ResetStateOf(TGlyphCustomHighlighter& highlighter) {
    highlighter.ResetState();
    return highlighter.State();
}

QList<TGlyphScannedLine> ScanLines(TGlyphCustomHighlighter& highlighter, const QStringList& lines) {
    QList<TGlyphScannedLine> result;
    result.reserve(lines.size());
    TGlyphCustomHighlighter::TState state = ResetStateOf(highlighter);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        result.append(ScanLine(highlighter, lines[i], int(i), state));
        state = result.back().EndState;
    }
    return result;
}

QList<TGlyphCustomHighlighter::TState> ScanLineStates(TGlyphCustomHighlighter& highlighter,
                                                      const QStringList& lines) {
    QList<TGlyphCustomHighlighter::TState> states;
    states.reserve(lines.size());
    for (const TGlyphScannedLine& line : ScanLines(highlighter, lines)) {
        states.append(line.StartState);
    }
    return states;
}
