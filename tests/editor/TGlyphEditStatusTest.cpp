// Status notifications under the paint lock, and the hooks the view and the highlighting use.

#include "GlyphEditTestSupport.h"

#include <climits>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ConfigureMainWindow(edit);
        SetLines(edit, {"abcdef", "ghijkl", "mnopqr"});
        PlaceCaret(edit, {2, 1});
        edit.OnStatusChange = [this](TCustomGlyphEdit* sender, TGlyphStatusChanges changes) {
            EXPECT_EQ(sender, &edit);
            reports.push_back(changes);
        };
    }

    TGlyphEdit edit;
    std::vector<TGlyphStatusChanges> reports;
};

struct CommandStatusCase {
    const char* name;
    TGlyphEditorCommand command;
    TGlyphStatusChanges expected;
};

class CommandStatusTest : public StatusTest,
                          public ::testing::WithParamInterface<CommandStatusCase> {};

TEST_P(CommandStatusTest, OneReportPerCommand) {
    const CommandStatusCase& c = GetParam();
    edit.RunCommand(c.command, QChar(u'x'));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports.front(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandStatusTest,
    ::testing::Values(
        CommandStatusCase{"Right", ecRight, scCaretX | scSelection},
        CommandStatusCase{"Down", ecDown, scCaretY | scSelection},
        CommandStatusCase{"SelRight", ecSelRight, scCaretX | scSelection},
        CommandStatusCase{"Typing", ecChar, scCaretX | scSelection | scModified},
        CommandStatusCase{"LineBreak", ecLineBreak, scCaretX | scCaretY | scSelection | scModified},
        CommandStatusCase{"Toggle", ecToggleMode, TGlyphStatusChanges(scInsertMode)},
        CommandStatusCase{"ColumnMode", ecColumnSelect, TGlyphStatusChanges(scSelection)},
        CommandStatusCase{"EditorBottom", ecEditorBottom, scCaretX | scCaretY | scSelection}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NewEditor, StartsWithTheDefaults) {
    TGlyphEdit edit;
    EXPECT_EQ(edit.LineCount(), 0);
    EXPECT_EQ(edit.Text(), QString());
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{1, 1}));
    EXPECT_EQ(edit.SelectionAnchor(), (TBufferCoord{1, 1}));
    EXPECT_EQ(edit.SelectionActiveEnd(), (TBufferCoord{1, 1}));
    EXPECT_EQ(edit.Options(), GlyphEditDefaultOptions);
    EXPECT_TRUE(edit.Options().testFlags(eoAutoIndent | eoDragDropEditing | eoGroupUndo |
                                         eoScrollPastEol | eoShowScrollHint | eoSmartTabDelete |
                                         eoSmartTabs | eoTabsToSpaces | eoTrimTrailingSpaces));
    EXPECT_FALSE(edit.Options().testFlag(eoRightMouseMovesCursor));
    EXPECT_EQ(edit.TabWidth(), 8);
    EXPECT_TRUE(edit.InsertMode());
    EXPECT_EQ(edit.SelectionMode(), smNormal);
    EXPECT_FALSE(edit.ReadOnly());
    EXPECT_FALSE(edit.Modified());
    EXPECT_EQ(edit.MaxUndo(), 1024);
    EXPECT_EQ(TCustomGlyphEdit::MaxLeftChar, 1024);
    TGlyphEditKeyStrokes defaults;
    defaults.ResetDefaults();
    EXPECT_EQ(edit.Keystrokes().Count(), defaults.Count());
    EXPECT_EQ(edit.TopLine(), 1);
    EXPECT_EQ(edit.LeftChar(), 1);
}

TEST_F(StatusTest, NothingChangedNothingReported) {
    edit.RunCommand(ecLeft);
    reports.clear();
    edit.RunCommand(ecLeft); // already at X = 1
    EXPECT_TRUE(reports.empty());
}

TEST_F(StatusTest, PaintLockCollectsIntoOneReport) {
    edit.IncPaintLock();
    edit.IncPaintLock();
    edit.RunCommand(ecRight);
    edit.RunCommand(ecDown);
    edit.SetReadOnly(true);
    edit.DecPaintLock();
    EXPECT_TRUE(reports.empty());
    edit.DecPaintLock();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports.front(), scCaretX | scCaretY | scSelection | scReadOnly);
    // An unbalanced release is harmless.
    edit.DecPaintLock();
    EXPECT_EQ(edit.PaintLock(), 0);
}

TEST_F(StatusTest, PropertiesReportOnlyRealChanges) {
    edit.SetModified(true);
    edit.SetModified(true);
    edit.SetReadOnly(false);
    edit.SetInsertMode(true);
    edit.SetSelectionMode(smNormal);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports.front(), TGlyphStatusChanges(scModified));
    edit.SetSelectionMode(smLine);
    edit.SetLinesInWindow(1);
    edit.SetTopLine(2);
    EXPECT_EQ(reports.back(), TGlyphStatusChanges(scTopLine));
    edit.SetLeftChar(3);
    EXPECT_EQ(reports.back(), TGlyphStatusChanges(scLeftChar));
    EXPECT_EQ(reports.size(), 4u);
}

TEST_F(StatusTest, StatusBarReadsTheCaretWhenNotified) {
    QString panel;
    edit.OnStatusChange = [&](TCustomGlyphEdit* sender, TGlyphStatusChanges) {
        panel = QStringLiteral("Ln %1, Col %2").arg(sender->CaretY()).arg(sender->CaretX());
    };
    Press(edit, Qt::Key_Down);
    Press(edit, Qt::Key_End);
    EXPECT_EQ(panel, "Ln 2, Col 7");
}

TEST_F(StatusTest, ViewHooksAreCalledOnceAtTheEnd) {
    int scrolls = 0;
    int carets = 0;
    edit.OnScrollBarsChanged = [&] { ++scrolls; };
    edit.OnCaretChanged = [&] {
        ++carets;
        EXPECT_EQ(edit.PaintLock(), 0);
    };
    edit.SetLinesInWindow(1);
    edit.RunCommand(ecEditorBottom);
    EXPECT_EQ(carets, 1);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(edit.TopLine(), 3);
}

TEST_F(StatusTest, ChangedLinesAreReported) {
    std::vector<std::pair<int, int>> invalid;
    std::vector<TGlyphLinesChange> changes;
    edit.OnInvalidateLines = [&](int first, int last) { invalid.emplace_back(first, last); };
    edit.OnLinesChanged = [&](const TGlyphLinesChange& c) { changes.push_back(c); };
    PlaceCaret(edit, {3, 2});
    invalid.clear();
    edit.RunCommand(ecChar, u'x');
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].Kind, TGlyphLinesChange::Changed);
    EXPECT_EQ(changes[0].Index, 1);
    EXPECT_NE(std::find(invalid.begin(), invalid.end(), std::make_pair(2, 2)), invalid.end());
    changes.clear();
    edit.RunCommand(ecDeleteLine);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().Kind, TGlyphLinesChange::Deleted);
    EXPECT_EQ(changes.back().Index, 1);
    EXPECT_EQ(changes.back().Count, 1);
    changes.clear();
    edit.SetSelectedText("1\r\n2\r\n3\r\n");
    const auto added = std::find_if(changes.begin(), changes.end(), [](const auto& c) {
        return c.Kind == TGlyphLinesChange::Added;
    });
    ASSERT_NE(added, changes.end());
    EXPECT_EQ(added->Index, 2);
    EXPECT_EQ(added->Count, 3);
    changes.clear();
    edit.SetText(QString());
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().Kind, TGlyphLinesChange::Cleared);
}

TEST_F(StatusTest, EveryEditLeavesNoSelection) {
    Select(edit, {1, 1}, {4, 2});
    ASSERT_TRUE(edit.HasSelection());
    // A change of the buffer from outside the engine collapses the selection to the caret.
    edit.Lines().SetLine(2, QStringLiteral("changed"));
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.SelectionAnchor(), edit.CaretXY());
}

} // namespace
