#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QString>
#include <climits>
#include <vector>

// A place inside a line where a scan can be continued: a token boundary and the scanner's
// State() right after the token that ends there.
struct TGlyphLineCheckpoint {
    int Offset = 0;
    TGlyphCustomHighlighter::TState State = 0;

    friend bool operator==(const TGlyphLineCheckpoint&, const TGlyphLineCheckpoint&) = default;
};

// The stretch of a long line a painter tokenises to show some of its columns: the text from
// TextFrom up to TextTo (0-based offsets of the line), continued at ResumeAt in State.
struct TGlyphScanWindow {
    int TextFrom = 0;
    int ResumeAt = 0;
    int TextTo = 0;
    TGlyphCustomHighlighter::TState State = 0;

    friend bool operator==(const TGlyphScanWindow&, const TGlyphScanWindow&) = default;
};

// Checkpoints along one very long line, for a highlighter that can resume a line
// (CanResumeLine): about every Spacing characters the place and state of a token boundary, and
// the state the line ends in. With them a reader tokenises only the stretch it needs, and an
// edit re-scans from the checkpoint before the change until a checkpoint after it agrees again,
// not the whole line.
//
// Scanners decide where a token ends by looking at most LookAhead characters past its end and
// at most LookBehind characters before the place they continue from; checkpoints are trusted
// only where those characters did not change.
class TGlyphLineCheckpoints {
public:
    using TState = TGlyphCustomHighlighter::TState;
    static constexpr int Spacing = 4096;
    static constexpr int LookAhead = 64;
    static constexpr int LookBehind = 16;

    bool IsBuilt() const { return built_; }
    // Whether the scan reached the line's end (a build in parts may have stopped before it).
    bool IsComplete() const { return built_ && complete_; }
    // Scans the whole of `text` from `start`.
    void Build(TGlyphCustomHighlighter& h, const QString& text, int lineNumber, TState start);
    // A build in parts, for idle-time work: StartBuild takes the text without scanning it,
    // each ContinueBuild scans on from the last checkpoint for about `chars` characters.
    void StartBuild(const QString& text, TState start);
    void ContinueBuild(TGlyphCustomHighlighter& h, int lineNumber, int chars);
    // The line now reads `text`: keeps the checkpoints before the change, re-scans from the last
    // of them until the scan meets a checkpoint after the change in the same state, and keeps
    // the rest shifted by the change in length. A different start state, or a build that did
    // not reach the end, scans it all again.
    void Update(TGlyphCustomHighlighter& h, const QString& text, int lineNumber, TState start);

    // The text, start state and end state the checkpoints belong to.
    const QString& Text() const { return text_; }
    TState StartState() const { return start_; }
    TState EndState() const { return end_; }
    bool HasTabs() const { return tabs_ > 0; }
    const std::vector<TGlyphLineCheckpoint>& Points() const { return points_; }

    // The last checkpoint at or before `offset`; offset 0 with the start state when none is.
    TGlyphLineCheckpoint Before(int offset) const;
    // How far the text must be read so that the tokens up to `offset` come out exactly as in a
    // scan of the whole line.
    int ReadLimit(int offset) const;

private:
    // Scans from `from` (offset 0: the line's start), noting checkpoints; with `tail` (old
    // checkpoints after the change, shifted to the new text, and trusted from `trustedFrom`
    // on), stops where one of them agrees and takes it and the rest over.
    // With `stopAt` below the line's length, the scan ends at the first token boundary from
    // there on, noted as a checkpoint, and the build stays incomplete.
    void ScanFrom(TGlyphCustomHighlighter& h, int lineNumber, TGlyphLineCheckpoint from,
                  const std::vector<TGlyphLineCheckpoint>& tail, int trustedFrom, TState oldEnd,
                  int stopAt = INT_MAX);

    bool built_ = false;
    bool complete_ = false;
    QString text_;
    TState start_ = 0;
    TState end_ = 0;
    qsizetype tabs_ = 0;
    std::vector<TGlyphLineCheckpoint> points_;
};

// The length of the common start and the common end of two texts, the end limited so that the
// two never overlap in either text.
std::pair<int, int> GlyphCommonEnds(QStringView a, QStringView b);
