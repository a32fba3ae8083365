#include "editor/TGlyphEdit.h"

#include "editor/TGlyphEditScopes.h"

#include <QKeyEvent>
#include <algorithm>
#include <climits>
#include <utility>

namespace {

// The 22 characters that end a word when no highlighter says otherwise.
constexpr char16_t WordBreakChars[] = u"!'()*+,-./:;=?[\\]^{|}\"";

bool IsDefaultWordChar(QChar c) {
    if (c.unicode() <= 32 || c.isSpace())
        return false;
    for (char16_t b : WordBreakChars) {
        if (b != 0 && c.unicode() == b)
            return false;
    }
    return true;
}

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

} // namespace

TCustomGlyphEdit::TCustomGlyphEdit() {
    keystrokes_.ResetDefaults();
    lines_.SetTabWidth(tabWidth_);
    HookLines();
    undoList_.OnAdded = [this] { UndoListChanged(); };
    redoList_.OnAdded = [this] { UndoListChanged(); };
}

TCustomGlyphEdit::~TCustomGlyphEdit() = default;

// ---- Buffer notifications ----

void TCustomGlyphEdit::HookLines() {
    lines_.OnEndChanges = [this] { BufferChangesEnded(); };
    lines_.OnLineAdded = [this](int index, const QString&) {
        LinesAdded(index, lines_.LineCount() - knownLineCount_, TGlyphLinesChange::Added);
    };
    lines_.OnLineInserted = [this](int index, const QString&) {
        LinesAdded(index, 1, TGlyphLinesChange::Inserted);
    };
    lines_.OnLineChanged = [this](int index) { LineChanged(index); };
    lines_.OnLinesDeleted = [this](int index, int count) { LinesDeleted(index, count); };
    lines_.OnLinesRewritten = [this](int index, int count) { LinesRewritten(index, count); };
    lines_.OnCleared = [this] { LinesCleared(); };
    lines_.OnLinesAboutToChange = [this](int index, int count) {
        if (replay_ == TReplay::None)
            breakWatch_.LinesAboutToChange(lines_, index, count);
    };
}

// Bookmarks and the lines waiting to be trimmed follow their lines.
void TCustomGlyphEdit::LinesAdded(int index, int count, TGlyphLinesChange::TKind kind) {
    knownLineCount_ = lines_.LineCount();
    textChangedInBracket_ = true;
    for (auto& mark : bookmarks_) {
        if (mark && mark->Y > index)
            mark->Y += count;
    }
    for (int& line : pendingTrims_) {
        if (line >= index)
            line += count;
    }
    InvalidateLines(index + 1, INT_MAX);
    if (OnLinesChanged)
        OnLinesChanged({kind, index, count});
}

// A bookmark on a removed line moves to the line before the removed block.
void TCustomGlyphEdit::LinesDeleted(int index, int count) {
    knownLineCount_ = lines_.LineCount();
    textChangedInBracket_ = true;
    for (auto& mark : bookmarks_) {
        if (!mark)
            continue;
        const int i = mark->Y - 1;
        if (i >= index + count)
            mark->Y -= count;
        else if (i >= index)
            mark->Y = std::max(index, 1);
    }
    std::erase_if(pendingTrims_, [&](int line) { return line >= index && line < index + count; });
    for (int& line : pendingTrims_) {
        if (line >= index + count)
            line -= count;
    }
    InvalidateLines(index + 1, INT_MAX);
    if (OnLinesChanged)
        OnLinesChanged({TGlyphLinesChange::Deleted, index, count});
}

void TCustomGlyphEdit::LinesCleared() {
    TGlyphEditPaintLock lock(*this);
    knownLineCount_ = 0;
    textChangedInBracket_ = true;
    bookmarks_.fill(std::nullopt);
    pendingTrims_.clear();
    breakWatch_.Stop();
    undoList_.Clear();
    redoList_.Clear();
    KeepModifiedAcrossClear();
    if (caret_ != TBufferCoord{1, 1}) {
        caret_ = {1, 1};
        StatusChanged(scCaretX | scCaretY);
        NoteCaretMoved();
    }
    lastCaretColumn_ = 1;
    if (anchor_ != TBufferCoord{1, 1} || activeEnd_ != TBufferCoord{1, 1}) {
        anchor_ = activeEnd_ = {1, 1};
        StatusChanged(scSelection);
    }
    SetTopLine(1);
    SetLeftChar(1);
    InvalidateLines(1, INT_MAX);
    if (OnLinesChanged)
        OnLinesChanged({TGlyphLinesChange::Cleared, 0, 0});
}

void TCustomGlyphEdit::LineChanged(int index) {
    textChangedInBracket_ = true;
    InvalidateLines(index + 1, index + 1);
    if (OnLinesChanged)
        OnLinesChanged({TGlyphLinesChange::Changed, index, 1});
}

void TCustomGlyphEdit::LinesRewritten(int index, int count) {
    textChangedInBracket_ = true;
    InvalidateLines(index + 1, index + count);
    if (OnLinesChanged)
        OnLinesChanged({TGlyphLinesChange::Changed, index, count});
}

// Any edit leaves no selection behind.
void TCustomGlyphEdit::BufferChangesEnded() {
    // Brackets that only stored scanner states leave the selection alone.
    if (!std::exchange(textChangedInBracket_, false))
        return;
    SetSelectionAnchor(caret_);
}

// ---- Text ----

void TCustomGlyphEdit::SetText(const QString& text) {
    TGlyphEditPaintLock lock(*this);
    lines_.SetAllText(text);
}

// ---- Caret ----

int TCustomGlyphEdit::MaxCaretX(int y) const {
    const int lineEnd = LineLength(y) + 1;
    // Past the line end the caret may go up to MaxLeftChar, but never so short that the end
    // of a longer line becomes unreachable.
    return options_ & eoScrollPastEol ? std::max(MaxLeftChar, lineEnd) : lineEnd;
}

void TCustomGlyphEdit::SetCaretXYEx(TBufferCoord p, bool scrollIntoView) {
    TGlyphEditPaintLock lock(*this);
    const int y = std::max(std::min(p.Y, lines_.LineCount()), 1);
    const int x = std::max(std::min(p.X, MaxCaretX(y)), 1);
    if (x == caret_.X && y == caret_.Y)
        return;
    TGlyphStatusChanges changes;
    if (x != caret_.X)
        changes |= scCaretX;
    if (y != caret_.Y)
        changes |= scCaretY;
    caret_ = {x, y};
    lastCaretColumn_ = DisplayColumn(caret_);
    StatusChanged(changes);
    NoteCaretMoved();
    if (scrollIntoView)
        ScrollCaretIntoView();
}

// ---- Selection ----

TBufferCoord TCustomGlyphEdit::ClampSelectionPoint(TBufferCoord p) const {
    const int y = std::max(std::min(p.Y, lines_.LineCount()), 1);
    const int lineEnd = LineLength(y) + 1;
    int maxX = std::max(MaxLeftChar, lineEnd);
    if (selectionMode_ == smNormal)
        maxX = lineEnd;
    return {std::max(std::min(p.X, maxX), 1), y};
}

bool TCustomGlyphEdit::HasSelection() const {
    return anchor_.X != activeEnd_.X || (anchor_.Y != activeEnd_.Y && selectionMode_ != smColumn);
}

void TCustomGlyphEdit::SetSelectionAnchor(TBufferCoord p) {
    p = ClampSelectionPoint(p);
    if (p == anchor_ && p == activeEnd_)
        return;
    if (HasSelection())
        InvalidateLines(SelectionStart().Y, SelectionEnd().Y);
    anchor_ = activeEnd_ = p;
    StatusChanged(scSelection);
}

void TCustomGlyphEdit::SetSelectionActiveEnd(TBufferCoord p) {
    if (options_ & eoNoSelection)
        return;
    p = ClampSelectionPoint(p);
    if (p == activeEnd_)
        return;
    InvalidateLines(std::min(p.Y, activeEnd_.Y), std::max(p.Y, activeEnd_.Y));
    activeEnd_ = p;
    StatusChanged(scSelection);
}

void TCustomGlyphEdit::SelectAll() {
    TGlyphEditPaintLock lock(*this);
    const int last = std::max(lines_.LineCount(), 1);
    const TBufferCoord end{LineLength(last) + 1, last};
    SetSelectionAnchor({1, 1});
    SetSelectionActiveEnd(end);
    SetCaretXYEx(end, true);
}

void TCustomGlyphEdit::SetSelectionMode(TGlyphSelectionMode mode) {
    if (mode == selectionMode_)
        return;
    TGlyphEditPaintLock lock(*this);
    selectionMode_ = mode;
    if (HasSelection())
        InvalidateLines(SelectionStart().Y, SelectionEnd().Y);
    StatusChanged(scSelection);
}

TGlyphEditCaretState TCustomGlyphEdit::CaretState() const {
    return {true, caret_, anchor_, activeEnd_};
}

// Puts caret and selection back exactly as they were; the text is the one they were taken on.
void TCustomGlyphEdit::RestoreCaretState(const TGlyphEditCaretState& state) {
    if (!state.Valid)
        return;
    TGlyphEditPaintLock lock(*this);
    const TGlyphEditorOptions saved = options_;
    options_ |= eoScrollPastEol;
    SetCaretXYEx(state.Caret, true);
    options_ = saved;
    if (state.Anchor != anchor_ || state.ActiveEnd != activeEnd_) {
        anchor_ = state.Anchor;
        activeEnd_ = state.ActiveEnd;
        InvalidateLines(1, INT_MAX);
        StatusChanged(scSelection);
    }
}

// ---- Settings ----

void TCustomGlyphEdit::SetInsertMode(bool value) {
    if (value == insertMode_)
        return;
    insertMode_ = value;
    StatusChanged(scInsertMode);
}

void TCustomGlyphEdit::SetReadOnly(bool value) {
    if (value == readOnly_)
        return;
    readOnly_ = value;
    StatusChanged(scReadOnly);
}

void TCustomGlyphEdit::SetModified(bool value) {
    savePoint_ = value ? std::nullopt : std::optional<quint64>(undoList_.Position());
    NoteModified();
}

void TCustomGlyphEdit::SetOptions(TGlyphEditorOptions options) {
    if (options == options_)
        return;
    TGlyphEditPaintLock lock(*this);
    options_ = options;
    if (options_ & eoNoSelection)
        SetSelectionAnchor(caret_);
    // Without eoScrollPastEol the caret may no longer stand after the line end.
    SetCaretXYEx(caret_, false);
    InvalidateLines(1, INT_MAX);
}

void TCustomGlyphEdit::SetTabWidth(int value) {
    value = std::clamp(value, 1, 256);
    if (value == tabWidth_)
        return;
    tabWidth_ = value;
    lines_.SetTabWidth(value);
    lastCaretColumn_ = DisplayColumn(caret_);
    InvalidateLines(1, INT_MAX);
}

void TCustomGlyphEdit::SetMaxUndo(int value) {
    undoList_.SetMaxUndo(value);
    redoList_.SetMaxUndo(value);
}

// ---- Viewport ----

void TCustomGlyphEdit::SetTopLine(int line) {
    const int count = lines_.LineCount();
    const int maxTop = options_ & eoScrollPastEof ? count : count - linesInWindow_ + 1;
    line = std::max(std::min(line, maxTop), 1);
    if (line == topLine_)
        return;
    topLine_ = line;
    InvalidateLines(1, INT_MAX);
    StatusChanged(scTopLine);
    NoteScrolled();
}

void TCustomGlyphEdit::SetLeftChar(int column) {
    int maxColumn = MaxLeftChar;
    if (!(options_ & eoScrollPastEol)) {
        maxColumn = lines_.LongestLineLength();
    } else {
        // Lines longer than MaxLeftChar stay reachable: the caret's own column is always
        // allowed, and only a scroll further out asks for the longest line, which may walk
        // the whole buffer.
        maxColumn = std::max(MaxLeftChar, DisplayColumn(caret_));
        if (column > maxColumn - charsInWindow_ + 1)
            maxColumn = std::max(maxColumn, lines_.LongestLineLength() + 1);
    }
    column = std::max(std::min(column, maxColumn - charsInWindow_ + 1), 1);
    if (column == leftChar_)
        return;
    leftChar_ = column;
    InvalidateLines(1, INT_MAX);
    StatusChanged(scLeftChar);
    NoteScrolled();
}

void TCustomGlyphEdit::ScrollCaretIntoView() {
    TGlyphEditPaintLock lock(*this);
    if (charsInWindow_ > 0) {
        const int d = DisplayColumn(caret_);
        if (d < leftChar_)
            SetLeftChar(d);
        else if (d > leftChar_ + charsInWindow_)
            SetLeftChar(d - charsInWindow_ + 1);
    }
    const int rows = std::max(1, linesInWindow_);
    if (caret_.Y < topLine_)
        SetTopLine(caret_.Y);
    else if (caret_.Y > topLine_ + rows - 1)
        SetTopLine(caret_.Y - rows + 1);
}

// Brings a caret line outside the view to the middle row.
void TCustomGlyphEdit::ScrollCaretToMiddle() {
    TGlyphEditPaintLock lock(*this);
    if (charsInWindow_ > 0) {
        const int d = DisplayColumn(caret_);
        if (d < leftChar_)
            SetLeftChar(d);
        else if (d > leftChar_ + charsInWindow_)
            SetLeftChar(d - charsInWindow_ + 1);
    }
    const int y = caret_.Y;
    const int h = linesInWindow_;
    if (y < topLine_ - 1)
        SetTopLine(std::max(y - h / 2 + 1, 1));
    else if (y > topLine_ + h - 2)
        SetTopLine(y - h + 1 + h / 2);
}

// ---- Positions ----

// A line without tabs is one column a character, which needs no look at its text: the caret
// in a very long line costs nothing.
int TCustomGlyphEdit::DisplayColumn(TBufferCoord p) const {
    const int inLine = std::clamp(p.X - 1, 0, LineLength(p.Y));
    int width = inLine;
    if (lines_.LineHasTabs(p.Y - 1)) {
        const QString head = LineMid(p.Y, 0, inLine);
        width = 0;
        for (QChar c : head)
            width += c == u'\t' ? tabWidth_ - width % tabWidth_ : 1;
    }
    return width + std::max(p.X - 1 - inLine, 0) + 1;
}

int TCustomGlyphEdit::CharIndexOfColumn(int y, int column) const {
    if (!lines_.LineHasTabs(y - 1))
        return std::max(column, 1);
    const QString line = LineText(y);
    int width = 0;
    for (int i = 0; i < line.size(); ++i) {
        if (width + 1 >= column)
            return i + 1;
        width += line.at(i) == u'\t' ? tabWidth_ - width % tabWidth_ : 1;
    }
    return static_cast<int>(line.size()) + 1 + std::max(column - (width + 1), 0);
}

bool TCustomGlyphEdit::IsWordChar(QChar c) const {
    return WordCharTest ? WordCharTest(c) : IsDefaultWordChar(c);
}

TBufferCoord TCustomGlyphEdit::NextWordPos(TBufferCoord p) const {
    const QString line = LineText(p.Y);
    const int len = static_cast<int>(line.size());
    if (p.X >= len) {
        if (p.Y >= lines_.LineCount())
            return p;
        const QString next = LineText(p.Y + 1);
        for (int i = 0; i < next.size(); ++i) {
            if (IsWordChar(next.at(i)))
                return {i + 1, p.Y + 1};
        }
        return {1, p.Y + 1};
    }
    int i = p.X - 1;
    if (IsWordChar(line.at(i))) {
        while (i < len && IsWordChar(line.at(i)))
            ++i;
        if (i >= len)
            return {len + 1, p.Y};
    }
    while (i < len && !IsWordChar(line.at(i)))
        ++i;
    return {i < len ? i + 1 : len + 1, p.Y};
}

TBufferCoord TCustomGlyphEdit::PrevWordPos(TBufferCoord p) const {
    const QString line = LineText(p.Y);
    const int len = static_cast<int>(line.size());
    const int x = std::min(p.X, len + 1);
    auto previousLineEnd = [&]() -> TBufferCoord {
        if (p.Y <= 1)
            return {1, 1};
        return {LineLength(p.Y - 1) + 1, p.Y - 1};
    };
    if (x <= 1)
        return previousLineEnd();
    int i = x - 2; // the character before the caret
    if (!IsWordChar(line.at(i))) {
        while (i >= 0 && !IsWordChar(line.at(i)))
            --i;
        if (i < 0)
            return p.Y > 1 ? previousLineEnd() : TBufferCoord{1, p.Y};
    }
    while (i >= 0 && IsWordChar(line.at(i)))
        --i;
    return {i + 2, p.Y};
}

TBufferCoord TCustomGlyphEdit::WordEnd(TBufferCoord p) const {
    const QString line = LineText(p.Y);
    int i = std::max(p.X - 1, 0);
    while (i < line.size() && IsWordChar(line.at(i)))
        ++i;
    return {std::min(i, static_cast<int>(line.size())) + 1, p.Y};
}

TBufferCoord TCustomGlyphEdit::WordStart(TBufferCoord p) const {
    const QString line = LineText(p.Y);
    int i = std::min(p.X - 1, static_cast<int>(line.size()));
    if (i <= 0 || !IsWordChar(line.at(i - 1)))
        return p;
    while (i > 0 && IsWordChar(line.at(i - 1)))
        --i;
    return {i + 1, p.Y};
}

int TCustomGlyphEdit::LeadingBlankWidth(const QString& line, bool expandTabs) const {
    if (!(options_ & eoAutoIndent))
        return 0;
    int width = 0;
    for (QChar c : line) {
        if (c.unicode() > 32)
            break;
        width += c == u'\t' && expandTabs ? tabWidth_ : 1;
    }
    return width;
}

QString TCustomGlyphEdit::IndentString(int width) const {
    if (options_ & eoTabsToSpaces || width < tabWidth_)
        return QString(width, u' ');
    return QString(width / tabWidth_, u'\t') + QString(width % tabWidth_, u' ');
}

// ---- Paint lock and notifications ----

void TCustomGlyphEdit::DecPaintLock() {
    if (paintLock_ <= 0 || --paintLock_ > 0)
        return;
    if (scrollPending_) {
        scrollPending_ = false;
        if (OnScrollBarsChanged)
            OnScrollBarsChanged();
    }
    if (caretPending_) {
        caretPending_ = false;
        if (OnCaretChanged)
            OnCaretChanged();
    }
    if (pendingStatus_) {
        const TGlyphStatusChanges changes = pendingStatus_;
        pendingStatus_ = {};
        if (OnStatusChange)
            OnStatusChange(this, changes);
    }
}

void TCustomGlyphEdit::StatusChanged(TGlyphStatusChanges changes) {
    IncPaintLock();
    pendingStatus_ |= changes;
    DecPaintLock();
}

void TCustomGlyphEdit::NoteScrolled() {
    IncPaintLock();
    scrollPending_ = true;
    DecPaintLock();
}

void TCustomGlyphEdit::NoteCaretMoved() {
    IncPaintLock();
    caretPending_ = true;
    DecPaintLock();
}

void TCustomGlyphEdit::InvalidateLines(int first, int last) {
    if (OnInvalidateLines)
        OnInvalidateLines(first, last);
}

// ---- Bookmarks ----

std::optional<TBufferCoord> TCustomGlyphEdit::Bookmark(int n) const {
    if (n < 0 || n > 9)
        return std::nullopt;
    return bookmarks_[static_cast<std::size_t>(n)];
}

void TCustomGlyphEdit::SetBookmark(int n, TBufferCoord p) {
    if (n < 0 || n > 9)
        return;
    auto& mark = bookmarks_[static_cast<std::size_t>(n)];
    if (mark)
        InvalidateLines(mark->Y, mark->Y);
    mark = p;
    InvalidateLines(p.Y, p.Y);
}

void TCustomGlyphEdit::ClearBookmark(int n) {
    if (n < 0 || n > 9)
        return;
    auto& mark = bookmarks_[static_cast<std::size_t>(n)];
    if (mark)
        InvalidateLines(mark->Y, mark->Y);
    mark.reset();
}

// ---- Keys ----

bool TCustomGlyphEdit::KeyDown(QKeyCombination key) {
    int code = key.key();
    Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
    if (OnKeyDown)
        OnKeyDown(this, code, modifiers);
    keyHandled_ = false;
    // A handler that clears the key ends its handling; a modifier alone neither runs a command
    // nor breaks a chord.
    if (code == 0 || IsModifierKey(code))
        return false;
    const QKeyCombination normalized = NormalizedKey(QKeyCombination(modifiers, Qt::Key(code)));
    TGlyphEditorCommand command = ecNone;
    if (lastKey_.toCombined() != 0)
        command = keystrokes_.FindKeycode2(lastKey_, normalized);
    if (command == ecNone)
        command = keystrokes_.FindKeycode(normalized);
    lastKey_ = command == ecNone && IsChordPrefixKey(normalized.key())
                   ? normalized
                   : QKeyCombination::fromCombined(0);
    if (command == ecNone)
        return false;
    keyHandled_ = true;
    QVariant data;
    if (command >= ecSetMarker0 && command <= ecSetMarker9)
        data = QPoint(caret_.X, caret_.Y);
    RunCommand(command, QChar(), data);
    return true;
}

bool TCustomGlyphEdit::KeyPress(QChar ch) {
    if (keyHandled_) {
        keyHandled_ = false;
        return true;
    }
    if (OnKeyPress)
        OnKeyPress(this, ch);
    if (ch.isNull())
        return true;
    RunCommand(ecChar, ch);
    return ch.unicode() >= 32 && ch.unicode() != 127;
}

bool TCustomGlyphEdit::HandleKeyEvent(const QKeyEvent& event) {
    const int code = event.key();
    if ((code == Qt::Key_Tab || code == Qt::Key_Backtab) && !wantTabs_)
        return false;
    if (KeyDown(KeyOfEvent(event))) {
        // The key ran a command: its character is dropped.
        keyHandled_ = false;
        return true;
    }
    const QString text = event.text();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    // Ctrl or Alt alone make a shortcut, not a character; both together are AltGr on some
    // keyboards and do type.
    if (text.isEmpty() || ctrl != alt || (modifiers & Qt::MetaModifier))
        return false;
    if (text.size() == 1)
        return KeyPress(text.at(0));
    // Several code units (a surrogate pair, a composed sequence) are typed as one step.
    TGlyphEditPaintLock lock(*this);
    OpenUndoGroup();
    for (QChar c : text)
        KeyPress(c);
    CloseUndoGroup();
    return true;
}
