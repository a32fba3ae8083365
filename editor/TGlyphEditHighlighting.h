#pragma once

#include "editor/TGlyphEditTypes.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <functional>

class TCustomGlyphEdit;

// Links an editor to the highlighter installed in it: keeps the scanner state stored with every
// line of the buffer current as lines are added, inserted, deleted and changed, and answers the
// editor's questions about tokens (bracket matching skips strings and comments).
class TGlyphEditHighlighting {
public:
    explicit TGlyphEditHighlighting(TCustomGlyphEdit& edit);
    ~TGlyphEditHighlighting();
    TGlyphEditHighlighting(const TGlyphEditHighlighting&) = delete;
    TGlyphEditHighlighting& operator=(const TGlyphEditHighlighting&) = delete;

    TGlyphCustomHighlighter* Highlighter() const { return highlighter_; }
    // Installs a highlighter (or none): every line is scanned from the top inside one change
    // bracket and the whole text is repainted.
    void SetHighlighter(TGlyphCustomHighlighter* highlighter);

    // Re-scans from line `index` (0-based) until a line's stored state already equals the state
    // the scan reaches; returns the last line scanned.
    int ScanFrom(int index);

    // True when the character at P (1-based) lies in a string or comment token.
    bool InStringOrComment(TBufferCoord p) const;

    // Lines first..last (1-based) need repainting because their colours may have changed; the
    // whole text after an attribute change or a new highlighter (last is INT_MAX).
    std::function<void(int first, int last)> OnRepaint;

private:
    void LinesChanged(int kind, int index);
    TGlyphCustomHighlighter::TState ScanLineFrom(int index, TGlyphCustomHighlighter::TState start);
    void Repaint(int first, int last) const;

    TCustomGlyphEdit& edit_;
    TGlyphCustomHighlighter* highlighter_ = nullptr;
};
