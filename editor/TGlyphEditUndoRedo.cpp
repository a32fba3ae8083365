// Undo and redo of the editing engine: recording entries, the Modified rule, and reverting
// entries in both directions. Every revert pushes its inverse onto the other list, so an undo
// followed by a redo gives back exactly the text that was there.

#include "editor/TGlyphEdit.h"

#include "editor/TGlyphEditScopes.h"

#include <algorithm>

namespace {

bool IsInsertKind(TUndoChangeKind kind) {
    return kind == uckInsert || kind == uckPaste || kind == uckDragDropInsert || kind == uckPadding;
}

bool IsDeleteKind(TUndoChangeKind kind) {
    return kind == uckDelete || kind == uckDeleteAfterCaret || kind == uckSilentDelete ||
           kind == uckSilentDeleteAfterCaret;
}

// Where a deleted block goes back in: the earlier end, or the top left corner of a column.
TBufferCoord InsertionPoint(const TGlyphEditUndoItem& item) {
    if (item.SelectionMode == smColumn)
        return {std::min(item.Start.X, item.End.X), std::min(item.Start.Y, item.End.Y)};
    return std::min(item.Start, item.End);
}

} // namespace

// ---- Recording ----

void TCustomGlyphEdit::AddUndo(TUndoChangeKind kind, TBufferCoord start, TBufferCoord end,
                               const QString& text, TGlyphSelectionMode mode,
                               TGlyphEditorCommand command) {
    TGlyphEditUndoItem item;
    item.Kind = kind;
    item.SelectionMode = mode;
    item.Start = start;
    item.End = end;
    item.Text = text;
    item.Command = command;
    RecordUndo(std::move(item));
}

void TCustomGlyphEdit::RecordUndo(TGlyphEditUndoItem item) {
    const TUndoChangeKind kind = item.Kind;
    switch (replay_) {
    case TReplay::None:
        item.ChangeId = GlyphEditNewChangeId();
        item.Before = undoList_.GroupDepth() > 0 ? groupBefore_ : CaretState();
        item.FromEmptyBuffer = emptyAtGroupStart_ && undoList_.GroupDepth() > 0;
        emptyAtGroupStart_ = false;
        if (undoList_.AddChange(std::move(item)) && kind != uckGroupBreak)
            redoList_.Clear();
        return;
    case TReplay::Undo:
    case TReplay::Redo:
        item.ChangeId = replayItem_ != nullptr ? replayItem_->ChangeId : GlyphEditNewChangeId();
        if (replayItem_ != nullptr) {
            item.Before = replayItem_->Before;
            item.After = replayItem_->After;
            item.FromEmptyBuffer = replayItem_->FromEmptyBuffer;
            item.LineBreaks = replayItem_->LineBreaks;
        }
        (replay_ == TReplay::Undo ? redoList_ : undoList_).AddChange(std::move(item));
        return;
    }
}

void TCustomGlyphEdit::UndoListChanged() {
    NoteModified();
    if (OnChange)
        OnChange(this);
}

// The Modified rule: modified whenever the undo list stands elsewhere than at the save point,
// below it after undoing, above it after new changes or redoing, or on another branch after
// a change made below it. A save point whose changes were discarded for capacity is never
// reached again, since no later position carries its number.
void TCustomGlyphEdit::NoteModified() {
    const bool value = savePoint_ != undoList_.Position();
    if (value == modified_)
        return;
    modified_ = value;
    StatusChanged(scModified);
}

// Emptied lists leave the flag as it was: an unmodified text is still the saved one, and a
// modified one can no longer be undone back to it.
void TCustomGlyphEdit::KeepModifiedAcrossClear() {
    savePoint_ = modified_ ? std::nullopt : std::optional<quint64>(undoList_.Position());
}

void TCustomGlyphEdit::OpenUndoGroup() {
    if (undoList_.GroupDepth() == 0) {
        if (replay_ == TReplay::None)
            breakWatch_.Start(lines_);
        groupBefore_ = CaretState();
        emptyAtGroupStart_ = lines_.LineCount() == 0;
    }
    undoList_.OpenGroup();
}

// Closing the outermost group notes where the caret ended, for redo to return there, and the
// line breaks around the group's changes.
void TCustomGlyphEdit::CloseUndoGroup() {
    if (undoList_.GroupDepth() == 1) {
        const int group = undoList_.CurrentGroupNumber();
        const TGlyphEditCaretState after = CaretState();
        const std::shared_ptr<const TGlyphEditBreakSpan> breaks = breakWatch_.Finish(lines_);
        for (int i = undoList_.ItemCount() - 1; i >= 0; --i) {
            TGlyphEditUndoItem& item = undoList_.Item(i);
            if (item.GroupNumber != group)
                break;
            item.After = after;
            item.LineBreaks = breaks;
        }
    }
    undoList_.CloseGroup();
}

void TCustomGlyphEdit::ClearUndoHistory() {
    undoList_.Clear();
    redoList_.Clear();
    KeepModifiedAcrossClear();
}

bool TCustomGlyphEdit::UndoAvailable() const {
    return !readOnly_ && !undoList_.IsEmpty();
}

bool TCustomGlyphEdit::RedoAvailable() const {
    return !readOnly_ && !redoList_.IsEmpty();
}

// ---- Steps ----

void TCustomGlyphEdit::DropGroupBreaks(TGlyphEditUndoList& from, TGlyphEditUndoList& to) {
    while (!from.IsEmpty() && from.PeekItem().Kind == uckGroupBreak) {
        from.PopItem();
        to.AddGroupBreak();
    }
}

void TCustomGlyphEdit::Undo() {
    if (readOnly_)
        return;
    TGlyphEditPaintLock lock(*this);
    DropGroupBreaks(undoList_, redoList_);
    if (undoList_.IsEmpty())
        return;
    const TUndoChangeKind firstKind = undoList_.PeekItem().Kind;
    const int group = undoList_.PeekItem().GroupNumber;
    TGlyphEditCaretState restore;
    {
        TGlyphEditReplayScope replay(*this, TReplay::Undo);
        const bool byKind = replay.SavedOptions() & eoGroupUndo && firstKind != uckIndent &&
                            firstKind != uckUnindent;
        redoList_.MarkGroup(group);
        while (true) {
            const TGlyphEditUndoItem item = undoList_.PopItem();
            replay.Enter(item);
            RevertUndo(item);
            // A change made on an empty buffer created its first line; undoing it empties
            // the buffer again (without clearing the undo lists).
            if (item.FromEmptyBuffer && lines_.LineCount() == 1 && LineText(1).isEmpty())
                lines_.DeleteLine(0);
            SetGroupLineBreaks(item, undoList_, true);
            restore = item.Before;
            if (undoList_.IsEmpty())
                break;
            const TGlyphEditUndoItem& next = undoList_.PeekItem();
            if (next.GroupNumber != group && !(byKind && next.Kind == firstKind))
                break;
        }
        DropGroupBreaks(undoList_, redoList_);
        redoList_.UnmarkGroup();
    }
    RestoreCaretState(restore);
    NoteModified();
}

void TCustomGlyphEdit::Redo() {
    if (readOnly_)
        return;
    TGlyphEditPaintLock lock(*this);
    DropGroupBreaks(redoList_, undoList_);
    if (redoList_.IsEmpty())
        return;
    const TUndoChangeKind firstKind = redoList_.PeekItem().Kind;
    const int group = redoList_.PeekItem().GroupNumber;
    TGlyphEditCaretState restore;
    {
        TGlyphEditReplayScope replay(*this, TReplay::Redo);
        const bool byKind = replay.SavedOptions() & eoGroupUndo && firstKind != uckIndent &&
                            firstKind != uckUnindent;
        undoList_.MarkGroup(group);
        while (true) {
            const TGlyphEditUndoItem item = redoList_.PopItem();
            replay.Enter(item);
            // Undoing an insertion made on an empty buffer emptied it; redoing it brings back
            // the line the insertion made first.
            if (item.FromEmptyBuffer && IsInsertKind(item.Kind) && lines_.LineCount() == 0)
                lines_.AppendLine(QString());
            RevertRedo(item);
            SetGroupLineBreaks(item, redoList_, false);
            restore = item.After;
            if (redoList_.IsEmpty())
                break;
            const TGlyphEditUndoItem& next = redoList_.PeekItem();
            if (next.GroupNumber != group && !(byKind && next.Kind == firstKind))
                break;
        }
        DropGroupBreaks(redoList_, undoList_);
        undoList_.UnmarkGroup();
    }
    RestoreCaretState(restore);
    NoteModified();
}

// Once the last entry of a group is undone (redone), its lines get the breaks they had
// before (after) it, unless the document's breaks were all settled afresh since.
void TCustomGlyphEdit::SetGroupLineBreaks(const TGlyphEditUndoItem& item,
                                          const TGlyphEditUndoList& rest, bool undone) {
    const TGlyphEditBreakSpan* span = item.LineBreaks.get();
    if (span == nullptr || span->Epoch != lines_.LineBreakEpoch())
        return;
    if (!rest.IsEmpty() && rest.PeekItem().LineBreaks == item.LineBreaks)
        return;
    SetOwnLineBreaks(lines_, span->First, undone ? span->Before : span->After);
}

// ---- Reverting one entry ----

void TCustomGlyphEdit::RevertUndo(const TGlyphEditUndoItem& item) {
    if (IsInsertKind(item.Kind)) {
        ReplaceRange(item, true);
    } else if (IsDeleteKind(item.Kind)) {
        ReinsertDeleted(item);
    } else {
        switch (item.Kind) {
        case uckLineBreak: {
            // The line the break made is removed and the text it took is appended again,
            // after the blanks the break trimmed off its left part.
            const int y = item.Start.Y;
            if (y < lines_.LineCount())
                lines_.DeleteLine(y);
            if (!item.Text.isEmpty()) {
                QString line = LineText(y);
                if (line.size() < item.Start.X - 1)
                    line += QString(item.Start.X - 1 - line.size(), u' ');
                WriteLine(y, line + item.Text, false);
            }
            SetCaretXYEx(item.Start, false);
            AddUndo(item.Kind, item.Start, item.End, item.Text, item.SelectionMode, item.Command);
            break;
        }
        case uckIndent:
            SetCaretXYEx(item.End, false);
            anchor_ = item.Start;
            activeEnd_ = item.End;
            StatusChanged(scSelection);
            AddUndo(item.Kind, item.Start, item.End, item.Text, item.SelectionMode);
            break;
        case uckUnindent: {
            const QStringList pieces = GlyphEditSplitPieces(item.Text);
            for (int i = 0; i < pieces.size(); ++i) {
                if (!pieces.at(i).isEmpty())
                    WriteLine(item.Start.Y + i, pieces.at(i) + LineText(item.Start.Y + i), false);
            }
            AddUndo(item.Kind, item.Start, item.End, item.Text, item.SelectionMode);
            break;
        }
        case uckTrailingSpaces:
            InsertNormal(item.Start, item.Text, false);
            AddUndo(item.Kind, item.Start, item.End, item.Text, item.SelectionMode);
            break;
        case uckLineTexts:
            SwapLineTexts(item);
            break;
        default:
            break;
        }
    }
}

void TCustomGlyphEdit::RevertRedo(const TGlyphEditUndoItem& item) {
    if (IsInsertKind(item.Kind)) {
        ReplaceRange(item, false);
    } else if (IsDeleteKind(item.Kind)) {
        RemoveDeleted(item);
    } else {
        switch (item.Kind) {
        case uckLineBreak: {
            SetCaretXYEx(item.Start, false);
            SetSelectionAnchor(caret_);
            DoLineBreak(item.Command == ecInsertLine ? ecInsertLine : ecLineBreak);
            break;
        }
        case uckIndent:
            RevertUndo(item);
            break;
        case uckUnindent: {
            const QStringList pieces = GlyphEditSplitPieces(item.Text);
            for (int i = 0; i < pieces.size(); ++i) {
                if (!pieces.at(i).isEmpty())
                    WriteLine(item.Start.Y + i, LineText(item.Start.Y + i).mid(pieces.at(i).size()),
                              false);
            }
            AddUndo(item.Kind, item.Start, item.End, item.Text, item.SelectionMode);
            break;
        }
        case uckTrailingSpaces:
            RemoveRange(item.Start, item.End, smNormal, false);
            AddUndo(item.Kind, item.Start, item.End, item.Text, item.SelectionMode);
            break;
        case uckLineTexts:
            SwapLineTexts(item);
            break;
        default:
            break;
        }
    }
}

// Insert-type entries: the range now holds the inserted text; it is replaced by the entry's
// text (empty, or what overwrite mode replaced), and the inverse keeps what was removed.
void TCustomGlyphEdit::ReplaceRange(const TGlyphEditUndoItem& item, bool undo) {
    const QString removed = RangeText(item.Start, item.End, item.SelectionMode, false);
    RemoveRange(item.Start, item.End, item.SelectionMode, false);
    TBufferCoord end = item.Start;
    if (!item.Text.isEmpty())
        end = InsertText(item.Start, item.Text, item.SelectionMode, std::nullopt);
    AddUndo(item.Kind, item.Start, end, removed, item.SelectionMode);
    if (undo) {
        SetCaretXYEx(item.Kind == uckPadding ? item.End : item.Start, false);
        return;
    }
    SetCaretXYEx(end, false);
    if (item.Kind == uckDragDropInsert) {
        anchor_ = item.Start;
        activeEnd_ = end;
        StatusChanged(scSelection);
    }
}

// Delete-type entries, undone: the text goes back in and, for the non-silent kinds, is
// selected again.
void TCustomGlyphEdit::ReinsertDeleted(const TGlyphEditUndoItem& item) {
    TBufferCoord at = InsertionPoint(item);
    QString text = item.Text;
    const int count = lines_.LineCount();
    if (at.Y > count && count > 0) {
        // A deleted last line: it comes back behind the line break of the line above.
        at = {LineLength(count) + 1, count};
        text.prepend(QStringLiteral("\r\n"));
    }
    // An empty deletion (a selection wholly past a line's end) puts nothing back, not even
    // the blanks that inserting there would add.
    const TBufferCoord end =
        text.isEmpty() ? at : InsertText(at, text, item.SelectionMode, std::nullopt);
    TBufferCoord start = item.Start;
    TBufferCoord stop = item.End;
    if (item.SelectionMode == smNormal) {
        start = item.Start <= item.End ? at : end;
        stop = item.Start <= item.End ? end : at;
    }
    AddUndo(item.Kind, start, stop, text, item.SelectionMode);
    const TBufferCoord later = std::max(at, end);
    switch (item.Kind) {
    case uckDelete:
        SetCaretXYEx(later, false);
        anchor_ = start;
        activeEnd_ = stop;
        StatusChanged(scSelection);
        break;
    case uckDeleteAfterCaret:
        SetCaretXYEx(at, false);
        anchor_ = start;
        activeEnd_ = stop;
        StatusChanged(scSelection);
        break;
    case uckSilentDelete:
        SetCaretXYEx(later, false);
        break;
    default:
        SetCaretXYEx(at, false);
        break;
    }
}

// Delete-type entries, redone: the range is removed again.
void TCustomGlyphEdit::RemoveDeleted(const TGlyphEditUndoItem& item) {
    const QString removed = RangeText(item.Start, item.End, item.SelectionMode, false);
    RemoveRange(item.Start, item.End, item.SelectionMode, false);
    AddUndo(item.Kind, item.Start, item.End, removed, item.SelectionMode);
    TBufferCoord caret = InsertionPoint(item);
    if (item.SelectionMode == smLine)
        caret.X = 1;
    SetCaretXYEx(caret, false);
    SetSelectionAnchor(caret_);
}

// Rewritten lines, either way: the entry's characters and the lines' trade places, and the
// inverse entry takes them over.
void TCustomGlyphEdit::SwapLineTexts(const TGlyphEditUndoItem& item) {
    TGlyphEditUndoItem inverse;
    inverse.Kind = item.Kind;
    inverse.Start = item.Start;
    inverse.End = item.End;
    inverse.LineTexts = item.LineTexts;
    RecordUndo(std::move(inverse));
    lines_.ExchangeLineChars(item.LineTexts->Lines, item.LineTexts->Chars);
}
