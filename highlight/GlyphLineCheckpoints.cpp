#include "highlight/GlyphLineCheckpoints.h"

#include <algorithm>
#include <cstring>

namespace {

// Compared in blocks first: memcmp is many times faster than a loop over characters.
constexpr int Block = 512;

int CommonStart(const char16_t* a, const char16_t* b, int n) {
    int i = 0;
    while (i + Block <= n && std::memcmp(a + i, b + i, Block * sizeof(char16_t)) == 0)
        i += Block;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

int CommonEnd(const char16_t* aEnd, const char16_t* bEnd, int n) {
    int i = 0;
    while (i + Block <= n &&
           std::memcmp(aEnd - i - Block, bEnd - i - Block, Block * sizeof(char16_t)) == 0)
        i += Block;
    while (i < n && aEnd[-i - 1] == bEnd[-i - 1])
        ++i;
    return i;
}

} // namespace

std::pair<int, int> GlyphCommonEnds(QStringView a, QStringView b) {
    const auto* pa = reinterpret_cast<const char16_t*>(a.data());
    const auto* pb = reinterpret_cast<const char16_t*>(b.data());
    const int shorter = int(std::min(a.size(), b.size()));
    const int start = CommonStart(pa, pb, shorter);
    const int end = CommonEnd(pa + a.size(), pb + b.size(), shorter - start);
    return {start, end};
}

void TGlyphLineCheckpoints::Build(TGlyphCustomHighlighter& h, const QString& text, int lineNumber,
                                  TState start) {
    StartBuild(text, start);
    ScanFrom(h, lineNumber, {0, start}, {}, 0, 0);
}

void TGlyphLineCheckpoints::StartBuild(const QString& text, TState start) {
    built_ = true;
    complete_ = false;
    text_ = text;
    start_ = start;
    end_ = start;
    tabs_ = text.count(u'\t');
    points_.clear();
}

void TGlyphLineCheckpoints::ContinueBuild(TGlyphCustomHighlighter& h, int lineNumber, int chars) {
    if (!built_ || complete_)
        return;
    const TGlyphLineCheckpoint from =
        points_.empty() ? TGlyphLineCheckpoint{0, start_} : points_.back();
    ScanFrom(h, lineNumber, from, {}, 0, 0, from.Offset + std::max(chars, 1));
}

void TGlyphLineCheckpoints::Update(TGlyphCustomHighlighter& h, const QString& text, int lineNumber,
                                   TState start) {
    if (!built_ || !complete_ || start != start_) {
        Build(h, text, lineNumber, start);
        return;
    }
    const int oldLength = int(text_.size());
    const int newLength = int(text.size());
    const auto [same, sameEnd] = GlyphCommonEnds(text_, text);
    if (same == oldLength && same == newLength) {
        text_ = text;
        return;
    }
    const int delta = newLength - oldLength;
    tabs_ += QStringView(text).mid(same, newLength - sameEnd - same).count(u'\t') -
             QStringView(text_).mid(same, oldLength - sameEnd - same).count(u'\t');

    // Before the change: checkpoints whose look-ahead stays in the unchanged start.
    const auto kept = std::find_if(points_.begin(), points_.end(),
                                   [&](const auto& p) { return p.Offset + LookAhead > same; });
    // After it: checkpoints whose look-behind lies in the unchanged end, moved to the new text.
    std::vector<TGlyphLineCheckpoint> tail;
    for (auto p = kept; p != points_.end(); ++p) {
        if (p->Offset - LookBehind >= oldLength - sameEnd)
            tail.push_back({p->Offset + delta, p->State});
    }
    points_.erase(kept, points_.end());
    const TState oldEnd = end_;
    text_ = text;
    const TGlyphLineCheckpoint from =
        points_.empty() ? TGlyphLineCheckpoint{0, start_} : points_.back();
    ScanFrom(h, lineNumber, from, tail, newLength - sameEnd + LookBehind, oldEnd);
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
    while (!h.AtLineEnd()) {
        const int end = h.TokenStart() + h.TokenLength();
        const TState state = h.State();
        while (candidate != tail.end() && candidate->Offset < end)
            ++candidate;
        if (candidate != tail.end() && candidate->Offset == end && end >= trustedFrom &&
            candidate->State == state) {
            // From here on the text and the scanner's state are those of the old scan.
            points_.insert(points_.end(), candidate, tail.end());
            end_ = oldEnd;
            complete_ = true;
            return;
        }
        if (end >= next || end >= stopAt) {
            // Several empty tokens may end at one place; the first of them is noted.
            if (points_.empty() || points_.back().Offset < end)
                points_.push_back({end, state});
            next = end + Spacing;
            if (end >= stopAt)
                return;
        }
        h.Advance();
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
    const int length = int(text_.size());
    return after == points_.end() ? length : std::min(after->Offset + LookAhead, length);
}
