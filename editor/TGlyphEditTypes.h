#pragma once

#include "common/GlyphErrors.h"

#include <QFlags>
#include <compare>
#include <cstdint>

// A text position: X is the character index in the line (1 = before the first character),
// Y the line number (1 = the first line). Positions are ordered by line, then by character.
struct TBufferCoord {
    int X = 1;
    int Y = 1;

    friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
    friend std::strong_ordering operator<=>(const TBufferCoord& a, const TBufferCoord& b) {
        if (auto c = a.Y <=> b.Y; c != 0)
            return c;
        return a.X <=> b.X;
    }
};

// How the two ends of a selection are read: a character stream, whole lines, or a rectangle of
// character columns. The values are stored in the private clipboard format.
enum TGlyphSelectionMode : std::uint8_t { smNormal = 0, smLine = 1, smColumn = 2 };

// Editing options, in their declared order.
enum TGlyphEditorOption : std::uint32_t {
    eoAltSetsColumnMode = 1u << 0,
    eoAutoIndent = 1u << 1,
    eoAutoSizeMaxLeftChar = 1u << 2,
    eoDisableScrollArrows = 1u << 3,
    eoDragDropEditing = 1u << 4,
    eoDropFiles = 1u << 5,
    eoEnhanceHomeKey = 1u << 6,
    eoGroupUndo = 1u << 7,
    eoHalfPageScroll = 1u << 8,
    eoHideShowScrollbars = 1u << 9,
    eoKeepCaretX = 1u << 10,
    eoNoCaret = 1u << 11,
    eoNoSelection = 1u << 12,
    eoRightMouseMovesCursor = 1u << 13,
    eoScrollByOneLess = 1u << 14,
    eoScrollHintFollows = 1u << 15,
    eoScrollPastEof = 1u << 16,
    eoScrollPastEol = 1u << 17,
    eoShowScrollHint = 1u << 18,
    eoShowSpecialChars = 1u << 19,
    eoSmartTabDelete = 1u << 20,
    eoSmartTabs = 1u << 21,
    eoSpecialLineDefaultFg = 1u << 22,
    eoTabIndent = 1u << 23,
    eoTabsToSpaces = 1u << 24,
    eoTrimTrailingSpaces = 1u << 25,
};
Q_DECLARE_FLAGS(TGlyphEditorOptions, TGlyphEditorOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGlyphEditorOptions)

// The option set of a new editor.
inline constexpr TGlyphEditorOptions GlyphEditDefaultOptions = TGlyphEditorOptions(
    eoAutoIndent | eoDragDropEditing | eoGroupUndo | eoScrollPastEol | eoShowScrollHint |
    eoSmartTabDelete | eoSmartTabs | eoTabsToSpaces | eoTrimTrailingSpaces);

// The option set of the main window's editor.
inline constexpr TGlyphEditorOptions GlyphEditMainWindowOptions =
    TGlyphEditorOptions(eoAutoIndent | eoDragDropEditing | eoRightMouseMovesCursor |
                        eoScrollPastEol | eoShowScrollHint | eoTabsToSpaces | eoTrimTrailingSpaces);

// What changed since the last status notification.
enum TGlyphStatusChange : std::uint32_t {
    scAll = 1u << 0,
    scCaretX = 1u << 1,
    scCaretY = 1u << 2,
    scLeftChar = 1u << 3,
    scTopLine = 1u << 4,
    scInsertMode = 1u << 5,
    scModified = 1u << 6,
    scSelection = 1u << 7,
    scReadOnly = 1u << 8,
};
Q_DECLARE_FLAGS(TGlyphStatusChanges, TGlyphStatusChange)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGlyphStatusChanges)

// Errors of the editing engine, such as a clipboard that refuses the text.
class EGlyphEditError : public EGlyphError {
public:
    using EGlyphError::EGlyphError;
};
