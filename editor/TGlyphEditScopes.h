#pragma once

#include "editor/TGlyphEdit.h"

// The bracket around one text-changing operation: the paint lock, one undo group (so the
// operation is one undo step) and, when the outermost operation ends, the trimming of the
// lines it wrote.
class TGlyphEditCommandScope {
public:
    explicit TGlyphEditCommandScope(TCustomGlyphEdit& edit) : edit_(edit) {
        edit_.IncPaintLock();
        edit_.OpenUndoGroup();
        ++edit_.commandDepth_;
    }
    ~TGlyphEditCommandScope() {
        if (--edit_.commandDepth_ == 0)
            edit_.FlushTrims();
        edit_.CloseUndoGroup();
        edit_.DecPaintLock();
    }
    TGlyphEditCommandScope(const TGlyphEditCommandScope&) = delete;
    TGlyphEditCommandScope& operator=(const TGlyphEditCommandScope&) = delete;

private:
    TCustomGlyphEdit& edit_;
};

// The state an undo or redo step works in: the direction the inverse entries go, the entry
// being replayed, its selection mode and eoScrollPastEol switched on; all restored at the end.
class TGlyphEditReplayScope {
public:
    TGlyphEditReplayScope(TCustomGlyphEdit& edit, TCustomGlyphEdit::TReplay direction)
        : edit_(edit), savedOptions_(edit.options_), savedMode_(edit.selectionMode_) {
        edit_.replay_ = direction;
        edit_.options_ |= eoScrollPastEol;
    }
    ~TGlyphEditReplayScope() {
        edit_.replay_ = TCustomGlyphEdit::TReplay::None;
        edit_.replayItem_ = nullptr;
        edit_.options_ = savedOptions_;
        edit_.selectionMode_ = savedMode_;
    }
    TGlyphEditReplayScope(const TGlyphEditReplayScope&) = delete;
    TGlyphEditReplayScope& operator=(const TGlyphEditReplayScope&) = delete;

    void Enter(const TGlyphEditUndoItem& item) {
        edit_.replayItem_ = &item;
        edit_.selectionMode_ = item.SelectionMode;
    }
    TGlyphEditorOptions SavedOptions() const { return savedOptions_; }

private:
    TCustomGlyphEdit& edit_;
    TGlyphEditorOptions savedOptions_;
    TGlyphSelectionMode savedMode_;
};

// Holds the paint lock for a block.
class TGlyphEditPaintLock {
public:
    explicit TGlyphEditPaintLock(TCustomGlyphEdit& edit) : edit_(edit) { edit_.IncPaintLock(); }
    ~TGlyphEditPaintLock() { edit_.DecPaintLock(); }
    TGlyphEditPaintLock(const TGlyphEditPaintLock&) = delete;
    TGlyphEditPaintLock& operator=(const TGlyphEditPaintLock&) = delete;

private:
    TCustomGlyphEdit& edit_;
};

// Splits a text into the pieces between its line breaks (CR, LF or CR LF); a text ending with
// a line break ends with an empty piece.
QStringList GlyphEditSplitPieces(const QString& text);
// The same pieces as views into the text, which must outlive them.
QList<QStringView> GlyphEditSplitViews(QStringView text);
