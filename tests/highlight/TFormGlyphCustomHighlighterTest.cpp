#include "highlight/TFormGlyphCustomHighlighter.h"
#include "highlight/GlyphHighlighterColours.h"
#include "highlight/TColorGrid.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString Html = "TGlyphHTMLHighlighter";
constexpr TGlyphColor Maroon = 0x000080, Red = 0x0000FF, Navy = 0x800000, Blue = 0xFF0000,
                      White = 0xFFFFFF, Odd = 0x123456;

struct TColours {
    TGlyphColor Foreground, Background;
    friend bool operator==(const TColours&, const TColours&) = default;
    friend void PrintTo(const TColours& c, std::ostream* out) {
        *out << std::hex << "fg " << c.Foreground << " bg " << c.Background;
    }
};

TColours ColoursOf(const TGlyphHighlighterAttributes& a) {
    return {a.Foreground(), a.Background()};
}

// Every attribute's colours and style, to compare whole highlighters.
QList<quint64> Snapshot(const TGlyphCustomHighlighter& h) {
    QList<quint64> values;
    for (int i = 0; i < h.AttributeCount(); ++i) {
        const TGlyphHighlighterAttributes* a = h.AttributeAt(i);
        values << a->Foreground() << a->Background() << a->Style();
    }
    return values;
}

QPoint CellCentre(const TColorGrid& grid, int cell) {
    return {(cell % 4) * grid.width() / 4 + grid.width() / 8,
            (cell / 4) * grid.height() / 4 + grid.height() / 8};
}

class ColoursDialog : public ::testing::Test {
protected:
    void SetUp() override {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Base, Qt::white);
        QApplication::setPalette(palette);
    }
    TGlyphHTMLHighlighter html;
    TFormGlyphCustomHighlighter form;
    ScriptedPrompts prompts;

    // Opens the dialog on the HTML highlighter and lets `user` work it, answering the message
    // boxes it brings up with `buttons`.
    bool Edit(const std::function<int(TFormGlyphCustomHighlighter&)>& user,
              const QList<QMessageBox::StandardButton>& buttons = {}) {
        prompts.AnswerDialog([&](QDialog&) { return user(form); });
        for (const auto button : buttons)
            prompts.AnswerButton(button);
        return form.EditColours(html, Html);
    }
};

TEST_F(ColoursDialog, ListsTheElementsInNameOrderWithTheFirstSelected) {
    Edit([&](TFormGlyphCustomHighlighter& f) {
        EXPECT_EQ(f.windowTitle(), "Highlighting Colours - HTML");
        EXPECT_EQ(f.ListBox->item(0)->text(), "Asp");
        EXPECT_EQ(f.ListBox->item(1)->text(), "Comment");
        EXPECT_EQ(f.ListBox->item(2)->text(), "Escape ampersand");
        EXPECT_EQ(f.ListBox->currentRow(), 0);
        return int(QDialog::Accepted);
    });
}

// Selecting an element shows its cells and boxes and leaves it as it was.
TEST_F(ColoursDialog, ShowsAnElementWithoutChangingIt) {
    const struct {
        TColours Colours;
        int Fg, Bg;
    } cases[] = {
        {{Red, Navy}, 9, 4},
        {{clNone, Odd}, -1, -1},
        {{Maroon, clWindow}, 1, 15}, // the window background is white here
    };
    for (const auto& c : cases) {
        html.CommentAttri()->SetForeground(c.Colours.Foreground);
        html.CommentAttri()->SetBackground(c.Colours.Background);
        Edit([&](TFormGlyphCustomHighlighter& f) {
            f.ListBox->setCurrentRow(1);
            EXPECT_EQ(f.ColorGrid->ForegroundIndex(), c.Fg);
            EXPECT_EQ(f.ColorGrid->BackgroundIndex(), c.Bg);
            EXPECT_EQ(f.CheckBox4->isChecked(), c.Fg == -1);
            EXPECT_EQ(f.CheckBox5->isChecked(), c.Bg == -1);
            EXPECT_EQ(ColoursOf(*html.CommentAttri()), c.Colours);
            return int(QDialog::Accepted);
        });
    }
}

// What a change in the grid or a use-defaults box does to the element.
TEST_F(ColoursDialog, GridAndBoxesWriteBothColours) {
    const struct {
        const char* Name;
        TColours Before;
        std::function<void(TFormGlyphCustomHighlighter&)> Act;
        TColours After;
    } cases[] = {
        {"LeftClickSetsForegroundBackgroundWithoutCellBecomesNone",
         {Red, Odd},
         [](auto& f) {
             QTest::mouseClick(f.ColorGrid, Qt::LeftButton, {}, CellCentre(*f.ColorGrid, 4));
         },
         {Navy, clNone}},
        {"SystemColourBecomesItsPlainValue",
         {Red, clWindow},
         [](auto& f) {
             QTest::mouseClick(f.ColorGrid, Qt::LeftButton, {}, CellCentre(*f.ColorGrid, 1));
         },
         {Maroon, White}},
        {"RightClickSetsBackground",
         {Red, clNone},
         [](auto& f) {
             QTest::mouseClick(f.ColorGrid, Qt::RightButton, {}, CellCentre(*f.ColorGrid, 4));
         },
         {Red, Navy}},
        {"KeysMoveFocusAndChooseTheCell",
         {clNone, clNone},
         [](auto& f) {
             f.ColorGrid->setFocus();
             for (const auto key :
                  {Qt::Key_End, Qt::Key_Down, Qt::Key_Right, Qt::Key_F, Qt::Key_Up, Qt::Key_B})
                 QTest::keyClick(f.ColorGrid, key);
         },
         {Maroon, Blue}}, // F on cell 1; B on cell 12
        {"CheckingForegroundGivesNone",
         {Red, Navy},
         [](auto& f) { f.CheckBox4->click(); },
         {clNone, Navy}},
        {"UncheckingWithoutCellChangesNothing",
         {Odd, Navy},
         [](auto& f) { f.CheckBox4->click(); },
         {Odd, Navy}},
        {"UncheckingAfterCheckingFindsNoCell",
         {Red, Navy},
         [](auto& f) {
             f.CheckBox5->click();
             f.CheckBox5->click();
         },
         {Red, clNone}},
    };
    for (const auto& c : cases) {
        html.AspAttri()->SetForeground(c.Before.Foreground);
        html.AspAttri()->SetBackground(c.Before.Background);
        Edit([&](TFormGlyphCustomHighlighter& f) {
            f.show();
            c.Act(f);
            EXPECT_EQ(ColoursOf(*html.AspAttri()), c.After) << c.Name;
            f.hide();
            return int(QDialog::Accepted);
        });
    }
}

TEST(ColorGridKeys, FocusWrapsAroundTheGrid) {
    const struct {
        QList<Qt::Key> Keys;
        int Focus;
    } cases[] = {
        {{Qt::Key_Home, Qt::Key_Up}, 15},
        {{Qt::Key_Home, Qt::Key_Left}, 15},
        {{Qt::Key_End, Qt::Key_Right}, 0},
        {{Qt::Key_End, Qt::Key_Space}, 0},
        {{Qt::Key_End, Qt::Key_Down}, 0},
        {{Qt::Key_Home, Qt::Key_Right, Qt::Key_Up}, 12},
        {{Qt::Key_Home, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 1},
    };
    for (const auto& c : cases) {
        TColorGrid grid;
        for (const Qt::Key key : c.Keys)
            QTest::keyClick(&grid, key);
        EXPECT_EQ(grid.FocusCell(), c.Focus) << c.Keys.size();
    }
}

// Cancel, Escape and the close box all put back the colours the dialog opened with, in the
// highlighter and in the store, whatever was changed and restored in between.
TEST_F(ColoursDialog, AnythingButOkPutsTheColoursBack) {
    SaveDefaultColours(html, Html);
    html.AspAttri()->SetForeground(Red);
    html.CommentAttri()->SetStyle(fsItalic);
    const QList<quint64> opened = Snapshot(html);
    const std::function<int(QDialog&)> closes[] = {
        [](QDialog&) { return int(QDialog::Rejected); },
        [](QDialog& d) {
            QTest::keyClick(&d, Qt::Key_Escape);
            return d.result();
        },
        [](QDialog& d) {
            d.show();
            d.close();
            return d.result();
        },
    };
    for (const auto& close : closes) {
        Edit(
            [&](TFormGlyphCustomHighlighter& f) {
                f.CheckBox1->click();
                QTest::mouseClick(f.ColorGrid, Qt::RightButton, {}, CellCentre(*f.ColorGrid, 3));
                f.ButtonDefault->click();
                EXPECT_EQ(html.AspAttri()->Foreground(), html.AspAttri()->DefaultForeground());
                f.CheckBox2->click();
                return close(f);
            },
            {QMessageBox::Yes});
        EXPECT_EQ(Snapshot(html), opened);
        TGlyphHTMLHighlighter stored;
        LoadUserColours(stored, Html);
        EXPECT_EQ(Snapshot(stored), opened);
    }
    ASSERT_EQ(prompts.Records().size(), 6);
    EXPECT_EQ(prompts.Records()[1].Text,
              "Do you want to restore the default highlighting for the current file type?");
    EXPECT_EQ(prompts.Records()[1].Icon, QMessageBox::Question);
}

// Accepted colours are stored, so the main window's re-read at its next activation keeps them.
TEST_F(ColoursDialog, OkKeepsTheChangesThroughTheNextLoad) {
    EXPECT_TRUE(Edit([&](TFormGlyphCustomHighlighter& f) {
        f.CheckBox3->click();
        f.ButtonOK->click();
        return f.result();
    }));
    LoadUserColours(html, Html);
    EXPECT_EQ(html.AspAttri()->Style() & fsUnderline, fsUnderline);
}

TEST_F(ColoursDialog, DefaultAnsweredNoChangesNothing) {
    SaveDefaultColours(html, Html);
    html.AspAttri()->SetForeground(Red);
    Edit(
        [&](TFormGlyphCustomHighlighter& f) {
            f.ButtonDefault->click();
            EXPECT_EQ(html.AspAttri()->Foreground(), Red);
            return int(QDialog::Accepted);
        },
        {QMessageBox::No});
}

} // namespace
