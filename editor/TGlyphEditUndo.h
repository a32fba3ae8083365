#pragma once

#include "editor/TGlyphEditKeyCmds.h"
#include "editor/TGlyphEditStringList.h"
#include "editor/TGlyphEditTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

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
    // Lines rewritten in place as one change (replace all): reverting swaps the characters the
    // entry holds with the lines' own, so one entry serves any number of lines.
    uckLineTexts,
};

// Caret and selection around a change, so that undo and redo put them back as they were.
struct TGlyphEditCaretState {
    bool Valid = false;
    TBufferCoord Caret;
    TBufferCoord Anchor;
    TBufferCoord ActiveEnd;
};

// The own line breaks of the lines an undo group changed, with one line of margin on each side:
// undoing the group sets them as they were and redoing it as they became, whichever lines the
// text changes of undo and redo happen to rebuild. One byte a line: 0 for the document's
// style, else the line's own style + 1.
struct TGlyphEditBreakSpan {
    quint32 Epoch = 0; // the line store's epoch the breaks belong to
    int First = 0;     // 0-based index of the first line, the same before and after
    QByteArray Before;
    QByteArray After;
};

// Follows the changes of one undo group and notes the breaks of the lines they reach before
// they reach them. All changes fall inside the span it keeps, so the lines above it stand
// where they stood and so do, counted from the end, the lines below it.
class TGlyphEditBreakWatch {
public:
    // Watches only a document with lines of other breaks; in one without, undo and redo
    // rebuild nothing but lines of the common style.
    void Start(const TGlyphEditStringList& lines);
    void Stop() { active_ = false; }
    void LinesAboutToChange(const TGlyphEditStringList& lines, int index, int count);
    // The span, or nothing when no line of it had or has a break of its own.
    std::shared_ptr<const TGlyphEditBreakSpan> Finish(const TGlyphEditStringList& lines);

private:
    bool active_ = false;
    bool touched_ = false;
    int first_ = 0;
    int tail_ = 0; // lines below the span
    QByteArray before_;
};

// Sets the own breaks of the lines from `first` on as `codes` say (TGlyphEditBreakSpan).
void SetOwnLineBreaks(TGlyphEditStringList& lines, int first, const QByteArray& codes);

// The lines a uckLineTexts entry rewrote (0-based, ascending) and the characters each one gets
// when the entry is reverted. Lines loaded from a file keep pointing into their shared chunk
// here, so the old text costs no copy.
struct TGlyphEditLineTexts {
    std::vector<int> Lines;
    std::vector<TGlyphEditLineChars> Chars;
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
    // Shared by the entries of one group; none when no line it reached had a break of its own.
    std::shared_ptr<const TGlyphEditBreakSpan> LineBreaks;
    // A uckLineTexts entry's lines; reverting hands them on to the inverse entry.
    std::shared_ptr<TGlyphEditLineTexts> LineTexts;
};
// A long list of entries (replace all makes two a line) grows by moving memory, not entries.
Q_DECLARE_TYPEINFO(TGlyphEditUndoItem, Q_RELOCATABLE_TYPE);

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
