#include "editor/TGlyphEditPrint.h"
#include "editor/TGlyphEdit.h"
#include "highlight/TGlyphCppHighlighter.h"

#include "support/PdfPages.h"
#include "support/QtPrinters.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The printed rows of a page: its text lines without the blanks around them (Ghostscript writes
// the gap between two words as a tab), empty ones left out.
QStringList Rows(const QString& pageText) {
    QStringList rows;
    for (const QString& line : pageText.split(u'\n')) {
        if (!line.trimmed().isEmpty())
            rows << line.trimmed().replace(u'\t', u' ');
    }
    return rows;
}

class PrintToPdf : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString pdf = dir.filePath("out.pdf");
    TGlyphEditPrint print;

    QStringList Print(const QStringList& lines) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        print.SetLines(lines);
        print.PrintDocument(printer);
        return PdfPageTexts(pdf);
    }
    // How many characters a row holds with the font and margins of the test.
    int Columns() {
        Print({});
        return print.ColumnsPerRow();
    }
};

TEST(FindWrapPositions, RowsEndAfterTheLastBreakThatFits) {
    const struct {
        QString Line;
        int Columns;
        QList<int> Expected;
    } cases[] = {
        {"aaa bbbb ccc", 7, {4, 9}},              // rows "aaa ", "bbbb ", "ccc"
        {"aaa bbbb ccc", 12, {}},                 // fits
        {QString(300, u'x'), 80, {80, 160, 240}}, // no break at all: cut
        {"abc.defgh.lmn", 6, {4, 10}},            // second set of break characters
        {"a,b-cdefghijklmnop", 6, {6, 12}},       // a word longer than a row: cut
        {"f(x) + g(y)", 5, {5, 7}},               // blank before the plus
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineWrapPositions(c.Line, c.Columns), c.Expected) << c.Line.toStdString();
}

TEST(HeaderFooterMacros, ReplacedWithoutRegardToCase) {
    THeaderFooter footer(false);
    const struct {
        QString Text;
        bool Roman;
        int Page;
        QString Expected;
    } cases[] = {
        {"Page $PAGENUM$ of $pagecount$", false, 4, "Page 4 of 12"},
        {"$PageNum$", true, 1994, "MCMXCIV"},
        {"$PAGENUM$", true, 4, "IV"},
        {"[$PAGENUM$]", true, 0, "[]"},
        {"$TITLE$ $DATETIME$|$TIMEDATE$", false, 1, "t.txt d1 t1|t1 d1"},
        {"$DATE$ $TIME$ $OTHER$ $", false, 1, "d1 t1 $OTHER$ $"},
    };
    for (const auto& c : cases) {
        footer.RomanNumbers = c.Roman;
        EXPECT_EQ(footer.ExpandMacros(c.Text, c.Page, 12, "t.txt", "d1", "t1"), c.Expected);
    }
}

TEST(PageLayout, DefaultsOnTheA4SheetWithoutPrinter) {
    const TGlyphEditPageLayout l = TGlyphEditPrintMargins().ComputePageLayout({}, 1, 0);
    EXPECT_EQ(QList<int>({l.TextLeft, l.TextRight, l.TextTop, l.TextBottom, l.HeaderY, l.FooterY,
                          l.HFMarginPx, l.HFTextLeft, l.HFTextRight}),
              QList<int>({230, 2239, 245, 3162, 127, 3280, 6, 254, 2215}));
}

TEST(CopyFromEditor, TabsBecomeBlanksToTheEditorsTabStops) {
    TCustomGlyphEdit edit;
    edit.SetText("\tx\nab\tc\n\t\ty");
    const struct {
        int TabWidth;
        QStringList Expected;
    } cases[] = {{2, {"  x", "ab  c", "    y"}},
                 {8, {"        x", "ab      c", "                y"}},
                 {1, {" x", "ab c", "  y"}}};
    for (const auto& c : cases) {
        edit.SetTabWidth(c.TabWidth);
        TGlyphEditPrint print;
        print.CopyFromEditor(edit, QFont(), nullptr);
        EXPECT_EQ(print.Lines(), c.Expected) << c.TabWidth;
    }
}

TEST_F(PrintToPdf, EmptyDocumentIsOneBlankPage) {
    const QStringList pages = Print({});
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(Rows(pages[0]), QStringList());
}

TEST_F(PrintToPdf, LongLinesWrapIntoRows) {
    const int columns = Columns();
    ASSERT_GT(columns, 20);
    const QString words = QString("aaa ").repeated(columns / 4) + "bbbb ccc";
    const QStringList pages = Print({QString(3 * columns + 60, u'x'), words, "short"});
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(Rows(pages[0]),
              QStringList({QString(columns, u'x'), QString(columns, u'x'), QString(columns, u'x'),
                           QString(60, u'x'), QString("aaa ").repeated(columns / 4).trimmed(),
                           "bbbb ccc", "short"}));
}

TEST_F(PrintToPdf, PagesFollowEachOtherAndAWrappedLineGoesOnOverTheBreak) {
    QStringList lines;
    for (int i = 1; i <= 300; ++i)
        lines << QString("line %1").arg(i);
    Print(lines);
    const int perPage = Rows(PdfPageTexts(pdf).value(0)).size();
    ASSERT_GT(perPage, 10);
    // The last line of page one needs three rows: two of them go to page two.
    const int columns = print.ColumnsPerRow();
    lines[perPage - 1] = QString(3 * columns, u'y');
    const QStringList pages = Print(lines);
    EXPECT_EQ(pages.size(), print.PageCount());
    EXPECT_EQ(pages.size(), (300 + 2 + perPage - 1) / perPage);
    EXPECT_EQ(Rows(pages[0]).size(), perPage);
    EXPECT_EQ(Rows(pages[0]).last(), QString(columns, u'y'));
    EXPECT_EQ(Rows(pages[1]).mid(0, 3), QStringList({QString(columns, u'y'), QString(columns, u'y'),
                                                     QString("line %1").arg(perPage + 1)}));
    EXPECT_EQ(Rows(pages.last()).last(), "line 300");
}

TEST_F(PrintToPdf, HeaderAndFooterCarryTheirMacros) {
    print.Title = "notes.txt";
    print.Header.Add("$TITLE$", 1, Qt::AlignLeft);
    print.Footer.Add("Page $PAGENUM$ of $PAGECOUNT$", 1, Qt::AlignRight);
    const QStringList pages = Print(QStringList(200, "text"));
    ASSERT_GE(pages.size(), 2);
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList rows = Rows(pages[p]);
        EXPECT_EQ(rows.first(), "notes.txt");
        EXPECT_EQ(rows.last(), QString("Page %1 of %2").arg(p + 1).arg(pages.size()));
    }
}

// Plain Latin runs go to the page as glyphs side by side, others through the text engine; the
// page reads back the same either way, in any style, each run in its columns.
TEST_F(PrintToPdf, EveryRunReadsBackInItsColumns) {
    TGlyphCppHighlighter cpp;
    cpp.KeyAttri()->SetStyle(fsBold | fsItalic);
    print.SetHighlighter(&cpp);
    // The comment with the euro sign is shaped; the reader knows only the first 256 characters.
    const QStringList pages = Print({"int caf\u00e9 = 5; // na\u00efve fa\u00e7ade",
                                     "int price = 5; /* \u20ac */ int each;", "return x;"});
    ASSERT_EQ(pages.size(), 1);
    const QStringList rows = Rows(pages[0]);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], "int caf\u00e9 = 5; // na\u00efve fa\u00e7ade");
    EXPECT_TRUE(rows[1].startsWith("int price = 5; /* ")) << rows[1].toStdString();
    EXPECT_TRUE(rows[1].endsWith(" */ int each;")) << rows[1].toStdString();
    EXPECT_EQ(rows[1].size(), 32);
    EXPECT_EQ(rows[2], "return x;");
}

// The highlighter gives the styles; its colours reach the page only with Colors on.
TEST_F(PrintToPdf, HighlighterColoursOnlyWithColors) {
    TGlyphCppHighlighter cpp;
    cpp.KeyAttri()->SetForeground(0x0000FF);
    cpp.KeyAttri()->SetStyle(fsBold);
    print.SetHighlighter(&cpp);
    for (const bool colors : {false, true}) {
        print.Colors = colors;
        const QStringList pages = Print({"int int int int int int int int int int int int"});
        EXPECT_EQ(Rows(pages.value(0)),
                  QStringList({"int int int int int int int int int int int int"}));
        const QImage page = PdfPageImage(pdf, 1);
        ASSERT_FALSE(page.isNull());
        int reddish = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                reddish += c.red() > 150 && c.green() < 100 && c.blue() < 100;
            }
        }
        EXPECT_EQ(reddish > 0, colors) << reddish;
    }
}

} // namespace
