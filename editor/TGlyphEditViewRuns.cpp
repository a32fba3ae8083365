#include "editor/TGlyphEditViewRuns.h"

#include "highlight/GlyphHighlightScan.h"

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
                                          const TGlyphRunDefaults& defaults,
                                          const TGlyphRunRange& range) {
    std::vector<TGlyphPaintRun> runs;
    const int length = static_cast<int>(expanded.size());
    const int shift = range.TextStart;
    if (length == 0)
        return runs;
    if (!GlyphHighlighterActive(highlighter)) {
        runs.push_back({shift, shift + length, defaults.Foreground, defaults.Background, 0});
        return runs;
    }
    const int resume = std::clamp(range.ResumeAt - shift, 0, length);
    if (range.ResumeAt > 0) {
        highlighter->RestoreState(state);
        highlighter->ResumeLine(expanded, lineIndex, resume);
    } else {
        if (lineIndex == 0)
            highlighter->ResetState();
        else
            highlighter->RestoreState(state);
        highlighter->StartLine(expanded, lineIndex);
    }
    // The range in offsets of the text handed over.
    const int first = range.First - shift;
    const int last = range.Last == INT_MAX ? INT_MAX : range.Last - shift;
    const QStringView text(expanded);
    bool lastBlank = false;
    int covered = resume;
    // Adds cells [start, end) of the text, unless they lie before the range.
    const auto add = [&](int start, int end, const QColor& fg, const QColor& bg,
                         TGlyphFontStyles style) {
        if (end <= first)
            return;
        AddToken(runs, {start + shift, end + shift, fg, bg, style},
                 IsBlank(text.mid(start, end - start)), lastBlank);
    };
    ScanTokens(*highlighter, [&](const TGlyphTokenSpan& token) {
        const int start = std::clamp(token.Start, covered, length);
        if (start > last)
            return false;
        const int end = std::clamp(start + token.Length, start, length);
        if (end > start) {
            QColor fg = defaults.Foreground;
            QColor bg = defaults.Background;
            TGlyphFontStyles style = 0;
            if (end > first) {
                if (const TGlyphHighlighterAttributes* a = token.Attribute) {
                    const QColor f = ToQColor(a->Foreground());
                    const QColor b = ToQColor(a->Background());
                    if (f.isValid())
                        fg = f;
                    if (b.isValid())
                        bg = b;
                    style = a->Style();
                }
            }
            // A gap the scanner skipped is still painted, in the default colours.
            if (start > covered)
                add(covered, start, defaults.Foreground, defaults.Background, 0);
            add(start, end, fg, bg, style);
            covered = end;
        }
        return true;
    });
    if (covered < length && covered <= last)
        add(covered, length, defaults.Foreground, defaults.Background, 0);
    // A long line's text must not stay shared with the scanner, or the next edit copies it.
    highlighter->ReleaseLine();
    return runs;
}
