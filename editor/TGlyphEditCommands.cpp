// The commands of the editing engine: what each key of the key table does.

#include "editor/TGlyphEdit.h"

#include "editor/TGlyphEditScopes.h"

#include <QPoint>
#include <algorithm>

namespace {

const QString CrLf = QStringLiteral("\r\n");

TBufferCoord PointOf(const QVariant& data, TBufferCoord fallback) {
    if (!data.canConvert<QPoint>())
        return fallback;
    const QPoint p = data.toPoint();
    return {p.x(), p.y()};
}

int LeadingBlankCount(const QString& line) {
    int n = 0;
    while (n < line.size() && line.at(n).unicode() <= 32)
        ++n;
    return n;
}

} // namespace

// ---- Dispatch ----

void TCustomGlyphEdit::RunCommand(TGlyphEditorCommand command, QChar ch, const QVariant& data) {
    TGlyphEditPaintLock lock(*this);
    QVariant value = data;
    if (command >= ecUserFirst) {
        if (OnProcessUserCommand)
            OnProcessUserCommand(this, command, ch, value);
    } else if (OnProcessCommand) {
        OnProcessCommand(this, command, ch, value);
    }
    if (command >= 1 && command <= 1000)
        ExecuteCommand(command, ch, value);
    if (OnCommandProcessed)
        OnCommandProcessed(this, command, ch, value);
}

bool TCustomGlyphEdit::IsTextCommand(TGlyphEditorCommand command) const {
    switch (command) {
    case ecDeleteLastChar:
    case ecDeleteChar:
    case ecDeleteWord:
    case ecDeleteLastWord:
    case ecDeleteBOL:
    case ecDeleteEOL:
    case ecDeleteLine:
    case ecClearAll:
    case ecLineBreak:
    case ecInsertLine:
    case ecChar:
    case ecImeStr:
    case ecString:
    case ecBlockIndent:
    case ecBlockUnindent:
    case ecTab:
    case ecShiftTab:
        return true;
    default:
        return false;
    }
}

void TCustomGlyphEdit::ExecuteCommand(TGlyphEditorCommand command, QChar ch, const QVariant& data) {
    if (IsTextCommand(command)) {
        if (readOnly_)
            return;
        TGlyphEditCommandScope scope(*this);
        switch (command) {
        case ecDeleteLastChar:
            DoDeleteLastChar();
            break;
        case ecDeleteChar:
            DoDeleteChar();
            break;
        case ecDeleteWord: {
            const int len = LineLength(caret_.Y);
            if (caret_.X > len + 1)
                SetCaretXYEx({len + 1, caret_.Y}, true);
            DoDeleteRange(caret_, NextWordPos(caret_), uckSilentDeleteAfterCaret, caret_);
            break;
        }
        case ecDeleteEOL:
            DoDeleteRange(caret_, {LineLength(caret_.Y) + 1, caret_.Y}, uckSilentDeleteAfterCaret,
                          caret_);
            break;
        case ecDeleteLastWord: {
            const TBufferCoord from = PrevWordPos(caret_);
            DoDeleteRange(from, caret_, uckSilentDelete, from);
            break;
        }
        case ecDeleteBOL:
            DoDeleteRange({1, caret_.Y}, caret_, uckSilentDelete, {1, caret_.Y});
            break;
        case ecDeleteLine:
            DoDeleteLine();
            break;
        case ecClearAll:
            DoClearAll();
            break;
        case ecLineBreak:
        case ecInsertLine:
            DoLineBreak(command);
            break;
        case ecChar:
            DoTypeChar(ch);
            break;
        case ecImeStr:
        case ecString:
            ReplaceSelection(data.toString(), uckInsert);
            ScrollCaretIntoView();
            break;
        case ecBlockIndent:
            DoBlockIndent();
            break;
        case ecBlockUnindent:
            DoBlockUnindent();
            break;
        case ecTab:
            DoTab();
            break;
        case ecShiftTab:
            DoShiftTab();
            break;
        default:
            break;
        }
        return;
    }

    const bool selecting = command > ecSelection && command <= ecSelGotoXY;
    const TGlyphEditorCommand base = selecting ? command - ecSelection : command;
    if (base >= ecLeft && base <= ecGotoXY) {
        switch (base) {
        case ecUp:
            MoveCaretVertically(-1, selecting);
            return;
        case ecDown:
            MoveCaretVertically(1, selecting);
            return;
        case ecPageUp:
        case ecPageDown:
            DoPageScroll(base, selecting);
            return;
        default:
            MoveCaretAndSelection(MovementTarget(base, data), selecting);
            return;
        }
    }

    switch (command) {
    case ecSelectAll:
        SelectAll();
        break;
    case ecCopy:
        ClipboardCopy();
        break;
    case ecCut:
        ClipboardCut();
        break;
    case ecPaste:
        ClipboardPaste();
        break;
    case ecUndo:
        Undo();
        break;
    case ecRedo:
        Redo();
        break;
    case ecScrollUp:
        DoScrollUpDown(-1);
        break;
    case ecScrollDown:
        DoScrollUpDown(1);
        break;
    case ecScrollLeft:
        SetLeftChar(leftChar_ - 1);
        break;
    case ecScrollRight:
        SetLeftChar(leftChar_ + 1);
        break;
    case ecInsertMode:
        SetInsertMode(true);
        break;
    case ecOverwriteMode:
        SetInsertMode(false);
        break;
    case ecToggleMode:
        SetInsertMode(!insertMode_);
        break;
    case ecNormalSelect:
        SetSelectionMode(smNormal);
        break;
    case ecColumnSelect:
        SetSelectionMode(smColumn);
        break;
    case ecLineSelect:
        SetSelectionMode(smLine);
        break;
    case ecMatchBracket:
        DoMatchBracket();
        break;
    default:
        if (command >= ecGotoMarker0 && command <= ecGotoMarker9)
            DoGotoMarker(command - ecGotoMarker0);
        else if (command >= ecSetMarker0 && command <= ecSetMarker9)
            DoSetMarker(command - ecSetMarker0, PointOf(data, caret_));
        break;
    }
}

// ---- Movement ----

void TCustomGlyphEdit::MoveCaretAndSelection(TBufferCoord target, bool selecting) {
    if (options_ & eoGroupUndo)
        undoList_.AddGroupBreak();
    if (selecting) {
        if (!HasSelection())
            SetSelectionAnchor(caret_);
        SetSelectionActiveEnd(target);
    } else {
        SetSelectionAnchor(target);
    }
    SetCaretXYEx(target, true);
}

// Up and Down keep the caret's display column (or, with eoKeepCaretX, the remembered one).
void TCustomGlyphEdit::MoveCaretVertically(int lines, bool selecting) {
    const int y = std::clamp(caret_.Y + lines, 1, std::max(lines_.LineCount(), 1));
    const bool keep = options_ & eoKeepCaretX;
    const int column = keep ? lastCaretColumn_ : DisplayColumn(caret_);
    MoveCaretAndSelection({CharIndexOfColumn(y, column), y}, selecting);
    if (keep)
        lastCaretColumn_ = column;
}

TBufferCoord TCustomGlyphEdit::MovementTarget(TGlyphEditorCommand command, const QVariant& data) {
    const int len = LineLength(caret_.Y);
    const bool pastEol = options_ & eoScrollPastEol;
    const int x = caret_.X;
    const int y = caret_.Y;
    switch (command) {
    case ecLeft:
        if (!pastEol && x <= 1 && y > 1)
            return {LineLength(y - 1) + 1, y - 1};
        return {std::max(x - 1, 1), y};
    case ecRight:
        if (pastEol)
            return {x + 1, y};
        if (x > len && y < lines_.LineCount())
            return {1, y + 1};
        return {std::min(x + 1, len + 1), y};
    case ecWordLeft:
        return PrevWordPos(caret_);
    case ecWordRight:
        return NextWordPos(caret_);
    case ecLineStart: {
        if (!(options_ & eoEnhanceHomeKey))
            return {1, y};
        const int firstNonBlank = LeadingBlankCount(LineText(y)) + 1;
        return {x > firstNonBlank ? firstNonBlank : 1, y};
    }
    case ecLineEnd:
        return {len + 1, y};
    case ecPageLeft:
        return {x - charsInWindow_, y};
    case ecPageRight:
        return {x + charsInWindow_, y};
    case ecPageTop:
        return {x, topLine_};
    case ecPageBottom:
        return {x, topLine_ + std::max(linesInWindow_, 1) - 1};
    case ecEditorTop:
        return {1, 1};
    case ecEditorBottom: {
        const int last = std::max(lines_.LineCount(), 1);
        return {LineLength(last) + 1, last};
    }
    case ecGotoXY:
        return PointOf(data, caret_);
    default:
        return caret_;
    }
}

void TCustomGlyphEdit::DoPageScroll(TGlyphEditorCommand command, bool selecting) {
    int page = linesInWindow_;
    if (options_ & eoHalfPageScroll)
        page /= 2;
    if (options_ & eoScrollByOneLess)
        --page;
    page = std::max(page, 1);
    const int delta = command == ecPageUp ? -page : page;
    SetTopLine(topLine_ + delta);
    MoveCaretVertically(delta, selecting);
}

void TCustomGlyphEdit::DoScrollUpDown(int delta) {
    const int rows = std::max(linesInWindow_, 1);
    if (caret_.Y < topLine_ || caret_.Y > topLine_ + rows - 1) {
        ScrollCaretIntoView();
        return;
    }
    SetTopLine(topLine_ + delta);
    const int lastVisible = topLine_ + rows - 1;
    const int y = std::clamp(caret_.Y, topLine_, lastVisible);
    if (y != caret_.Y) {
        const int column = DisplayColumn(caret_);
        SetCaretXYEx({CharIndexOfColumn(y, column), y}, false);
        SetSelectionAnchor(caret_);
    }
}

// ---- Typing ----

void TCustomGlyphEdit::DoTypeChar(QChar ch) {
    if (ch.unicode() < 32 || ch.unicode() == 127)
        return;
    if (HasSelection()) {
        ReplaceSelection(QString(ch), uckInsert);
        ScrollCaretIntoView();
        return;
    }
    const int y = caret_.Y;
    const int x = caret_.X;
    const int len = LineLength(y);
    int at = x;
    if (x > len + 1) {
        if (len == 0) {
            // An empty line is filled with the indentation string of the gap's width.
            const QString filler = IndentString(x - 1);
            WriteLine(y, filler, false);
            AddUndo(uckPadding, {1, y}, {static_cast<int>(filler.size()) + 1, y}, QString(),
                    smNormal);
            at = static_cast<int>(filler.size()) + 1;
        } else {
            PadLine(y, x);
        }
    }
    // The character goes into the line in place: typing costs the same in any line length.
    if (!insertMode_ && at <= LineLength(y)) {
        const QString replaced = LineMid(y, at - 1, 1);
        EditLine(y, at - 1, 1, QString(ch), false);
        AddUndo(uckInsert, {at, y}, {at + 1, y}, replaced, smNormal);
    } else {
        EditLine(y, at - 1, 0, QString(ch), false);
        AddUndo(uckInsert, {at, y}, {at + 1, y}, QString(), smNormal);
    }
    SetCaretXYEx({at + 1, y}, true);
    SetSelectionAnchor(caret_);
    // Reaching the right edge of the view scrolls it on by a good step.
    if (charsInWindow_ > 0 && DisplayColumn(caret_) >= leftChar_ + charsInWindow_)
        SetLeftChar(leftChar_ + std::min(25, charsInWindow_ - 1));
}

// ---- Line break ----

void TCustomGlyphEdit::DoLineBreak(TGlyphEditorCommand command) {
    if (readOnly_)
        return;
    const bool insertLine = command == ecInsertLine;
    if (HasSelection())
        DeleteSelectionRecorded(uckDelete);
    if (lines_.LineCount() == 0)
        lines_.AppendLine(QString());
    const TBufferCoord caret = caret_;
    const int y = caret.Y;
    const QString line = LineText(y);
    const int len = static_cast<int>(line.size());
    TBufferCoord next = caret;
    if (len == 0) {
        // Empty line: the indentation comes from the nearest line above that has text.
        int indent = 0;
        for (int above = y - 1; above >= 1; --above) {
            const QString text = LineText(above);
            if (!text.isEmpty()) {
                indent = LeadingBlankWidth(text, true);
                break;
            }
        }
        AddUndo(uckLineBreak, caret, caret, QString(), smNormal, command);
        lines_.InsertLine(y - 1, QString());
        next = {indent + 1, y + 1};
    } else if (caret.X > len) {
        AddUndo(uckLineBreak, caret, caret, QString(), smNormal, command);
        const int blanks = LeadingBlankWidth(line, false);
        lines_.InsertLine(y, insertLine ? QString() : line.left(blanks));
        next = {blanks + 1, y + 1};
    } else if (caret.X == 1) {
        lines_.InsertLine(y - 1, QString());
        AddUndo(uckLineBreak, caret, caret, line, smNormal, command);
        next = {1, y + 1};
    } else {
        const QString left = line.left(caret.X - 1);
        const QString right = line.mid(caret.X - 1);
        WriteLine(y, left, true);
        // The indentation is measured before the left part loses its trailing blanks: a break
        // inside the leading blanks keeps the text where it stood.
        const QString indent = IndentString(LeadingBlankWidth(left, true));
        lines_.InsertLine(y, indent + right);
        AddUndo(uckLineBreak, caret, caret, right, smNormal, command);
        next = {static_cast<int>(indent.size()) + 1, y + 1};
    }
    if (insertLine)
        next = caret;
    SetCaretXYEx(next, false);
    SetSelectionAnchor(caret_);
    ScrollCaretIntoView();
}

// ---- Deleting ----

void TCustomGlyphEdit::DoDeleteLastChar() {
    if (HasSelection()) {
        DeleteSelectionRecorded(anchor_ <= activeEnd_ ? uckDelete : uckDeleteAfterCaret);
        ScrollCaretIntoView();
        return;
    }
    const TBufferCoord caret = caret_;
    const int y = caret.Y;
    const int len = LineLength(y);
    TBufferCoord target = caret;
    QString removed;
    if (caret.X > len + 1) {
        // In the space after the line end Backspace only steps left; nothing changed, so
        // nothing is recorded and the document does not become modified.
        SetCaretXYEx({caret.X - 1, y}, true);
        SetSelectionAnchor(caret_);
        return;
    }
    if (caret.X == 1) {
        if (y <= 1)
            return;
        // The line joins the one above, which first loses its trailing spaces when trimming.
        const int previousLength = LineLength(y - 1);
        int kept = previousLength;
        if (options_ & eoTrimTrailingSpaces) {
            while (kept > 0 && lines_.LineChar(y - 2, kept - 1) == u' ')
                --kept;
        }
        removed = LineMid(y - 1, kept, -1) + CrLf;
        EditLine(y - 1, kept, previousLength - kept, LineText(y), false);
        lines_.DeleteLine(y - 1);
        target = {kept + 1, y - 1};
    } else if (lines_.LineChar(y - 1, caret.X - 2).unicode() <= 32 && options_ & eoAutoIndent &&
               BlanksUpTo(y, caret.X - 1)) {
        // Right after the leading blanks: back to the previous tab stop.
        int cells = (DisplayColumn(caret) - 1) % tabWidth_;
        if (cells == 0)
            cells = tabWidth_;
        int i = caret.X - 1;
        while (cells > 0 && i > 0) {
            const QChar c = lines_.LineChar(y - 1, i - 1);
            if (c == u'\t') {
                --i;
                break;
            }
            if (c != u' ')
                break;
            --i;
            --cells;
        }
        if (i == caret.X - 1)
            i = caret.X - 2;
        removed = LineMid(y, i, caret.X - 1 - i);
        EditLine(y, i, caret.X - 1 - i, QString(), false);
        target = {i + 1, y};
    } else {
        removed = LineMid(y, caret.X - 2, 1);
        EditLine(y, caret.X - 2, 1, QString(), false);
        target = {caret.X - 1, y};
    }
    AddUndo(uckSilentDelete, target, caret, removed, smNormal);
    SetCaretXYEx(target, true);
    SetSelectionAnchor(caret_);
}

void TCustomGlyphEdit::DoDeleteChar() {
    if (HasSelection()) {
        DeleteSelectionRecorded(anchor_ <= activeEnd_ ? uckDelete : uckDeleteAfterCaret);
        ScrollCaretIntoView();
        return;
    }
    const TBufferCoord caret = caret_;
    const int y = caret.Y;
    const int len = LineLength(y);
    if (caret.X > len) {
        if (y >= lines_.LineCount())
            return;
        // The next line is joined to this one, the gap up to the caret filled first.
        PadLine(y, caret.X);
        EditLine(y, LineLength(y), 0, LineText(y + 1), false);
        lines_.DeleteLine(y);
        AddUndo(uckSilentDeleteAfterCaret, caret, {1, y + 1}, CrLf, smNormal);
    } else {
        const QString removed = LineMid(y, caret.X - 1, 1);
        EditLine(y, caret.X - 1, 1, QString(), false);
        AddUndo(uckSilentDeleteAfterCaret, caret, {caret.X + 1, y}, removed, smNormal);
    }
    SetCaretXYEx(caret, true);
    SetSelectionAnchor(caret_);
}

void TCustomGlyphEdit::DoDeleteRange(TBufferCoord from, TBufferCoord to, TUndoChangeKind kind,
                                     TBufferCoord caret) {
    const QString text = RangeText(from, to, smNormal, false);
    if (text.isEmpty())
        return;
    RemoveRange(from, to, smNormal, false);
    AddUndo(kind, from, to, text, smNormal);
    SetCaretXYEx(caret, true);
    SetSelectionAnchor(caret_);
}

void TCustomGlyphEdit::DoDeleteLine() {
    const int count = lines_.LineCount();
    if (count == 0 || (count == 1 && LineText(1).isEmpty()))
        return;
    SetSelectionAnchor(caret_);
    const int y = caret_.Y;
    const QString line = LineText(y);
    const TBufferCoord start{1, y};
    if (count == 1) {
        WriteLine(1, QString(), false);
        AddUndo(uckDeleteAfterCaret, start, {static_cast<int>(line.size()) + 1, y}, line, smNormal);
    } else if (y == count) {
        lines_.DeleteLine(y - 1);
        AddUndo(uckDeleteAfterCaret, start, {static_cast<int>(line.size()) + 1, y}, line, smNormal);
    } else {
        lines_.DeleteLine(y - 1);
        AddUndo(uckDeleteAfterCaret, start, {1, y + 1}, line + CrLf, smNormal);
    }
    SetCaretXYEx(start, true);
    SetSelectionAnchor(caret_);
}

void TCustomGlyphEdit::DoClearAll() {
    lines_.RemoveAll();
    bookmarks_.fill(std::nullopt);
    ClearUndoHistory();
    SetModified(false);
}

// ---- Tab keys and block indent ----

void TCustomGlyphEdit::DoTab() {
    if (options_ & eoTabIndent && HasSelection()) {
        DoBlockIndent();
        return;
    }
    if (HasSelection())
        DeleteSelectionRecorded(uckDelete);
    QString text = QStringLiteral("\t");
    if (options_ & eoTabsToSpaces) {
        int spaces = tabWidth_ - (caret_.X - 1) % tabWidth_;
        if (spaces == 0)
            spaces = tabWidth_;
        text = QString(spaces, u' ');
    }
    const TBufferCoord at = caret_;
    const TBufferCoord end = InsertNormal(at, text, false);
    AddUndo(uckInsert, at, end, QString(), smNormal);
    SetCaretXYEx(end, true);
    SetSelectionAnchor(caret_);
}

// Back over spaces to the previous tab stop; positions after the line end count as spaces.
void TCustomGlyphEdit::DoShiftTab() {
    if (options_ & eoTabIndent && HasSelection()) {
        DoBlockUnindent();
        return;
    }
    const TBufferCoord caret = caret_;
    if (caret.X <= 1)
        return;
    const QString line = LineText(caret.Y);
    const int stop = (caret.X - 2) / tabWidth_ * tabWidth_ + 1;
    int x = caret.X;
    while (x > stop && (x - 1 > line.size() || line.at(x - 2) == u' '))
        --x;
    if (x == caret.X)
        return;
    const TBufferCoord target{x, caret.Y};
    const QString removed = RangeText(target, caret, smNormal, false);
    if (!removed.isEmpty()) {
        RemoveRange(target, caret, smNormal, false);
        AddUndo(uckDeleteAfterCaret, target, {x + static_cast<int>(removed.size()), caret.Y},
                removed, smNormal);
    }
    SetCaretXYEx(target, true);
    SetSelectionAnchor(caret_);
}

void TCustomGlyphEdit::DoBlockIndent() {
    if (!HasSelection())
        return;
    const TBufferCoord first = SelectionStart();
    const TBufferCoord last = SelectionEnd();
    const int lastY = last.X == 1 && last.Y > first.Y ? last.Y - 1 : last.Y;
    const QString indent =
        options_ & eoTabsToSpaces ? QString(tabWidth_, u' ') : QStringLiteral("\t");
    const int n = static_cast<int>(indent.size());
    const TBufferCoord oldAnchor = anchor_;
    const TBufferCoord oldActive = activeEnd_;
    const TBufferCoord oldCaret = caret_;
    const TGlyphSelectionMode mode = selectionMode_;
    AddUndo(uckIndent, oldAnchor, oldActive, QString(), mode);
    QStringList block;
    for (int y = first.Y; y <= lastY; ++y)
        block.append(indent);
    InsertColumn({1, first.Y}, block.join(CrLf), uckPaste);
    // Ends on an indented line move with the text; an end at column 1 of the line after the
    // block stays where it is.
    auto shifted = [&](TBufferCoord p) {
        if (p.Y >= first.Y && p.Y <= lastY)
            p.X += n;
        return p;
    };
    SetCaretXYEx(shifted(oldCaret), true);
    anchor_ = shifted(oldAnchor);
    activeEnd_ = shifted(oldActive);
    InvalidateLines(first.Y, last.Y);
    StatusChanged(scSelection);
    AddUndo(uckIndent, anchor_, activeEnd_, QString(), mode);
}

void TCustomGlyphEdit::DoBlockUnindent() {
    if (!HasSelection())
        return;
    const TBufferCoord first = SelectionStart();
    const TBufferCoord last = SelectionEnd();
    const int lastY = last.X == 1 && last.Y > first.Y ? last.Y - 1 : last.Y;
    QStringList prefixes;
    bool any = false;
    for (int y = first.Y; y <= lastY; ++y) {
        const QString line = LineText(y);
        int k = 0;
        if (line.startsWith(u'\t')) {
            k = 1;
        } else {
            while (k < tabWidth_ && k < line.size() &&
                   (line.at(k) == u' ' || line.at(k) == u'\t')) {
                ++k;
                if (line.at(k - 1) == u'\t')
                    break;
            }
        }
        prefixes.append(line.left(k));
        any = any || k > 0;
    }
    if (!any)
        return;
    const TBufferCoord oldAnchor = anchor_;
    const TBufferCoord oldActive = activeEnd_;
    const TBufferCoord oldCaret = caret_;
    for (int y = first.Y; y <= lastY; ++y) {
        const QString& prefix = prefixes.at(y - first.Y);
        if (!prefix.isEmpty())
            WriteLine(y, LineText(y).mid(prefix.size()), false);
    }
    AddUndo(uckUnindent, first, last, prefixes.join(CrLf), smColumn);
    auto removedOn = [&](int y) {
        return y >= first.Y && y <= lastY ? static_cast<int>(prefixes.at(y - first.Y).size()) : 0;
    };
    auto shifted = [&](TBufferCoord p) {
        p.X = std::max(p.X - removedOn(p.Y), 1);
        return p;
    };
    SetCaretXYEx(oldCaret.X == 1 ? oldCaret : shifted(oldCaret), true);
    anchor_ = shifted(oldAnchor);
    activeEnd_ = shifted(oldActive);
    InvalidateLines(first.Y, last.Y);
    StatusChanged(scSelection);
}

// ---- Brackets and bookmarks ----

void TCustomGlyphEdit::DoMatchBracket() {
    static const QString brackets = QStringLiteral("()[]{}<>");
    const QString line = LineText(caret_.Y);
    if (caret_.X < 1 || caret_.X > line.size())
        return;
    const QChar same = line.at(caret_.X - 1);
    const qsizetype index = brackets.indexOf(same);
    if (index < 0)
        return;
    const bool forward = index % 2 == 0;
    const QChar partner = brackets.at(forward ? index + 1 : index - 1);
    int level = 1;
    int y = caret_.Y;
    int i = caret_.X - 1; // 0-based index of the character at the caret
    QString text = line;
    while (true) {
        i += forward ? 1 : -1;
        while (i < 0 || i >= text.size()) {
            y += forward ? 1 : -1;
            if (y < 1 || y > lines_.LineCount())
                return;
            text = LineText(y);
            i = forward ? 0 : static_cast<int>(text.size()) - 1;
        }
        const QChar c = text.at(i);
        if (c != same && c != partner)
            continue;
        const TBufferCoord p{i + 1, y};
        if (InStringOrComment && InStringOrComment(p))
            continue;
        level += c == same ? 1 : -1;
        if (level == 0) {
            MoveCaretAndSelection(p, false);
            return;
        }
    }
}

void TCustomGlyphEdit::DoSetMarker(int n, TBufferCoord at) {
    if (!bookmarkKeys_)
        return;
    const auto& mark = bookmarks_[static_cast<std::size_t>(n)];
    if (mark && mark->Y == at.Y)
        ClearBookmark(n);
    else
        SetBookmark(n, at);
}

void TCustomGlyphEdit::DoGotoMarker(int n) {
    if (!bookmarkKeys_)
        return;
    const auto mark = bookmarks_[static_cast<std::size_t>(n)];
    if (!mark || mark->Y > lines_.LineCount())
        return;
    SetCaretXYEx(*mark, false);
    SetSelectionAnchor(caret_);
    ScrollCaretToMiddle();
    // Centring leaves alone a line just above the view; the caret must still be seen.
    ScrollCaretIntoView();
}
