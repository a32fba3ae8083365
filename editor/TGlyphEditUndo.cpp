#include "editor/TGlyphEditUndo.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <utility>

namespace {

QByteArray BreakCodes(const TGlyphEditStringList& lines, int from, int to) {
    QByteArray codes(std::max(to - from, 0), '\0');
    for (int i = from; i < to; ++i) {
        if (const std::optional<TLineBreakStyle> own = lines.OwnLineBreak(i))
            codes[i - from] = char(*own + 1);
    }
    return codes;
}

bool AllCommon(const QByteArray& codes) {
    return std::all_of(codes.begin(), codes.end(), [](char c) { return c == 0; });
}

} // namespace

void TGlyphEditBreakWatch::Start(const TGlyphEditStringList& lines) {
    active_ = lines.MixedLineBreaks();
    touched_ = false;
    before_.clear();
}

void TGlyphEditBreakWatch::LinesAboutToChange(const TGlyphEditStringList& lines, int index,
                                              int count) {
    if (!active_)
        return;
    const int lineCount = lines.LineCount();
    // A line of margin on each side: undo and redo may rebuild a neighbour of the lines a
    // change reached (a line put back in front of another splits that other).
    const int from = std::max(index - 1, 0);
    const int to = std::min(index + count + 1, lineCount);
    if (!touched_) {
        touched_ = true;
        first_ = from;
        tail_ = lineCount - from;
    }
    // The lines that join the span are still as they were when the group began.
    if (from < first_) {
        before_.prepend(BreakCodes(lines, from, first_));
        first_ = from;
    }
    const int end = lineCount - tail_;
    if (to > end) {
        before_.append(BreakCodes(lines, end, to));
        tail_ = lineCount - to;
    }
}

std::shared_ptr<const TGlyphEditBreakSpan>
TGlyphEditBreakWatch::Finish(const TGlyphEditStringList& lines) {
    const bool watched = active_ && touched_;
    active_ = false;
    if (!watched)
        return nullptr;
    auto span = std::make_shared<TGlyphEditBreakSpan>();
    span->Epoch = lines.LineBreakEpoch();
    span->First = first_;
    span->Before = std::exchange(before_, {});
    span->After = BreakCodes(lines, first_, lines.LineCount() - tail_);
    if (AllCommon(span->Before) && AllCommon(span->After))
        return nullptr;
    return span;
}

void SetOwnLineBreaks(TGlyphEditStringList& lines, int first, const QByteArray& codes) {
    const int end = std::min(first + static_cast<int>(codes.size()), lines.LineCount());
    for (int i = first; i < end; ++i) {
        const int code = codes.at(i - first);
        lines.SetOwnLineBreak(i, code ? std::optional(TLineBreakStyle(code - 1)) : std::nullopt);
    }
}

quint64 GlyphEditNewChangeId() {
    static std::atomic<quint64> last{0};
    return ++last;
}

bool TGlyphEditUndoList::AddChange(TGlyphEditUndoItem item) {
    if (blockCount_ > 0)
        return false;
    if (forcedNumber_ != 0) {
        item.GroupNumber = forcedNumber_;
    } else if (groupDepth_ > 0) {
        item.GroupNumber = openNumber_;
    } else {
        item.GroupNumber = nextNumber_;
        Advance();
    }
    items_.append(std::move(item));
    DiscardOverflow();
    if (OnAdded)
        OnAdded();
    return true;
}

void TGlyphEditUndoList::AddGroupBreak() {
    if (items_.isEmpty() || items_.last().Kind == uckGroupBreak)
        return;
    TGlyphEditUndoItem item;
    item.Kind = uckGroupBreak;
    item.Start = item.End = items_.last().End;
    AddChange(std::move(item));
}

TGlyphEditUndoItem TGlyphEditUndoList::PopItem() {
    return items_.takeLast();
}

void TGlyphEditUndoList::Clear() {
    items_.clear();
    fullUndoImpossible_ = false;
    base_ = GlyphEditNewChangeId();
}

quint64 TGlyphEditUndoList::Position() const {
    for (qsizetype i = items_.size() - 1; i >= 0; --i) {
        if (items_.at(i).Kind != uckGroupBreak)
            return items_.at(i).ChangeId;
    }
    return base_;
}

void TGlyphEditUndoList::SetMaxUndo(int value) {
    maxUndo_ = std::max(value, 1);
    DiscardOverflow();
}

void TGlyphEditUndoList::EndBlock() {
    if (blockCount_ > 0)
        --blockCount_;
}

void TGlyphEditUndoList::OpenGroup() {
    if (groupDepth_++ == 0)
        openNumber_ = nextNumber_;
}

void TGlyphEditUndoList::CloseGroup() {
    if (groupDepth_ > 0 && --groupDepth_ == 0)
        Advance();
}

// Numbers run from 1 to the largest int and start again at 1; 0 is never a group number.
void TGlyphEditUndoList::Advance() {
    nextNumber_ = nextNumber_ == INT_MAX ? 1 : nextNumber_ + 1;
}

// The oldest entries give way to new ones; from then on the list cannot undo everything.
// Whole groups go, oldest first, and never the newest group: a group cut in two would undo
// half a command (half a replace all), and the group being recorded must stay whole however
// long it grows.
void TGlyphEditUndoList::DiscardOverflow() {
    qsizetype excess = items_.size() - maxUndo_;
    if (excess <= 0)
        return;
    const int newestGroup = items_.last().GroupNumber;
    qsizetype cut = 0;
    while (cut < excess && items_[cut].GroupNumber != newestGroup) {
        const int group = items_[cut].GroupNumber;
        while (cut < items_.size() && items_[cut].GroupNumber == group)
            ++cut;
    }
    if (cut == 0)
        return;
    // Undoing everything that is left now ends at the state after the last discarded change.
    for (qsizetype i = cut - 1; i >= 0; --i) {
        if (items_.at(i).Kind != uckGroupBreak) {
            base_ = items_.at(i).ChangeId;
            break;
        }
    }
    items_.remove(0, cut);
    fullUndoImpossible_ = true;
}
