#pragma once

#include "editor/TGlyphEdit.h"

#include <QStringList>
#include <ostream>

// Printing positions and texts in failure messages.
inline std::ostream& operator<<(std::ostream& os, const TBufferCoord& p) {
    return os << "(" << p.X << ", " << p.Y << ")";
}

namespace GlyphEditTest {

// The main window's editor: its options, tab width 2, its key table, Tab wanted, and a
// viewport of 20 rows by 40 columns.
inline void ConfigureMainWindow(TCustomGlyphEdit& edit) {
    edit.SetOptions(GlyphEditMainWindowOptions);
    edit.SetTabWidth(2);
    edit.SetKeystrokes(MainWindowKeystrokes());
    edit.SetWantTabs(true);
    edit.SetLinesInWindow(20);
    edit.SetCharsInWindow(40);
}

// Lines given as a list; the buffer holds exactly these lines.
inline void SetLines(TCustomGlyphEdit& edit, const QStringList& lines) {
    edit.Lines().RemoveAll();
    for (const QString& line : lines)
        edit.Lines().AppendLine(line);
}

inline QStringList Lines(const TCustomGlyphEdit& edit) {
    return edit.Lines().Lines();
}

inline void Type(TCustomGlyphEdit& edit, const QString& text) {
    for (QChar c : text)
        edit.RunCommand(ecChar, c);
}

inline bool Press(TCustomGlyphEdit& edit, Qt::Key key,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return edit.KeyDown(QKeyCombination(modifiers, key));
}

// Places the caret and drops any selection.
inline void PlaceCaret(TCustomGlyphEdit& edit, TBufferCoord p) {
    edit.SetCaretXY(p);
    edit.SetSelectionAnchor(edit.CaretXY());
}

// Selects from `anchor` to `active` in `mode`, the caret at the active end.
inline void Select(TCustomGlyphEdit& edit, TBufferCoord anchor, TBufferCoord active,
                   TGlyphSelectionMode mode = smNormal) {
    edit.SetSelectionMode(mode);
    edit.SetCaretXY(active);
    edit.SetSelectionAnchor(anchor);
    edit.SetSelectionActiveEnd(active);
}

inline void UndoAll(TCustomGlyphEdit& edit) {
    for (int guard = 0; edit.UndoAvailable() && guard < 100000; ++guard)
        edit.Undo();
}

inline void RedoAll(TCustomGlyphEdit& edit) {
    for (int guard = 0; edit.RedoAvailable() && guard < 100000; ++guard)
        edit.Redo();
}

} // namespace GlyphEditTest
