// Mouse behaviour of the editor view, driven by synthesised events on a shown view: clicks,
// drag selection with automatic scrolling, double-click words, the right button, gutter
// clicks and drag-and-drop of text.

#include "TGlyphEditViewTestSupport.h"
#include "support/QtPrinters.h"

#include "editor/TGlyphEditView.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

using GlyphEditViewTest::ViewFixture;

namespace {

// ---- Click places the caret ----

struct TClickCase {
    const char* Name;
    QStringList Lines;
    int Column;      // display column of the clicked cell
    int Line;        // line of the clicked row
    double Fraction; // where inside the cell
    TBufferCoord Expected;
};

void PrintTo(const TClickCase& c, std::ostream* out) {
    *out << c.Name;
}

class ViewClick : public ::testing::TestWithParam<TClickCase> {};

TEST_P(ViewClick, PlacesTheCaretAtTheCell) {
    const TClickCase& c = GetParam();
    ViewFixture f(c.Lines);
    f.Click(f.CellPoint(c.Column, c.Line, c.Fraction));
    EXPECT_EQ(f.edit.CaretXY(), c.Expected);
    EXPECT_FALSE(f.edit.HasSelection());
}

INSTANTIATE_TEST_SUITE_P(
    Cells, ViewClick,
    ::testing::Values(TClickCase{"LeftHalfGoesBefore", {"Hello world"}, 3, 1, 0.25, {3, 1}},
                      TClickCase{"RightHalfGoesAfter", {"Hello world"}, 3, 1, 0.75, {4, 1}},
                      TClickCase{"FirstCell", {"Hello world"}, 1, 1, 0.1, {1, 1}},
                      TClickCase{"SecondLine", {"one", "two", "three"}, 2, 2, 0.2, {2, 2}},
                      TClickCase{"PastTheLineEnd", {"abc"}, 9, 1, 0.25, {9, 1}},
                      TClickCase{"BelowTheLastLine", {"abc", "de"}, 2, 6, 0.25, {2, 2}},
                      TClickCase{"InsideATabGoesAfterIt", {"\tab"}, 2, 1, 0.25, {2, 1}},
                      TClickCase{"AfterATab", {"\tab"}, 3, 1, 0.75, {3, 1}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ViewClick, InTheGutterGoesToColumnOne) {
    ViewFixture f({"Hello world", "second"});
    f.Click(QPoint(f.view->GutterExtent() / 2, f.view->RowHeight() + 3));
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{1, 2}));
}

TEST(ViewClick, PartialBottomRowCountsAsTheLastWholeRow) {
    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines << QString("line %1").arg(i);
    ViewFixture f(lines);
    const int rows = f.view->VisibleRows();
    ASSERT_GT(f.Viewport()->height(), rows * f.view->RowHeight()) << "needs a partial row";
    f.Click(QPoint(f.view->TextOrigin() + 2, f.Viewport()->height() - 1));
    EXPECT_EQ(f.edit.CaretY(), rows);
    EXPECT_EQ(f.view->FirstVisibleLine(), 1);
}

TEST(ViewClick, ShiftClickExtendsFromTheAnchor) {
    ViewFixture f({"Hello world", "second line"});
    f.Click(f.CellPoint(3, 1));
    f.Click(f.CellPoint(4, 2), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(f.edit.SelectionStart(), (TBufferCoord{3, 1}));
    EXPECT_EQ(f.edit.SelectionEnd(), (TBufferCoord{4, 2}));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("llo world\r\nsec"));
}

TEST(ViewClick, TakesTheFocus) {
    ViewFixture f({"abc"});
    QWidget other;
    other.show();
    f.Click(f.CellPoint(2, 1));
    EXPECT_TRUE(f.view->hasFocus() || QApplication::focusWidget() == f.view.get());
}

// ---- Drag selection and automatic scrolling ----

TEST(ViewDragSelect, SelectsFromThePressToThePointer) {
    ViewFixture f({"alpha beta", "gamma delta", "epsilon"});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(2, 1));
    QTest::mouseMove(f.Viewport(), f.CellPoint(4, 2));
    EXPECT_EQ(f.edit.SelectionAnchor(), (TBufferCoord{2, 1}));
    EXPECT_EQ(f.edit.SelectionActiveEnd(), (TBufferCoord{4, 2}));
    QTest::mouseMove(f.Viewport(), f.CellPoint(3, 3));
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(3, 3));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("lpha beta\r\ngamma delta\r\nep"));
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{3, 3}));
}

TEST(ViewDragSelect, BackwardsKeepsTheAnchor) {
    ViewFixture f({"alpha beta", "gamma delta"});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(5, 2));
    QTest::mouseMove(f.Viewport(), f.CellPoint(2, 1));
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(2, 1));
    EXPECT_EQ(f.edit.SelectionAnchor(), (TBufferCoord{5, 2}));
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{2, 1}));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("lpha beta\r\ngamm"));
}

TEST(ViewDragSelect, BelowTheWindowScrollsDownAndExtends) {
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QString("line %1").arg(i);
    ViewFixture f(lines);
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(1, 2));
    const QPoint below(f.view->TextOrigin() + 2 * f.view->CellWidth(), f.Viewport()->height() + 5);
    QTest::mouseMove(f.Viewport(), below);
    EXPECT_TRUE(f.view->AutoScrolling());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.view->FirstVisibleLine() >= 4; }, 5000));
    // The caret rides on the last visible line and the selection follows it.
    const int last = f.view->FirstVisibleLine() + f.view->VisibleRows() - 1;
    EXPECT_GE(f.edit.CaretY(), last - 1);
    EXPECT_EQ(f.edit.SelectionAnchor(), (TBufferCoord{1, 2}));
    EXPECT_EQ(f.edit.SelectionActiveEnd(), f.edit.CaretXY());
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_FALSE(f.view->AutoScrolling());
}

TEST(ViewDragSelect, AboveTheWindowScrollsUp) {
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QString("line %1").arg(i);
    ViewFixture f(lines);
    f.view->SetFirstVisibleLine(50);
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(3, 55));
    QTest::mouseMove(f.Viewport(), QPoint(f.view->TextOrigin() + 10, -3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.view->FirstVisibleLine() <= 47; }, 5000));
    EXPECT_EQ(f.edit.CaretY(), f.view->FirstVisibleLine());
    EXPECT_EQ(f.edit.SelectionAnchor(), (TBufferCoord{3, 55}));
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton);
    EXPECT_FALSE(f.view->AutoScrolling());
}

TEST(ViewDragSelect, RightOfTheWindowScrollsSideways) {
    ViewFixture f({QString(300, u'x'), QString(300, u'y')});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(5, 1));
    QTest::mouseMove(f.Viewport(), QPoint(f.Viewport()->width() + 2, f.CellPoint(1, 1).y()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.view->FirstVisibleColumn() >= 3; }, 5000));
    EXPECT_EQ(f.edit.CaretY(), 1);
    EXPECT_GE(f.edit.CaretX(), f.view->FirstVisibleColumn() + f.view->VisibleColumns() - 1);
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton);
    EXPECT_FALSE(f.view->AutoScrolling());
}

TEST(ViewDragSelect, InsideTheWindowDoesNotScroll) {
    ViewFixture f({"abc", "def"});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(1, 1));
    QTest::mouseMove(f.Viewport(), f.CellPoint(3, 2));
    EXPECT_FALSE(f.view->AutoScrolling());
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton);
}

// ---- Double-click selects a word ----

struct TWordCase {
    const char* Name;
    QString Line;
    int Column;
    double Fraction;
    QString Expected; // empty: no selection
};

void PrintTo(const TWordCase& c, std::ostream* out) {
    *out << c.Name;
}

class ViewDoubleClick : public ::testing::TestWithParam<TWordCase> {};

TEST_P(ViewDoubleClick, SelectsTheWord) {
    const TWordCase& c = GetParam();
    ViewFixture f({c.Line, "next"});
    f.DoubleClick(f.CellPoint(c.Column, 1, c.Fraction));
    EXPECT_EQ(f.edit.SelectedText(), c.Expected);
    if (!c.Expected.isEmpty()) {
        EXPECT_EQ(f.edit.CaretXY(), f.edit.SelectionEnd());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, ViewDoubleClick,
    ::testing::Values(
        TWordCase{"InsideAWord", "alpha beta", 3, 0.25, "alpha"},
        TWordCase{"LeftHalfOfTheBlankTakesTheWordBefore", "alpha beta", 6, 0.25, "alpha"},
        TWordCase{"RightHalfOfTheBlankTakesTheWordAfter", "alpha beta", 6, 0.75, "beta"},
        TWordCase{"LeadingBlanksTakeTheFirstWord", "    lead word", 2, 0.25, "lead"},
        TWordCase{"BlanksOnlySelectNothing", "      ", 3, 0.25, ""},
        TWordCase{"PastTheEndTakesTheLastWord", "alpha beta", 20, 0.25, "beta"},
        TWordCase{"DigitsAndUnderscore", "x = foo_bar2+1", 7, 0.25, "foo_bar2"},
        TWordCase{"PunctuationTakesTheWordBefore", "call(arg)", 5, 0.25, "call"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ViewDoubleClickRules, EmptyLineSelectsNothing) {
    ViewFixture f({"", "next"});
    f.DoubleClick(f.CellPoint(1, 1));
    EXPECT_FALSE(f.edit.HasSelection());
}

TEST(ViewDoubleClickRules, InTheGutterSelectsNothing) {
    ViewFixture f({"alpha beta"});
    f.DoubleClick(QPoint(3, f.view->RowHeight() / 2));
    EXPECT_FALSE(f.edit.HasSelection());
}

TEST(ViewDoubleClickRules, NoSelectionOptionSelectsNothing) {
    ViewFixture f({"alpha beta"});
    f.edit.SetOptions(f.edit.Options() | eoNoSelection);
    f.DoubleClick(f.CellPoint(2, 1));
    EXPECT_FALSE(f.edit.HasSelection());
}

TEST(ViewDoubleClickRules, HighlighterWordCharsDecide) {
    // The HTML highlighter's word characters leave out the hyphen.
    TGlyphHTMLHighlighter html;
    ViewFixture f({"data-value here"});
    f.DoubleClick(f.CellPoint(2, 1));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("data"));
    f.view->SetHighlighter(&html);
    f.DoubleClick(f.CellPoint(8, 1));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("value"));
    f.view->SetHighlighter(nullptr);
}

TEST(ViewDoubleClickRules, TheReleaseKeepsTheSelectionAndMovesDoNotExtendIt) {
    ViewFixture f({"alpha beta gamma"});
    const QPoint p = f.CellPoint(8, 1);
    QTest::mouseClick(f.Viewport(), Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseDClick(f.Viewport(), Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseMove(f.Viewport(), f.CellPoint(14, 1));
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(14, 1));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("beta"));
}

// ---- The right button ----

struct TRightCase {
    const char* Name;
    bool RightMovesCursor;
    bool WithSelection;
    int Column; // clicked display column on line 1
    bool SelectionKept;
    TBufferCoord Caret;
};

void PrintTo(const TRightCase& c, std::ostream* out) {
    *out << c.Name;
}

class ViewRightClick : public ::testing::TestWithParam<TRightCase> {};

TEST_P(ViewRightClick, KeepsOrDropsTheSelection) {
    const TRightCase& c = GetParam();
    ViewFixture f({"Hello world", "second"});
    if (!c.RightMovesCursor)
        f.edit.SetOptions(f.edit.Options() & ~TGlyphEditorOptions(eoRightMouseMovesCursor));
    if (c.WithSelection)
        GlyphEditTest::Select(f.edit, {1, 1}, {6, 1});
    else
        GlyphEditTest::PlaceCaret(f.edit, {6, 1});
    f.Click(f.CellPoint(c.Column, 1), Qt::RightButton);
    EXPECT_EQ(f.edit.HasSelection(), c.SelectionKept);
    if (c.SelectionKept) {
        EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("Hello"));
    }
    EXPECT_EQ(f.edit.CaretXY(), c.Caret);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewRightClick,
    ::testing::Values(TRightCase{"InsideKeepsSelectionAndCaret", true, true, 3, true, {6, 1}},
                      TRightCase{"OutsideDropsItAndMovesTheCaret", true, true, 9, false, {9, 1}},
                      TRightCase{"WithoutTheOptionOutsideKeepsIt", false, true, 9, true, {6, 1}},
                      TRightCase{"NoSelectionMovesTheCaret", true, false, 3, false, {3, 1}},
                      TRightCase{
                          "NoSelectionWithoutTheOptionStays", false, false, 3, false, {6, 1}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Gutter clicks ----

TEST(ViewGutterClick, FiresForAClickThatStartsAndEndsInTheGutter) {
    ViewFixture f({"one", "two", "three"});
    QList<int> clicked;
    f.view->OnGutterClick = [&](TGlyphEditView*, int, int, int line) { clicked << line; };
    f.Click(QPoint(4, f.view->RowHeight() * 2 + 2));
    EXPECT_EQ(clicked, QList<int>{3});
    // Pressed in the gutter, released over the text: no gutter click.
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 2));
    QTest::mouseMove(f.Viewport(), f.CellPoint(3, 1));
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(3, 1));
    EXPECT_EQ(clicked, QList<int>{3});
}

// ---- Clicks inside the selection ----

TEST(ViewSelectionClick, AClickWithoutMovingCollapsesAtTheClickPoint) {
    ViewFixture f({"Hello world"});
    GlyphEditTest::Select(f.edit, {1, 1}, {10, 1});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(4, 1));
    // Still pending: the selection stays while the button is down.
    EXPECT_TRUE(f.edit.HasSelection());
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(4, 1));
    EXPECT_FALSE(f.edit.HasSelection());
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{4, 1}));
}

TEST(ViewSelectionClick, WithoutDragDropEditingAClickDropsTheSelectionAtOnce) {
    ViewFixture f({"Hello world"});
    f.edit.SetOptions(f.edit.Options() & ~TGlyphEditorOptions(eoDragDropEditing));
    GlyphEditTest::Select(f.edit, {1, 1}, {10, 1});
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(4, 1));
    EXPECT_FALSE(f.edit.HasSelection());
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton, Qt::NoModifier, f.CellPoint(4, 1));
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{4, 1}));
}

TEST(ViewSelectionClick, MovingFurtherThanTheDragDistanceStartsADrag) {
    ViewFixture f({"Hello world"});
    GlyphEditTest::Select(f.edit, {1, 1}, {6, 1});
    QSignalSpy started(f.view.get(), &TGlyphEditView::DragStarted);
    const QPoint press = f.CellPoint(2, 1);
    QTest::mousePress(f.Viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(f.Viewport(), press + QPoint(1, 0));
    EXPECT_EQ(started.count(), 0) << "within the drag distance";
    QTest::mouseMove(f.Viewport(),
                     press +
                         QPoint(QApplication::startDragDistance() + 2 * f.view->CellWidth(), 0));
    EXPECT_EQ(started.count(), 1);
    QTest::mouseRelease(f.Viewport(), Qt::LeftButton);
    // A drag that was dropped nowhere leaves the text alone.
    EXPECT_EQ(f.edit.Text(), QStringLiteral("Hello world\r\n"));
}

// ---- Drops ----

// Sends the events of a drag hovering over `target` and dropping at `point`.
bool DropAt(TGlyphEditView& target, const QMimeData& data, QPoint point,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* viewport = target.viewport();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(point, actions, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(point, actions, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

TEST(ViewDrop, MovesTextAsOneUndoStep) {
    ViewFixture f({"Hello world"});
    GlyphEditTest::Select(f.edit, {1, 1}, {6, 1});
    std::unique_ptr<QMimeData> data(f.view->CreateDragMimeData());
    const int undoBefore = f.edit.UndoList().ItemCount();
    ASSERT_TRUE(DropAt(*f.view, *data, f.CellPoint(12, 1)));
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{" worldHello"});
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("Hello"));
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{7, 1}));
    EXPECT_GT(f.edit.UndoList().ItemCount(), undoBefore);
    EXPECT_EQ(f.edit.UndoList().PeekItem().Kind, uckDragDropInsert);
    f.edit.Undo();
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{"Hello world"});
    EXPECT_FALSE(f.edit.UndoAvailable());
    f.edit.Redo();
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{" worldHello"});
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("Hello"));
}

TEST(ViewDrop, MovesAcrossLinesToTheSelectionsLastLine) {
    ViewFixture f({"abc def", "ghi jkl", "mno"});
    GlyphEditTest::Select(f.edit, {5, 1}, {4, 2});
    std::unique_ptr<QMimeData> data(f.view->CreateDragMimeData());
    ASSERT_TRUE(DropAt(*f.view, *data, f.CellPoint(6, 2)));
    EXPECT_EQ(f.edit.Lines().Lines(), (QStringList{"abc  jdef", "ghikl", "mno"}));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("def\r\nghi"));
    f.edit.Undo();
    EXPECT_EQ(f.edit.Lines().Lines(), (QStringList{"abc def", "ghi jkl", "mno"}));
}

TEST(ViewDrop, InsideTheSelectionChangesNothing) {
    ViewFixture f({"Hello world"});
    GlyphEditTest::Select(f.edit, {1, 1}, {6, 1});
    std::unique_ptr<QMimeData> data(f.view->CreateDragMimeData());
    const int undoBefore = f.edit.UndoList().ItemCount();
    EXPECT_FALSE(DropAt(*f.view, *data, f.CellPoint(3, 1)));
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{"Hello world"});
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("Hello"));
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{6, 1}));
    EXPECT_EQ(f.edit.UndoList().ItemCount(), undoBefore);
}

TEST(ViewDrop, CtrlCopiesInsideOneEditor) {
    ViewFixture f({"Hello world"});
    GlyphEditTest::Select(f.edit, {1, 1}, {6, 1});
    std::unique_ptr<QMimeData> data(f.view->CreateDragMimeData());
    ASSERT_TRUE(DropAt(*f.view, *data, f.CellPoint(12, 1), Qt::ControlModifier));
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{"Hello worldHello"});
    f.edit.Undo();
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{"Hello world"});
}

TEST(ViewDrop, FromAnotherEditorCopiesUnlessShiftIsHeld) {
    ViewFixture target({"target"});
    ViewFixture source({"source text"});
    GlyphEditTest::Select(source.edit, {1, 1}, {7, 1});
    std::unique_ptr<QMimeData> data(source.view->CreateDragMimeData());
    ASSERT_TRUE(DropAt(*target.view, *data, target.CellPoint(7, 1)));
    EXPECT_EQ(target.edit.Lines().Lines(), QStringList{"targetsource"});
    EXPECT_EQ(source.edit.Lines().Lines(), QStringList{"source text"});
    EXPECT_EQ(target.edit.UndoList().PeekItem().Kind, uckInsert);

    GlyphEditTest::Select(source.edit, {1, 1}, {7, 1});
    data.reset(source.view->CreateDragMimeData());
    ASSERT_TRUE(DropAt(*target.view, *data, target.CellPoint(1, 1), Qt::ShiftModifier));
    EXPECT_EQ(target.edit.Lines().Lines(), QStringList{"sourcetargetsource"});
    EXPECT_EQ(source.edit.Lines().Lines(), QStringList{" text"});
    // Each editor undoes its own part.
    source.edit.Undo();
    EXPECT_EQ(source.edit.Lines().Lines(), QStringList{"source text"});
    target.edit.Undo();
    EXPECT_EQ(target.edit.Lines().Lines(), QStringList{"targetsource"});
}

TEST(ViewDrop, AReadOnlyEditorRefusesTheDrag) {
    ViewFixture target({"target"});
    ViewFixture source({"source"});
    target.edit.SetReadOnly(true);
    GlyphEditTest::Select(source.edit, {1, 1}, {4, 1});
    std::unique_ptr<QMimeData> data(source.view->CreateDragMimeData());
    EXPECT_FALSE(DropAt(*target.view, *data, target.CellPoint(2, 1)));
    EXPECT_EQ(target.edit.Lines().Lines(), QStringList{"target"});
}

TEST(ViewDrop, PlainTextFromElsewhereIsRefused) {
    ViewFixture f({"target"});
    QMimeData data;
    data.setText(QStringLiteral("outside"));
    EXPECT_FALSE(DropAt(*f.view, data, f.CellPoint(2, 1)));
    EXPECT_EQ(f.edit.Lines().Lines(), QStringList{"target"});
}

TEST(ViewDrop, HoveringMovesTheCaretAndLeavingPutsItBack) {
    ViewFixture f({"Hello world", "second"});
    GlyphEditTest::Select(f.edit, {1, 1}, {6, 1});
    std::unique_ptr<QMimeData> data(f.view->CreateDragMimeData());
    QDragEnterEvent enter(f.CellPoint(3, 2), Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(f.Viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{3, 2}));
    QDragLeaveEvent leave;
    QApplication::sendEvent(f.Viewport(), &leave);
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{6, 1}));
    EXPECT_EQ(f.edit.SelectedText(), QStringLiteral("Hello"));
}

} // namespace
