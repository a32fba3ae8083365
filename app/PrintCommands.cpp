// "Page Setup...", "Print...", "Print Preview..." (File menu) and the tool bar's "Print".
#include "app/TFormGlyphon.h"

#include "app/ProgressWindow.h"
#include "common/AppHelpers.h"
#include "common/Prompts.h"
#include "editor/TGlyphEditView.h"

#include <QFileInfo>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

// Prints pages first to last of the document on the printer, with a progress window for long
// jobs; the print component takes the editor's highlighter, font, tab width and lines.
void PrintDocumentPages(TFormGlyphon& form, QPrinter& printer, int first, int last) {
    TGlyphEditPrint& print = form.GlyphEditPrint;
    print.CopyFromEditor(form.GlyphEdit, form.GlyphEditView->font(), form.CurrentHighlighter());
    print.Title = QFileInfo(form.DocumentFileName).fileName();
    TProgressWindow progress(&form, QStringLiteral("Printing..."), form.ProgressDelayMs);
    print.OnProgress = [&](int done, int total) { return progress.Step(done, total); };
    struct TForgetProgress {
        TGlyphEditPrint& Print;
        ~TForgetProgress() { Print.OnProgress = nullptr; }
    } forget{print};
    print.PrintPages(printer, first, last);
}

} // namespace

QPrinter& TFormGlyphon::Printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The margins are the print component's, measured from the edges of the paper.
        printer_->setFullPage(true);
    }
    return *printer_;
}

void TFormGlyphon::ConnectPrintCommands() {
    MIPrintPreview = new QAction("Print Pre&view...", this);
    MIPrintPreview->setObjectName("MIPrintPreview");
    const QList<QAction*> items = MIFile->actions();
    MIFile->insertAction(items.value(items.indexOf(MIPrint) + 1), MIPrintPreview);
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MIPageSetup, &TFormGlyphon::MIPageSetupClick);
    bind(MIPrint, &TFormGlyphon::MIPrintClick);
    bind(MIPrintPreview, &TFormGlyphon::MIPrintPreviewClick);
    bind(TBPrint, &TFormGlyphon::TBPrintClick);
}

void TFormGlyphon::MIPageSetupClick() {
    QPrinter& printer = Printer();
    TGlyphEditPrintMargins& margins = GlyphEditPrint.Margins;
    printer.setPageMargins(QMarginsF(margins.Left, margins.Top, margins.Right, margins.Bottom),
                           QPageLayout::Millimeter);
    QPageSetupDialog dialog(&printer, this);
    dialog.setObjectName("PageSetupDialog");
    if (Prompts().RunDialog(dialog) != QDialog::Accepted)
        return;
    const QMarginsF chosen = printer.pageLayout().margins(QPageLayout::Millimeter);
    margins.Left = chosen.left();
    margins.Top = chosen.top();
    margins.Right = chosen.right();
    margins.Bottom = chosen.bottom();
}

void TFormGlyphon::MIPrintClick() {
    QPrinter& printer = Printer();
    printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName("PrintDialog");
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintToFile);
    dialog.setMinMax(1, 9999);
    if (Prompts().RunDialog(dialog) != QDialog::Accepted)
        return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    // The copies are printed by the job itself, each in page order, whatever the printer
    // would do with a copy count of its own.
    GlyphEditPrint.Copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    PrintDocumentPages(*this, printer, range ? printer.fromPage() : 1,
                       range ? printer.toPage() : -1);
}

void TFormGlyphon::TBPrintClick() {
    GlyphEditPrint.Copies = 1;
    PrintDocumentPages(*this, Printer(), 1, -1);
}

void TFormGlyphon::MIPrintPreviewClick() {
    QPrintPreviewDialog dialog(&Printer(), this);
    dialog.setObjectName("PrintPreviewDialog");
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
        GlyphEditPrint.Copies = 1;
        RunCommand([&] { PrintDocumentPages(*this, *printer, 1, -1); });
    });
    Prompts().RunDialog(dialog);
}
