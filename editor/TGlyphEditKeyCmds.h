#pragma once

#include "common/GlyphErrors.h"

#include <QKeyCombination>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QKeyEvent;

// A command of the editor. Stored key tables hold these numbers, so they never change.
using TGlyphEditorCommand = std::uint16_t;

inline constexpr TGlyphEditorCommand ecNone = 0;
inline constexpr TGlyphEditorCommand ecLeft = 1;
inline constexpr TGlyphEditorCommand ecRight = 2;
inline constexpr TGlyphEditorCommand ecUp = 3;
inline constexpr TGlyphEditorCommand ecDown = 4;
inline constexpr TGlyphEditorCommand ecWordLeft = 5;
inline constexpr TGlyphEditorCommand ecWordRight = 6;
inline constexpr TGlyphEditorCommand ecLineStart = 7;
inline constexpr TGlyphEditorCommand ecLineEnd = 8;
inline constexpr TGlyphEditorCommand ecPageUp = 9;
inline constexpr TGlyphEditorCommand ecPageDown = 10;
inline constexpr TGlyphEditorCommand ecPageLeft = 11;
inline constexpr TGlyphEditorCommand ecPageRight = 12;
inline constexpr TGlyphEditorCommand ecPageTop = 13;
inline constexpr TGlyphEditorCommand ecPageBottom = 14;
inline constexpr TGlyphEditorCommand ecEditorTop = 15;
inline constexpr TGlyphEditorCommand ecEditorBottom = 16;
inline constexpr TGlyphEditorCommand ecGotoXY = 17;

// The selecting variant of a movement command is the command plus this offset.
inline constexpr TGlyphEditorCommand ecSelection = 100;
inline constexpr TGlyphEditorCommand ecSelLeft = ecLeft + ecSelection;
inline constexpr TGlyphEditorCommand ecSelRight = ecRight + ecSelection;
inline constexpr TGlyphEditorCommand ecSelUp = ecUp + ecSelection;
inline constexpr TGlyphEditorCommand ecSelDown = ecDown + ecSelection;
inline constexpr TGlyphEditorCommand ecSelWordLeft = ecWordLeft + ecSelection;
inline constexpr TGlyphEditorCommand ecSelWordRight = ecWordRight + ecSelection;
inline constexpr TGlyphEditorCommand ecSelLineStart = ecLineStart + ecSelection;
inline constexpr TGlyphEditorCommand ecSelLineEnd = ecLineEnd + ecSelection;
inline constexpr TGlyphEditorCommand ecSelPageUp = ecPageUp + ecSelection;
inline constexpr TGlyphEditorCommand ecSelPageDown = ecPageDown + ecSelection;
inline constexpr TGlyphEditorCommand ecSelPageLeft = ecPageLeft + ecSelection;
inline constexpr TGlyphEditorCommand ecSelPageRight = ecPageRight + ecSelection;
inline constexpr TGlyphEditorCommand ecSelPageTop = ecPageTop + ecSelection;
inline constexpr TGlyphEditorCommand ecSelPageBottom = ecPageBottom + ecSelection;
inline constexpr TGlyphEditorCommand ecSelEditorTop = ecEditorTop + ecSelection;
inline constexpr TGlyphEditorCommand ecSelEditorBottom = ecEditorBottom + ecSelection;
inline constexpr TGlyphEditorCommand ecSelGotoXY = ecGotoXY + ecSelection;

inline constexpr TGlyphEditorCommand ecSelectAll = 199;
inline constexpr TGlyphEditorCommand ecCopy = 201;
inline constexpr TGlyphEditorCommand ecScrollUp = 211;
inline constexpr TGlyphEditorCommand ecScrollDown = 212;
inline constexpr TGlyphEditorCommand ecScrollLeft = 213;
inline constexpr TGlyphEditorCommand ecScrollRight = 214;
inline constexpr TGlyphEditorCommand ecInsertMode = 221;
inline constexpr TGlyphEditorCommand ecOverwriteMode = 222;
inline constexpr TGlyphEditorCommand ecToggleMode = 223;
inline constexpr TGlyphEditorCommand ecNormalSelect = 231;
inline constexpr TGlyphEditorCommand ecColumnSelect = 232;
inline constexpr TGlyphEditorCommand ecLineSelect = 233;
inline constexpr TGlyphEditorCommand ecMatchBracket = 250;
inline constexpr TGlyphEditorCommand ecGotoMarker0 = 301;
inline constexpr TGlyphEditorCommand ecGotoMarker9 = 310;
inline constexpr TGlyphEditorCommand ecSetMarker0 = 351;
inline constexpr TGlyphEditorCommand ecSetMarker9 = 360;
inline constexpr TGlyphEditorCommand ecContextHelp = 490;
inline constexpr TGlyphEditorCommand ecDeleteLastChar = 501;
inline constexpr TGlyphEditorCommand ecDeleteChar = 502;
inline constexpr TGlyphEditorCommand ecDeleteWord = 503;
inline constexpr TGlyphEditorCommand ecDeleteLastWord = 504;
inline constexpr TGlyphEditorCommand ecDeleteBOL = 505;
inline constexpr TGlyphEditorCommand ecDeleteEOL = 506;
inline constexpr TGlyphEditorCommand ecDeleteLine = 507;
inline constexpr TGlyphEditorCommand ecClearAll = 508;
inline constexpr TGlyphEditorCommand ecLineBreak = 509;
inline constexpr TGlyphEditorCommand ecInsertLine = 510;
inline constexpr TGlyphEditorCommand ecChar = 511;
inline constexpr TGlyphEditorCommand ecImeStr = 550;
inline constexpr TGlyphEditorCommand ecUndo = 601;
inline constexpr TGlyphEditorCommand ecRedo = 602;
inline constexpr TGlyphEditorCommand ecCut = 603;
inline constexpr TGlyphEditorCommand ecPaste = 604;
inline constexpr TGlyphEditorCommand ecBlockIndent = 610;
inline constexpr TGlyphEditorCommand ecBlockUnindent = 611;
inline constexpr TGlyphEditorCommand ecTab = 612;
inline constexpr TGlyphEditorCommand ecShiftTab = 613;
inline constexpr TGlyphEditorCommand ecUpperCase = 620;
inline constexpr TGlyphEditorCommand ecLowerCase = 621;
inline constexpr TGlyphEditorCommand ecToggleCase = 622;
inline constexpr TGlyphEditorCommand ecTitleCase = 623;
inline constexpr TGlyphEditorCommand ecString = 630;
inline constexpr TGlyphEditorCommand ecAutoCompletion = 650;
inline constexpr TGlyphEditorCommand ecUserFirst = 1001;

// A key stroke given to a key table twice: "Shortcut already exists".
class EGlyphKeyError : public EGlyphError {
public:
    EGlyphKeyError();
};

// A key and its shift state as the key tables compare them: the keypad flag is dropped,
// Backtab is Tab and the keypad Enter is Return. An empty key means "no key".
QKeyCombination NormalizedKey(QKeyCombination key);

// The key of a key event for the key tables. The keys of the digit row are taken by their
// place on the keyboard, so that Ctrl+digit and Ctrl+Shift+digit work with any layout,
// whatever symbol the layout and Shift put on them.
QKeyCombination KeyOfEvent(const QKeyEvent& event);

class TGlyphEditKeyStrokes;

// One entry of a key table: a command and the key (or two-key chord) that runs it.
class TGlyphEditKeyStroke {
public:
    TGlyphEditorCommand Command() const { return command_; }
    void SetCommand(TGlyphEditorCommand command) { command_ = command; }
    QKeyCombination ShortCut() const { return shortCut_; }
    QKeyCombination ShortCut2() const { return shortCut2_; }
    // Both refuse a key (with the other key) that another stroke of the table already has.
    void SetShortCut(QKeyCombination key);
    void SetShortCut2(QKeyCombination key);

private:
    friend class TGlyphEditKeyStrokes;
    explicit TGlyphEditKeyStroke(TGlyphEditKeyStrokes& owner) : owner_(&owner) {}

    TGlyphEditKeyStrokes* owner_;
    TGlyphEditorCommand command_ = ecNone;
    QKeyCombination shortCut_ = QKeyCombination::fromCombined(0);
    QKeyCombination shortCut2_ = QKeyCombination::fromCombined(0);
};

// An ordered key table. No two strokes have the same first and second key.
class TGlyphEditKeyStrokes {
public:
    TGlyphEditKeyStrokes() = default;
    TGlyphEditKeyStrokes(const TGlyphEditKeyStrokes& other);
    TGlyphEditKeyStrokes& operator=(const TGlyphEditKeyStrokes& other);

    int Count() const { return static_cast<int>(items_.size()); }
    TGlyphEditKeyStroke& Item(int i) { return *items_.at(static_cast<std::size_t>(i)); }
    const TGlyphEditKeyStroke& Item(int i) const { return *items_.at(static_cast<std::size_t>(i)); }

    // Appends a stroke; throws EGlyphKeyError when the key pair is taken, adding nothing.
    TGlyphEditKeyStroke& Add(TGlyphEditorCommand command, QKeyCombination key,
                             QKeyCombination key2 = QKeyCombination::fromCombined(0));
    void Delete(int i);
    void Clear() { items_.clear(); }

    // Index of the stroke with exactly this key pair, or -1.
    int FindKeys(QKeyCombination key, QKeyCombination key2) const;
    // The command of the single-key stroke for `key`, or ecNone.
    TGlyphEditorCommand FindKeycode(QKeyCombination key) const;
    // The command of the chord whose first key is `first` and second key `second`, or ecNone.
    TGlyphEditorCommand FindKeycode2(QKeyCombination first, QKeyCombination second) const;
    // Index of the first stroke that runs `command`, or -1.
    int FindCommand(TGlyphEditorCommand command) const;

    // The table of a new editor.
    void ResetDefaults();

private:
    friend class TGlyphEditKeyStroke;
    void CheckFree(const TGlyphEditKeyStroke* except, QKeyCombination key,
                   QKeyCombination key2) const;

    std::vector<std::unique_ptr<TGlyphEditKeyStroke>> items_;
};

// The key table of the main window: the default table without Shift+Enter (the window inserts
// a line-break tag for it) and without Ctrl+F1.
TGlyphEditKeyStrokes MainWindowKeystrokes();

// Whether a key without a command may start a two-key chord: digits, letters and the
// function, Num Lock and Scroll Lock keys.
bool IsChordPrefixKey(int key);
