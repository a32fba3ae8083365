// "Export as HTML..." (Format menu) and "Copy as HTML" (Edit menu): the coloured text as a page
// of its own, or as HTML on the clipboard for office programs and mail.
#include "app/TFormGlyphon.h"

#include "app/ProgressWindow.h"
#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/FileDialogs.h"
#include "editor/TGlyphEditView.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>

namespace {

// The name the save dialog offers: the document's with ".htm", never the document itself.
QString ExportFileName(const QString& documentFileName) {
    const QFileInfo document(documentFileName);
    const QString name = document.dir().filePath(document.completeBaseName() + ".htm");
    return QFileInfo(name) == document ? documentFileName + ".htm" : name;
}

} // namespace

void TFormGlyphon::ConnectExportCommands() {
    GlyphExporterHTML.Generator = ApplicationTitle() + QStringLiteral(" " GLYPHON_VERSION);
    MICopyAsHTML = new QAction("Copy as &HTML", this);
    MICopyAsHTML->setObjectName("MICopyAsHTML");
    MIEdit->insertAction(MIPaste, MICopyAsHTML);
    connect(MIExportAsHTML, &QAction::triggered, this,
            [this] { RunCommand([this] { MIExportAsHTMLClick(); }); });
    connect(MICopyAsHTML, &QAction::triggered, this,
            [this] { RunCommand([this] { MICopyAsHTMLClick(); }); });
}

bool TFormGlyphon::TextIsBlank() const {
    const TGlyphEditStringList& lines = GlyphEdit.Lines();
    for (int i = 0; i < lines.LineCount(); ++i) {
        const QString line = lines.GetLine(i);
        if (std::any_of(line.begin(), line.end(), [](QChar c) { return !c.isSpace(); }))
            return false;
    }
    return true;
}

// Runs Export (one of the exporter's ways to export the editor's lines) in the editor's colours;
// false when there was nothing to export or the user cancelled.
template <typename TExport> static bool ExportText(TFormGlyphon& form, TExport&& Export) {
    TGlyphExporterHTML& exporter = form.GlyphExporterHTML;
    exporter.SetHighlighter(form.CurrentHighlighter());
    exporter.SetTitle(QFileInfo(form.DocumentFileName).fileName());
    exporter.Color = ColorToRGB(form.GlyphEditView->Color());
    exporter.FontColor = ColorToRGB(form.GlyphEditView->FontColor());
    TProgressWindow progress(&form, QStringLiteral("Exporting..."), form.ProgressDelayMs);
    exporter.OnProgress = [&](int done, int total) { return progress.Step(done, total); };
    const TGlyphEditStringList& lines = form.GlyphEdit.Lines();
    const auto clearProgress = qScopeGuard([&exporter] { exporter.OnProgress = nullptr; });
    return Export(exporter, TGlyphExportLines{lines.LineCount(),
                                              [&lines](int i) { return lines.GetLine(i); }});
}

void TFormGlyphon::MIExportAsHTMLClick() {
    const std::optional<QString> fileName =
        RunSaveFileDialog(ExportFileName(DocumentFileName), GlyphExporterHTML.DefaultFilter,
                          QStringLiteral("htm"), QStringLiteral("Export as HTML"));
    if (!fileName)
        return;
    // A page of its own, written as it is made: the clipboard's descriptor and markers would
    // show as text in a browser, and the page of a large file is several times its size.
    ExportText(*this, [&](TGlyphExporterHTML& exporter, const TGlyphExportLines& lines) {
        return exporter.ExportRangeToFile(*fileName, lines, {1, 1}, {INT_MAX, INT_MAX});
    });
}

void TFormGlyphon::MICopyAsHTMLClick() {
    // Like Copy, it copies the selection: with none it has nothing to copy.
    if (!GlyphEdit.HasSelection())
        return;
    const TBufferCoord start = GlyphEdit.SelectionStart();
    const TBufferCoord stop = GlyphEdit.SelectionEnd();
    GlyphExporterHTML.WholeDocument = false;
    if (!ExportText(*this, [&](TGlyphExporterHTML& exporter, const TGlyphExportLines& lines) {
            return exporter.ExportRange(lines, {start.X, start.Y}, {stop.X, stop.Y});
        }))
        return;
    auto* data = new QMimeData;
    data->setHtml(QString::fromUtf8(GlyphExporterHTML.ClipboardHtml()));
    data->setText(GlyphEdit.SelectedText());
    QGuiApplication::clipboard()->setMimeData(data);
}
