#pragma once

#include "editor/TGlyphEditKeyCmds.h"
#include "editor/TGlyphEditTypes.h"

#include <QList>
#include <QString>
#include <functional>

// What an undo entry undoes.
enum TUndoChangeKind : std::uint8_t {
    uckInsert,
    uckPaste,
    uckDragDropInsert,
    uckDelete,
    uckDeleteAfterCaret,
    uckSilentDelete,
    uckSilentDeleteAfterCaret,
    uckLineBreak,
    uckIndent,
    uckUnindent,
    uckPadding,
    uckGroupBreak,
    // Trailing spaces an editing command trimmed from a line it wrote; undoing puts them back,
    // so that undo restores the text exactly. It never moves the caret.
    uckTrailingSpaces,
};

// Caret and selection around a change, so that undo and redo put them back as they were.
struct TGlyphEditCaretState {
    bool Valid = false;
    TBufferCoord Caret;
    TBufferCoord Anchor;
    TBufferCoord ActiveEnd;
};

struct TGlyphEditUndoItem {
    TUndoChangeKind Kind = uckInsert;
    TGlyphSelectionMode SelectionMode = smNormal;
    TBufferCoord Start;
    TBufferCoord End;
    QString Text;
    int GroupNumber = 0;
    // The command that recorded a line break (ecLineBreak or ecInsertLine), for its redo.
    TGlyphEditorCommand Command = ecNone;
    // The first entry of a change made on an empty buffer: undoing it empties the buffer
    // again instead of leaving the line the change created.
    bool FromEmptyBuffer = false;
    // Names the text state this change leads to; its inverse on the other list keeps the
    // number, so undo and redo return to the same state by the same name. 0 for group breaks.
    quint64 ChangeId = 0;
    TGlyphEditCaretState Before;
    TGlyphEditCaretState After;
};

// A number never handed out before, for a new change or a new empty history.
quint64 GlyphEditNewChangeId();

// A stack of undo (or redo) entries with group numbering, a capacity and a suspend counter.
class TGlyphEditUndoList {
public:
    static constexpr int DefaultMaxUndo = 1024;

    // Called after every entry that is added.
    std::function<void()> OnAdded;

    // Adds an entry with its group number; does nothing while recording is suspended.
    // Returns false when nothing was added.
    bool AddChange(TGlyphEditUndoItem item);
    // Adds a group break unless the list is empty or already ends with one.
    void AddGroupBreak();

    bool IsEmpty() const { return items_.isEmpty(); }
    int ItemCount() const { return static_cast<int>(items_.size()); }
    const TGlyphEditUndoItem& Item(int i) const { return items_.at(i); }
    TGlyphEditUndoItem& Item(int i) { return items_[i]; }
    const TGlyphEditUndoItem& PeekItem() const { return items_.last(); }
    TGlyphEditUndoItem& PeekItem() { return items_.last(); }
    TGlyphEditUndoItem PopItem();
    // Empties the list; a full undo is possible again.
    void Clear();

    int MaxUndo() const { return maxUndo_; }
    void SetMaxUndo(int value);
    // True once entries were discarded for capacity, until the list is emptied.
    bool FullUndoImpossible() const { return fullUndoImpossible_; }
    // The text state the list stands at: the change id of its newest entry, or, when it holds
    // none, the state its history starts from (a fresh number after Clear, the last discarded
    // change after entries gave way). Two equal positions mean the same text.
    quint64 Position() const;

    // Nestable suspension of recording.
    void BeginBlock() { ++blockCount_; }
    void EndBlock();
    bool IsBlocked() const { return blockCount_ > 0; }

    // Nestable group: every entry recorded inside shares the number the outermost group took.
    void OpenGroup();
    void CloseGroup();
    int GroupDepth() const { return groupDepth_; }
    // The number the open group uses, or the number the next entry outside a group gets.
    int CurrentGroupNumber() const { return groupDepth_ > 0 ? openNumber_ : nextNumber_; }
    int NextGroupNumber() const { return nextNumber_; }
    void SetNextGroupNumber(int value) { nextNumber_ = value == 0 ? 1 : value; }

    // While marked, every added entry gets this number (used by undo and redo steps).
    void MarkGroup(int number) { forcedNumber_ = number; }
    void UnmarkGroup() { forcedNumber_ = 0; }

private:
    void Advance();
    void DiscardOverflow();

    QList<TGlyphEditUndoItem> items_;
    int maxUndo_ = DefaultMaxUndo;
    bool fullUndoImpossible_ = false;
    quint64 base_ = 0;
    int blockCount_ = 0;
    int groupDepth_ = 0;
    int openNumber_ = 0;
    int nextNumber_ = 1;
    int forcedNumber_ = 0;
};
