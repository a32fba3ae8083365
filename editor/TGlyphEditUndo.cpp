#include "editor/TGlyphEditUndo.h"

#include <algorithm>
#include <atomic>
#include <climits>

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
