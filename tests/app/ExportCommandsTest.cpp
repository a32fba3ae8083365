// "Export as HTML..." and "Copy as HTML" driven through the main window's menus, with real files
// in a temporary folder and the scripted prompts standing in for the dialogs.
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "support/MainWindowStart.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class ExportCommands : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedPrompts prompts;
};

// Export needs text that is not blank; Copy as HTML, a selection.
TEST_F(ExportCommands, ExportNeedsTextThatIsNotBlankAndCopyASelection) {
    const struct {
        QString Text;
        bool Select;
        bool Export, Copy;
    } cases[] = {{"", false, false, false},
                 {"  \r\n\t\r\n ", false, false, false},
                 {"  \r\n\t\r\n ", true, false, true},
                 {"\r\n x", false, true, false},
                 {"<p>", true, true, true}};
    auto form = StartMainWindow();
    for (const auto& c : cases) {
        form->GlyphEdit.SetText(c.Text);
        if (c.Select)
            form->GlyphEdit.SelectAll();
        form->ClickMenuItem(form->MIFormat->menuAction());
        form->ClickMenuItem(form->MIEdit->menuAction());
        EXPECT_EQ(form->MIExportAsHTML->isEnabled(), c.Export) << c.Text.toStdString();
        EXPECT_EQ(form->MICopyAsHTML->isEnabled(), c.Copy) << c.Text.toStdString();
    }
}

// The file is a page of its own in the editor's colours, not the clipboard's form; the document
// stays as it was.
TEST_F(ExportCommands, ExportWritesAPageInTheEditorsColours) {
    const QString source = dir.filePath("page.htm");
    WriteBytes(source, "<b>bold &amp; \"x\"</b>\r\n<!-- note -->\r\n");
    auto form = StartMainWindow();
    form->OpenDocument(source, false);
    const QString target = dir.filePath("exported.htm");
    prompts.AnswerFile(target);
    form->ClickMenuItem(form->MIExportAsHTML);

    ASSERT_EQ(prompts.Records().size(), 1);
    const TFileDialogRequest request = prompts.Records()[0].File;
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Filters, QStringList({"HTML Document (*.htm *.html)"}));
    EXPECT_EQ(request.DefaultExt, "htm");
    EXPECT_EQ(request.FileName, "page.htm.htm"); // never the document's own name

    const QByteArray page = ReadBytes(target);
    EXPECT_TRUE(page.startsWith("<html>\r\n<head>\r\n")) << page.left(40).toStdString();
    EXPECT_FALSE(page.contains("Version:0.9"));
    EXPECT_FALSE(page.contains("StartFragment"));
    EXPECT_TRUE(page.contains("<title>page.htm</title>"));
    // The main window's colours: tag names purple, comments green, the rest black.
    EXPECT_TRUE(page.contains("<b>&lt;</b><font color=\"#800080\"><b>b</b></font><b>&gt;</b>bold "
                              "<b>&amp;amp;</b> &quot;x&quot;"))
        << page.toStdString();
    EXPECT_TRUE(page.contains("<font color=\"#008000\">&lt;!-- note --&gt;"));
    EXPECT_TRUE(page.endsWith("</body>\r\n</html>"));
    EXPECT_EQ(ReadBytes(source), "<b>bold &amp; \"x\"</b>\r\n<!-- note -->\r\n");
    EXPECT_FALSE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->DocumentFileName, source);
}

TEST_F(ExportCommands, CancelledDialogOrProgressWritesNothing) {
    auto form = StartMainWindow();
    QStringList lines(20000, "<p class=\"x\">text</p>");
    form->GlyphEdit.SetText(lines.join("\r\n"));
    const QString target = dir.filePath("old.htm");
    WriteBytes(target, "old page");

    prompts.CancelFile();
    form->ClickMenuItem(form->MIExportAsHTML);
    EXPECT_EQ(ReadBytes(target), "old page");

    // The progress window shows at once and the user cancels it.
    form->ProgressDelayMs = 0;
    prompts.AnswerFile(target);
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (auto* progress = form->findChild<QProgressDialog*>("ProgressWindow");
            progress && progress->isVisible())
            progress->cancel();
    });
    cancel.start(0);
    form->ClickMenuItem(form->MIExportAsHTML);
    EXPECT_EQ(ReadBytes(target), "old page");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"old.htm"}));
}

TEST_F(ExportCommands, CopyAsHtmlPutsColouredHtmlAndPlainText) {
    const struct {
        bool Select;
        QString Plain;
        QByteArray Fragment;
    } cases[] = {
        {true, "b>x",
         "<pre><code><font color=\"#800080\"><b>b</b></font><b>&gt;</b>x\r\n</code></pre>"},
        {false, "<b>x</b>",
         "<pre><code><b>&lt;</b><font color=\"#800080\"><b>b</b></font><b>&gt;</b>x<b>&lt;</b>"
         "<font color=\"#800080\"><b>/b</b></font><b>&gt;\r\n</b></code></pre>"},
    };
    auto form = StartMainWindow();
    for (const auto& c : cases) {
        QGuiApplication::clipboard()->clear();
        form->GlyphEdit.SetText("<b>x</b>");
        if (c.Select) {
            form->GlyphEdit.SetSelectionStart({2, 1});
            form->GlyphEdit.SetSelectionEnd({5, 1});
        } else {
            form->GlyphEdit.SelectAll();
        }
        form->ClickMenuItem(form->MICopyAsHTML);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        ASSERT_TRUE(data);
        EXPECT_EQ(data->text(), c.Plain);
        const QByteArray html = data->html().toUtf8();
        EXPECT_TRUE(html.startsWith("<html>")) << html.toStdString();
        EXPECT_TRUE(html.contains("<!--StartFragment-->" + c.Fragment + "<!--EndFragment-->"))
            << html.toStdString();
    }
}

} // namespace
