#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QString>
#include <climits>
#include <vector>

// A place inside a line where a scan can be continued: a token boundary and the scanner's
// ResumeState() right after the token that ends there.
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
    // Scans `text` from `start`, as far as the first token boundary at or after `stopAt`: the
    // whole line unless told otherwise.
    void Build(TGlyphCustomHighlighter& h, const QString& text, int lineNumber, TState start,
               int stopAt = INT_MAX);
    // A build in parts, for idle-time work: StartBuild begins a build of a line of `length`
    // characters without scanning it, each ContinueBuild scans on from the last checkpoint for
    // about `chars` characters of `text`, which must be the same line.
    void StartBuild(int length, TState start);
    void ContinueBuild(TGlyphCustomHighlighter& h, const QString& text, int lineNumber, int chars);

    // Notes an edit of the line since the checkpoints were last brought up to date: `removed`
    // characters at `from` became `inserted` ones. Several edits add up to one changed stretch.
    void NoteEdit(int from, int removed, int inserted);
    // Notes a change whose place is not known: the next Update scans the line again.
    void NoteUnknownEdit();
    bool HasPendingEdits() const { return pending_; }
    // The line now reads `text` after the noted edits: keeps the checkpoints before the changed
    // stretch, re-scans from the last of them until the scan meets a checkpoint after it in the
    // same state, and keeps the rest shifted by the change in length. A different start state or
    // an unknown edit scans it again. Where the states keep disagreeing (a comment opened), the
    // scan stops once past both `stopAt` and a little beyond the change, and the build stays
    // incomplete: the rest is left to later calls. Without edits, an incomplete build is
    // carried on to `stopAt`.
    void Update(TGlyphCustomHighlighter& h, const QString& text, int lineNumber, TState start,
                int stopAt = INT_MAX);
    // How far the checkpoints reach: the line's length once complete.
    int ScannedTo() const;

    // The length, start state and end state the checkpoints belong to.
    int Length() const { return length_; }
    TState StartState() const { return start_; }
    TState EndState() const { return end_; }
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

    // Drops every reference to the line's text: the line store edits a line in place only while
    // nobody else holds it, and a copy of megabytes per keystroke is what checkpoints avoid.
    void LetGoOfText(TGlyphCustomHighlighter& h);

    bool built_ = false;
    bool complete_ = false;
    QString text_; // the line, only while a scan runs
    int length_ = 0;
    TState start_ = 0;
    TState end_ = 0;
    std::vector<TGlyphLineCheckpoint> points_;
    // The edits noted since the last scan: the unchanged start and end of the line, and its
    // length now.
    bool pending_ = false;
    bool unknownEdit_ = false;
    int sameStart_ = INT_MAX;
    int sameEnd_ = INT_MAX;
    int editedLength_ = 0;
};
