#pragma once

#include "editor/TGlyphEditKeyCmds.h"
#include "editor/TGlyphEditStringList.h"
#include "editor/TGlyphEditTypes.h"
#include "editor/TGlyphEditUndo.h"

#include <QChar>
#include <QKeyCombination>
#include <QString>
#include <QVariant>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;

// A change of the line buffer as the editor passes it on (0-based buffer indices), for the
// highlighting to re-scan and the view to repaint.
struct TGlyphLinesChange {
    enum TKind { Added, Inserted, Changed, Deleted, Cleared };
    TKind Kind;
    int Index; // first line concerned
    int Count; // number of lines added, inserted or deleted (1 for a changed line)
};

// The editing engine of the text control: caret, selection, key commands, clipboard, undo and
// redo over a TGlyphEditStringList. It paints nothing; the view reads its state, sets the
// viewport numbers (TopLine, LeftChar, LinesInWindow, CharsInWindow) and listens to the hooks.
class TCustomGlyphEdit {
public:
    static constexpr int MaxLeftChar = 1024;

    TCustomGlyphEdit();
    virtual ~TCustomGlyphEdit();
    TCustomGlyphEdit(const TCustomGlyphEdit&) = delete;
    TCustomGlyphEdit& operator=(const TCustomGlyphEdit&) = delete;

    // ---- Text ----
    TGlyphEditStringList& Lines() { return lines_; }
    const TGlyphEditStringList& Lines() const { return lines_; }
    QString Text() const { return lines_.AllText(); }
    void SetText(const QString& text);
    int LineCount() const { return lines_.LineCount(); }
    // The text of line y (1-based); empty outside the buffer.
    QString LineText(int y) const { return lines_.GetLine(y - 1); }
    int LineLength(int y) const { return lines_.LineLength(y - 1); }
    QString LineMid(int y, qsizetype from, qsizetype count) const {
        return lines_.LineMid(y - 1, from, count);
    }

    // ---- Caret ----
    int CaretX() const { return caret_.X; }
    int CaretY() const { return caret_.Y; }
    TBufferCoord CaretXY() const { return caret_; }
    void SetCaretX(int x) { SetCaretXY({x, caret_.Y}); }
    void SetCaretY(int y) { SetCaretXY({caret_.X, y}); }
    void SetCaretXY(TBufferCoord p) { SetCaretXYEx(p, true); }
    // Places the caret by the placement rule; scrolls it into view when asked.
    void SetCaretXYEx(TBufferCoord p, bool scrollIntoView);
    // The display column the caret keeps on vertical moves with eoKeepCaretX.
    int RememberedCaretColumn() const { return lastCaretColumn_; }

    // ---- Selection ----
    TBufferCoord SelectionAnchor() const { return anchor_; }
    TBufferCoord SelectionActiveEnd() const { return activeEnd_; }
    void SetSelectionAnchor(TBufferCoord p);
    void SetSelectionActiveEnd(TBufferCoord p);
    // The first and the last end of the selection, ordered by (Y, X).
    TBufferCoord SelectionStart() const { return std::min(anchor_, activeEnd_); }
    TBufferCoord SelectionEnd() const { return std::max(anchor_, activeEnd_); }
    // Writing the start collapses the selection to that point; writing the end moves the
    // active end.
    void SetSelectionStart(TBufferCoord p) { SetSelectionAnchor(p); }
    void SetSelectionEnd(TBufferCoord p) { SetSelectionActiveEnd(p); }
    bool HasSelection() const;
    QString SelectedText() const;
    void SetSelectedText(const QString& text);
    // Gives each of the 0-based, ascending `lines` the characters at the same place of `chars`,
    // as one change: one undo entry (in the open undo group) and one notification for each run
    // of neighbouring lines. The texts go in as they are, neither trimmed nor padded, and hold no
    // line breaks. Caret and selection stay; a read-only editor refuses it.
    void RewriteLines(std::vector<int> lines, std::vector<TGlyphEditLineChars> chars);
    void SelectAll();
    TGlyphSelectionMode SelectionMode() const { return selectionMode_; }
    void SetSelectionMode(TGlyphSelectionMode mode);

    // ---- Settings ----
    bool InsertMode() const { return insertMode_; }
    void SetInsertMode(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Modified() const { return modified_; }
    // False marks the present text as the saved one (the save point); true says no state of
    // the undo history is the saved one.
    void SetModified(bool value);
    TGlyphEditorOptions Options() const { return options_; }
    void SetOptions(TGlyphEditorOptions options);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int value);
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    int MaxUndo() const { return undoList_.MaxUndo(); }
    void SetMaxUndo(int value);
    TGlyphEditKeyStrokes& Keystrokes() { return keystrokes_; }
    const TGlyphEditKeyStrokes& Keystrokes() const { return keystrokes_; }
    void SetKeystrokes(const TGlyphEditKeyStrokes& strokes) { keystrokes_ = strokes; }
    // Whether the bookmark keys work (the view's bookmark options); true by default.
    bool BookmarkKeysEnabled() const { return bookmarkKeys_; }
    void SetBookmarkKeysEnabled(bool value) { bookmarkKeys_ = value; }

    // ---- Viewport (set by the view; plain values without one) ----
    int TopLine() const { return topLine_; }
    void SetTopLine(int line);
    int LeftChar() const { return leftChar_; }
    void SetLeftChar(int column);
    int LinesInWindow() const { return linesInWindow_; }
    void SetLinesInWindow(int rows) { linesInWindow_ = std::max(rows, 0); }
    int CharsInWindow() const { return charsInWindow_; }
    void SetCharsInWindow(int columns) { charsInWindow_ = std::max(columns, 0); }
    void ScrollCaretIntoView();
    void ScrollCaretToMiddle();

    // ---- Positions ----
    // 1 + the display width of the first X-1 characters; tabs reach the next tab stop and
    // positions past the line end count one column each.
    int DisplayColumn(TBufferCoord p) const;
    // The first character position on line y whose display column reaches `column`.
    int CharIndexOfColumn(int y, int column) const;
    bool IsWordChar(QChar c) const;
    TBufferCoord NextWordPos(TBufferCoord p) const;
    TBufferCoord PrevWordPos(TBufferCoord p) const;
    TBufferCoord WordStart(TBufferCoord p) const;
    TBufferCoord WordEnd(TBufferCoord p) const;

    // ---- Undo ----
    bool UndoAvailable() const;
    bool RedoAvailable() const;
    void Undo();
    void Redo();
    void SuspendUndoRecording() { undoList_.BeginBlock(); }
    void ResumeUndoRecording() { undoList_.EndBlock(); }
    void OpenUndoGroup();
    void CloseUndoGroup();
    void ClearUndoHistory();
    const TGlyphEditUndoList& UndoList() const { return undoList_; }
    const TGlyphEditUndoList& RedoList() const { return redoList_; }
    TGlyphEditUndoList& UndoList() { return undoList_; }

    // ---- Clipboard ----
    bool PasteAvailable() const;
    void ClipboardCopy();
    void ClipboardCut();
    void ClipboardPaste();

    // ---- Bookmarks ----
    std::optional<TBufferCoord> Bookmark(int n) const;
    void SetBookmark(int n, TBufferCoord p);
    void ClearBookmark(int n);

    // ---- Commands and keys ----
    // Runs one command as if its key had been pressed. Positions (ecGotoXY, ecSelGotoXY,
    // ecSetMarkerN) are passed as a QPoint(X, Y) in `data`.
    void RunCommand(TGlyphEditorCommand command, QChar ch = QChar(),
                    const QVariant& data = QVariant());
    // A key press: true when the key table turned it into a command.
    bool KeyDown(QKeyCombination key);
    // The character of a key press that produced no command. False when the editor has no
    // use for it (a control character such as Esc), so that it may go on to the window.
    bool KeyPress(QChar ch);
    // A Qt key event: the key first, then its text when the key ran no command. False when
    // the editor did not use the event (a Tab without WantTabs, an unknown key without text).
    bool HandleKeyEvent(const QKeyEvent& event);

    // ---- Paint lock ----
    void IncPaintLock() { ++paintLock_; }
    void DecPaintLock();
    int PaintLock() const { return paintLock_; }

    // ---- Events ----
    std::function<void(TCustomGlyphEdit* sender, TGlyphStatusChanges changes)> OnStatusChange;
    std::function<void(TCustomGlyphEdit* sender)> OnChange;
    // May change the key or clear it (key 0), which ends the key's handling.
    std::function<void(TCustomGlyphEdit* sender, int& key, Qt::KeyboardModifiers& modifiers)>
        OnKeyDown;
    // May change the character or clear it (a null QChar).
    std::function<void(TCustomGlyphEdit* sender, QChar& ch)> OnKeyPress;
    // May change the command or cancel it (ecNone).
    using TProcessCommandEvent = std::function<void(
        TCustomGlyphEdit* sender, TGlyphEditorCommand& command, QChar& ch, QVariant& data)>;
    TProcessCommandEvent OnProcessCommand;
    TProcessCommandEvent OnProcessUserCommand;
    TProcessCommandEvent OnCommandProcessed;

    // ---- Hooks for the view and the highlighting ----
    // Lines first..last (1-based, last may be INT_MAX for "to the end") need repainting.
    std::function<void(int first, int last)> OnInvalidateLines;
    // Released with the outermost paint lock when scrolling or the caret changed under it.
    std::function<void()> OnScrollBarsChanged;
    std::function<void()> OnCaretChanged;
    // Every change of the line buffer, after the editor has handled it.
    std::function<void(const TGlyphLinesChange& change)> OnLinesChanged;
    // Whether a character is a word character; unset, the built-in rule applies (characters
    // from 33 up that are not white space and not one of the 22 word-break characters).
    std::function<bool(QChar c)> WordCharTest;
    // Whether the character at a position lies in a string or comment token of the active
    // highlighter; unset, no character does. Bracket matching skips such characters.
    std::function<bool(TBufferCoord p)> InStringOrComment;

protected:
    // Marks a status change; it is delivered when the outermost paint lock is released.
    void StatusChanged(TGlyphStatusChanges changes);
    void InvalidateLines(int first, int last);

private:
    friend class TGlyphEditCommandScope;
    friend class TGlyphEditReplayScope;

    enum class TReplay { None, Undo, Redo };

    // Buffer notifications.
    void HookLines();
    void LinesAdded(int index, int count, TGlyphLinesChange::TKind kind);
    void LinesDeleted(int index, int count);
    void LinesCleared();
    void LineChanged(int index);
    void LinesRewritten(int index, int count);
    void BufferChangesEnded();

    // Small helpers.
    int MaxCaretX(int y) const;
    TBufferCoord ClampSelectionPoint(TBufferCoord p) const;
    int LeadingBlankWidth(const QString& line, bool expandTabs) const;
    QString IndentString(int width) const;
    TGlyphEditCaretState CaretState() const;
    void RestoreCaretState(const TGlyphEditCaretState& state);
    void NoteScrolled();
    void NoteCaretMoved();

    // Text primitives (no undo recording of their own except padding and trimming).
    void WriteLine(int y, const QString& text, bool trimCandidate);
    void WriteLine(int y, QStringView text, bool trimCandidate);
    void NoteTrimCandidate(int y, bool trimCandidate);
    // Replaces `count` characters at 0-based `from` of line y in place (one past the last line
    // appends `text` as a new line).
    void EditLine(int y, int from, int count, const QString& text, bool trimCandidate);
    // Whether line y holds only blanks (code 32 or below) before 0-based `end` and a
    // non-blank (or its end) at `end`.
    bool BlanksUpTo(int y, int end) const;
    void PadLine(int y, int x);
    QString RangeText(TBufferCoord a, TBufferCoord b, TGlyphSelectionMode mode,
                      bool padColumns) const;
    void RemoveRange(TBufferCoord a, TBufferCoord b, TGlyphSelectionMode mode, bool trimJoin);
    TBufferCoord InsertText(TBufferCoord at, const QString& text, TGlyphSelectionMode mode,
                            std::optional<TUndoChangeKind> recordPieces);
    TBufferCoord InsertNormal(TBufferCoord at, const QString& text, bool trim);
    TBufferCoord InsertLines(TBufferCoord at, const QString& text);
    TBufferCoord WithinText(TBufferCoord p) const;
    TBufferCoord InsertColumn(TBufferCoord at, const QString& text,
                              std::optional<TUndoChangeKind> recordPieces);
    void FlushTrims();

    // Undo recording.
    void AddUndo(TUndoChangeKind kind, TBufferCoord start, TBufferCoord end, const QString& text,
                 TGlyphSelectionMode mode, TGlyphEditorCommand command = ecNone);
    void RecordUndo(TGlyphEditUndoItem item);
    void UndoListChanged();
    void NoteModified();
    void KeepModifiedAcrossClear();
    void DeleteSelectionRecorded(TUndoChangeKind kind);
    void DeleteSelectionForInsert();
    void ReplaceSelection(const QString& text, TUndoChangeKind kind);
    void RevertUndo(const TGlyphEditUndoItem& item);
    void SetGroupLineBreaks(const TGlyphEditUndoItem& item, const TGlyphEditUndoList& rest,
                            bool undone);
    void RevertRedo(const TGlyphEditUndoItem& item);
    void ReplaceRange(const TGlyphEditUndoItem& item, bool undo);
    void ReinsertDeleted(const TGlyphEditUndoItem& item);
    void RemoveDeleted(const TGlyphEditUndoItem& item);
    void SwapLineTexts(const TGlyphEditUndoItem& item);
    void DropGroupBreaks(TGlyphEditUndoList& from, TGlyphEditUndoList& to);

    // Commands.
    void ExecuteCommand(TGlyphEditorCommand command, QChar ch, const QVariant& data);
    bool IsTextCommand(TGlyphEditorCommand command) const;
    void MoveCaretAndSelection(TBufferCoord target, bool selecting);
    void MoveCaretVertically(int lines, bool selecting);
    TBufferCoord MovementTarget(TGlyphEditorCommand command, const QVariant& data);
    void DoPageScroll(TGlyphEditorCommand command, bool selecting);
    void DoScrollUpDown(int delta);
    void DoTypeChar(QChar ch);
    void DoLineBreak(TGlyphEditorCommand command);
    void DoDeleteLastChar();
    void DoDeleteChar();
    void DoDeleteRange(TBufferCoord from, TBufferCoord to, TUndoChangeKind kind,
                       TBufferCoord caret);
    void DoDeleteLine();
    void DoClearAll();
    void DoTab();
    void DoShiftTab();
    void DoBlockIndent();
    void DoBlockUnindent();
    void DoMatchBracket();
    void DoSetMarker(int n, TBufferCoord at);
    void DoGotoMarker(int n);

    TGlyphEditStringList lines_;
    int knownLineCount_ = 0;
    bool textChangedInBracket_ = false;

    TBufferCoord caret_;
    int lastCaretColumn_ = 1;
    TBufferCoord anchor_;
    TBufferCoord activeEnd_;
    TGlyphSelectionMode selectionMode_ = smNormal;

    bool insertMode_ = true;
    bool readOnly_ = false;
    bool modified_ = false;
    // The undo position whose text was last loaded or saved; none when no position is.
    std::optional<quint64> savePoint_ = 0;
    bool wantTabs_ = false;
    bool bookmarkKeys_ = true;
    TGlyphEditorOptions options_ = GlyphEditDefaultOptions;
    int tabWidth_ = 8;

    int topLine_ = 1;
    int leftChar_ = 1;
    int linesInWindow_ = 0;
    int charsInWindow_ = 0;

    TGlyphEditUndoList undoList_;
    TGlyphEditUndoList redoList_;
    TReplay replay_ = TReplay::None;
    const TGlyphEditUndoItem* replayItem_ = nullptr;
    TGlyphEditCaretState groupBefore_;
    bool emptyAtGroupStart_ = false;
    int commandDepth_ = 0;
    std::vector<int> pendingTrims_; // 0-based lines an editing command wrote through trimming
    TGlyphEditBreakWatch breakWatch_;

    TGlyphEditKeyStrokes keystrokes_;
    QKeyCombination lastKey_ = QKeyCombination::fromCombined(0);
    bool keyHandled_ = false;

    std::array<std::optional<TBufferCoord>, 10> bookmarks_;

    int paintLock_ = 0;
    TGlyphStatusChanges pendingStatus_;
    bool scrollPending_ = false;
    bool caretPending_ = false;
};

// The text control of the main window and of the Tidy preview panes.
class TGlyphEdit : public TCustomGlyphEdit {
public:
    TGlyphEdit() = default;
};
