#include "editor/TGlyphEditHighlighting.h"

#include "editor/TGlyphEdit.h"
#include "highlight/GlyphHighlightScan.h"
#include "highlight/TGlyphHighlighterAttributes.h"

#include <QElapsedTimer>
#include <climits>

TGlyphEditHighlighting::TGlyphEditHighlighting(TCustomGlyphEdit& edit) : edit_(edit) {
    edit_.OnLinesChanged = [this](const TGlyphLinesChange& change) { LinesChanged(change); };
    edit_.InStringOrComment = [this](TBufferCoord p) { return InStringOrComment(p); };
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(QuietMilliseconds);
    QObject::connect(&quietTimer_, &QTimer::timeout, [this] {
        if (backgroundScan_ && !FullyScanned())
            sliceTimer_.start();
    });
    sliceTimer_.setInterval(0);
    QObject::connect(&sliceTimer_, &QTimer::timeout, [this] {
        if (ScanSlice(SliceNanoseconds))
            sliceTimer_.stop();
    });
}

TGlyphEditHighlighting::~TGlyphEditHighlighting() {
    if (highlighter_)
        highlighter_->UnhookAttributeChange(this);
    edit_.OnLinesChanged = nullptr;
    edit_.InStringOrComment = nullptr;
    edit_.WordCharTest = nullptr;
}

void TGlyphEditHighlighting::InstallWordRule(const TGlyphCustomHighlighter* highlighter) {
    if (!highlighter) {
        edit_.WordCharTest = nullptr;
        return;
    }
    // Taken once per installation: the sets are rebuilt by every call, and word movement asks
    // for each character it passes.
    const TGlyphCharSet wordChars = highlighter->WordChars();
    const TGlyphCharSet breakChars = highlighter->BreakChars();
    edit_.WordCharTest = [wordChars, breakChars](QChar c) {
        return wordChars.Contains(c) && !breakChars.Contains(c);
    };
}

void TGlyphEditHighlighting::Repaint(int first, int last) const {
    if (OnRepaint)
        OnRepaint(first, last);
}

TGlyphCustomHighlighter::TState TGlyphEditHighlighting::ResetState() {
    highlighter_->ResetState();
    return highlighter_->State();
}

void TGlyphEditHighlighting::SetHighlighter(TGlyphCustomHighlighter* highlighter) {
    InstallWordRule(highlighter);
    // The window installs its highlighter again at every activation; the text has not changed,
    // so the states already worked out stay exact and only the colours are drawn again.
    if (highlighter && highlighter == highlighter_) {
        Repaint(1, INT_MAX);
        return;
    }
    if (highlighter_)
        highlighter_->UnhookAttributeChange(this);
    highlighter_ = highlighter;
    validUpTo_ = -1;
    checkpoints_.clear();
    if (highlighter_) {
        highlighter_->HookAttributeChange(this, [this] { Repaint(1, INT_MAX); });
        TGlyphEditStringList& lines = edit_.Lines();
        if (lines.LineCount() > 0) {
            lines.SetRangeState(0, ResetState());
            validUpTo_ = 0;
        }
        if (!ScanLimit)
            EnsureScanned(lines.LineCount() - 1);
    }
    ScheduleSlice();
    Repaint(1, INT_MAX);
}

bool TGlyphEditHighlighting::FullyScanned() const {
    return !highlighter_ || validUpTo_ >= edit_.Lines().LineCount() - 1;
}

void TGlyphEditHighlighting::SetBackgroundScan(bool on) {
    backgroundScan_ = on;
    if (on)
        ScheduleSlice();
    else
        StopBackgroundScan();
}

void TGlyphEditHighlighting::StopBackgroundScan() {
    quietTimer_.stop();
    sliceTimer_.stop();
}

// Each edit puts the scan off until the user has paused for a moment: slices never sit
// between the keystrokes of someone typing.
void TGlyphEditHighlighting::ScheduleSlice() {
    StopBackgroundScan();
    if (backgroundScan_ && !FullyScanned())
        quietTimer_.start();
}

bool TGlyphEditHighlighting::ScanSlice(qint64 budgetNs) {
    if (FullyScanned())
        return true;
    TGlyphEditStringList& lines = edit_.Lines();
    const int last = lines.LineCount() - 1;
    // The clock is read after every few thousand characters: often enough to keep the slice
    // short, rarely enough to cost nothing beside the scanning.
    constexpr int CharsBetweenClockReads = 4096;
    QElapsedTimer clock;
    clock.start();
    lines.BeginChanges();
    if (validUpTo_ < 0) {
        lines.SetRangeState(0, ResetState());
        validUpTo_ = 0;
    }
    TGlyphCustomHighlighter::TState state = lines.RangeState(validUpTo_);
    int chars = 0;
    while (validUpTo_ < last) {
        const int length = lines.LineLength(validUpTo_);
        if (UsesCheckpoints(validUpTo_) &&
            !ScanLongLineInPart(validUpTo_, state, CharsBetweenClockReads)) {
            // A long line is scanned a stretch at a time, checkpoints marking the place.
            if (clock.nsecsElapsed() >= budgetNs)
                break;
            continue;
        }
        chars += length + 1;
        state = ScanLineFrom(validUpTo_, state);
        lines.SetRangeState(++validUpTo_, state);
        if (chars >= CharsBetweenClockReads) {
            chars = 0;
            if (clock.nsecsElapsed() >= budgetNs)
                break;
        }
    }
    lines.EndChanges();
    return validUpTo_ >= last;
}

int TGlyphEditHighlighting::VisibleColumnsEnd() const {
    return std::max(edit_.LeftChar() - 1, 0) + edit_.CharsInWindow() + 1;
}

bool TGlyphEditHighlighting::UsesCheckpoints(int index) const {
    return highlighter_ && highlighter_->CanResumeLine() &&
           edit_.Lines().LineLength(index) >= LongLineLength;
}

TGlyphLineCheckpoints&
TGlyphEditHighlighting::Checkpoints(int index, TGlyphCustomHighlighter::TState start, int upTo) {
    // A handful of long lines are remembered; more than that start afresh.
    if (!checkpoints_.contains(index) && checkpoints_.size() >= MaxCheckpointLines)
        checkpoints_.clear();
    TGlyphLineCheckpoints& points = checkpoints_[index];
    points.Update(*highlighter_, edit_.Lines().GetLine(index), index, start, upTo);
    return points;
}

bool TGlyphEditHighlighting::ScanLongLineInPart(int index, TGlyphCustomHighlighter::TState start,
                                                int chars) {
    const auto known = checkpoints_.constFind(index);
    const bool carryOn = known != checkpoints_.constEnd() && known->IsBuilt() &&
                         !known->HasPendingEdits() && known->StartState() == start;
    return Checkpoints(index, start, carryOn ? known->ScannedTo() + chars : chars).IsComplete();
}

std::optional<TGlyphScanWindow> TGlyphEditHighlighting::ScanWindow(int index, int first, int last) {
    if (!UsesCheckpoints(index))
        return std::nullopt;
    EnsureScanned(index);
    const TGlyphCustomHighlighter::TState start =
        index == 0 ? ResetState() : edit_.Lines().RangeState(index);
    if (edit_.Lines().LineHasTabs(index))
        return std::nullopt; // painting tokenises the expanded text, whose offsets differ
    // Checkpoints as far as just past the last column shown.
    const TGlyphLineCheckpoints& points = Checkpoints(index, start, std::max(last, first) + 1);
    const TGlyphLineCheckpoint from = points.Before(first);
    TGlyphScanWindow window;
    window.TextFrom = std::max(from.Offset - TGlyphLineCheckpoints::LookBehind, 0);
    window.ResumeAt = from.Offset;
    window.TextTo = points.ReadLimit(std::max(last, first));
    window.State = from.State;
    return window;
}

TGlyphCustomHighlighter::TState
TGlyphEditHighlighting::ScanLineFrom(int index, TGlyphCustomHighlighter::TState start) {
    if (UsesCheckpoints(index))
        return Checkpoints(index, start).EndState();
    highlighter_->RestoreState(start);
    edit_.Lines().GetLineInto(index, scanText_);
    highlighter_->StartLine(scanText_, index);
    highlighter_->ScanToLineEnd();
    highlighter_->ReleaseLine();
    // Text still shared (with a long line, or a highlighter that keeps its line) is let go: an
    // edit of that long line must not find it shared and copy it.
    if (!scanText_.isDetached())
        scanText_ = QString();
    return highlighter_->State();
}

void TGlyphEditHighlighting::EnsureScanned(int index) {
    TGlyphEditStringList& lines = edit_.Lines();
    index = std::min(index, lines.LineCount() - 1);
    if (!highlighter_ || index <= validUpTo_)
        return;
    lines.BeginChanges();
    if (validUpTo_ < 0) {
        lines.SetRangeState(0, ResetState());
        validUpTo_ = 0;
    }
    TGlyphCustomHighlighter::TState state = lines.RangeState(validUpTo_);
    for (int i = validUpTo_; i < index; ++i) {
        state = ScanLineFrom(i, state);
        lines.SetRangeState(i + 1, state);
    }
    validUpTo_ = index;
    lines.EndChanges();
}

// Re-scans from line `from`, whose stored state is exact. The stored states of the lines from
// `firstUnchanged` to `validAfterEdit` belong to text the edit did not touch, so the first of
// them that equals the state the scan reaches ends the work: everything below it is still
// right. Past `validAfterEdit` stored states prove nothing. Without agreement the scan stops at
// the limit, and the exact states end there.
void TGlyphEditHighlighting::Rescan(int from, int firstUnchanged, int validAfterEdit) {
    TGlyphEditStringList& lines = edit_.Lines();
    const int count = lines.LineCount();
    const int limit = ScanLimit ? std::max(ScanLimit(), from) : count - 1;
    TGlyphCustomHighlighter::TState state = lines.RangeState(from);
    int i = from;
    lines.BeginChanges();
    for (; i + 1 < count; ++i) {
        if (ScanLimit && UsesCheckpoints(i)) {
            // A long line is re-scanned as far as the screen shows it; when its states still
            // disagree there, its end state and the lines below wait until they are needed.
            const TGlyphLineCheckpoints& points = Checkpoints(i, state, VisibleColumnsEnd());
            if (!points.IsComplete()) {
                lines.EndChanges();
                validUpTo_ = i;
                Repaint(from + 1, INT_MAX);
                return;
            }
            state = points.EndState();
        } else {
            state = ScanLineFrom(i, state);
        }
        const int next = i + 1;
        if (next >= firstUnchanged && next <= validAfterEdit && lines.RangeState(next) == state) {
            validUpTo_ = validAfterEdit;
            lines.EndChanges();
            Repaint(from + 1, next);
            return;
        }
        lines.SetRangeState(next, state);
        if (next >= limit)
            break;
    }
    lines.EndChanges();
    validUpTo_ = std::min(i + 1, count - 1);
    Repaint(from + 1, INT_MAX);
}

void TGlyphEditHighlighting::LinesChanged(const TGlyphLinesChange& change) {
    if (!highlighter_)
        return;
    TGlyphEditStringList& lines = edit_.Lines();
    if (change.Kind == TGlyphLinesChange::Changed && change.Count > 1) {
        // Lines rewritten whole: what their checkpoints marked is gone.
        for (auto it = checkpoints_.begin(); it != checkpoints_.end(); ++it) {
            if (it.key() >= change.Index && it.key() < change.Index + change.Count)
                it->NoteUnknownEdit();
        }
    } else if (change.Kind == TGlyphLinesChange::Changed) {
        const auto points = checkpoints_.find(change.Index);
        if (points != checkpoints_.end()) {
            // An edit in place says where it fell; the checkpoints shift instead of comparing
            // the old text with the new.
            const TGlyphEditStringList::TLineEdit& edit = lines.LastLineEdit();
            if (edit.Line == change.Index)
                points->NoteEdit(int(edit.From), int(edit.Removed), int(edit.Inserted));
            else
                points->NoteUnknownEdit();
        }
    } else {
        checkpoints_.clear();
    }
    if (change.Kind == TGlyphLinesChange::Cleared || lines.LineCount() == 0) {
        validUpTo_ = -1;
        ScheduleSlice();
        return;
    }
    const int i = change.Index;
    int from = i - 1;
    int firstUnchanged = i;
    int validAfterEdit = validUpTo_;
    switch (change.Kind) {
    case TGlyphLinesChange::Changed:
        from = i;
        firstUnchanged = i + change.Count;
        break;
    case TGlyphLinesChange::Added:
    case TGlyphLinesChange::Inserted:
        firstUnchanged = i + change.Count;
        if (validUpTo_ >= i)
            validAfterEdit = validUpTo_ + change.Count;
        break;
    case TGlyphLinesChange::Deleted:
        if (validUpTo_ >= i + change.Count)
            validAfterEdit = validUpTo_ - change.Count;
        else if (validUpTo_ >= i)
            validAfterEdit = i - 1;
        break;
    case TGlyphLinesChange::Cleared:
        break;
    }
    if (from < 0) {
        // The first line always starts in the reset state.
        lines.SetRangeState(0, ResetState());
        from = 0;
        validUpTo_ = std::max(validUpTo_, 0);
    }
    // Below the exact states nothing stored has to be kept right now.
    if (from <= validUpTo_) {
        validAfterEdit = std::min(validAfterEdit, lines.LineCount() - 1);
        Rescan(from, firstUnchanged, validAfterEdit);
    }
    ScheduleSlice();
}

bool TGlyphEditHighlighting::InStringOrComment(TBufferCoord p) {
    if (!highlighter_ || p.Y < 1 || p.Y > edit_.LineCount())
        return false;
    const int index = p.Y - 1;
    EnsureScanned(index);
    const int offset = p.X - 1;
    const TGlyphCustomHighlighter::TState start =
        index == 0 ? ResetState() : edit_.Lines().RangeState(index);
    if (UsesCheckpoints(index)) {
        // A long line is tokenised from the checkpoint before the column only.
        const TGlyphLineCheckpoint from = Checkpoints(index, start, offset + 1).Before(offset);
        highlighter_->RestoreState(from.State);
        if (from.Offset == 0)
            highlighter_->StartLine(edit_.LineText(p.Y), index);
        else
            highlighter_->ResumeLine(edit_.LineText(p.Y), index, from.Offset);
    } else {
        highlighter_->RestoreState(start);
        highlighter_->StartLine(edit_.LineText(p.Y), index);
    }
    bool inside = false;
    ScanTokens(*highlighter_, [&](const TGlyphTokenSpan& token) {
        if (offset < token.Start)
            return false;
        if (offset < token.Start + token.Length) {
            // In a page, the strings and comments of the language the token is written in.
            const TGlyphCustomHighlighter* language = highlighter_->TokenLanguage();
            const TGlyphHighlighterAttributes* attr = token.Attribute;
            inside = attr && (attr == language->StandardAttribute(SYN_ATTR_STRING) ||
                              attr == language->StandardAttribute(SYN_ATTR_COMMENT));
            return false;
        }
        return true;
    });
    highlighter_->ReleaseLine();
    return inside;
}
