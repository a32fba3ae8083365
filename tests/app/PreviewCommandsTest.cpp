#include "app/TFormGlyphon.h"
#include "app/TTBToolWindowSlider.h"

#include "common/CommandLine.h"
#include "common/HtmlPreview.h"
#include "common/Paths.h"
#include "common/SettingsIni.h"
#include "common/TEmbeddedWB.h"
#include "editor/TGlyphEditView.h"
#include "support/BrowserScript.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Deadline = 30000;

QString Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Drags Slider by the offset with the left button held, as the mouse would.
void DragSlider(TTBToolWindowSlider* slider, QPoint offset) {
    const QPoint start = slider->mapToGlobal(QPoint(1, 1));
    const QPoint end = start + offset;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(slider->mapFromGlobal(end)), QPointF(end),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(slider->mapFromGlobal(end)),
                        QPointF(end), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &release);
}

std::unique_ptr<TFormGlyphon> StartWith(const QStringList& args) {
    SetCommandLineArgs(QStringList{"glyphon"} + args);
    auto form = std::make_unique<TFormGlyphon>();
    form->resize(900, 800);
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->FirstPaintDone(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    return form;
}

class PreviewPane : public ::testing::Test {
protected:
    void TearDown() override {
        for (int n = 1; n <= 3; ++n) {
            QDir(PreviewFilePath(n)).removeRecursively();
            QFile::remove(PreviewFilePath(n));
        }
        QFile::remove(TestEnvironment::SettingsPath());
    }

    QTemporaryDir dir_;
};

TEST_F(PreviewPane, QuickPreviewShowsTheTextWithItsRelativeImage) {
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QDir().mkpath(dir_.filePath("img"));
    ASSERT_TRUE(picture.save(dir_.filePath("img/pic.png"), "PNG"));
    const QString page =
        Write(dir_.filePath("page.html"), "#define WHO world\n<p id=t>Hello WHO from $FileName$</p>"
                                          "<img id=pic src=\"img/pic.png\">\n");
    auto form = StartWith({page});
    // The hidden pane has its start page waiting, and no web engine yet.
    EXPECT_FALSE(form->EmbeddedWB->EngineStarted());
    EXPECT_EQ(form->EmbeddedWB->Location(),
              QUrl(TEmbeddedWB::LocalUrl(ProgramFilePath("Services.htm"))));

    form->ClickMenuItem(form->MIQuickPreview);
    EXPECT_TRUE(form->TBWindowPreview->isVisible());
    EXPECT_EQ(form->PageControl->currentWidget(), form->TSWebBrowser);
    EXPECT_TRUE(ReadAll(PreviewFilePath(1))
                    .startsWith("<HTML><BASE href=\"" + TEmbeddedWB::LocalUrl(page).toUtf8()));
    ASSERT_TRUE(form->EmbeddedWB->EngineStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        PageReports(*form->EmbeddedWB,
                    "document.getElementById('t').textContent == 'Hello world from page.html' "
                    "&& document.getElementById('pic').naturalWidth == 8"),
        Deadline);
    EXPECT_EQ(form->focusWidget(), form->GlyphEditView);

    // The next preview comes under the same address, never from a cache.
    form->GlyphEdit.SetText("<p id=t>Changed</p>");
    form->ClickMenuItem(form->MIQuickPreview);
    QTRY_VERIFY_WITH_TIMEOUT(
        PageReports(*form->EmbeddedWB, "document.getElementById('t').textContent == 'Changed'"),
        Deadline);
}

TEST_F(PreviewPane, QuickPreviewOfAnUntitledDocumentKeepsItsEmptyMacros) {
    auto form = StartWith({});
    form->GlyphEdit.SetText("<p>$FilePath$$FileName$</p>");
    form->ClickMenuItem(form->MIQuickPreview);
    EXPECT_EQ(ReadAll(PreviewFilePath(1)),
              "<HTML><BASE href=\"Untitled.htm\"><p>$FilePath$Untitled.htm</p>\r\n</HTML>");
}

TEST_F(PreviewPane, AFailedQuickPreviewShowsTheErrorAndKeepsThePage) {
    const struct {
        const char* Text;
        int HeldFiles;
        QString Error;
    } cases[] = {
        {"#include \"none.inc\"", 0, "Cannot open file \"" + dir_.filePath("none.inc") + "\""},
        {"<p>x</p>", 3, "Unable to write to " + PreviewFilePath(3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const QString page = Write(dir_.filePath("page.htm"), c.Text);
        for (int n = 1; n <= c.HeldFiles; ++n)
            QDir().mkpath(PreviewFilePath(n));
        auto form = StartWith({page});
        const QUrl before = form->EmbeddedWB->Location();
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        form->ClickMenuItem(form->MIQuickPreview);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_TRUE(prompts.Records()[0].Text.startsWith(c.Error))
            << prompts.Records()[0].Text.toStdString();
        EXPECT_EQ(form->EmbeddedWB->Location(), before);
        EXPECT_FALSE(QFileInfo(PreviewFilePath(1)).isFile()) << "nothing is written";
        TearDown();
    }
}

TEST_F(PreviewPane, PreviewInBrowserShowsTheSavedFileOnly) {
    const QString saved = Write(dir_.filePath("saved.htm"), "<p>on disk</p>");
    // A file of the untitled name in the working folder is not the untitled document.
    Write(dir_.filePath("Untitled.htm"), "<p>stray</p>");
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    for (const QString& file : {QString(), saved}) {
        SCOPED_TRACE(file.toStdString());
        auto form = StartWith(file.isEmpty() ? QStringList{} : QStringList{file});
        UrlRecorder urls;
        ScriptedPrompts prompts;
        if (file.isEmpty()) {
            prompts.CancelFile(); // Save As
            prompts.AnswerButton(QMessageBox::Ok);
        }
        form->ClickMenuItem(form->TBPreview);
        if (file.isEmpty()) {
            ASSERT_EQ(prompts.Records().size(), 2);
            EXPECT_EQ(prompts.Records()[1].Text,
                      "You must save this file before you can preview it.");
            EXPECT_TRUE(urls.Urls().isEmpty());
        } else {
            EXPECT_TRUE(prompts.Records().isEmpty());
            EXPECT_EQ(urls.Urls(), QList<QUrl>{QUrl::fromLocalFile(saved)});
        }
    }
    QDir::setCurrent(workingFolder);
}

TEST_F(PreviewPane, SliderResizesWithinTheLimitsAndFollowsTheDock) {
    auto form = StartWith({});
    form->ClickMenuItem(form->MIViewQuickPreview);
    ASSERT_TRUE(form->TBWindowPreview->isVisible());
    TTBToolWindowSlider* slider = form->TBWindowPreviewSlider;
    EXPECT_EQ(slider->Edge(), TSliderEdge::Top);
    QWidget* client = form->TBWindowPreviewClient;
    const struct {
        int DeltaY;
        int Height;
    } drags[] = {{-2000, 400}, {100, 300}, {2000, 40}, {-60, 100}};
    for (const auto& d : drags) {
        DragSlider(slider, {0, d.DeltaY});
        QTRY_COMPARE_WITH_TIMEOUT(client->height(), d.Height, 5000);
    }

    form->TBWindowPreview->setFloating(true);
    EXPECT_TRUE(slider->isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(client->width(), 640, 5000);
    form->addDockWidget(Qt::TopDockWidgetArea, form->TBWindowPreview);
    form->TBWindowPreview->setFloating(false);
    EXPECT_FALSE(slider->isHidden());
    EXPECT_EQ(slider->Edge(), TSliderEdge::Bottom);
    const int before = client->height();
    DragSlider(slider, {0, -50});
    QTRY_COMPARE_WITH_TIMEOUT(client->height(), before - 50, 5000);
}

TEST_F(PreviewPane, VisibilityDockAndHeightAreKeptBetweenRuns) {
    {
        auto form = StartWith({});
        form->ClickMenuItem(form->MIViewQuickPreview);
        form->addDockWidget(Qt::TopDockWidgetArea, form->TBWindowPreview);
        DragSlider(form->TBWindowPreviewSlider, {0, 2000});
        QTRY_COMPARE_WITH_TIMEOUT(form->TBWindowPreviewClient->height(), 400, 5000);
    }
    const QString section = "TFormGlyphonTBWindowPreview";
    EXPECT_EQ(SettingsIni().ReadInteger(section, "Rev"), 2000);
    EXPECT_TRUE(SettingsIni().ReadBool(section, "Visible"));
    EXPECT_EQ(SettingsIni().ReadString(section, "DockedTo"), "TBDockTop");
    EXPECT_EQ(SettingsIni().ReadInteger(section, "ClientHeight"), 400);

    auto form = StartWith({});
    EXPECT_TRUE(form->TBWindowPreview->isVisible());
    EXPECT_EQ(form->dockWidgetArea(form->TBWindowPreview), Qt::TopDockWidgetArea);
    QTRY_COMPARE_WITH_TIMEOUT(form->TBWindowPreviewClient->height(), 400, 5000);
    emit form->MIView->aboutToShow();
    EXPECT_TRUE(form->MIViewQuickPreview->isChecked());
    form->ClickMenuItem(form->MIViewQuickPreview);
    EXPECT_FALSE(form->TBWindowPreview->isVisible());
}

TEST_F(PreviewPane, NewAndOpenHideTheMessagesTab) {
    const QString page = Write(dir_.filePath("page.htm"), "<p>x</p>");
    auto form = StartWith({});
    const int messages = form->PageControl->indexOf(form->TSErrors);
    EXPECT_FALSE(form->PageControl->isTabVisible(messages));
    for (const auto& command : {std::function<void()>([&] { form->ClickMenuItem(form->MINew); }),
                                std::function<void()>([&] { form->OpenDocument(page, true); })}) {
        form->GlyphEdit.SetText("<p>x</p>"); // New is offered for a document with text
        form->GlyphEdit.SetModified(false);
        form->SetMessagesTabVisible(true);
        command();
        EXPECT_FALSE(form->PageControl->isTabVisible(messages));
    }
}

} // namespace
