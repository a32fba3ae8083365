#include "editor/TGlyphEditKeyCmds.h"

#include <QKeyEvent>

EGlyphKeyError::EGlyphKeyError() : EGlyphError(QStringLiteral("Shortcut already exists")) {}

namespace {

constexpr QKeyCombination NoKey = QKeyCombination::fromCombined(0);

bool IsEmpty(QKeyCombination key) {
    return key.key() == Qt::Key(0) || key.toCombined() == 0;
}

struct StrokeRow {
    TGlyphEditorCommand command;
    QKeyCombination key;
};

QKeyCombination K(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return QKeyCombination(modifiers, key);
}

constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers Alt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

// The rows shared by the main window's table and the default table, in table order. The
// default table adds Shift+Enter right after Enter and Ctrl+F1 at the end.
void AddCommonStrokes(TGlyphEditKeyStrokes& strokes, bool withShiftEnter) {
    const StrokeRow movement[] = {
        {ecUp, K(Qt::Key_Up)},
        {ecSelUp, K(Qt::Key_Up, Shift)},
        {ecScrollUp, K(Qt::Key_Up, Ctrl)},
        {ecDown, K(Qt::Key_Down)},
        {ecSelDown, K(Qt::Key_Down, Shift)},
        {ecScrollDown, K(Qt::Key_Down, Ctrl)},
        {ecLeft, K(Qt::Key_Left)},
        {ecSelLeft, K(Qt::Key_Left, Shift)},
        {ecWordLeft, K(Qt::Key_Left, Ctrl)},
        {ecSelWordLeft, K(Qt::Key_Left, CtrlShift)},
        {ecRight, K(Qt::Key_Right)},
        {ecSelRight, K(Qt::Key_Right, Shift)},
        {ecWordRight, K(Qt::Key_Right, Ctrl)},
        {ecSelWordRight, K(Qt::Key_Right, CtrlShift)},
        {ecPageDown, K(Qt::Key_PageDown)},
        {ecSelPageDown, K(Qt::Key_PageDown, Shift)},
        {ecPageBottom, K(Qt::Key_PageDown, Ctrl)},
        {ecSelPageBottom, K(Qt::Key_PageDown, CtrlShift)},
        {ecPageUp, K(Qt::Key_PageUp)},
        {ecSelPageUp, K(Qt::Key_PageUp, Shift)},
        {ecPageTop, K(Qt::Key_PageUp, Ctrl)},
        {ecSelPageTop, K(Qt::Key_PageUp, CtrlShift)},
        {ecLineStart, K(Qt::Key_Home)},
        {ecSelLineStart, K(Qt::Key_Home, Shift)},
        {ecEditorTop, K(Qt::Key_Home, Ctrl)},
        {ecSelEditorTop, K(Qt::Key_Home, CtrlShift)},
        {ecLineEnd, K(Qt::Key_End)},
        {ecSelLineEnd, K(Qt::Key_End, Shift)},
        {ecEditorBottom, K(Qt::Key_End, Ctrl)},
        {ecSelEditorBottom, K(Qt::Key_End, CtrlShift)},
        {ecToggleMode, K(Qt::Key_Insert)},
        {ecCopy, K(Qt::Key_Insert, Ctrl)},
        {ecCopy, K(Qt::Key_C, Ctrl)},
        {ecPaste, K(Qt::Key_Insert, Shift)},
        {ecPaste, K(Qt::Key_V, Ctrl)},
        {ecCut, K(Qt::Key_Delete, Shift)},
        {ecCut, K(Qt::Key_X, Ctrl)},
        {ecDeleteChar, K(Qt::Key_Delete)},
        {ecDeleteLastChar, K(Qt::Key_Backspace)},
        {ecDeleteLastChar, K(Qt::Key_Backspace, Shift)},
        {ecDeleteLastWord, K(Qt::Key_Backspace, Ctrl)},
        {ecUndo, K(Qt::Key_Backspace, Alt)},
        {ecUndo, K(Qt::Key_Z, Ctrl)},
        {ecRedo, K(Qt::Key_Backspace, Alt | Shift)},
        {ecRedo, K(Qt::Key_Z, CtrlShift)},
    };
    for (const StrokeRow& row : movement)
        strokes.Add(row.command, row.key);

    strokes.Add(ecLineBreak, K(Qt::Key_Return));
    if (withShiftEnter)
        strokes.Add(ecLineBreak, K(Qt::Key_Return, Shift));
    strokes.Add(ecLineBreak, K(Qt::Key_M, Ctrl));

    const StrokeRow editing[] = {
        {ecSelectAll, K(Qt::Key_A, Ctrl)},          {ecBlockIndent, K(Qt::Key_I, CtrlShift)},
        {ecInsertLine, K(Qt::Key_N, Ctrl)},         {ecDeleteWord, K(Qt::Key_T, Ctrl)},
        {ecBlockUnindent, K(Qt::Key_U, CtrlShift)}, {ecDeleteLine, K(Qt::Key_Y, Ctrl)},
        {ecDeleteEOL, K(Qt::Key_Y, CtrlShift)},
    };
    for (const StrokeRow& row : editing)
        strokes.Add(row.command, row.key);

    for (int n = 0; n <= 9; ++n)
        strokes.Add(ecGotoMarker0 + n, K(Qt::Key(Qt::Key_0 + n), Ctrl));
    for (int n = 0; n <= 9; ++n)
        strokes.Add(ecSetMarker0 + n, K(Qt::Key(Qt::Key_0 + n), CtrlShift));

    const StrokeRow tail[] = {
        {ecNormalSelect, K(Qt::Key_N, CtrlShift)}, {ecColumnSelect, K(Qt::Key_C, CtrlShift)},
        {ecLineSelect, K(Qt::Key_L, CtrlShift)},   {ecTab, K(Qt::Key_Tab)},
        {ecShiftTab, K(Qt::Key_Tab, Shift)},       {ecMatchBracket, K(Qt::Key_B, CtrlShift)},
    };
    for (const StrokeRow& row : tail)
        strokes.Add(row.command, row.key);
}

} // namespace

QKeyCombination NormalizedKey(QKeyCombination key) {
    Qt::Key code = key.key();
    Qt::KeyboardModifiers modifiers =
        key.keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (code == Qt::Key_Backtab)
        code = Qt::Key_Tab;
    else if (code == Qt::Key_Enter)
        code = Qt::Key_Return;
    if (code >= Qt::Key_A && code <= Qt::Key_Z)
        return QKeyCombination(modifiers, code);
    // With Shift held the layout turns a digit into its symbol; the key tables speak of the
    // digit keys, so the symbols of the common layout are mapped back.
    if (modifiers & Qt::ShiftModifier) {
        static const Qt::Key shiftedDigits[] = {
            Qt::Key_ParenRight, Qt::Key_Exclam,   Qt::Key_At,          Qt::Key_NumberSign,
            Qt::Key_Dollar,     Qt::Key_Percent,  Qt::Key_AsciiCircum, Qt::Key_Ampersand,
            Qt::Key_Asterisk,   Qt::Key_ParenLeft};
        for (int digit = 0; digit <= 9; ++digit) {
            if (code == shiftedDigits[digit])
                return QKeyCombination(modifiers, Qt::Key(Qt::Key_0 + digit));
        }
    }
    return QKeyCombination(modifiers, code);
}

// Linux keyboards report the digit row as key codes 10 to 19 (the keys 1 to 9, then 0).
QKeyCombination KeyOfEvent(const QKeyEvent& event) {
    constexpr quint32 DigitRowFirst = 10;
    constexpr quint32 DigitRowLast = 19;
    const quint32 code = event.nativeScanCode();
    if (code < DigitRowFirst || code > DigitRowLast)
        return event.keyCombination();
    const int digit = static_cast<int>(code - DigitRowFirst + 1) % 10;
    return QKeyCombination(event.modifiers(), Qt::Key(Qt::Key_0 + digit));
}

bool IsChordPrefixKey(int key) {
    return (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ||
           (key >= Qt::Key_F1 && key <= Qt::Key_F24) || key == Qt::Key_NumLock ||
           key == Qt::Key_ScrollLock;
}

void TGlyphEditKeyStroke::SetShortCut(QKeyCombination key) {
    key = NormalizedKey(key);
    owner_->CheckFree(this, key, shortCut2_);
    shortCut_ = key;
}

void TGlyphEditKeyStroke::SetShortCut2(QKeyCombination key) {
    key = NormalizedKey(key);
    owner_->CheckFree(this, shortCut_, key);
    shortCut2_ = key;
}

TGlyphEditKeyStrokes::TGlyphEditKeyStrokes(const TGlyphEditKeyStrokes& other) {
    *this = other;
}

TGlyphEditKeyStrokes& TGlyphEditKeyStrokes::operator=(const TGlyphEditKeyStrokes& other) {
    if (this == &other)
        return *this;
    items_.clear();
    for (const auto& source : other.items_) {
        auto copy = std::unique_ptr<TGlyphEditKeyStroke>(new TGlyphEditKeyStroke(*this));
        copy->command_ = source->command_;
        copy->shortCut_ = source->shortCut_;
        copy->shortCut2_ = source->shortCut2_;
        items_.push_back(std::move(copy));
    }
    return *this;
}

void TGlyphEditKeyStrokes::CheckFree(const TGlyphEditKeyStroke* except, QKeyCombination key,
                                     QKeyCombination key2) const {
    if (IsEmpty(key))
        return;
    const int found = FindKeys(key, key2);
    if (found >= 0 && items_[static_cast<std::size_t>(found)].get() != except)
        throw EGlyphKeyError();
}

TGlyphEditKeyStroke& TGlyphEditKeyStrokes::Add(TGlyphEditorCommand command, QKeyCombination key,
                                               QKeyCombination key2) {
    key = NormalizedKey(key);
    key2 = NormalizedKey(key2);
    CheckFree(nullptr, key, key2);
    auto stroke = std::unique_ptr<TGlyphEditKeyStroke>(new TGlyphEditKeyStroke(*this));
    stroke->command_ = command;
    stroke->shortCut_ = key;
    stroke->shortCut2_ = key2;
    items_.push_back(std::move(stroke));
    return *items_.back();
}

void TGlyphEditKeyStrokes::Delete(int i) {
    items_.erase(items_.begin() + i);
}

int TGlyphEditKeyStrokes::FindKeys(QKeyCombination key, QKeyCombination key2) const {
    key = NormalizedKey(key);
    key2 = NormalizedKey(key2);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->shortCut_ == key && items_[i]->shortCut2_ == key2)
            return static_cast<int>(i);
    }
    return -1;
}

TGlyphEditorCommand TGlyphEditKeyStrokes::FindKeycode(QKeyCombination key) const {
    const int i = FindKeys(key, NoKey);
    return i < 0 ? ecNone : items_[static_cast<std::size_t>(i)]->command_;
}

TGlyphEditorCommand TGlyphEditKeyStrokes::FindKeycode2(QKeyCombination first,
                                                       QKeyCombination second) const {
    if (IsEmpty(second))
        return ecNone;
    const int i = FindKeys(first, second);
    return i < 0 ? ecNone : items_[static_cast<std::size_t>(i)]->command_;
}

int TGlyphEditKeyStrokes::FindCommand(TGlyphEditorCommand command) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->command_ == command)
            return static_cast<int>(i);
    }
    return -1;
}

void TGlyphEditKeyStrokes::ResetDefaults() {
    items_.clear();
    AddCommonStrokes(*this, true);
    Add(ecContextHelp, K(Qt::Key_F1, Ctrl));
}

TGlyphEditKeyStrokes MainWindowKeystrokes() {
    TGlyphEditKeyStrokes strokes;
    AddCommonStrokes(strokes, false);
    return strokes;
}
