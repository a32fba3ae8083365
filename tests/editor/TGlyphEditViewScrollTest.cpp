// Scrolling and layout of the editor view: the model's viewport numbers, both scroll bars
// (scaled for long texts), the scroll hint, the wheel, pixel moves that match a full repaint,
// keeping the caret visible, and keys reaching the model.

#include "TGlyphEditViewTestSupport.h"
#include "support/QtPrinters.h"

#include "editor/TGlyphEditView.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <gtest/gtest.h>

using GlyphEditViewTest::ViewFixture;

namespace {

QStringList NumberedLines(int count) {
    QStringList lines;
    lines.reserve(count);
    for (int i = 1; i <= count; ++i)
        lines << QString("line %1 <p>text</p>").arg(i);
    return lines;
}

// ---- Layout ----

TEST(ViewLayout, KeepsTheModelsViewportNumbersInStep) {
    ViewFixture f(NumberedLines(50));
    const QSize size = f.Viewport()->size();
    EXPECT_EQ(f.view->VisibleRows(), size.height() / f.view->RowHeight());
    EXPECT_EQ(f.view->VisibleColumns(),
              (size.width() - f.view->GutterExtent() - 2) / f.view->CellWidth());
    EXPECT_EQ(f.edit.LinesInWindow(), f.view->VisibleRows());
    EXPECT_EQ(f.edit.CharsInWindow(), f.view->VisibleColumns());
    f.view->resize(f.view->width() + 5 * f.view->CellWidth(),
                   f.view->height() + 3 * f.view->RowHeight());
    QApplication::processEvents();
    EXPECT_EQ(f.edit.LinesInWindow(), f.Viewport()->height() / f.view->RowHeight());
    EXPECT_EQ(f.edit.CharsInWindow(), f.view->VisibleColumns());
    EXPECT_EQ(f.view->TextOrigin(), f.view->GutterExtent() + 2);
}

TEST(ViewLayout, AFontChangeRecomputesTheCells) {
    ViewFixture f(NumberedLines(5));
    const int cell = f.view->CellWidth();
    QFont bigger = f.view->font();
    bigger.setPixelSize(26);
    f.view->setFont(bigger);
    EXPECT_GT(f.view->CellWidth(), cell);
    EXPECT_EQ(f.view->CellWidth(), QFontMetrics(bigger).horizontalAdvance(QLatin1Char('M')));
    EXPECT_EQ(f.view->RowHeight(), QFontMetrics(bigger).height());
    EXPECT_EQ(f.view->GutterExtent(), 4 * f.view->CellWidth() + 6);
    EXPECT_EQ(f.edit.LinesInWindow(), f.Viewport()->height() / f.view->RowHeight());
}

TEST(ViewLayout, GrowingTheWindowKeepsTheLastLineAtTheBottom) {
    ViewFixture f(NumberedLines(100));
    f.view->SetFirstVisibleLine(1000);
    const int rows = f.view->VisibleRows();
    EXPECT_EQ(f.view->FirstVisibleLine(), 100 - rows + 1);
    f.view->resize(f.view->width(), f.view->height() + 4 * f.view->RowHeight());
    QApplication::processEvents();
    EXPECT_EQ(f.view->FirstVisibleLine(), 100 - f.view->VisibleRows() + 1);
}

// ---- Vertical scroll bar ----

TEST(VerticalScrollBar, ShortTextUsesLineNumbers) {
    ViewFixture f(NumberedLines(100));
    QScrollBar* bar = f.view->verticalScrollBar();
    const int rows = f.view->VisibleRows();
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 100 - rows + 1);
    EXPECT_EQ(bar->pageStep(), rows);
    EXPECT_TRUE(bar->isEnabled());
    f.view->SetFirstVisibleLine(30);
    EXPECT_EQ(bar->value(), 30);
}

TEST(VerticalScrollBar, AllVisibleIsDisabledButShown) {
    ViewFixture f(NumberedLines(3));
    EXPECT_TRUE(f.view->verticalScrollBar()->isVisible());
    EXPECT_FALSE(f.view->verticalScrollBar()->isEnabled());
}

TEST(VerticalScrollBar, FollowsTheLineCountAfterLoading) {
    ViewFixture f(NumberedLines(3));
    GlyphEditTest::SetLines(f.edit, NumberedLines(500));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.view->verticalScrollBar()->maximum() == 500 - f.view->VisibleRows() + 1; },
        5000));
    EXPECT_TRUE(f.view->verticalScrollBar()->isEnabled());
}

struct TScaleCase {
    const char* Name;
    int Lines;
    bool Scaled;
};

void PrintTo(const TScaleCase& c, std::ostream* out) {
    *out << c.Name;
}

class VerticalScaling : public ::testing::TestWithParam<TScaleCase> {};

TEST_P(VerticalScaling, PositionsStayWithinTheLimit) {
    const TScaleCase& c = GetParam();
    ViewFixture f(QStringList(c.Lines, QStringLiteral("x")));
    QScrollBar* bar = f.view->verticalScrollBar();
    const int rows = f.view->VisibleRows();
    if (!c.Scaled) {
        EXPECT_EQ(bar->minimum(), 1);
        EXPECT_EQ(bar->maximum(), c.Lines - rows + 1);
        return;
    }
    const int page = static_cast<int>(std::llround(double(rows) * 32767 / c.Lines));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->pageStep(), std::max(page, 1));
    EXPECT_EQ(bar->maximum(), 32767 - page + 1);

    f.view->SetFirstVisibleLine(c.Lines / 2);
    EXPECT_EQ(bar->value(), std::llround(double(c.Lines / 2) * 32767 / c.Lines));

    // Dragging the thumb scales back.
    bar->setSliderPosition(10000);
    EXPECT_EQ(f.view->FirstVisibleLine(), std::llround(10000.0 * c.Lines / 32767));
    // Line steps move one line, not one scaled unit.
    const int top = f.view->FirstVisibleLine();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.view->FirstVisibleLine(), top + 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view->FirstVisibleLine(), top + 1 + rows);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(f.view->FirstVisibleLine(), c.Lines - rows + 1);
    EXPECT_LE(bar->value(), bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(f.view->FirstVisibleLine(), 1);
    EXPECT_EQ(bar->value(), f.view->ScrollPositionOfLine(1));
    EXPECT_LE(bar->value(), 1);
}

INSTANTIATE_TEST_SUITE_P(Counts, VerticalScaling,
                         ::testing::Values(TScaleCase{"JustBelowTheLimit", 32767, false},
                                           TScaleCase{"JustAboveTheLimit", 32768, true},
                                           TScaleCase{"FortyThousand", 40000, true},
                                           TScaleCase{"TwoHundredThousand", 200000, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(VerticalScrollBar, ScaledPositionsRoundTripWithinOneUnitsWorthOfLines) {
    ViewFixture f(QStringList(100000, QStringLiteral("x")));
    for (int line : {1, 2, 777, 31111, 50000, 99000}) {
        const int back = f.view->LineFromScrollPosition(f.view->ScrollPositionOfLine(line));
        EXPECT_LE(std::abs(back - line), 2) << line;
    }
}

TEST(VerticalScrollBar, ScrollByOneLessShortensThePage) {
    ViewFixture f(NumberedLines(200));
    QScrollBar* bar = f.view->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view->FirstVisibleLine(), 1 + f.view->VisibleRows());
    f.edit.SetOptions(f.edit.Options() | eoScrollByOneLess);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.view->FirstVisibleLine(), 2);
}

// ---- Horizontal scroll bar ----

TEST(HorizontalScrollBar, RunsToTheLongestColumn) {
    ViewFixture f({QString(300, u'x'), "short"});
    QScrollBar* bar = f.view->horizontalScrollBar();
    const int columns = f.view->VisibleColumns();
    // Past the line ends the view may scroll up to the largest caret column.
    EXPECT_EQ(bar->maximum(), TCustomGlyphEdit::MaxLeftChar - columns + 1);
    EXPECT_EQ(bar->pageStep(), columns);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.view->FirstVisibleColumn(), 2);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view->FirstVisibleColumn(), 2 + columns);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(f.view->FirstVisibleColumn(), TCustomGlyphEdit::MaxLeftChar - columns + 1);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(f.view->FirstVisibleColumn(), 1);

    f.edit.SetOptions(f.edit.Options() & ~TGlyphEditorOptions(eoScrollPastEol));
    f.view->UpdateScrollBars();
    EXPECT_EQ(bar->maximum(), 300 - columns + 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(f.view->FirstVisibleColumn(), 300 - columns + 1);
}

TEST(HorizontalScrollBar, ShortLinesWithoutScrollPastEolDisableIt) {
    ViewFixture f({"short"});
    f.edit.SetOptions(f.edit.Options() & ~TGlyphEditorOptions(eoScrollPastEol));
    f.view->UpdateScrollBars();
    EXPECT_FALSE(f.view->horizontalScrollBar()->isEnabled());
}

// ---- Scroll hint ----

TEST(ScrollHint, DraggingTheThumbShowsTheTopLine) {
    ViewFixture f(NumberedLines(1000));
    f.view->SetFirstVisibleLine(120);
    QScrollBar* bar = f.view->verticalScrollBar();
    bar->setSliderDown(true);
    QLabel* hint = TGlyphEditView::ScrollHintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("Top Line: 120"));
    // At the top right: 4 pixels left of the client area's right edge, 10 below its top.
    const QPoint expected =
        f.Viewport()->mapToGlobal(QPoint(f.Viewport()->width() - hint->width() - 4, 10));
    EXPECT_EQ(hint->pos(), expected);
    const QSize text = hint->fontMetrics().size(Qt::TextSingleLine, hint->text());
    EXPECT_EQ(hint->size(), text + QSize(6, 4));
    EXPECT_EQ(hint->palette().color(QPalette::Window), ToQColor(0xFF000018));

    bar->setSliderPosition(300);
    EXPECT_EQ(f.view->FirstVisibleLine(), 300);
    EXPECT_EQ(hint->text(), QStringLiteral("Top Line: 300"));
    bar->setSliderDown(false);
    EXPECT_FALSE(hint->isVisible());
    EXPECT_EQ(bar->value(), 300);
}

TEST(ScrollHint, TopToBottomFormat) {
    ViewFixture f(NumberedLines(1000));
    f.view->SetScrollHintFormat(shfTopToBottom);
    f.view->SetFirstVisibleLine(120);
    f.view->verticalScrollBar()->setSliderDown(true);
    EXPECT_EQ(TGlyphEditView::ScrollHintWindow()->text(),
              QString("120 - %1").arg(120 + f.view->VisibleRows()));
    f.view->verticalScrollBar()->setSliderDown(false);
}

TEST(ScrollHint, PressingTheThumbWithTheMouse) {
    ViewFixture f(NumberedLines(1000));
    f.view->SetFirstVisibleLine(120);
    QScrollBar* bar = f.view->verticalScrollBar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                     QStyle::SC_ScrollBarSlider, bar);
    ASSERT_TRUE(thumb.isValid());
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb.center());
    QLabel* hint = TGlyphEditView::ScrollHintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("Top Line: 120"));
    QTest::mouseMove(bar, thumb.center() + QPoint(0, 20));
    EXPECT_GT(f.view->FirstVisibleLine(), 120);
    EXPECT_EQ(hint->text(), QString("Top Line: %1").arg(f.view->FirstVisibleLine()));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, thumb.center() + QPoint(0, 20));
    EXPECT_FALSE(hint->isVisible());
}

TEST(ScrollHint, OffWithoutTheOption) {
    ViewFixture f(NumberedLines(1000));
    f.edit.SetOptions(f.edit.Options() & ~TGlyphEditorOptions(eoShowScrollHint));
    if (QLabel* hint = TGlyphEditView::ScrollHintWindow())
        hint->hide();
    f.view->verticalScrollBar()->setSliderDown(true);
    f.view->verticalScrollBar()->setSliderPosition(50);
    EXPECT_EQ(f.view->FirstVisibleLine(), 50);
    QLabel* hint = TGlyphEditView::ScrollHintWindow();
    EXPECT_TRUE(hint == nullptr || !hint->isVisible());
    f.view->verticalScrollBar()->setSliderDown(false);
}

// ---- Wheel ----

void Wheel(QWidget* viewport, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPoint at(viewport->width() / 2, viewport->height() / 2);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

struct TWheelCase {
    const char* Name;
    int StartLine;
    QList<int> Deltas;
    Qt::KeyboardModifiers Modifiers;
    bool HalfPage;
    // Expected first visible line as a function of the visible rows.
    std::function<int(int rows)> Expected;
};

void PrintTo(const TWheelCase& c, std::ostream* out) {
    *out << c.Name;
}

class ViewWheel : public ::testing::TestWithParam<TWheelCase> {};

TEST_P(ViewWheel, ScrollsByWholeSteps) {
    const TWheelCase& c = GetParam();
    ViewFixture f(NumberedLines(500));
    if (c.HalfPage)
        f.edit.SetOptions(f.edit.Options() | eoHalfPageScroll);
    f.view->SetFirstVisibleLine(c.StartLine);
    for (int delta : c.Deltas)
        Wheel(f.Viewport(), delta, c.Modifiers);
    EXPECT_EQ(f.view->FirstVisibleLine(), c.Expected(f.view->VisibleRows()));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ViewWheel,
    ::testing::Values(
        TWheelCase{"OneNotchDownIsThreeLines", 1, {-120}, {}, false, [](int) { return 4; }},
        TWheelCase{"OneNotchUpIsThreeLines", 50, {120}, {}, false, [](int) { return 47; }},
        TWheelCase{"HalfNotchesAddUp", 50, {-60, -60}, {}, false, [](int) { return 53; }},
        TWheelCase{"RemainderIsKept", 50, {-100, -100, -100}, {}, false, [](int) { return 56; }},
        TWheelCase{"TwoNotchesInOneEvent", 50, {-240}, {}, false, [](int) { return 56; }},
        TWheelCase{"OppositeHalvesCancel", 50, {-60, 60, -60}, {}, false, [](int) { return 50; }},
        TWheelCase{"CtrlScrollsAPage",
                   50,
                   {-120},
                   Qt::ControlModifier,
                   false,
                   [](int rows) { return 50 + rows; }},
        TWheelCase{"CtrlWithHalfPageScroll",
                   50,
                   {-120},
                   Qt::ControlModifier,
                   true,
                   [](int rows) { return 50 + rows / 2; }},
        TWheelCase{"StopsAtTheTop", 2, {120, 120}, {}, false, [](int) { return 1; }},
        TWheelCase{"StopsAtTheEnd",
                   480,
                   {-120, -120, -120, -120, -120, -120, -120},
                   {},
                   false,
                   [](int rows) { return 500 - rows + 1; }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ViewWheelRules, NeverMoreThanTheVisibleRows) {
    ViewFixture f(NumberedLines(500));
    // A window two rows high: a notch scrolls two lines, not three.
    f.view->resize(f.view->width(),
                   f.view->height() - f.Viewport()->height() + 2 * f.view->RowHeight() + 3);
    QApplication::processEvents();
    ASSERT_EQ(f.view->VisibleRows(), 2);
    Wheel(f.Viewport(), -120);
    EXPECT_EQ(f.view->FirstVisibleLine(), 3);
}

// ---- Pixel moves match a full repaint ----

// The window's pixels as last painted (the backing store), cut to the viewport.
QImage OnScreen(const ViewFixture& f) {
    const QPoint origin = f.Viewport()->mapTo(f.view.get(), QPoint(0, 0));
    return f.view->screen()
        ->grabWindow(f.view->winId(), origin.x(), origin.y(), f.Viewport()->width(),
                     f.Viewport()->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage Rendered(const ViewFixture& f) {
    return f.Render().convertToFormat(QImage::Format_RGB32);
}

// Waits until the window shows what a full repaint draws; reports the differing rows if it
// never does.
void ExpectScreenMatchesRender(const ViewFixture& f) {
    if (QTest::qWaitFor([&] { return OnScreen(f) == Rendered(f); }, 3000))
        return;
    const QImage screen = OnScreen(f);
    const QImage render = Rendered(f);
    QList<int> rows;
    for (int y = 0; y < std::min(screen.height(), render.height()); ++y) {
        for (int x = 0; x < std::min(screen.width(), render.width()); ++x) {
            if (screen.pixel(x, y) != render.pixel(x, y)) {
                rows << y;
                break;
            }
        }
    }
    ADD_FAILURE() << "screen and full repaint differ in " << rows.size() << " pixel rows, first "
                  << (rows.isEmpty() ? -1 : rows.first()) << "; sizes " << screen.width() << "x"
                  << screen.height() << " and " << render.width() << "x" << render.height();
}

TEST(PixelScroll, WheelScrollsLookLikeAFullRepaint) {
    ViewFixture f(NumberedLines(300));
    f.edit.SetOptions(f.edit.Options() | eoNoCaret);
    GlyphEditTest::Select(f.edit, {3, 5}, {6, 9});
    ExpectScreenMatchesRender(f);
    for (int delta : {-120, -120, 120, -240}) {
        Wheel(f.Viewport(), delta);
        ExpectScreenMatchesRender(f);
    }
    EXPECT_EQ(f.view->FirstVisibleLine(), 10);
}

TEST(PixelScroll, EditsAndKeysAfterScrollingRepaintTheRightRows) {
    ViewFixture f(NumberedLines(300));
    f.edit.SetOptions(f.edit.Options() | eoNoCaret);
    f.view->SetFirstVisibleLine(40);
    ExpectScreenMatchesRender(f);
    f.view->SetFirstVisibleLine(42);
    f.edit.Lines().SetLine(45, QStringLiteral("changed after the scroll"));
    ExpectScreenMatchesRender(f);
    GlyphEditTest::PlaceCaret(f.edit, {1, 42});
    f.edit.RunCommand(ecUp);
    f.edit.RunCommand(ecUp);
    EXPECT_EQ(f.view->FirstVisibleLine(), 40);
    ExpectScreenMatchesRender(f);
    f.edit.Lines().DeleteLine(41);
    ExpectScreenMatchesRender(f);
}

// ---- Keeping the caret visible ----

TEST(CaretIntoView, TheColumnJustRightOfTheLastWholeColumnDoesNotScroll) {
    ViewFixture f({QString(400, u'x')});
    const int columns = f.view->VisibleColumns();
    f.edit.SetCaretXY({columns + 1, 1});
    EXPECT_EQ(f.view->FirstVisibleColumn(), 1);
    // One further: the least scroll puts the caret in the last whole column.
    f.edit.SetCaretXY({columns + 2, 1});
    EXPECT_EQ(f.view->FirstVisibleColumn(), 3);
    EXPECT_EQ(f.view->horizontalScrollBar()->value(), 3);
}

TEST(CaretIntoView, MovingBelowTheLastRowScrollsOneLine) {
    ViewFixture f(NumberedLines(100));
    const int rows = f.view->VisibleRows();
    GlyphEditTest::PlaceCaret(f.edit, {1, rows});
    f.edit.RunCommand(ecDown);
    EXPECT_EQ(f.view->FirstVisibleLine(), 2);
    EXPECT_EQ(f.view->verticalScrollBar()->value(), 2);
    f.view->SetFirstVisibleLine(50);
    f.view->ScrollCaretIntoView();
    EXPECT_EQ(f.view->FirstVisibleLine(), rows + 1);
}

// ---- Keys ----

TEST(ViewKeys, GoToTheModel) {
    ViewFixture f({"abc"});
    f.view->setFocus();
    GlyphEditTest::PlaceCaret(f.edit, {4, 1});
    QTest::keyClicks(f.view.get(), QStringLiteral("de"));
    EXPECT_EQ(f.edit.LineText(1), QStringLiteral("abcde"));
    QTest::keyClick(f.view.get(), Qt::Key_Home);
    EXPECT_EQ(f.edit.CaretX(), 1);
    // With WantTabs the Tab key types instead of moving the focus.
    QTest::keyClick(f.view.get(), Qt::Key_Tab);
    EXPECT_EQ(f.edit.LineText(1), QStringLiteral("  abcde"));
}

TEST(ViewKeys, ABookmarkJumpShowsItsLine) {
    struct {
        const char* what;
        int topLine;
    } cases[] = {
        {"the line just above the view", 11},
        {"far above the view", 60},
        {"inside the view", 5},
    };
    for (const auto& c : cases) {
        ViewFixture f(NumberedLines(100));
        f.view->setFocus();
        GlyphEditTest::PlaceCaret(f.edit, {1, 10});
        QTest::keyClick(f.view.get(), Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(f.edit.Bookmark(1).has_value()) << c.what;
        GlyphEditTest::PlaceCaret(f.edit, {1, 100});
        f.view->SetFirstVisibleLine(c.topLine);
        ASSERT_EQ(f.view->FirstVisibleLine(), c.topLine) << c.what;
        QTest::keyClick(f.view.get(), Qt::Key_1, Qt::ControlModifier);
        EXPECT_EQ(f.edit.CaretY(), 10) << c.what;
        EXPECT_LE(f.view->FirstVisibleLine(), 10) << c.what;
        EXPECT_GE(f.view->FirstVisibleLine() + f.view->VisibleRows() - 1, 10) << c.what;
    }
}

TEST(ViewKeys, EscReachesTheDialogAroundTheEditor) {
    QDialog dialog;
    TGlyphEdit edit;
    GlyphEditTest::ConfigureMainWindow(edit);
    auto* view = new TGlyphEditView(edit, &dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    GlyphEditTest::SetLines(edit, {"abc"});
    view->setFocus();
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QTest::keyClick(view, Qt::Key_X);
    EXPECT_EQ(rejected.count(), 0) << "a typed character stays in the editor";
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(edit.LineText(1), QStringLiteral("xabc"));
}

// Bookmark keys by the place of the digit key, as other layouts report them: the symbol the
// layout gives the key, with the key's code on a Linux keyboard (10 to 19 for 1 to 9 and 0).
TEST(ViewKeys, BookmarkKeysWorkWithAnyLayout) {
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    struct {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        quint32 scanCode;
        int line;           // the caret line when the key goes
        int bookmark;       // the bookmark the key sets or jumps to
        int caretLineAfter; // where that bookmark and the caret then stand
    } cases[] = {
        {"German Ctrl+Shift+3 gives a section sign", Qt::Key_section, ctrlShift, 12, 4, 3, 4},
        {"German Ctrl+Shift+0 gives an equals sign", Qt::Key_Equal, ctrlShift, 19, 6, 0, 6},
        {"US Ctrl+Shift+1 gives an exclamation mark", Qt::Key_Exclam, ctrlShift, 10, 8, 1, 8},
        {"without a key code the US symbols still count", Qt::Key_At, ctrlShift, 0, 2, 2, 2},
        {"French Ctrl+1 gives an ampersand and jumps", Qt::Key_Ampersand, Qt::ControlModifier, 10,
         9, 1, 8},
    };
    ViewFixture f(NumberedLines(10));
    f.view->setFocus();
    for (const auto& c : cases) {
        GlyphEditTest::PlaceCaret(f.edit, {1, c.line});
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.scanCode, 0, 0);
        QApplication::sendEvent(f.view.get(), &press);
        EXPECT_TRUE(press.isAccepted()) << c.what;
        ASSERT_TRUE(f.edit.Bookmark(c.bookmark).has_value()) << c.what;
        EXPECT_EQ(f.edit.Bookmark(c.bookmark)->Y, c.caretLineAfter) << c.what;
        EXPECT_EQ(f.edit.CaretY(), c.caretLineAfter) << c.what;
    }
}

TEST(ViewKeys, TabMovesTheFocusWithoutWantTabs) {
    QWidget window;
    TGlyphEdit edit;
    GlyphEditTest::ConfigureMainWindow(edit);
    edit.SetWantTabs(false);
    auto* view = new TGlyphEditView(edit, &window);
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    GlyphEditTest::SetLines(edit, {"abc"});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(edit.LineText(1), QStringLiteral("abc"));
}

} // namespace
