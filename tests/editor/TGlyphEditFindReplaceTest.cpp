#include "editor/TGlyphEditFindReplace.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

void PrintTo(const TBufferCoord& p, std::ostream* os) {
    *os << "(" << p.X << ", " << p.Y << ")";
}

namespace {

struct TSelection {
    TBufferCoord Anchor;
    TBufferCoord Active;
};

// An editor set up as the main window's, with its find-and-replace beside it.
struct Editor {
    TGlyphEdit edit;
    TGlyphEditFindReplace finder{edit};

    explicit Editor(const QStringList& lines, TGlyphSelectionMode mode = smNormal) {
        edit.SetOptions(GlyphEditMainWindowOptions);
        edit.SetText(lines.join("\r\n"));
        edit.SetSelectionMode(mode);
    }
    void PlaceCaret(TBufferCoord p) {
        edit.SetCaretXY(p);
        edit.SetSelectionAnchor(p);
    }
    void Select(const TSelection& s) {
        edit.SetCaretXY(s.Active);
        edit.SetSelectionAnchor(s.Anchor);
        edit.SetSelectionActiveEnd(s.Active);
    }
    int Find(const QString& search, TGlyphSearchOptions options) {
        return finder.FindAndReplace(search, QString(), options);
    }
    QStringList Lines() const { return edit.Lines().Lines(); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Finding: range, direction, case, whole word, selection modes

struct FindCase {
    const char* name;
    QStringList lines;
    TGlyphSelectionMode mode;
    TBufferCoord caret;
    std::optional<TSelection> selection; // set after the caret
    QString search;
    TGlyphSearchOptions options;
    int count;
    TBufferCoord selStart; // expected selection and caret afterwards
    TBufferCoord selEnd;
    TBufferCoord caretAfter;
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class Finding : public ::testing::TestWithParam<FindCase> {};

TEST_P(Finding, SelectsTheMatchAndPlacesTheCaret) {
    const FindCase& c = GetParam();
    Editor e(c.lines, c.mode);
    e.PlaceCaret(c.caret);
    if (c.selection)
        e.Select(*c.selection);
    EXPECT_EQ(e.Find(c.search, c.options), c.count);
    EXPECT_EQ(e.edit.SelectionStart(), c.selStart);
    EXPECT_EQ(e.edit.SelectionEnd(), c.selEnd);
    EXPECT_EQ(e.edit.CaretXY(), c.caretAfter);
    EXPECT_EQ(e.Lines(), c.lines) << "a search changes no text";
}

const TGlyphSearchOptions NoOptions;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Direction, Finding, ::testing::Values(
    FindCase{"CaretInsideOccurrenceFindsTheNext", {"abc abc abc"}, smNormal, {2, 1}, {}, "abc", NoOptions, 1, {5, 1}, {8, 1}, {8, 1}},
    FindCase{"CaretAtOccurrenceStartFindsIt", {"abc abc abc"}, smNormal, {5, 1}, {}, "abc", NoOptions, 1, {5, 1}, {8, 1}, {8, 1}},
    FindCase{"ContinuesOnLaterLines", {"abc", "x abc"}, smNormal, {2, 1}, {}, "abc", NoOptions, 1, {3, 2}, {6, 2}, {6, 2}},
    FindCase{"NothingAfterCaretChangesNothing", {"abc", "xyz"}, smNormal, {2, 1}, {}, "abc", NoOptions, 0, {2, 1}, {2, 1}, {2, 1}},
    FindCase{"EntireTextIgnoresCaret", {"abc", "abc"}, smNormal, {4, 2}, {}, "abc", SearchEntireText, 1, {1, 1}, {4, 1}, {4, 1}},
    FindCase{"BackwardFindsBeforeCaret", {"abc abc abc"}, smNormal, {10, 1}, {}, "abc", SearchBackward, 1, {5, 1}, {8, 1}, {5, 1}},
    FindCase{"BackwardCaretAtMatchEndFindsIt", {"abc abc abc"}, smNormal, {8, 1}, {}, "abc", SearchBackward, 1, {5, 1}, {8, 1}, {5, 1}},
    FindCase{"BackwardGoesToEarlierLines", {"x abc", "yyy"}, smNormal, {2, 2}, {}, "abc", SearchBackward, 1, {3, 1}, {6, 1}, {3, 1}},
    FindCase{"BackwardEntireTextFindsTheLast", {"abc", "abc x"}, smNormal, {1, 1}, {}, "abc", SearchBackward | SearchEntireText, 1, {1, 2}, {4, 2}, {1, 2}},
    FindCase{"BackwardNothingBeforeCaret", {"x abc"}, smNormal, {5, 1}, {}, "abc", SearchBackward, 0, {5, 1}, {5, 1}, {5, 1}},
    FindCase{"EmptySearchFindsNothing", {"abc"}, smNormal, {1, 1}, {}, "", SearchEntireText, 0, {1, 1}, {1, 1}, {1, 1}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(CaseAndWords, Finding, ::testing::Values(
    FindCase{"IgnoringCaseFindsCapitals", {"xx Abc"}, smNormal, {1, 1}, {}, "ABC", NoOptions, 1, {4, 1}, {7, 1}, {7, 1}},
    FindCase{"MatchCaseSkipsOtherCase", {"abc Abc ABC"}, smNormal, {1, 1}, {}, "ABC", SearchMatchCase, 1, {9, 1}, {12, 1}, {12, 1}},
    FindCase{"WholeWordSkipsEmbedded", {"cats cat_dog cat-dog"}, smNormal, {1, 1}, {}, "cat", SearchWholeWord, 1, {14, 1}, {17, 1}, {17, 1}},
    FindCase{"WholeWordAtLineEnd", {"cats", "the cat"}, smNormal, {1, 1}, {}, "cat", SearchWholeWord, 1, {5, 2}, {8, 2}, {8, 2}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(SelectionRanges, Finding, ::testing::Values(
    FindCase{"SelectionOnlyWithoutSelectionSearchesFromCaret", {"abc abc"}, smNormal, {2, 1}, {}, "abc", SearchSelectionOnly, 1, {5, 1}, {8, 1}, {8, 1}},
    FindCase{"StreamSelectionStartExcludes", {"abc abc abc"}, smNormal, {1, 1}, TSelection{{2, 1}, {9, 1}}, "abc", SearchSelectionOnly, 1, {5, 1}, {8, 1}, {8, 1}},
    FindCase{"StreamSelectionEndExcludes", {"abc abc"}, smNormal, {1, 1}, TSelection{{2, 1}, {7, 1}}, "abc", SearchSelectionOnly, 0, {2, 1}, {7, 1}, {7, 1}},
    FindCase{"StreamSelectionBackwardStartsAtItsEnd", {"abc abc abc"}, smNormal, {1, 1}, TSelection{{1, 1}, {9, 1}}, "abc", SearchSelectionOnly | SearchBackward, 1, {5, 1}, {8, 1}, {5, 1}},
    FindCase{"StreamSelectionMiddleLinesWhole", {"abc abc", "abc", "abc abc"}, smNormal, {1, 1}, TSelection{{6, 1}, {2, 3}}, "abc", SearchSelectionOnly, 1, {1, 2}, {4, 2}, {4, 2}},
    FindCase{"CaretPlaysNoPartInSelection", {"abc abc"}, smNormal, {1, 1}, TSelection{{1, 1}, {8, 1}}, "abc", SearchSelectionOnly, 1, {1, 1}, {4, 1}, {4, 1}},
    FindCase{"LineSelectionCoversWholeLines", {"abc", "x abc", "abc"}, smLine, {1, 1}, TSelection{{4, 2}, {5, 2}}, "abc", SearchSelectionOnly, 1, {3, 2}, {6, 2}, {6, 2}},
    FindCase{"ColumnSelectionOnlyInsideItsColumns", {"ab ab", "xab ab", "ab"}, smColumn, {1, 1}, TSelection{{5, 1}, {2, 3}}, "ab", SearchSelectionOnly, 1, {2, 2}, {4, 2}, {4, 2}},
    FindCase{"WholeWordLooksAtTheLineNotTheSelection", {"cats"}, smNormal, {1, 1}, TSelection{{1, 1}, {4, 1}}, "cat", SearchSelectionOnly | SearchWholeWord, 0, {1, 1}, {4, 1}, {4, 1}},
    FindCase{"WholeWordInsideSelection", {"cat cat cat"}, smNormal, {1, 1}, TSelection{{3, 1}, {12, 1}}, "cat", SearchSelectionOnly | SearchWholeWord, 1, {5, 1}, {8, 1}, {8, 1}}
), [](const auto& info) { return std::string(info.param.name); });

// In column mode even a whole-text search keeps to the columns between the range's start and
// end, on every line; a range of zero width limits only its first and last line.
INSTANTIATE_TEST_SUITE_P(ColumnModeWholeText, Finding, ::testing::Values(
    FindCase{"ColumnModeLimitsToColumns", {"    ab", "ab"}, smColumn, {1, 1}, {}, "ab", SearchEntireText, 1, {1, 2}, {3, 2}, {3, 2}},
    FindCase{"NormalModeSameTextFindsFirstLine", {"    ab", "ab"}, smNormal, {1, 1}, {}, "ab", SearchEntireText, 1, {5, 1}, {7, 1}, {7, 1}},
    FindCase{"ColumnModeCaretColumnIsTheStartOnEveryLine", {"ab", "ab  ab", "abcdefg"}, smColumn, {2, 1}, {}, "ab", NoOptions, 1, {5, 2}, {7, 2}, {7, 2}},
    FindCase{"NormalModeCaretColumnOnlyOnItsLine", {"ab", "ab  ab", "abcdefg"}, smNormal, {2, 1}, {}, "ab", NoOptions, 1, {1, 2}, {3, 2}, {3, 2}},
    FindCase{"ColumnModeZeroWidthTakesTheStreamRule", {"ab    ab", "ab"}, smColumn, {3, 1}, {}, "ab", NoOptions, 1, {7, 1}, {9, 1}, {9, 1}},
    FindCase{"LineModeFromCaretFindsTheNext", {"ab  ab", "x"}, smLine, {3, 1}, {}, "ab", NoOptions, 1, {5, 1}, {7, 1}, {7, 1}},
    FindCase{"LineModeBackwardUpToCaret", {"ab  ab", "x"}, smLine, {5, 1}, {}, "ab", SearchBackward, 1, {1, 1}, {3, 1}, {1, 1}}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(FindingAgain, ForwardFindsSuccessiveOccurrencesThenNothing) {
    Editor e({"ab ab", "ab"});
    const QList<TBufferCoord> starts = {{1, 1}, {4, 1}, {1, 2}};
    for (const TBufferCoord& start : starts) {
        ASSERT_EQ(e.Find("ab", NoOptions), 1);
        EXPECT_EQ(e.edit.SelectionStart(), start);
    }
    EXPECT_EQ(e.Find("ab", NoOptions), 0);
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{1, 2})) << "the last match stays selected";
    EXPECT_EQ(e.edit.SelectedText(), "ab");
}

TEST(FindingAgain, LineModeFindsSuccessiveOccurrences) {
    Editor e({"ab ab ab"}, smLine);
    for (int start : {1, 4, 7}) {
        ASSERT_EQ(e.Find("ab", NoOptions), 1);
        EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{start, 1}));
    }
    EXPECT_EQ(e.Find("ab", NoOptions), 0);
}

TEST(FindingAgain, ColumnModeFromCaretMovesOn) {
    // The last line is as long as the first, so the column range is caret column .. line end.
    Editor e({"ab ab ab", "xxxxxxxx"}, smColumn);
    e.PlaceCaret({9, 1});
    EXPECT_EQ(e.Find("ab", SearchBackward), 1);
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{7, 1}));
    EXPECT_EQ(e.Find("ab", SearchBackward), 1);
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{4, 1}));
    EXPECT_EQ(e.Find("ab", NoOptions), 1) << "forward from the caret at column 4";
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{4, 1}));
    EXPECT_EQ(e.Find("ab", NoOptions), 1);
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{7, 1}));
    EXPECT_EQ(e.Find("ab", NoOptions), 0);
}

TEST(FindingAgain, BackwardFindsThemInReverseOrder) {
    Editor e({"ab ab", "ab"});
    e.PlaceCaret({3, 2});
    const QList<TBufferCoord> starts = {{1, 2}, {4, 1}, {1, 1}};
    for (const TBufferCoord& start : starts) {
        ASSERT_EQ(e.Find("ab", SearchBackward), 1);
        EXPECT_EQ(e.edit.SelectionStart(), start);
        EXPECT_EQ(e.edit.CaretXY(), start);
    }
    EXPECT_EQ(e.Find("ab", SearchBackward), 0);
}

// ---------------------------------------------------------------------------------------------
// Replacing: resulting text and answer

struct ReplaceCase {
    const char* name;
    QStringList lines;
    TGlyphSelectionMode mode;
    TBufferCoord caret;
    std::optional<TSelection> selection;
    QString search;
    QString replace;
    TGlyphSearchOptions options;
    int count;
    QStringList result;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
    *os << c.name;
}

class Replacing : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(Replacing, GivesTheTextAndTheCount) {
    const ReplaceCase& c = GetParam();
    Editor e(c.lines, c.mode);
    e.PlaceCaret(c.caret);
    if (c.selection)
        e.Select(*c.selection);
    EXPECT_EQ(e.finder.FindAndReplace(c.search, c.replace, c.options), c.count);
    EXPECT_EQ(e.Lines(), c.result);
    EXPECT_EQ(e.edit.SelectionMode(), c.mode) << "the selection mode is kept";
}

const TGlyphSearchOptions All = SearchReplaceAll;

// clang-format off
INSTANTIATE_TEST_SUITE_P(ReplaceAll, Replacing, ::testing::Values(
    ReplaceCase{"AByAaDoesNotSearchInsertedText", {"aaa"}, smNormal, {1, 1}, {}, "a", "aa", All, 3, {"aaaaaa"}},
    ReplaceCase{"ShorterReplacement", {"ab ab ab"}, smNormal, {1, 1}, {}, "ab", "x", All, 3, {"x x x"}},
    ReplaceCase{"AcrossLines", {"the cat", "a cat and cat", "dog"}, smNormal, {1, 1}, {}, "cat", "dog", All, 3, {"the dog", "a dog and dog", "dog"}},
    ReplaceCase{"FromCaret", {"ab ab", "ab"}, smNormal, {2, 1}, {}, "ab", "X", All, 2, {"ab X", "X"}},
    ReplaceCase{"EntireText", {"ab ab", "ab"}, smNormal, {2, 1}, {}, "ab", "X", All | SearchEntireText, 3, {"X X", "X"}},
    ReplaceCase{"Backward", {"a-a-a"}, smNormal, {6, 1}, {}, "a", "bb", All | SearchBackward, 3, {"bb-bb-bb"}},
    ReplaceCase{"BackwardUpToCaret", {"a-a-a"}, smNormal, {4, 1}, {}, "a", "bb", All | SearchBackward, 2, {"bb-bb-a"}},
    ReplaceCase{"WholeWord", {"cat cats cat-dog"}, smNormal, {1, 1}, {}, "cat", "dog", All | SearchWholeWord, 2, {"dog cats dog-dog"}},
    ReplaceCase{"IgnoringCase", {"Cat CAT cat"}, smNormal, {1, 1}, {}, "cat", "dog", All, 3, {"dog dog dog"}},
    ReplaceCase{"MatchCase", {"Cat CAT cat"}, smNormal, {1, 1}, {}, "cat", "dog", All | SearchMatchCase, 1, {"Cat CAT dog"}},
    ReplaceCase{"EmptyReplacementDeletes", {"a-b-c"}, smNormal, {1, 1}, {}, "-", "", All, 2, {"abc"}},
    ReplaceCase{"NothingFound", {"abc"}, smNormal, {1, 1}, {}, "x", "y", All, 0, {"abc"}},
    ReplaceCase{"EmptySearch", {"abc"}, smNormal, {1, 1}, {}, "", "y", All, 0, {"abc"}},
    ReplaceCase{"LineBreaksInReplacement", {"a b a", "a"}, smNormal, {1, 1}, {}, "a", "x\r\ny", All, 3, {"x", "y b x", "y", "x", "y"}},
    ReplaceCase{"MatchInTrimmedTailIsPassedOver", {"a    "}, smNormal, {1, 1}, {}, "  ", "-", All, 1, {"a-"}}
), [](const auto& info) { return std::string(info.param.name); });

// The range's end follows the replacements on its line, so a selection keeps covering the same
// text.
INSTANTIATE_TEST_SUITE_P(ReplaceAllInSelection, Replacing, ::testing::Values(
    ReplaceCase{"StreamSelection", {"ab ab ab ab"}, smNormal, {1, 1}, TSelection{{4, 1}, {9, 1}}, "ab", "X", All | SearchSelectionOnly, 2, {"ab X X ab"}},
    ReplaceCase{"StreamSelectionLongerReplacement", {"ab ab ab ab"}, smNormal, {1, 1}, TSelection{{4, 1}, {9, 1}}, "ab", "XYZ", All | SearchSelectionOnly, 2, {"ab XYZ XYZ ab"}},
    ReplaceCase{"StreamSelectionOverLines", {"ab ab", "ab ab", "ab ab"}, smNormal, {1, 1}, TSelection{{4, 1}, {3, 3}}, "ab", "X", All | SearchSelectionOnly, 4, {"ab X", "X X", "X ab"}},
    ReplaceCase{"ColumnSelection", {"ab ab", "ab ab"}, smColumn, {1, 1}, TSelection{{1, 1}, {3, 2}}, "ab", "X", All | SearchSelectionOnly, 2, {"X ab", "X ab"}},
    ReplaceCase{"ColumnSelectionRightColumns", {"ab ab ab", "xx ab xx"}, smColumn, {1, 1}, TSelection{{4, 2}, {6, 1}}, "ab", "X", All | SearchSelectionOnly, 2, {"ab X ab", "xx X xx"}},
    ReplaceCase{"LineSelectionReplacesOnlyTheMatches", {"one cat", "two cat", "three cat"}, smLine, {1, 1}, TSelection{{1, 1}, {2, 2}}, "cat", "dog", All | SearchSelectionOnly, 2, {"one dog", "two dog", "three cat"}},
    ReplaceCase{"LineModeWholeText", {"one cat", "two"}, smLine, {1, 1}, {}, "cat", "dog", All | SearchEntireText, 1, {"one dog", "two"}},
    ReplaceCase{"WholeWordInSelection", {"cat cats cat cat"}, smNormal, {1, 1}, TSelection{{1, 1}, {13, 1}}, "cat", "dog", All | SearchSelectionOnly | SearchWholeWord, 2, {"dog cats dog cat"}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(SingleReplace, Replacing, ::testing::Values(
    ReplaceCase{"FirstAfterCaretWithoutEarlierFind", {"foo bar foo", "z"}, smNormal, {1, 1}, {}, "foo", "x", SearchReplace, 1, {"x bar foo", "z"}},
    ReplaceCase{"CaretInsideFirstTakesSecond", {"foo bar foo", "z"}, smNormal, {2, 1}, {}, "foo", "x", SearchReplace, 1, {"foo bar x", "z"}},
    ReplaceCase{"Backward", {"foo bar foo"}, smNormal, {12, 1}, {}, "foo", "x", SearchReplace | SearchBackward, 1, {"foo bar x"}},
    ReplaceCase{"NothingFound", {"foo"}, smNormal, {2, 1}, {}, "foo", "x", SearchReplace, 0, {"foo"}},
    ReplaceCase{"LineModeKeepsTheLine", {"one cat", "two"}, smLine, {1, 1}, {}, "cat", "dog", SearchReplace, 1, {"one dog", "two"}},
    ReplaceCase{"ColumnMode", {"cat one", "two"}, smColumn, {1, 1}, {}, "cat", "dog", SearchReplace | SearchEntireText, 1, {"dog one", "two"}}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---------------------------------------------------------------------------------------------
// Replacing: undo, caret and selection afterwards

TEST(ReplaceAllUndo, OneUndoTakesEveryReplacementBack) {
    const QStringList text = {"the cat", "a cat and cat", "dog", "cat"};
    Editor e(text);
    ASSERT_EQ(e.finder.FindAndReplace("cat", "lion", All | SearchEntireText), 4);
    EXPECT_TRUE(e.edit.Modified());
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), text);
    EXPECT_FALSE(e.edit.UndoAvailable()) << "one step held all replacements";
    EXPECT_FALSE(e.edit.Modified());
    e.edit.Redo();
    EXPECT_EQ(e.Lines(), (QStringList{"the lion", "a lion and lion", "dog", "lion"}));
}

TEST(ReplaceAllUndo, StaysOneStepAfterEarlierEdits) {
    Editor e({"aaa"});
    e.edit.SetCaretXY({4, 1});
    e.edit.RunCommand(ecChar, u'b');
    ASSERT_EQ(e.Lines(), QStringList{"aaab"});
    ASSERT_EQ(e.finder.FindAndReplace("a", "aa", All | SearchEntireText), 3);
    EXPECT_EQ(e.Lines(), QStringList{"aaaaaab"});
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), QStringList{"aaab"});
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), QStringList{"aaa"});
}

TEST(ReplaceAllUndo, SingleReplacementsAreStepsOfTheirOwn) {
    Editor e({"ab ab"});
    ASSERT_EQ(e.finder.FindAndReplace("ab", "X", SearchReplace), 1);
    ASSERT_EQ(e.finder.FindAndReplace("ab", "X", SearchReplace), 1);
    ASSERT_EQ(e.Lines(), QStringList{"X X"});
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), QStringList{"X ab"});
}

// Replace all over thousands of lines, some without a match: the text matches a plain
// line-by-line replacement, one Undo and one Redo go all the way, caret and selection come back
// as they were, the save point holds, and each run of replaced lines is announced once.
namespace {

// Lines "n: cat and cat" with every third one "n: dog" (no match).
QStringList ManyLines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines
            << (i % 3 == 0 ? QStringLiteral("%1: dog") : QStringLiteral("%1: cat and cat")).arg(i);
    return lines;
}

} // namespace

TEST(ReplaceAllUndo, ManyLinesAreOneStepEachWayAndKeepTheSavePoint) {
    // Enough lines that the walk over the whole text and over either half of it is shared
    // between two cores.
    constexpr int Half = TGlyphEditFindReplace::SharedWalkLines + 1;
    constexpr int Count = 2 * Half;
    const QStringList text = ManyLines(Count);
    const auto replaced = [&](int first, int last) {
        QStringList lines = text;
        for (int i = first; i <= last; ++i)
            lines[i - 1].replace("cat", "lion");
        return lines;
    };
    const auto cats = [&](int first, int last) {
        int n = 0;
        for (int i = first; i <= last; ++i)
            n += int(text[i - 1].count("cat"));
        return n;
    };
    struct {
        const char* what;
        TBufferCoord caret;
        std::optional<TSelection> selection;
        TGlyphSearchOptions options;
        int count;
        QStringList result;
    } cases[] = {
        {"whole text", {1, 1}, {}, All | SearchEntireText, cats(1, Count), replaced(1, Count)},
        {"from the caret",
         {1, Half + 1},
         {},
         All,
         cats(Half + 1, Count),
         replaced(Half + 1, Count)},
        {"backward up to the caret",
         {1, Half + 1},
         {},
         All | SearchBackward,
         cats(1, Half),
         replaced(1, Half)},
        {"in a selection of lines",
         {1, 1},
         TSelection{{1, 301}, {1, 601}},
         All | SearchSelectionOnly,
         2 * 200,
         replaced(301, 600)},
    };
    for (const auto& c : cases) {
        Editor e(text);
        e.PlaceCaret(c.caret);
        if (c.selection)
            e.Select(*c.selection);
        const TBufferCoord caretBefore = e.edit.CaretXY();
        const TBufferCoord anchorBefore = e.edit.SelectionAnchor();
        int notifications = 0;
        int announced = 0;
        e.edit.OnLinesChanged = [&](const TGlyphLinesChange& change) {
            ++notifications;
            announced += change.Count;
        };
        ASSERT_EQ(e.finder.FindAndReplace("cat", "lion", c.options), c.count) << c.what;
        ASSERT_EQ(e.Lines(), c.result) << c.what;
        int changed = 0;
        int runs = 0;
        for (int i = 0; i < Count; ++i) {
            if (c.result[i] != text[i]) {
                ++changed;
                runs += i == 0 || c.result[i - 1] == text[i - 1];
            }
        }
        EXPECT_LE(notifications, runs + 3) << c.what << ": a run of lines is announced once";
        EXPECT_LE(announced, changed + 3) << c.what << ": unchanged lines are not announced";
        const TBufferCoord caretAfter = e.edit.CaretXY();
        EXPECT_TRUE(e.edit.Modified()) << c.what;

        e.edit.Undo();
        EXPECT_EQ(e.Lines(), text) << c.what;
        EXPECT_FALSE(e.edit.UndoAvailable()) << c.what << ": one step held every line";
        EXPECT_FALSE(e.edit.Modified()) << c.what;
        EXPECT_EQ(e.edit.CaretXY(), caretBefore) << c.what;
        EXPECT_EQ(e.edit.SelectionAnchor(), anchorBefore) << c.what;

        e.edit.Redo();
        EXPECT_EQ(e.Lines(), c.result) << c.what;
        EXPECT_FALSE(e.edit.RedoAvailable()) << c.what;
        EXPECT_EQ(e.edit.CaretXY(), caretAfter) << c.what;
        EXPECT_TRUE(e.edit.Modified()) << c.what;

        // Saved after the replacement: undoing leaves the saved text, redoing comes back to it.
        e.edit.SetModified(false);
        e.edit.Undo();
        EXPECT_TRUE(e.edit.Modified()) << c.what;
        e.edit.Redo();
        EXPECT_FALSE(e.edit.Modified()) << c.what;
        EXPECT_EQ(e.Lines(), c.result) << c.what;
    }
}

TEST(ReplaceCaret, SingleReplaceOnTheLastLineLeavesTheRestSelected) {
    Editor e({"z", "foo bar foo"});
    ASSERT_EQ(e.finder.FindAndReplace("foo", "x", SearchReplace), 1);
    EXPECT_EQ(e.Lines(), (QStringList{"z", "x bar foo"}));
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{2, 2}));
    EXPECT_EQ(e.edit.SelectionEnd(), (TBufferCoord{10, 2}));
    EXPECT_EQ(e.edit.SelectedText(), " bar foo");
    EXPECT_EQ(e.edit.CaretXY(), (TBufferCoord{2, 2}));
}

TEST(ReplaceCaret, SingleReplaceOnAnEarlierLineLeavesTheCaretBehindIt) {
    Editor e({"foo bar foo", "z"});
    ASSERT_EQ(e.finder.FindAndReplace("foo", "xy", SearchReplace), 1);
    EXPECT_FALSE(e.edit.HasSelection());
    EXPECT_EQ(e.edit.CaretXY(), (TBufferCoord{3, 1}));
    // The next replace continues from there.
    ASSERT_EQ(e.finder.FindAndReplace("foo", "xy", SearchReplace), 1);
    EXPECT_EQ(e.Lines(), (QStringList{"xy bar xy", "z"}));
}

TEST(ReplaceCaret, ReplaceAllEndsBehindTheLastReplacement) {
    Editor e({"ab ab", "ab x"});
    ASSERT_EQ(e.finder.FindAndReplace("ab", "XYZ", All), 3);
    EXPECT_EQ(e.edit.CaretXY(), (TBufferCoord{4, 2}));
    EXPECT_EQ(e.edit.SelectedText(), " x") << "the rest of the range's last line";
}

TEST(ReplaceCaret, BackwardReplaceAllEndsAtTheFirstMatch) {
    Editor e({"ab ab", "ab x"});
    e.PlaceCaret({5, 2});
    ASSERT_EQ(e.finder.FindAndReplace("ab", "XYZ", All | SearchBackward), 3);
    EXPECT_EQ(e.Lines(), (QStringList{"XYZ XYZ", "XYZ x"}));
    EXPECT_EQ(e.edit.CaretXY(), (TBufferCoord{4, 1}));
}

// ---------------------------------------------------------------------------------------------
// Read-only editor

TEST(ReadOnly, ReplaceAllCountsAndSelectsButChangesNothing) {
    Editor e({"ab ab", "ab"});
    e.edit.SetReadOnly(true);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "XYZ", All), 3);
    EXPECT_EQ(e.Lines(), (QStringList{"ab ab", "ab"}));
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{1, 2}));
    EXPECT_EQ(e.edit.SelectionEnd(), (TBufferCoord{3, 2}));
    EXPECT_FALSE(e.edit.Modified());
}

TEST(ReadOnly, SingleReplaceLeavesTheMatchSelected) {
    Editor e({"xx ab ab"});
    e.edit.SetReadOnly(true);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "XYZ", SearchReplace), 1);
    EXPECT_EQ(e.edit.SelectedText(), "ab");
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{4, 1}));
}

// ---------------------------------------------------------------------------------------------
// Prompting

namespace {

// Answers the prompts from a script and records what it was asked.
struct ScriptedReplacePrompt {
    QList<TGlyphReplaceAction> answers;
    QStringList asked;

    void Attach(Editor& e) {
        e.finder.OnReplaceText = [this](TCustomGlyphEdit* sender, const QString& search,
                                        const QString& replace, int line, int column,
                                        TGlyphReplaceAction& action) {
            EXPECT_EQ(action, raCancel) << "the action starts as cancel";
            EXPECT_NE(sender, nullptr);
            asked << QString("%1>%2 %3,%4 [%5]")
                         .arg(search, replace)
                         .arg(column)
                         .arg(line)
                         .arg(static_cast<TGlyphEdit*>(sender)->SelectedText());
            action = answers.isEmpty() ? raCancel : answers.takeFirst();
        };
    }
};

} // namespace

TEST(Prompt, AsksForEveryMatchAndFollowsTheAnswers) {
    Editor e({"ab ab", "ab ab"});
    ScriptedReplacePrompt prompt{{raSkip, raReplace, raSkip, raReplace}, {}};
    prompt.Attach(e);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "X", All | SearchPrompt), 4);
    EXPECT_EQ(e.Lines(), (QStringList{"ab X", "ab X"}));
    EXPECT_EQ(prompt.asked,
              (QStringList{"ab>X 1,1 [ab]", "ab>X 4,1 [ab]", "ab>X 1,2 [ab]", "ab>X 4,2 [ab]"}));
    // Without the shared group every prompted replacement is its own undo step.
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), (QStringList{"ab X", "ab ab"}));
}

TEST(Prompt, CancelStopsAtOnceAndAnswersTheCountSoFar) {
    Editor e({"ab ab ab"});
    ScriptedReplacePrompt prompt{{raReplace, raCancel}, {}};
    prompt.Attach(e);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "X", All | SearchPrompt), 2);
    EXPECT_EQ(e.Lines(), QStringList{"X ab ab"});
    EXPECT_EQ(prompt.asked.size(), 2);
    EXPECT_EQ(e.edit.SelectionStart(), (TBufferCoord{3, 1}))
        << "the cancelled match stays selected";
}

TEST(Prompt, ReplaceAllAnswerStopsAskingAndGroupsTheRest) {
    Editor e({"ab ab", "ab ab"});
    ScriptedReplacePrompt prompt{{raReplace, raReplaceAll}, {}};
    prompt.Attach(e);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "X", All | SearchPrompt), 4);
    EXPECT_EQ(e.Lines(), (QStringList{"X X", "X X"}));
    EXPECT_EQ(prompt.asked.size(), 2);
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), (QStringList{"X ab", "ab ab"})) << "one step for all after the answer";
}

TEST(Prompt, ReplaceAllAnswerTurnsASingleReplaceIntoReplaceAll) {
    Editor e({"ab ab ab"});
    ScriptedReplacePrompt prompt{{raReplaceAll}, {}};
    prompt.Attach(e);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "X", SearchReplace | SearchPrompt), 3);
    EXPECT_EQ(e.Lines(), QStringList{"X X X"});
}

TEST(Prompt, SkippedSingleReplaceAnswersOne) {
    Editor e({"ab ab"});
    ScriptedReplacePrompt prompt{{raSkip}, {}};
    prompt.Attach(e);
    EXPECT_EQ(e.finder.FindAndReplace("ab", "X", SearchReplace | SearchPrompt), 1);
    EXPECT_EQ(e.Lines(), QStringList{"ab ab"});
    EXPECT_EQ(e.edit.SelectedText(), "ab");
}

TEST(Prompt, WithoutAHandlerEverythingIsReplaced) {
    Editor e({"ab ab"});
    EXPECT_EQ(e.finder.FindAndReplace("ab", "X", All | SearchPrompt), 2);
    EXPECT_EQ(e.Lines(), QStringList{"X X"});
}

// ---------------------------------------------------------------------------------------------
// Paint lock and status

TEST(PaintLock, ReplaceAllReportsTheStatusOnceAtTheEnd) {
    Editor e({"ab ab", "ab ab", "ab"});
    int notifications = 0;
    e.edit.OnStatusChange = [&](TCustomGlyphEdit*, TGlyphStatusChanges) { ++notifications; };
    ASSERT_EQ(e.finder.FindAndReplace("ab", "X", All), 5);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(e.edit.PaintLock(), 0);
}

TEST(PaintLock, IsReleasedWhenThePromptCancels) {
    Editor e({"ab ab"});
    ScriptedReplacePrompt prompt{{raCancel}, {}};
    prompt.Attach(e);
    ASSERT_EQ(e.finder.FindAndReplace("ab", "X", All | SearchPrompt), 1);
    EXPECT_EQ(e.edit.PaintLock(), 0);
    e.edit.RunCommand(ecChar, u'y'); // editing goes on as one step of its own
    e.edit.Undo();
    EXPECT_EQ(e.Lines(), QStringList{"ab ab"});
}

// ---------------------------------------------------------------------------------------------
// The engine slot

namespace {

// An engine of the owner's that notes the lines it is asked about.
class RecordingSearch : public TGlyphEditSearch {
public:
    QStringList* seen = nullptr;
    int FindAllInLine(const QString& text) override {
        *seen << text;
        return TGlyphEditSearch::FindAllInLine(text);
    }
};

} // namespace

TEST(EngineSlot, IsFilledAtTheFirstSearchAndKept) {
    Editor e({"abc"});
    EXPECT_EQ(e.finder.SearchEngine(), nullptr);
    e.Find("", NoOptions);
    TGlyphEditSearch* engine = e.finder.SearchEngine();
    ASSERT_NE(engine, nullptr) << "created even for an empty search";
    ASSERT_EQ(e.Find("abc", SearchEntireText), 1);
    EXPECT_EQ(e.finder.SearchEngine(), engine);
    EXPECT_TRUE(engine->Prepared());
    EXPECT_EQ(e.Find("abc", SearchEntireText), 1);
    EXPECT_TRUE(engine->Prepared()) << "the same search keeps its prepared pattern";
    EXPECT_FALSE(engine->WholeWord());
    e.Find("abc", SearchEntireText | SearchWholeWord | SearchMatchCase);
    EXPECT_TRUE(engine->WholeWord());
    EXPECT_TRUE(engine->MatchCase());
}

TEST(EngineSlot, OverrideCanPutInItsOwnEngine) {
    Editor e({"abc", "x abc"});
    QStringList seen;
    int calls = 0;
    e.finder.OnSearchEngineOverride = [&](TCustomGlyphEdit* sender,
                                          std::unique_ptr<TGlyphEditSearch>& engine) {
        EXPECT_EQ(sender, &e.edit);
        ++calls;
        if (!engine) {
            auto own = std::make_unique<RecordingSearch>();
            own->seen = &seen;
            engine = std::move(own);
        }
    };
    e.PlaceCaret({2, 1});
    ASSERT_EQ(e.Find("abc", NoOptions), 1);
    EXPECT_EQ(seen, (QStringList{"abc", "x abc"}));
    EXPECT_EQ(e.Find("", NoOptions), 0);
    EXPECT_EQ(calls, 2) << "called at the start of every search";
}

// ---------------------------------------------------------------------------------------------
// Scrolling the match into the middle of the view

struct ScrollCase {
    const char* name;
    int topLine;
    int matchLine;
    int expectedTop;
};

void PrintTo(const ScrollCase& c, std::ostream* os) {
    *os << c.name;
}

class ScrollToMiddle : public ::testing::TestWithParam<ScrollCase> {};

// A view of 10 rows over 100 lines; "ab" stands on the match line only.
TEST_P(ScrollToMiddle, BringsALineOutsideTheViewToTheMiddleRow) {
    const ScrollCase& c = GetParam();
    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines << (i == c.matchLine ? QString("xx ab") : QString("line %1").arg(i));
    Editor e(lines);
    e.edit.SetLinesInWindow(10);
    e.edit.SetCharsInWindow(40);
    e.edit.SetTopLine(c.topLine);
    ASSERT_EQ(e.edit.TopLine(), c.topLine);
    ASSERT_EQ(e.Find("ab", SearchEntireText), 1);
    EXPECT_EQ(e.edit.TopLine(), c.expectedTop);
    EXPECT_EQ(e.edit.CaretY(), c.matchLine);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(All, ScrollToMiddle, ::testing::Values(
    ScrollCase{"FarBelow", 1, 60, 56},
    ScrollCase{"FarAbove", 56, 20, 16},
    ScrollCase{"NearTheTopClampsToOne", 56, 3, 1},
    ScrollCase{"InsideTheView", 56, 58, 56},
    ScrollCase{"OnTheLastRowIsCentred", 56, 65, 61},
    ScrollCase{"JustBelowTheView", 56, 66, 62},
    ScrollCase{"DirectlyAboveTheViewScrollsOneLine", 56, 55, 55},
    ScrollCase{"TwoAboveTheViewIsCentred", 56, 54, 50}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ScrollToMiddleColumns, AMatchFarRightIsScrolledIntoView) {
    Editor e({QString(60, u'x') + "ab"});
    e.edit.SetLinesInWindow(10);
    e.edit.SetCharsInWindow(20);
    ASSERT_EQ(e.Find("ab", SearchEntireText), 1);
    EXPECT_EQ(e.edit.LeftChar(), 63 - 20 + 1) << "the caret behind the match is in view";
    e.PlaceCaret({1, 1});
    e.edit.SetLeftChar(30);
    ASSERT_EQ(e.Find("xxx", SearchEntireText), 1);
    EXPECT_EQ(e.edit.LeftChar(), 1);
}
