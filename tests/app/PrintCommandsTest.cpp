// Page Setup, Print, Print Preview and the tool bar's Print driven through the main window, the
// printer writing a PDF file that is read back; the dialogs are played by the scripted prompts.
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "support/MainWindowStart.h"
#include "support/PdfPages.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList Rows(const QString& pageText) {
    QStringList rows;
    for (const QString& line : pageText.split(u'\n')) {
        if (!line.trimmed().isEmpty())
            rows << line.trimmed().replace(u'\t', u' ');
    }
    return rows;
}

class PrintCommands : public ::testing::Test {
protected:
    void SetUp() override {
        form = StartMainWindow();
        QStringList lines;
        for (int i = 1; i <= 150; ++i)
            lines << QString("line %1").arg(i);
        form->GlyphEdit.SetText(lines.join("\r\n"));
        form->Printer().setOutputFormat(QPrinter::PdfFormat);
        form->Printer().setOutputFileName(pdf);
    }
    QTemporaryDir dir;
    QString pdf = dir.filePath("printed.pdf");
    ScriptedPrompts prompts;
    std::unique_ptr<TFormGlyphon> form;
};

TEST_F(PrintCommands, PrintItemsInTheFileMenu) {
    QStringList captions;
    for (QAction* item : form->MIFile->actions())
        captions << item->text();
    const qsizetype setup = captions.indexOf("Page Se&tup...");
    ASSERT_GE(setup, 0);
    EXPECT_EQ(captions.mid(setup, 3),
              QStringList({"Page Se&tup...", "&Print...", "Print Pre&view..."}));
    for (QAction* item : {form->MIPageSetup, form->MIPrint, form->MIPrintPreview, form->TBPrint})
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
}

// The print dialog's page range and copies decide what is printed, each copy in page order.
// Pages are told apart by their first rows, taken from a print of the whole document: where a
// page breaks depends on the font the machine puts in for the editor's.
TEST_F(PrintCommands, PrintDialogChoosesPagesAndCopies) {
    form->ClickMenuItem(form->TBPrint);
    QStringList pageFirstRows;
    for (const QString& page : PdfPageTexts(pdf))
        pageFirstRows << Rows(page).value(0);
    ASSERT_EQ(pageFirstRows.size(), 3);
    ASSERT_EQ(pageFirstRows.first(), "line 1");
    const struct {
        int From, To, Copies;
        QList<int> Pages; // the pages printed, counted from 0
    } cases[] = {
        {0, 0, 1, {0, 1, 2}},
        {2, 3, 2, {1, 2, 1, 2}},
        {3, 3, 1, {2}},
        {4, 9, 1, {}}, // past the end: refused, nothing printed
    };
    for (const auto& c : cases) {
        QFile::remove(pdf);
        prompts.AnswerDialog([&](QDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), "PrintDialog");
            QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
            printer->setPrintRange(c.From ? QPrinter::PageRange : QPrinter::AllPages);
            printer->setFromTo(c.From, c.To);
            printer->setCopyCount(c.Copies);
            return int(QDialog::Accepted);
        });
        if (c.Pages.isEmpty())
            prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(form->MIPrint);
        if (c.Pages.isEmpty()) {
            EXPECT_FALSE(QFile::exists(pdf)); // no job was started
            EXPECT_EQ(prompts.Records().last().Text,
                      "The document has 3 pages, so pages 4 to 9 cannot be printed.");
            continue;
        }
        QStringList firstRows, expected;
        for (const QString& page : PdfPageTexts(pdf))
            firstRows << Rows(page).value(0);
        for (int page : c.Pages)
            expected << pageFirstRows[page];
        EXPECT_EQ(firstRows, expected) << c.From << "-" << c.To << " x" << c.Copies;
    }
}

TEST_F(PrintCommands, CancelledPrintDialogPrintsNothing) {
    prompts.AnswerDialog([](QDialog&) { return int(QDialog::Rejected); });
    form->ClickMenuItem(form->MIPrint);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintCommands, ToolBarPrintsEveryPageWithoutAsking) {
    form->ClickMenuItem(form->TBPrint);
    const QStringList pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(Rows(pages[2]).last(), "line 150");
    EXPECT_TRUE(prompts.Records().isEmpty());
}

// Orientation and margins chosen in the page setup reach the next print.
TEST_F(PrintCommands, PageSetupChoicesReachThePrint) {
    prompts.AnswerDialog([](QDialog& dialog) {
        QPrinter* printer = static_cast<QPageSetupDialog&>(dialog).printer();
        EXPECT_EQ(printer->pageLayout().margins(QPageLayout::Millimeter),
                  QMarginsF(25, 25, 15, 25));
        printer->setPageOrientation(QPageLayout::Landscape);
        printer->setPageMargins(QMarginsF(60, 20, 15, 20), QPageLayout::Millimeter);
        return int(QDialog::Accepted);
    });
    form->ClickMenuItem(form->MIPageSetup);
    EXPECT_EQ(form->GlyphEditPrint.Margins.Left, 60);
    EXPECT_EQ(form->GlyphEditPrint.Margins.Top, 20);
    form->ClickMenuItem(form->TBPrint);
    const QImage first = PdfPageImage(pdf, 1, 30);
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(first.width(), first.height());
    // Nothing is drawn left of the 60 mm margin.
    const int marginPx = int(55 / 25.4 * 30);
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < marginPx; ++x)
            ASSERT_EQ(first.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
    }
}

TEST_F(PrintCommands, PreviewShowsThePagesOfThePrint) {
    prompts.AnswerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "PrintPreviewDialog");
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        EXPECT_TRUE(preview);
        if (preview) {
            preview->updatePreview();
            EXPECT_EQ(preview->pageCount(), 3);
        }
        return int(QDialog::Rejected);
    });
    form->ClickMenuItem(form->MIPrintPreview);
    EXPECT_EQ(form->GlyphEditPrint.PageCount(), 3);
}

} // namespace
