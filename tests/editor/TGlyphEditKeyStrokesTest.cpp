// Key tables, command numbers and the dispatch of key presses to commands.

#include "GlyphEditTestSupport.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

constexpr Qt::KeyboardModifiers None = Qt::NoModifier;
constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers Alt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

TEST(CommandNumbers, AreTheStoredValues) {
    const std::pair<TGlyphEditorCommand, int> numbers[] = {
        {ecNone, 0},          {ecLeft, 1},
        {ecGotoXY, 17},       {ecSelLeft, 101},
        {ecSelGotoXY, 117},   {ecSelectAll, 199},
        {ecCopy, 201},        {ecScrollUp, 211},
        {ecScrollRight, 214}, {ecInsertMode, 221},
        {ecToggleMode, 223},  {ecNormalSelect, 231},
        {ecLineSelect, 233},  {ecMatchBracket, 250},
        {ecGotoMarker0, 301}, {ecGotoMarker9, 310},
        {ecSetMarker0, 351},  {ecSetMarker9, 360},
        {ecContextHelp, 490}, {ecDeleteLastChar, 501},
        {ecDeleteLine, 507},  {ecClearAll, 508},
        {ecLineBreak, 509},   {ecInsertLine, 510},
        {ecChar, 511},        {ecImeStr, 550},
        {ecUndo, 601},        {ecPaste, 604},
        {ecBlockIndent, 610}, {ecShiftTab, 613},
        {ecUpperCase, 620},   {ecTitleCase, 623},
        {ecString, 630},      {ecAutoCompletion, 650},
        {ecUserFirst, 1001}};
    for (const auto& [command, number] : numbers)
        EXPECT_EQ(command, number);
}

struct StrokeCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    TGlyphEditorCommand command;
};

class MainWindowTableTest : public ::testing::TestWithParam<StrokeCase> {};

TEST_P(MainWindowTableTest, MapsTheKey) {
    const StrokeCase& c = GetParam();
    const TGlyphEditKeyStrokes strokes = MainWindowKeystrokes();
    EXPECT_EQ(strokes.FindKeycode(QKeyCombination(c.modifiers, c.key)), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MainWindowTableTest,
    ::testing::Values(
        StrokeCase{Qt::Key_Up, None, ecUp}, StrokeCase{Qt::Key_Up, Shift, ecSelUp},
        StrokeCase{Qt::Key_Up, Ctrl, ecScrollUp}, StrokeCase{Qt::Key_Down, Ctrl, ecScrollDown},
        StrokeCase{Qt::Key_Left, CtrlShift, ecSelWordLeft},
        StrokeCase{Qt::Key_Right, Ctrl, ecWordRight},
        StrokeCase{Qt::Key_PageDown, Ctrl, ecPageBottom},
        StrokeCase{Qt::Key_PageUp, CtrlShift, ecSelPageTop},
        StrokeCase{Qt::Key_Home, Ctrl, ecEditorTop},
        StrokeCase{Qt::Key_End, CtrlShift, ecSelEditorBottom},
        StrokeCase{Qt::Key_Insert, None, ecToggleMode}, StrokeCase{Qt::Key_Insert, Ctrl, ecCopy},
        StrokeCase{Qt::Key_C, Ctrl, ecCopy}, StrokeCase{Qt::Key_Insert, Shift, ecPaste},
        StrokeCase{Qt::Key_V, Ctrl, ecPaste}, StrokeCase{Qt::Key_Delete, Shift, ecCut},
        StrokeCase{Qt::Key_X, Ctrl, ecCut}, StrokeCase{Qt::Key_Delete, None, ecDeleteChar},
        StrokeCase{Qt::Key_Backspace, None, ecDeleteLastChar},
        StrokeCase{Qt::Key_Backspace, Shift, ecDeleteLastChar},
        StrokeCase{Qt::Key_Backspace, Ctrl, ecDeleteLastWord},
        StrokeCase{Qt::Key_Backspace, Alt, ecUndo}, StrokeCase{Qt::Key_Z, Ctrl, ecUndo},
        StrokeCase{Qt::Key_Backspace, Alt | Shift, ecRedo},
        StrokeCase{Qt::Key_Z, CtrlShift, ecRedo}, StrokeCase{Qt::Key_Return, None, ecLineBreak},
        StrokeCase{Qt::Key_Enter, None, ecLineBreak}, StrokeCase{Qt::Key_M, Ctrl, ecLineBreak},
        StrokeCase{Qt::Key_A, Ctrl, ecSelectAll}, StrokeCase{Qt::Key_I, CtrlShift, ecBlockIndent},
        StrokeCase{Qt::Key_N, Ctrl, ecInsertLine}, StrokeCase{Qt::Key_T, Ctrl, ecDeleteWord},
        StrokeCase{Qt::Key_U, CtrlShift, ecBlockUnindent},
        StrokeCase{Qt::Key_Y, Ctrl, ecDeleteLine}, StrokeCase{Qt::Key_Y, CtrlShift, ecDeleteEOL},
        StrokeCase{Qt::Key_0, Ctrl, ecGotoMarker0}, StrokeCase{Qt::Key_9, Ctrl, ecGotoMarker9},
        StrokeCase{Qt::Key_0, CtrlShift, ecSetMarker0},
        StrokeCase{Qt::Key_7, CtrlShift, ecSetMarker0 + 7},
        StrokeCase{Qt::Key_N, CtrlShift, ecNormalSelect},
        StrokeCase{Qt::Key_C, CtrlShift, ecColumnSelect},
        StrokeCase{Qt::Key_L, CtrlShift, ecLineSelect}, StrokeCase{Qt::Key_Tab, None, ecTab},
        StrokeCase{Qt::Key_Tab, Shift, ecShiftTab}, StrokeCase{Qt::Key_Backtab, Shift, ecShiftTab},
        StrokeCase{Qt::Key_B, CtrlShift, ecMatchBracket},
        // Shift+Enter is the main window's own key; Ctrl+F1 is not in its table.
        StrokeCase{Qt::Key_Return, Shift, ecNone}, StrokeCase{Qt::Key_F1, Ctrl, ecNone}));

TEST(KeyTables, DefaultTableAddsShiftEnterAndContextHelp) {
    const TGlyphEditKeyStrokes main = MainWindowKeystrokes();
    TGlyphEditKeyStrokes defaults;
    defaults.ResetDefaults();
    EXPECT_EQ(defaults.Count(), main.Count() + 2);
    EXPECT_EQ(defaults.FindKeycode(QKeyCombination(Shift, Qt::Key_Return)), ecLineBreak);
    EXPECT_EQ(defaults.FindKeycode(QKeyCombination(Ctrl, Qt::Key_F1)), ecContextHelp);
    // Every stroke of the main table is in the default table with the same command.
    for (int i = 0; i < main.Count(); ++i)
        EXPECT_EQ(defaults.FindKeycode(main.Item(i).ShortCut()), main.Item(i).Command()) << i;
    // A new editor starts with the default table.
    TGlyphEdit edit;
    EXPECT_EQ(edit.Keystrokes().Count(), defaults.Count());
}

TEST(KeyTables, MainTableOrderAndCount) {
    const TGlyphEditKeyStrokes main = MainWindowKeystrokes();
    // 30 movement keys, 15 clipboard/delete/undo keys, 2 line breaks, 7 editing keys, 20
    // bookmark keys and 6 more.
    EXPECT_EQ(main.Count(), 80);
    EXPECT_EQ(main.Item(0).Command(), ecUp);
    EXPECT_EQ(main.Item(2).Command(), ecScrollUp);
    EXPECT_EQ(main.Item(main.Count() - 1).Command(), ecMatchBracket);
    for (int i = 0; i < main.Count(); ++i)
        EXPECT_EQ(main.Item(i).ShortCut2().toCombined(), 0) << "no chords in the main table";
}

TEST(KeyTables, DuplicateKeysRaiseTheKeyError) {
    TGlyphEditKeyStrokes strokes;
    strokes.Add(ecUp, QKeyCombination(Qt::Key_Up));
    TGlyphEditKeyStroke& down = strokes.Add(ecDown, QKeyCombination(Qt::Key_Down));
    try {
        strokes.Add(ecSelUp, QKeyCombination(Qt::Key_Up));
        ADD_FAILURE() << "duplicate accepted";
    } catch (const EGlyphKeyError& e) {
        EXPECT_EQ(e.Message(), "Shortcut already exists");
    }
    EXPECT_EQ(strokes.Count(), 2);
    EXPECT_THROW(down.SetShortCut(QKeyCombination(Qt::Key_Up)), EGlyphKeyError);
    EXPECT_EQ(down.ShortCut(), QKeyCombination(Qt::Key_Down));
    // The same first key with a different second key is a different stroke.
    strokes.Add(ecPageUp, QKeyCombination(Ctrl, Qt::Key_K), QKeyCombination(Ctrl, Qt::Key_U));
    EXPECT_NO_THROW(strokes.Add(ecPageDown, QKeyCombination(Ctrl, Qt::Key_K),
                                QKeyCombination(Ctrl, Qt::Key_D)));
    EXPECT_THROW(
        strokes.Add(ecNone, QKeyCombination(Ctrl, Qt::Key_K), QKeyCombination(Ctrl, Qt::Key_D)),
        EGlyphKeyError);
    // A stroke may keep its own key.
    EXPECT_NO_THROW(down.SetShortCut(QKeyCombination(Qt::Key_Down)));
    // The key error is one of the program's errors.
    EXPECT_THROW(strokes.Add(ecUp, QKeyCombination(Qt::Key_Up)), EGlyphError);
}

// ---- Dispatch ----

TEST(KeyDispatch, KeyRunsItsCommandAndDropsItsCharacter) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {1, 1});
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    EXPECT_TRUE(edit.HandleKeyEvent(right));
    EXPECT_EQ(edit.CaretX(), 2);
    // Ctrl+M is a line break; its character (CR) must not reach the text.
    QKeyEvent ctrlM(QEvent::KeyPress, Qt::Key_M, Qt::ControlModifier, QStringLiteral("\r"));
    EXPECT_TRUE(edit.HandleKeyEvent(ctrlM));
    EXPECT_EQ(Lines(edit), (QStringList{"a", "bc"}));
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_X, Qt::ShiftModifier, QStringLiteral("X"));
    EXPECT_TRUE(edit.HandleKeyEvent(letter));
    EXPECT_EQ(Lines(edit), (QStringList{"a", "Xbc"}));
    // Alt with a letter is no character.
    QKeyEvent altQ(QEvent::KeyPress, Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
    EXPECT_FALSE(edit.HandleKeyEvent(altQ));
    EXPECT_EQ(Lines(edit), (QStringList{"a", "Xbc"}));
}

TEST(KeyDispatch, TabOnlyWhenWanted) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"ab"});
    PlaceCaret(edit, {1, 1});
    edit.SetWantTabs(false);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    EXPECT_FALSE(edit.HandleKeyEvent(tab));
    EXPECT_EQ(edit.LineText(1), "ab");
    edit.SetWantTabs(true);
    EXPECT_TRUE(edit.HandleKeyEvent(tab));
    EXPECT_EQ(edit.LineText(1), "  ab");
}

TEST(KeyDispatch, HandlersMayChangeOrClearKeysAndCharacters) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {2, 1});
    // The main window handles Shift+Enter itself and clears the key.
    edit.OnKeyDown = [](TCustomGlyphEdit*, int& key, Qt::KeyboardModifiers& modifiers) {
        if (key == Qt::Key_Return && modifiers == Qt::ShiftModifier)
            key = 0;
        if (key == Qt::Key_F2)
            key = Qt::Key_End;
    };
    edit.OnKeyPress = [](TCustomGlyphEdit*, QChar& ch) {
        if (ch == u'a')
            ch = QChar();
        else if (ch == u'b')
            ch = u'B';
    };
    EXPECT_FALSE(Press(edit, Qt::Key_Return, Qt::ShiftModifier));
    EXPECT_EQ(Lines(edit), (QStringList{"abc"}));
    edit.KeyPress(u'a');
    edit.KeyPress(u'b');
    EXPECT_EQ(edit.LineText(1), "aBbc");
    EXPECT_TRUE(Press(edit, Qt::Key_F2));
    EXPECT_EQ(edit.CaretX(), 5);
    // The character message of a key that ran a command is dropped once.
    edit.KeyPress(u'z');
    EXPECT_EQ(edit.LineText(1), "aBbc");
    edit.KeyPress(u'z');
    EXPECT_EQ(edit.LineText(1), "aBbcz");
}

TEST(KeyDispatch, ChordsUseThePreviousKey) {
    TGlyphEdit edit;
    SetLines(edit, {"abc def"});
    PlaceCaret(edit, {1, 1});
    edit.Keystrokes().Add(ecLineEnd, QKeyCombination(Ctrl, Qt::Key_K),
                          QKeyCombination(Ctrl, Qt::Key_E));
    EXPECT_FALSE(Press(edit, Qt::Key_K, Ctrl));
    // A modifier alone does not break the chord.
    EXPECT_FALSE(Press(edit, Qt::Key_Control, Ctrl));
    EXPECT_TRUE(Press(edit, Qt::Key_E, Ctrl));
    EXPECT_EQ(edit.CaretX(), 8);
    // A key that is not a chord prefix in between forgets the first key.
    PlaceCaret(edit, {1, 1});
    Press(edit, Qt::Key_K, Ctrl);
    Press(edit, Qt::Key_Escape);
    EXPECT_FALSE(Press(edit, Qt::Key_E, Ctrl));
    EXPECT_EQ(edit.CaretX(), 1);
}

TEST(KeyDispatch, CommandHooksChangeCancelAndObserve) {
    TGlyphEdit edit;
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {1, 1});
    std::vector<int> processed;
    edit.OnProcessCommand = [](TCustomGlyphEdit*, TGlyphEditorCommand& command, QChar&, QVariant&) {
        if (command == ecLeft)
            command = ecLineEnd;
        else if (command == ecRight)
            command = ecNone;
    };
    int userCommands = 0;
    edit.OnProcessUserCommand = [&](TCustomGlyphEdit*, TGlyphEditorCommand& command, QChar&,
                                    QVariant&) {
        ++userCommands;
        EXPECT_EQ(command, ecUserFirst + 5);
    };
    edit.OnCommandProcessed = [&](TCustomGlyphEdit*, TGlyphEditorCommand& command, QChar&,
                                  QVariant&) { processed.push_back(command); };
    edit.RunCommand(ecLeft);
    EXPECT_EQ(edit.CaretX(), 4);
    edit.RunCommand(ecRight);
    EXPECT_EQ(edit.CaretX(), 4);
    edit.RunCommand(ecUserFirst + 5);
    EXPECT_EQ(userCommands, 1);
    EXPECT_EQ(processed, (std::vector<int>{ecLineEnd, ecNone, ecUserFirst + 5}));
}

TEST(KeyDispatch, SetMarkerKeyPassesTheCaret) {
    TGlyphEdit edit;
    ConfigureMainWindow(edit);
    SetLines(edit, {"abc", "def"});
    PlaceCaret(edit, {3, 2});
    QVariant seen;
    edit.OnCommandProcessed = [&](TCustomGlyphEdit*, TGlyphEditorCommand&, QChar&, QVariant& data) {
        seen = data;
    };
    // Qt reports Ctrl+Shift+3 as the shifted symbol of the key.
    EXPECT_TRUE(Press(edit, Qt::Key_NumberSign, CtrlShift));
    EXPECT_EQ(seen.toPoint(), QPoint(3, 2));
    ASSERT_TRUE(edit.Bookmark(3).has_value());
    EXPECT_EQ(*edit.Bookmark(3), (TBufferCoord{3, 2}));
}

} // namespace
