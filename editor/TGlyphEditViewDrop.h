#pragma once

#include "editor/TGlyphEdit.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Drag-and-drop editing on the model side: what a drop of dragged text does to the editors,
// independent of the platform's drag machinery.

// Whether a position lies inside the selection (both ends included), read in the editor's
// selection mode.
bool GlyphEditPointInSelection(const TCustomGlyphEdit& edit, TBufferCoord p);

// Where a position after a removed stream [first, last) stands once it is removed: on the
// removed text's last line it moves left by what was cut from that line and joins the first
// line; below it moves up by the removed line breaks. Positions before `first` stay.
TBufferCoord GlyphEditPointAfterRemoval(TBufferCoord p, TBufferCoord first, TBufferCoord last);

// Inserts `text` at `p` of `target` as the dropped text: the caret and the anchor go to p with
// eoScrollPastEol switched on for the moment, the insertion is recorded as `kind`, and the
// text ends up selected with the caret at its start. Nothing happens on a read-only target.
void GlyphEditInsertDropped(TCustomGlyphEdit& target, const QString& text, TBufferCoord p,
                            TUndoChangeKind kind);

// Drops the selection of `source` at `p` of `target` as one undo group of the target: a move
// deletes the source's selection first (recorded there as uckDelete), a copy leaves it. Inside
// one editor the insertion is recorded as uckDragDropInsert and a drop inside the selection
// does nothing; from another editor it is recorded as uckInsert. A read-only source is only
// copied from. Returns false when nothing was dropped.
bool GlyphEditDropSelection(TCustomGlyphEdit& target, TCustomGlyphEdit& source, TBufferCoord p,
                            bool move);

// The payload of a drag: which editor it came from (process and editor identity) and the
// dragged text with its selection mode.
struct TGlyphDragBlock {
    qint64 ProcessId = 0;
    quint64 SourceId = 0;
    TGlyphSelectionMode Mode = smNormal;
    QString Text;
};

QByteArray EncodeGlyphDragBlock(const TGlyphDragBlock& block);
std::optional<TGlyphDragBlock> DecodeGlyphDragBlock(const QByteArray& bytes);
