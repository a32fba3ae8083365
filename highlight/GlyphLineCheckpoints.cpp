#include "highlight/GlyphLineCheckpoints.h"

#include <algorithm>

void TGlyphLineCheckpoints::Build(TGlyphCustomHighlighter& h, const QString& text, int lineNumber,
                                  TState start, int stopAt) {
    StartBuild(int(text.size()), start);
    text_ = text;
    ScanFrom(h, lineNumber, {0, start}, {}, 0, 0, stopAt);
    LetGoOfText(h);
}

int TGlyphLineCheckpoints::ScannedTo() const {
    if (complete_)
        return length_;
    return points_.empty() ? 0 : points_.back().Offset;
}

void TGlyphLineCheckpoints::StartBuild(int length, TState start) {
    built_ = true;
    complete_ = false;
    length_ = length;
    start_ = start;
    end_ = start;
    points_.clear();
    pending_ = false;
    unknownEdit_ = false;
    sameStart_ = sameEnd_ = INT_MAX;
    editedLength_ = length;
}

void TGlyphLineCheckpoints::ContinueBuild(TGlyphCustomHighlighter& h, const QString& text,
                                          int lineNumber, int chars) {
    if (!built_ || complete_)
        return;
    const TGlyphLineCheckpoint from =
        points_.empty() ? TGlyphLineCheckpoint{0, start_} : points_.back();
    text_ = text;
    const int stopAt = chars >= INT_MAX - from.Offset ? INT_MAX : from.Offset + std::max(chars, 1);
    ScanFrom(h, lineNumber, from, {}, 0, 0, stopAt);
    LetGoOfText(h);
}

void TGlyphLineCheckpoints::NoteEdit(int from, int removed, int inserted) {
    if (!built_)
        return;
    pending_ = true;
    // The start before the first edited place and the end after the last one stay as they were.
    sameStart_ = std::min(sameStart_, from);
    sameEnd_ = std::min(sameEnd_, std::max(editedLength_ - from - removed, 0));
    editedLength_ += inserted - removed;
}

void TGlyphLineCheckpoints::NoteUnknownEdit() {
    pending_ = true;
    unknownEdit_ = true;
}

void TGlyphLineCheckpoints::LetGoOfText(TGlyphCustomHighlighter& h) {
    text_ = QString();
    h.ReleaseLine();
}

void TGlyphLineCheckpoints::Update(TGlyphCustomHighlighter& h, const QString& text, int lineNumber,
                                   TState start, int stopAt) {
    const int oldLength = length_;
    const int newLength = int(text.size());
    if (!built_ || start != start_ || unknownEdit_ || newLength != editedLength_) {
        Build(h, text, lineNumber, start, stopAt);
        return;
    }
    if (!pending_) {
        if (!complete_ && ScannedTo() < stopAt)
            ContinueBuild(h, text, lineNumber, stopAt - ScannedTo());
        return;
    }
    const int shorter = std::min(oldLength, newLength);
    const int same = std::min(sameStart_, shorter);
    const int sameEnd = std::min(sameEnd_, shorter - same);
    pending_ = false;
    sameStart_ = sameEnd_ = INT_MAX;
    const int delta = newLength - oldLength;

    // Before the change: checkpoints whose look-ahead stays in the unchanged start.
    const auto kept = std::find_if(points_.begin(), points_.end(),
                                   [&](const auto& p) { return p.Offset + LookAhead > same; });
    // After it: checkpoints whose look-behind lies in the unchanged end, moved to the new text.
    // Only a complete build knows the end state that agreeing with them implies.
    std::vector<TGlyphLineCheckpoint> tail;
    for (auto p = kept; complete_ && p != points_.end(); ++p) {
        if (p->Offset - LookBehind >= oldLength - sameEnd)
            tail.push_back({p->Offset + delta, p->State});
    }
    points_.erase(kept, points_.end());
    const TState oldEnd = end_;
    complete_ = false;
    text_ = text;
    length_ = newLength;
    const TGlyphLineCheckpoint from =
        points_.empty() ? TGlyphLineCheckpoint{0, start_} : points_.back();
    // Far enough past the change for an old checkpoint to agree again in the usual case.
    const int changeEnd = newLength - sameEnd;
    const int scanTo = std::max(stopAt, changeEnd + std::min(2 * Spacing, INT_MAX - changeEnd));
    ScanFrom(h, lineNumber, from, tail, changeEnd + LookBehind, oldEnd, scanTo);
    LetGoOfText(h);
}

void TGlyphLineCheckpoints::ScanFrom(TGlyphCustomHighlighter& h, int lineNumber,
                                     TGlyphLineCheckpoint from,
                                     const std::vector<TGlyphLineCheckpoint>& tail, int trustedFrom,
                                     TState oldEnd, int stopAt) {
    h.RestoreState(from.State);
    if (from.Offset == 0)
        h.StartLine(text_, lineNumber);
    else
        h.ResumeLine(text_, lineNumber, from.Offset);
    int next = from.Offset + Spacing;
    auto candidate = tail.begin();
    // Only a token that ends where a checkpoint is due or where an old one may agree is looked
    // at; the scanner passes over the others in its own loop. The state is asked for only where
    // it is compared or kept: a page scanner packs it from several fields.
    for (;; h.Advance()) {
        int look = std::min(next, stopAt);
        if (candidate != tail.end())
            look = std::min(look, candidate->Offset);
        h.SkipTokensBefore(look);
        if (h.AtLineEnd())
            break;
        const int end = h.TokenStart() + h.TokenLength();
        while (candidate != tail.end() && candidate->Offset < end)
            ++candidate;
        if (candidate != tail.end() && candidate->Offset == end && end >= trustedFrom &&
            candidate->State == h.ResumeState()) {
            // From here on the text and the scanner's state are those of the old scan.
            points_.insert(points_.end(), candidate, tail.end());
            end_ = oldEnd;
            complete_ = true;
            return;
        }
        if (end >= next || end >= stopAt) {
            // Several empty tokens may end at one place; the first of them is noted.
            if (points_.empty() || points_.back().Offset < end)
                points_.push_back({end, h.ResumeState()});
            next = end + Spacing;
            if (end >= stopAt)
                return;
        }
    }
    end_ = h.State();
    complete_ = true;
}

TGlyphLineCheckpoint TGlyphLineCheckpoints::Before(int offset) const {
    const auto after = std::upper_bound(points_.begin(), points_.end(), offset,
                                        [](int o, const auto& p) { return o < p.Offset; });
    return after == points_.begin() ? TGlyphLineCheckpoint{0, start_} : *std::prev(after);
}

int TGlyphLineCheckpoints::ReadLimit(int offset) const {
    const auto after = std::upper_bound(points_.begin(), points_.end(), offset,
                                        [](int o, const auto& p) { return o < p.Offset; });
    return after == points_.end() ? length_ : std::min(after->Offset + LookAhead, length_);
}
