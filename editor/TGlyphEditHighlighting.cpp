#include "editor/TGlyphEditHighlighting.h"

#include "editor/TGlyphEdit.h"
#include "highlight/TGlyphHighlighterAttributes.h"

#include <climits>

TGlyphEditHighlighting::TGlyphEditHighlighting(TCustomGlyphEdit& edit) : edit_(edit) {
    edit_.OnLinesChanged = [this](const TGlyphLinesChange& change) {
        LinesChanged(change.Kind, change.Index);
    };
    edit_.InStringOrComment = [this](TBufferCoord p) { return InStringOrComment(p); };
}

TGlyphEditHighlighting::~TGlyphEditHighlighting() {
    if (highlighter_)
        highlighter_->UnhookAttributeChange(this);
    edit_.OnLinesChanged = nullptr;
    edit_.InStringOrComment = nullptr;
}

void TGlyphEditHighlighting::Repaint(int first, int last) const {
    if (OnRepaint)
        OnRepaint(first, last);
}

void TGlyphEditHighlighting::SetHighlighter(TGlyphCustomHighlighter* highlighter) {
    if (highlighter_)
        highlighter_->UnhookAttributeChange(this);
    highlighter_ = highlighter;
    if (highlighter_) {
        highlighter_->HookAttributeChange(this, [this] { Repaint(1, INT_MAX); });
        TGlyphEditStringList& lines = edit_.Lines();
        lines.BeginChanges();
        highlighter_->ResetState();
        TGlyphCustomHighlighter::TState state = highlighter_->State();
        for (int i = 0; i < lines.LineCount(); ++i) {
            lines.SetRangeState(i, state);
            state = ScanLineFrom(i, state);
        }
        lines.EndChanges();
    }
    Repaint(1, INT_MAX);
}

TGlyphCustomHighlighter::TState
TGlyphEditHighlighting::ScanLineFrom(int index, TGlyphCustomHighlighter::TState start) {
    highlighter_->RestoreState(start);
    highlighter_->StartLine(edit_.Lines().GetLine(index), index);
    highlighter_->ScanToLineEnd();
    return highlighter_->State();
}

int TGlyphEditHighlighting::ScanFrom(int index) {
    TGlyphEditStringList& lines = edit_.Lines();
    const int count = lines.LineCount();
    if (!highlighter_ || index < 0 || index >= count)
        return index;
    TGlyphCustomHighlighter::TState state = ScanLineFrom(index, lines.RangeState(index));
    int i = index + 1;
    for (; i < count && lines.RangeState(i) != state; ++i) {
        lines.SetRangeState(i, state);
        state = ScanLineFrom(i, state);
    }
    return i - 1;
}

void TGlyphEditHighlighting::LinesChanged(int kind, int index) {
    if (!highlighter_ || kind == TGlyphLinesChange::Cleared)
        return;
    TGlyphEditStringList& lines = edit_.Lines();
    if (lines.LineCount() == 0)
        return;
    int from = index;
    if (kind == TGlyphLinesChange::Changed) {
        from = std::min(index, lines.LineCount() - 1);
    } else if (index <= 0) {
        // The first line always starts in the reset state.
        highlighter_->ResetState();
        lines.SetRangeState(0, highlighter_->State());
        from = 0;
    } else {
        from = std::min(index - 1, lines.LineCount() - 1);
    }
    const int last = ScanFrom(from);
    Repaint(from + 1, last + 1);
}

bool TGlyphEditHighlighting::InStringOrComment(TBufferCoord p) const {
    if (!highlighter_ || p.Y < 1 || p.Y > edit_.LineCount())
        return false;
    TGlyphHighlighterAttributes* const stringAttr = highlighter_->StandardAttribute(3);
    TGlyphHighlighterAttributes* const commentAttr = highlighter_->StandardAttribute(0);
    const int offset = p.X - 1;
    highlighter_->RestoreState(edit_.Lines().RangeState(p.Y - 1));
    highlighter_->StartLine(edit_.LineText(p.Y), p.Y - 1);
    for (; !highlighter_->AtLineEnd(); highlighter_->Advance()) {
        const int start = highlighter_->TokenStart();
        if (offset < start)
            break;
        if (offset < start + highlighter_->TokenLength()) {
            TGlyphHighlighterAttributes* attr = highlighter_->TokenAttribute();
            return attr && (attr == stringAttr || attr == commentAttr);
        }
    }
    return false;
}
