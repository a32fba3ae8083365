// Text primitives of the editing engine: reading and replacing ranges in the three selection
// modes, padding, trimming, the selected text and the clipboard.

#include "editor/TGlyphEdit.h"

#include "editor/TGlyphEditClipboard.h"
#include "editor/TGlyphEditScopes.h"

#include <algorithm>

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

QList<QStringView> GlyphEditSplitViews(QStringView text) {
    QList<QStringView> pieces;
    // Most text holds no carriage return: its lines are then cut at the line feeds, which Qt's
    // search finds many characters a step (a replaced line of megabytes is inserted whole).
    if (!text.contains(u'\r')) {
        qsizetype start = 0;
        for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', start)) {
            pieces.append(text.sliced(start, at - start));
            start = at + 1;
        }
        pieces.append(text.sliced(start));
        return pieces;
    }
    const QChar* p = text.data();
    const QChar* end = p + text.size();
    const QChar* start = p;
    while (p < end) {
        if (*p == u'\r' || *p == u'\n') {
            pieces.append(QStringView(start, p - start));
            if (*p == u'\r' && p + 1 < end && p[1] == u'\n')
                ++p;
            start = ++p;
        } else {
            ++p;
        }
    }
    pieces.append(QStringView(start, end - start));
    return pieces;
}

QStringList GlyphEditSplitPieces(const QString& text) {
    QStringList pieces;
    for (const QStringView piece : GlyphEditSplitViews(text))
        pieces.append(piece.toString());
    return pieces;
}

// ---- Writing lines ----

// Writes line y (1-based; one past the last line appends). A trim candidate loses its
// trailing spaces when the outermost editing command ends (FlushTrims), recorded for undo.
void TCustomGlyphEdit::WriteLine(int y, const QString& text, bool trimCandidate) {
    lines_.SetLine(y - 1, text);
    NoteTrimCandidate(y, trimCandidate);
}

void TCustomGlyphEdit::WriteLine(int y, QStringView text, bool trimCandidate) {
    lines_.SetLine(y - 1, text);
    NoteTrimCandidate(y, trimCandidate);
}

void TCustomGlyphEdit::NoteTrimCandidate(int y, bool trimCandidate) {
    if (trimCandidate && replay_ == TReplay::None && options_ & eoTrimTrailingSpaces)
        pendingTrims_.push_back(y - 1);
}

void TCustomGlyphEdit::EditLine(int y, int from, int count, const QString& text,
                                bool trimCandidate) {
    if (y - 1 == lines_.LineCount())
        lines_.AppendLine(text);
    else
        lines_.ReplaceChars(y - 1, from, count, text);
    NoteTrimCandidate(y, trimCandidate);
}

bool TCustomGlyphEdit::BlanksUpTo(int y, int end) const {
    for (int i = 0; i < end; ++i) {
        const QChar c = lines_.LineChar(y - 1, i);
        if (c.isNull() || c.unicode() > 32)
            return false;
    }
    const QChar next = lines_.LineChar(y - 1, end);
    return next.isNull() || next.unicode() > 32;
}

// Fills line y with spaces up to column x - 1. The filler is recorded, so undo takes it away
// again and the text comes back exactly.
void TCustomGlyphEdit::PadLine(int y, int x) {
    const int len = LineLength(y);
    if (len >= x - 1)
        return;
    EditLine(y, len, 0, QString(x - 1 - len, u' '), false);
    if (replay_ == TReplay::None)
        AddUndo(uckPadding, {len + 1, y}, {x, y}, QString(), smNormal);
}

void TCustomGlyphEdit::FlushTrims() {
    if (pendingTrims_.empty())
        return;
    std::vector<int> lines = std::move(pendingTrims_);
    pendingTrims_.clear();
    if (replay_ != TReplay::None || !(options_ & eoTrimTrailingSpaces))
        return;
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    for (int index : lines) {
        if (index >= lines_.LineCount())
            continue;
        // Only the trailing spaces are looked at, however long the line is.
        const int len = lines_.LineLength(index);
        int kept = len;
        while (kept > 0 && lines_.LineChar(index, kept - 1) == u' ')
            --kept;
        if (kept == len)
            continue;
        const QString spaces = lines_.LineMid(index, kept, len - kept);
        lines_.ReplaceChars(index, kept, len - kept, QString());
        AddUndo(uckTrailingSpaces, {kept + 1, index + 1}, {len + 1, index + 1}, spaces, smNormal);
    }
}

// ---- Reading and removing ranges ----

QString TCustomGlyphEdit::RangeText(TBufferCoord a, TBufferCoord b, TGlyphSelectionMode mode,
                                    bool padColumns) const {
    const TBufferCoord first = std::min(a, b);
    const TBufferCoord last = std::max(a, b);
    QString text;
    switch (mode) {
    case smNormal:
        if (first.Y == last.Y)
            return LineMid(first.Y, first.X - 1, std::max(last.X - first.X, 0));
        {
            // Sized first: selecting all of a big page and replacing it records the whole text.
            qsizetype size = 0;
            for (int y = first.Y; y <= last.Y; ++y)
                size += LineLength(y) + CrLf.size();
            text.reserve(size);
            text += LineMid(first.Y, first.X - 1, -1);
            for (int y = first.Y + 1; y < last.Y; ++y) {
                text += CrLf;
                text += LineText(y);
            }
            text += CrLf;
            text += LineMid(last.Y, 0, last.X - 1);
            return text;
        }
    case smLine:
        for (int y = first.Y; y <= last.Y; ++y) {
            text += LineText(y);
            if (y < lines_.LineCount())
                text += CrLf;
        }
        return text;
    case smColumn: {
        const int left = std::min(a.X, b.X);
        const int width = std::max(a.X, b.X) - left;
        const bool pad = padColumns && !(options_ & eoTrimTrailingSpaces);
        for (int y = first.Y; y <= last.Y; ++y) {
            QString part = LineMid(y, left - 1, width);
            if (pad && part.size() < width)
                part += QString(width - part.size(), u' ');
            if (y > first.Y)
                text += CrLf;
            text += part;
        }
        return text;
    }
    }
    return text;
}

void TCustomGlyphEdit::RemoveRange(TBufferCoord a, TBufferCoord b, TGlyphSelectionMode mode,
                                   bool trimJoin) {
    const TBufferCoord first = std::min(a, b);
    const TBufferCoord last = std::max(a, b);
    switch (mode) {
    case smNormal: {
        const int len = LineLength(first.Y);
        if (first.Y == last.Y) {
            if (first.X - 1 < len && last.X > first.X)
                EditLine(first.Y, first.X - 1, last.X - first.X, QString(), false);
            return;
        }
        // The head is padded out to the start column, then the tail of the last line joins it.
        QString tail = LineMid(last.Y, last.X - 1, -1);
        const int from = std::min(len, first.X - 1);
        if (len < first.X - 1)
            tail.prepend(QString(first.X - 1 - len, u' '));
        EditLine(first.Y, from, len - from, tail,
                 trimJoin && options_ & eoScrollPastEol && options_ & eoTrimTrailingSpaces);
        lines_.RemoveLines(first.Y, last.Y - first.Y);
        return;
    }
    case smLine:
        if (last.Y >= lines_.LineCount()) {
            // Removing the buffer's last line leaves one empty line in place of the block.
            WriteLine(first.Y, QString(), false);
            lines_.RemoveLines(first.Y, lines_.LineCount() - first.Y);
        } else {
            lines_.RemoveLines(first.Y - 1, last.Y - first.Y + 1);
        }
        return;
    case smColumn: {
        const int left = std::min(a.X, b.X);
        const int right = std::max(a.X, b.X);
        for (int y = first.Y; y <= last.Y; ++y) {
            if (left - 1 < LineLength(y))
                EditLine(y, left - 1, right - left, QString(), false);
        }
        return;
    }
    }
}

// ---- Inserting ----

TBufferCoord TCustomGlyphEdit::InsertText(TBufferCoord at, const QString& text,
                                          TGlyphSelectionMode mode,
                                          std::optional<TUndoChangeKind> recordPieces) {
    switch (mode) {
    case smLine:
        return InsertLines(at, text);
    case smColumn:
        return InsertColumn(at, text, recordPieces);
    case smNormal:
        break;
    }
    return InsertNormal(at, text, true);
}

TBufferCoord TCustomGlyphEdit::InsertNormal(TBufferCoord at, const QString& text, bool trim) {
    const int y = std::min(at.Y, lines_.LineCount() + 1);
    PadLine(y, at.X);
    // Views, not copies: a whole page pasted or tidied brings hundreds of thousands of lines.
    const QList<QStringView> pieces = GlyphEditSplitViews(text);
    const int n = static_cast<int>(pieces.size());
    const int from = std::min(at.X - 1, LineLength(y));
    if (n == 1) {
        EditLine(y, from, 0, text, trim);
        return {at.X + static_cast<int>(text.size()), y};
    }
    const QString right = LineMid(y, from, -1);
    EditLine(y, from, LineLength(y) - from, pieces.front().toString(), trim);
    lines_.InsertEmptyLines(y, n - 1);
    for (int i = 1; i < n - 1; ++i)
        WriteLine(y + i, pieces.at(i), trim);
    WriteLine(y + n - 1, pieces.back().toString() + right, trim);
    return {static_cast<int>(pieces.back().size()) + 1, y + n - 1};
}

// A position below the last line is taken to the end of that line. Lines put into an empty
// buffer have no caret line after them: what they took ends with the last of them, not at the
// start of a line that does not exist.
TBufferCoord TCustomGlyphEdit::WithinText(TBufferCoord p) const {
    const int count = lines_.LineCount();
    return p.Y > count && count > 0 ? TBufferCoord{LineLength(count) + 1, count} : p;
}

// Whole lines go in above the caret line; the last piece is put in front of it.
TBufferCoord TCustomGlyphEdit::InsertLines(TBufferCoord at, const QString& text) {
    const QStringList pieces = GlyphEditSplitPieces(text);
    int y = std::min(at.Y, lines_.LineCount() + 1);
    for (int i = 0; i + 1 < pieces.size(); ++i) {
        lines_.InsertLine(y - 1, pieces.at(i));
        ++y;
    }
    const QString& last = pieces.back();
    if (!last.isEmpty()) {
        if (y > lines_.LineCount())
            lines_.AppendLine(last);
        else
            EditLine(y, 0, 0, last, true);
    }
    return {static_cast<int>(last.size()) + 1, y};
}

// Each piece goes into its own line at the same X. An empty piece leaves its line alone, so
// that re-inserting a block taken from short lines restores them exactly.
TBufferCoord TCustomGlyphEdit::InsertColumn(TBufferCoord at, const QString& text,
                                            std::optional<TUndoChangeKind> recordPieces) {
    const QStringList pieces = GlyphEditSplitPieces(text);
    const int x = at.X;
    int y = at.Y;
    for (const QString& piece : pieces) {
        if (y > lines_.LineCount()) {
            const QString newLine = piece.isEmpty() ? QString() : QString(x - 1, u' ') + piece;
            const int count = lines_.LineCount();
            const TBufferCoord start =
                count == 0 ? TBufferCoord{1, 1} : TBufferCoord{LineLength(count) + 1, count};
            lines_.AppendLine(newLine);
            if (recordPieces)
                AddUndo(*recordPieces, start, {static_cast<int>(newLine.size()) + 1, y}, QString(),
                        smNormal);
        } else if (!piece.isEmpty()) {
            PadLine(y, x);
            EditLine(y, x - 1, 0, piece, false);
            if (recordPieces)
                AddUndo(*recordPieces, {x, y}, {x + static_cast<int>(piece.size()), y}, QString(),
                        smColumn);
        }
        ++y;
    }
    return {x + static_cast<int>(pieces.back().size()), at.Y + static_cast<int>(pieces.size()) - 1};
}

// ---- Selection as text ----

QString TCustomGlyphEdit::SelectedText() const {
    if (!HasSelection())
        return QString();
    return RangeText(anchor_, activeEnd_, selectionMode_, true);
}

// Records the selection with its exact text and deletes it; the caret goes where the mode
// says and no selection is left.
void TCustomGlyphEdit::DeleteSelectionRecorded(TUndoChangeKind kind) {
    const TBufferCoord anchor = anchor_;
    const TBufferCoord active = activeEnd_;
    const TBufferCoord first = std::min(anchor, active);
    const TBufferCoord last = std::max(anchor, active);
    const TGlyphSelectionMode mode = selectionMode_;
    // A stream selection that starts in the space after a line end makes that space real
    // first, so that undo can rebuild the line exactly.
    if (mode == smNormal && first.Y != last.Y && LineLength(first.Y) < first.X - 1)
        PadLine(first.Y, first.X);
    AddUndo(kind, anchor, active, RangeText(anchor, active, mode, false), mode);
    RemoveRange(anchor, active, mode, true);
    TBufferCoord caret = first;
    if (mode == smLine)
        caret = {1, first.Y};
    else if (mode == smColumn)
        caret = {std::min(anchor.X, active.X), active.Y};
    SetCaretXYEx(caret, false);
    SetSelectionAnchor(caret_);
}

// Deletes the selection to put text in its place. Text that replaces a column block goes to
// the block's top left corner, whichever corner the block was made from, rather than to the
// line of its active end.
void TCustomGlyphEdit::DeleteSelectionForInsert() {
    const bool column = selectionMode_ == smColumn;
    const TBufferCoord corner{std::min(anchor_.X, activeEnd_.X), std::min(anchor_.Y, activeEnd_.Y)};
    DeleteSelectionRecorded(uckDelete);
    if (column) {
        SetCaretXYEx(corner, false);
        SetSelectionAnchor(caret_);
    }
}

// Replaces the selection (or inserts at the caret) in the editor's selection mode and
// records the insertion as `kind`.
void TCustomGlyphEdit::ReplaceSelection(const QString& text, TUndoChangeKind kind) {
    if (HasSelection()) {
        if (text.isEmpty()) {
            DeleteSelectionRecorded(uckDelete);
            return;
        }
        DeleteSelectionForInsert();
    }
    if (text.isEmpty())
        return;
    TBufferCoord at = caret_;
    TBufferCoord end;
    switch (selectionMode_) {
    case smNormal:
        end = InsertNormal(at, text, true);
        AddUndo(kind, at, end, QString(), smNormal);
        break;
    case smLine:
        at = {1, std::min(caret_.Y, lines_.LineCount() + 1)};
        end = InsertLines(at, text);
        AddUndo(kind, at, WithinText(end), QString(), smNormal);
        break;
    case smColumn:
        end = InsertColumn(at, text, kind);
        break;
    }
    SetCaretXYEx(end, false);
    SetSelectionAnchor(caret_);
}

void TCustomGlyphEdit::SetSelectedText(const QString& text) {
    if (readOnly_)
        return;
    TGlyphEditCommandScope scope(*this);
    ReplaceSelection(text, uckInsert);
}

void TCustomGlyphEdit::RewriteLines(std::vector<int> lines,
                                    std::vector<TGlyphEditLineChars> chars) {
    if (readOnly_ || lines.empty())
        return;
    TGlyphEditCommandScope scope(*this);
    auto texts = std::make_shared<TGlyphEditLineTexts>();
    texts->Lines = std::move(lines);
    texts->Chars = std::move(chars);
    // Recorded first, as every change is, so that listeners told of the lines see the text as
    // modified; the entry takes the old characters in the exchange.
    TGlyphEditUndoItem item;
    item.Kind = uckLineTexts;
    item.Start = {1, texts->Lines.front() + 1};
    item.End = {1, texts->Lines.back() + 1};
    item.LineTexts = texts;
    RecordUndo(std::move(item));
    lines_.ExchangeLineChars(texts->Lines, texts->Chars);
}

// ---- Clipboard ----

bool TCustomGlyphEdit::PasteAvailable() const {
    return !readOnly_ && GlyphClipboardHasText();
}

void TCustomGlyphEdit::ClipboardCopy() {
    if (HasSelection())
        PutGlyphClipboardText(SelectedText(), selectionMode_);
}

void TCustomGlyphEdit::ClipboardCut() {
    if (readOnly_ || !HasSelection())
        return;
    ClipboardCopy();
    TGlyphEditCommandScope scope(*this);
    DeleteSelectionRecorded(uckDelete);
}

void TCustomGlyphEdit::ClipboardPaste() {
    if (readOnly_)
        return;
    // Reading first: a clipboard that cannot be read leaves the text and the undo list alone.
    const TGlyphClipboardText clip = GetGlyphClipboardText();
    if (!clip.Available)
        return;
    TGlyphEditCommandScope scope(*this);
    if (!clip.Private) {
        ReplaceSelection(clip.Text, uckPaste);
    } else {
        if (HasSelection())
            DeleteSelectionForInsert();
        const TBufferCoord at = caret_;
        TBufferCoord end = at;
        switch (clip.Mode) {
        case smNormal:
            if (!clip.Text.isEmpty()) {
                end = InsertNormal(at, clip.Text, true);
                AddUndo(uckPaste, at, end, QString(), smNormal);
            }
            break;
        case smLine: {
            // Whole lines: a block copied with the buffer's last line has no final line
            // break, which would glue its last line to the caret line.
            QString text = clip.Text;
            if (!text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r'))
                text += CrLf;
            const TBufferCoord lineStart{1, std::min(at.Y, lines_.LineCount() + 1)};
            end = InsertLines(lineStart, text);
            AddUndo(uckPaste, lineStart, WithinText(end), QString(), smNormal);
            break;
        }
        case smColumn:
            end = InsertColumn(at, clip.Text, uckPaste);
            end = {at.X, end.Y + 1};
            break;
        }
        SetCaretXYEx(end, false);
        SetSelectionAnchor(caret_);
    }
    ScrollCaretIntoView();
    StatusChanged(scSelection);
}
