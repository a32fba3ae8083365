#include "editor/TGlyphEditViewRuns.h"

#include <algorithm>

namespace {

bool IsBlank(QStringView text) {
    for (QChar c : text) {
        if (c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

// Lines drawn through the cells show on blanks too, so only these style bits keep a blank
// token apart from its neighbour.
constexpr TGlyphFontStyles VisibleOnBlanks = fsUnderline | fsStrikeOut;

// Adds a token to the runs, joining it to the last run where that draws the same pixels.
void AddToken(std::vector<TGlyphPaintRun>& runs, const TGlyphPaintRun& token, bool tokenBlank,
              bool& lastBlank) {
    if (!runs.empty()) {
        TGlyphPaintRun& last = runs.back();
        const bool sameLook = last.Foreground == token.Foreground &&
                              last.Background == token.Background && last.Style == token.Style;
        const bool blankJoin = (tokenBlank || lastBlank) && last.Background == token.Background &&
                               (last.Style & VisibleOnBlanks) == (token.Style & VisibleOnBlanks);
        if (last.End == token.Start && (sameLook || blankJoin)) {
            if (lastBlank && !tokenBlank) {
                // The run takes the look of its first visible characters.
                last.Foreground = token.Foreground;
                last.Style = token.Style;
            }
            last.End = token.End;
            lastBlank = lastBlank && tokenBlank;
            return;
        }
    }
    runs.push_back(token);
    lastBlank = tokenBlank;
}

} // namespace

QColor GlyphTextBackground(const TGlyphCustomHighlighter* highlighter, TGlyphColor editorColor) {
    if (GlyphHighlighterActive(highlighter)) {
        if (const TGlyphHighlighterAttributes* space =
                highlighter->StandardAttribute(SYN_ATTR_WHITESPACE)) {
            const QColor c = ToQColor(space->Background());
            if (c.isValid())
                return c;
        }
    }
    return ToQColor(editorColor);
}

bool GlyphHighlighterActive(const TGlyphCustomHighlighter* highlighter) {
    return highlighter != nullptr && highlighter->Enabled();
}

std::vector<TGlyphPaintRun> GlyphLineRuns(TGlyphCustomHighlighter* highlighter,
                                          const QString& expanded, int lineIndex,
                                          TGlyphCustomHighlighter::TState state,
                                          const TGlyphRunDefaults& defaults) {
    std::vector<TGlyphPaintRun> runs;
    const int length = static_cast<int>(expanded.size());
    if (length == 0)
        return runs;
    if (!GlyphHighlighterActive(highlighter)) {
        runs.push_back({0, length, defaults.Foreground, defaults.Background, 0});
        return runs;
    }
    if (lineIndex == 0)
        highlighter->ResetState();
    else
        highlighter->RestoreState(state);
    highlighter->StartLine(expanded, lineIndex);
    bool lastBlank = false;
    int covered = 0;
    while (!highlighter->AtLineEnd()) {
        const int start = std::clamp(highlighter->TokenStart(), covered, length);
        const int end = std::clamp(start + highlighter->TokenLength(), start, length);
        if (end > start) {
            TGlyphPaintRun token{start, end, defaults.Foreground, defaults.Background, 0};
            if (const TGlyphHighlighterAttributes* a = highlighter->TokenAttribute()) {
                const QColor fg = ToQColor(a->Foreground());
                const QColor bg = ToQColor(a->Background());
                if (fg.isValid())
                    token.Foreground = fg;
                if (bg.isValid())
                    token.Background = bg;
                token.Style = a->Style();
            }
            if (start > covered) {
                // A gap the scanner skipped is still painted, in the default colours.
                AddToken(runs, {covered, start, defaults.Foreground, defaults.Background, 0},
                         IsBlank(QStringView(expanded).mid(covered, start - covered)), lastBlank);
            }
            AddToken(runs, token, IsBlank(QStringView(expanded).mid(start, end - start)),
                     lastBlank);
            covered = end;
        }
        highlighter->Advance();
    }
    if (covered < length) {
        AddToken(runs, {covered, length, defaults.Foreground, defaults.Background, 0},
                 IsBlank(QStringView(expanded).mid(covered)), lastBlank);
    }
    return runs;
}
