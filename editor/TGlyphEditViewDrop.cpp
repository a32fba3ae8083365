#include "editor/TGlyphEditViewDrop.h"

#include "editor/TGlyphEditScopes.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>

namespace {

// The engine records every insertion through SelectedText as uckInsert; a drop inside one
// editor is its own kind, whose redo selects the text again. The entry is the insertion of
// the group being recorded that starts at the drop point.
void RetagInsertion(TCustomGlyphEdit& edit, TBufferCoord start, TUndoChangeKind kind) {
    TGlyphEditUndoList& list = edit.UndoList();
    const int group = list.CurrentGroupNumber();
    for (int i = list.ItemCount() - 1; i >= 0; --i) {
        TGlyphEditUndoItem& item = list.Item(i);
        if (item.GroupNumber != group)
            return;
        if (item.Kind == uckInsert && item.Start == start) {
            item.Kind = kind;
            return;
        }
    }
}

// Holds an undo group open for a block.
class TUndoGroup {
public:
    explicit TUndoGroup(TCustomGlyphEdit& edit) : edit_(edit) { edit_.OpenUndoGroup(); }
    ~TUndoGroup() { edit_.CloseUndoGroup(); }
    TUndoGroup(const TUndoGroup&) = delete;
    TUndoGroup& operator=(const TUndoGroup&) = delete;

private:
    TCustomGlyphEdit& edit_;
};

constexpr quint32 DragBlockMagic = 0x474C4442; // "GLDB"

} // namespace

bool GlyphEditPointInSelection(const TCustomGlyphEdit& edit, TBufferCoord p) {
    if (!edit.HasSelection())
        return false;
    const TBufferCoord first = edit.SelectionStart();
    const TBufferCoord last = edit.SelectionEnd();
    switch (edit.SelectionMode()) {
    case smLine:
        return p.Y >= first.Y && p.Y <= last.Y;
    case smColumn: {
        if (p.Y < first.Y || p.Y > last.Y)
            return false;
        const int a = edit.DisplayColumn(edit.SelectionAnchor());
        const int b = edit.DisplayColumn(edit.SelectionActiveEnd());
        const int d = edit.DisplayColumn(p);
        return d >= std::min(a, b) && d <= std::max(a, b);
    }
    case smNormal:
        break;
    }
    return p >= first && p <= last;
}

TBufferCoord GlyphEditPointAfterRemoval(TBufferCoord p, TBufferCoord first, TBufferCoord last) {
    if (p < last)
        return p;
    if (p.Y == last.Y)
        p.X = first.X + (p.X - last.X);
    p.Y -= last.Y - first.Y;
    return p;
}

void GlyphEditInsertDropped(TCustomGlyphEdit& target, const QString& text, TBufferCoord p,
                            TUndoChangeKind kind) {
    if (target.ReadOnly())
        return;
    TGlyphEditPaintLock lock(target);
    TUndoGroup group(target);
    const TGlyphEditorOptions saved = target.Options();
    target.SetOptions(saved | eoScrollPastEol);
    // Dragged text is a character stream whatever mode the target was left in.
    target.SetSelectionMode(smNormal);
    target.SetCaretXYEx(p, false);
    const TBufferCoord start = target.CaretXY();
    target.SetSelectionAnchor(start);
    target.SetSelectedText(text);
    if (kind != uckInsert)
        RetagInsertion(target, start, kind);
    const TBufferCoord end = std::max(target.CaretXY(), start);
    target.SetSelectionAnchor(end);
    target.SetSelectionActiveEnd(start);
    target.SetCaretXYEx(start, true);
    target.SetOptions(saved);
}

bool GlyphEditDropSelection(TCustomGlyphEdit& target, TCustomGlyphEdit& source, TBufferCoord p,
                            bool move) {
    if (target.ReadOnly() || !source.HasSelection())
        return false;
    const bool sameEditor = &target == &source;
    if (sameEditor && GlyphEditPointInSelection(source, p))
        return false;
    // Text is never taken out of an editor that may not change.
    move = move && !source.ReadOnly();
    TGlyphEditPaintLock targetLock(target);
    TGlyphEditPaintLock sourceLock(source);
    TUndoGroup group(target);
    const QString text = source.SelectedText();
    if (move) {
        const TBufferCoord first = source.SelectionStart();
        const TBufferCoord last = source.SelectionEnd();
        const bool stream = source.SelectionMode() == smNormal;
        source.SetSelectedText(QString());
        if (sameEditor && stream)
            p = GlyphEditPointAfterRemoval(p, first, last);
    }
    GlyphEditInsertDropped(target, text, p, sameEditor ? uckDragDropInsert : uckInsert);
    return true;
}

QByteArray EncodeGlyphDragBlock(const TGlyphDragBlock& block) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << DragBlockMagic << block.ProcessId << block.SourceId << quint8(block.Mode) << block.Text;
    return bytes;
}

std::optional<TGlyphDragBlock> DecodeGlyphDragBlock(const QByteArray& bytes) {
    QDataStream in(bytes);
    quint32 magic = 0;
    quint8 mode = 0;
    TGlyphDragBlock block;
    in >> magic >> block.ProcessId >> block.SourceId >> mode >> block.Text;
    if (in.status() != QDataStream::Ok || magic != DragBlockMagic || mode > smColumn)
        return std::nullopt;
    block.Mode = static_cast<TGlyphSelectionMode>(mode);
    return block;
}
