// "Export as HTML..." (Format menu) and "Copy as HTML" (Edit menu): the coloured text as a page
// of its own, or as HTML on the clipboard for office programs and mail.
#include "app/TFormGlyphon.h"

#include "app/ProgressWindow.h"
#include "common/AppHelpers.h"
#include "common/FileDialogs.h"
#include "editor/TGlyphEditView.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>

namespace {

// The name the save dialog offers: the document's with ".htm", never the document itself.
QString ExportFileName(const QString& documentFileName) {
    const QFileInfo document(documentFileName);
    const QString name = document.dir().filePath(document.completeBaseName() + ".htm");
    return QFileInfo(name) == document ? documentFileName + ".htm" : name;
}

} // namespace

void TFormGlyphon::ConnectExportCommands() {
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

// Exports the text from start to stop (stop excluded) in the editor's colours; false when there
// was nothing to export or the user cancelled.
static bool ExportText(TFormGlyphon& form, TGlyphExportPos start, TGlyphExportPos stop) {
    TGlyphExporterHTML& exporter = form.GlyphExporterHTML;
    exporter.SetHighlighter(form.CurrentHighlighter());
    exporter.SetTitle(QFileInfo(form.DocumentFileName).fileName());
    exporter.Color = ColorToRGB(form.GlyphEditView->Color());
    exporter.FontColor = ColorToRGB(form.GlyphEditView->FontColor());
    TProgressWindow progress(&form, QStringLiteral("Exporting..."), form.ProgressDelayMs);
    exporter.OnProgress = [&](int done, int total) { return progress.Step(done, total); };
    const TGlyphEditStringList& lines = form.GlyphEdit.Lines();
    const bool exported = exporter.ExportRange(
        {lines.LineCount(), [&lines](int i) { return lines.GetLine(i); }}, start, stop);
    exporter.OnProgress = nullptr;
    return exported;
}

void TFormGlyphon::MIExportAsHTMLClick() {
    const std::optional<QString> fileName = RunSaveFileDialog(
        ExportFileName(DocumentFileName), GlyphExporterHTML.DefaultFilter, QStringLiteral("htm"));
    if (!fileName)
        return;
    // A page of its own: the clipboard's descriptor and markers would show as text in a browser.
    GlyphExporterHTML.WholeDocument = true;
    if (ExportText(*this, {1, 1}, {INT_MAX, INT_MAX}))
        GlyphExporterHTML.SaveResult(*fileName);
}

void TFormGlyphon::MICopyAsHTMLClick() {
    const bool selection = GlyphEdit.HasSelection();
    const TBufferCoord start = selection ? GlyphEdit.SelectionStart() : TBufferCoord{1, 1};
    const TBufferCoord stop = selection ? GlyphEdit.SelectionEnd() : TBufferCoord{INT_MAX, INT_MAX};
    GlyphExporterHTML.WholeDocument = false;
    if (!ExportText(*this, {start.X, start.Y}, {stop.X, stop.Y}))
        return;
    auto* data = new QMimeData;
    data->setHtml(QString::fromUtf8(GlyphExporterHTML.ClipboardHtml()));
    data->setText(selection ? GlyphEdit.SelectedText() : GlyphEdit.Text());
    QGuiApplication::clipboard()->setMimeData(data);
}
