// The main window's link checker: Format > Check Links..., a worker thread that checks a
// folder's pages, and the "Links" tab of the preview pane that lists what it found.
#include "app/LinkChecker.h"
#include "app/TFormCheckLinks.h"
#include "app/TFormGlyphon.h"
#include "app/TResultsPane.h"

#include "common/AppHelpers.h"
#include "common/Prompts.h"
#include "editor/TGlyphEditView.h"

#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

// One check under way: the thread and the flag that stops it.
struct TLinkCheckRun {
    std::atomic_bool Cancel{false};
    std::unique_ptr<QThread> Thread;
};

namespace {

// Problems are handed to the window in batches, so a site full of them does not flood its
// event queue.
constexpr int BatchSize = 200;

TResultRow LinkRow(const TLinkProblem& problem) {
    TResultRow row{.FileName = problem.Page,
                   .Line = problem.Line,
                   .Column = problem.Column,
                   .Text = problem.Reason,
                   .MarkStart = -1,
                   .MarkLength = 0};
    if (!problem.Link.isEmpty()) {
        row.Text = problem.Link + QStringLiteral("  \u2014  ") + problem.Reason;
        row.MarkStart = 0;
        row.MarkLength = int(problem.Link.size());
    }
    return row;
}

} // namespace

void TFormGlyphon::ConnectLinkCheckCommands() {
    MICheckLinks = new QAction("Check Links...", MIFormat);
    MICheckLinks->setObjectName("MICheckLinks");
    const QList<QAction*> items = MIFormat->actions();
    MIFormat->insertAction(items.value(items.indexOf(MIValidateHTML) + 1), MICheckLinks);
    connect(MICheckLinks, &QAction::triggered, this,
            [this] { RunCommand([this] { MICheckLinksClick(); }); });
}

// Made at the first check, as the Find Results tab is.
void TFormGlyphon::CreateLinkResults() {
    if (LinkResults)
        return;
    TSLinks = new QWidget;
    TSLinks->setObjectName("TSLinks");
    LinkResults = new TResultsPane(TSLinks);
    LinkResults->setObjectName("LinkResults");
    auto* layout = new QVBoxLayout(TSLinks);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LinkResults);
    PageControl->addTab(TSLinks, "Links");
    connect(LinkResults, &TResultsPane::RowActivated, this,
            [this](const QString& fileName, int line, int column) {
                RunCommand([&] { LinkResultsRowActivated(fileName, line, column); });
            });
    connect(LinkResults, &TResultsPane::RowActivatedInNewWindow, this,
            [this](const QString& fileName, int line, int column) {
                RunCommand([&] { OpenPlaceInNewWindow(fileName, line, column); });
            });
    connect(LinkResults, &TResultsPane::CancelRequested, this, [this] {
        if (linkCheck_)
            linkCheck_->Cancel = true;
    });
}

void TFormGlyphon::StopLinkCheck() {
    if (!linkCheck_)
        return;
    linkCheck_->Cancel = true;
    linkCheck_->Thread->wait();
    linkCheck_.reset();
}

void TFormGlyphon::MICheckLinksClick() {
    if (!FormCheckLinks)
        FormCheckLinks = new TFormCheckLinks(this);
    FormCheckLinks->Prepare(FindInFilesFolder());
    if (Prompts().RunDialog(*FormCheckLinks) != QDialog::Accepted)
        return;
    const TLinkCheckOptions options = FormCheckLinks->Options();
    if (!QFileInfo(options.Folder).isDir())
        RaiseError(QStringLiteral("The folder \"%1\" does not exist.").arg(options.Folder));
    StartLinkCheck(options);
}

void TFormGlyphon::StartLinkCheck(const TLinkCheckOptions& options) {
    StopLinkCheck();
    CreateLinkResults();
    ShowPreviewPaneWithRoom();
    PageControl->setTabVisible(PageControl->indexOf(TSLinks), true);
    PageControl->setCurrentWidget(TSLinks);
    LinkResults->Clear(QFileInfo(options.Folder).canonicalFilePath());
    LinkResults->SetBusy(true, "Checking links...");

    auto run = std::make_shared<TLinkCheckRun>();
    linkCheck_ = run;
    // The window outlives the thread (it waits for it before it goes), so the queued calls
    // below always find it.
    run->Thread.reset(QThread::create([this, run, options] {
        QList<TLinkProblem> batch;
        const auto flush = [&] {
            if (batch.isEmpty())
                return;
            QMetaObject::invokeMethod(
                this, [this, run, batch] { LinkCheckFound(run.get(), batch); },
                Qt::QueuedConnection);
            batch.clear();
        };
        TLinkChecker checker(options, run->Cancel);
        const TLinkCheckTotals totals = checker.Run(
            [&](const TLinkProblem& problem) {
                batch << problem;
                if (batch.size() >= BatchSize)
                    flush();
            },
            [&](const QString& state) {
                flush();
                QMetaObject::invokeMethod(
                    this,
                    [this, run, state] {
                        if (linkCheck_.get() == run.get())
                            LinkResults->SetBusy(true, state);
                    },
                    Qt::QueuedConnection);
            });
        flush();
        QMetaObject::invokeMethod(
            this, [this, run, totals] { LinkCheckFinished(run.get(), totals); },
            Qt::QueuedConnection);
    }));
    run->Thread->start();
}

void TFormGlyphon::LinkCheckFound(const TLinkCheckRun* run, const QList<TLinkProblem>& batch) {
    if (linkCheck_.get() != run)
        return;
    for (const TLinkProblem& problem : batch)
        LinkResults->AddRow(LinkRow(problem));
}

void TFormGlyphon::LinkCheckFinished(const TLinkCheckRun* run, const TLinkCheckTotals& totals) {
    if (linkCheck_.get() != run)
        return;
    linkCheck_->Thread->wait();
    linkCheck_.reset();
    LinkResults->SetBusy(false);
    if (!totals.Error.isEmpty()) {
        LinkResults->SetSummary(totals.Error);
        return;
    }
    const QString summary = QStringLiteral("%1 %2 in %3 %4 of %5 %6")
                                .arg(totals.Problems)
                                .arg(totals.Problems == 1 ? "problem" : "problems")
                                .arg(totals.Links)
                                .arg(totals.Links == 1 ? "link" : "links")
                                .arg(totals.Pages)
                                .arg(totals.Pages == 1 ? "file" : "files");
    LinkResults->SetSummary(totals.Cancelled ? QStringLiteral("Cancelled: ") + summary : summary);
}

void TFormGlyphon::LinkResultsRowActivated(const QString& fileName, int line, int column) {
    if (line <= 0)
        return;
    if (!IsDocumentFile(fileName)) {
        if (!FormCloseQuery())
            return;
        OpenDocument(fileName, true);
    }
    GlyphEdit.SetCaretXY({column, line});
    GlyphEditView->setFocus();
}
