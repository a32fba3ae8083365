#pragma once

#include "editor/TGlyphEditTypes.h"
#include "highlight/GlyphLineCheckpoints.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <QHash>
#include <QTimer>
#include <functional>
#include <optional>

class TCustomGlyphEdit;
struct TGlyphLinesChange;

// Links an editor to the highlighter installed in it: keeps the scanner state stored with every
// line of the buffer current as lines are added, inserted, deleted and changed, and answers the
// editor's questions about tokens (bracket matching skips strings and comments).
//
// States are computed lazily. The states of lines 0..ValidUpTo() are exactly those a full scan
// from the top gives; the lines below may hold stale states until someone needs them
// (EnsureScanned, which painting calls for the lines it shows). An edit re-scans from the
// changed line until the states agree again with those stored for the unchanged text, but never
// further than ScanLimit, so a keystroke costs the lines on screen, not the whole file.
//
// With the background scan on, the states below the watermark are carried forward in short
// slices whenever the event loop is idle, so that a jump far down finds them already exact.
class TGlyphEditHighlighting {
public:
    explicit TGlyphEditHighlighting(TCustomGlyphEdit& edit);
    ~TGlyphEditHighlighting();
    TGlyphEditHighlighting(const TGlyphEditHighlighting&) = delete;
    TGlyphEditHighlighting& operator=(const TGlyphEditHighlighting&) = delete;

    TGlyphCustomHighlighter* Highlighter() const { return highlighter_; }
    // Installs a highlighter (or none) and repaints the whole text. Word movement then takes
    // the highlighter's word characters minus its word-break characters (none: the editor's
    // built-in rule).
    void SetHighlighter(TGlyphCustomHighlighter* highlighter);

    // Brings the stored states of lines 0..index (0-based) up to date.
    void EnsureScanned(int index);
    // The last line (0-based) whose stored state is known to be exact; -1 when none is.
    int ValidUpTo() const { return validUpTo_; }

    // Carries the exact states forward from the watermark for about `budgetNs` nanoseconds (at
    // least one line). True when every line's state is exact afterwards.
    bool ScanSlice(qint64 budgetNs);
    // True when every stored state is exact (or nothing needs states).
    bool FullyScanned() const;

    // The idle-time scan: off by default. While on, once QuietMilliseconds have passed without
    // an edit, a zero-interval timer runs one slice of at most SliceNanoseconds per pass of the
    // event loop until every state is exact; an edit or a new highlighter that lowers the
    // watermark starts the wait again.
    static constexpr qint64 SliceNanoseconds = 500'000;
    static constexpr int QuietMilliseconds = 50;
    bool BackgroundScan() const { return backgroundScan_; }
    void SetBackgroundScan(bool on);
    // Whether the scan waits for the quiet moment or for the event loop's next pass.
    bool BackgroundScanPending() const { return quietTimer_.isActive() || sliceTimer_.isActive(); }

    // The last line (0-based) an edit must re-scan before it returns, usually the bottom line
    // of the view; unset, edits re-scan as far as the states disagree.
    std::function<int()> ScanLimit;

    // Lines at least this long keep scanner checkpoints when the highlighter can resume a line.
    static constexpr int LongLineLength = 16384;
    // What to tokenise of line `index` (0-based, its state exact) to paint its columns
    // first..last (0-based offsets), when it is a long line without tabs; nothing otherwise.
    std::optional<TGlyphScanWindow> ScanWindow(int index, int first, int last);

    // True when the character at P (1-based) lies in a string or comment token.
    bool InStringOrComment(TBufferCoord p);

    // Lines first..last (1-based) need repainting because their colours may have changed; the
    // whole text after an attribute change or a new highlighter (last is INT_MAX).
    std::function<void(int first, int last)> OnRepaint;

private:
    void InstallWordRule(const TGlyphCustomHighlighter* highlighter);
    void LinesChanged(const TGlyphLinesChange& change);
    void Rescan(int from, int firstUnchanged, int validAfterEdit);
    TGlyphCustomHighlighter::TState ScanLineFrom(int index, TGlyphCustomHighlighter::TState start);
    TGlyphCustomHighlighter::TState ResetState();
    void Repaint(int first, int last) const;
    void ScheduleSlice();
    void StopBackgroundScan();
    bool UsesCheckpoints(int index) const;
    // The checkpoints of long line `index`, brought up to date for its text and start state at
    // least as far as offset `upTo`.
    TGlyphLineCheckpoints& Checkpoints(int index, TGlyphCustomHighlighter::TState start,
                                       int upTo = INT_MAX);
    // The offset just past the last column the view shows.
    int VisibleColumnsEnd() const;
    // Builds the checkpoints of long line `index` on by about `chars` characters; true once
    // they reach the line's end.
    bool ScanLongLineInPart(int index, TGlyphCustomHighlighter::TState start, int chars);
    static constexpr int MaxCheckpointLines = 64;

    TCustomGlyphEdit& edit_;
    TGlyphCustomHighlighter* highlighter_ = nullptr;
    int validUpTo_ = -1;
    bool backgroundScan_ = false;
    QTimer quietTimer_;
    QTimer sliceTimer_;
    // By line index; dropped when lines are added or deleted, brought up to date when a
    // changed line is next read.
    QHash<int, TGlyphLineCheckpoints> checkpoints_;
    // The text of the line being scanned, its room kept from one line to the next.
    QString scanText_;
};
