#include "app/TExplorerPane.h"
#include "app/TFormGlyphon.h"
#include "app/TTBToolWindowSlider.h"

#include "common/CommandLine.h"
#include "common/SettingsIni.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString Touch(const QString& path, const QByteArray& bytes = "text\n") {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

std::unique_ptr<TFormGlyphon> StartWindow() {
    SetCommandLineArgs({"glyphon"});
    auto form = std::make_unique<TFormGlyphon>();
    form->resize(900, 600);
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    return form;
}

// Opens the pane on Folder and waits until the list holds Count files.
void ShowFolder(TFormGlyphon& form, const QString& folder, qsizetype count) {
    if (form.TBWindowExplorer->isHidden())
        form.ClickMenuItem(form.MIViewExplorer);
    form.TBWindowExplorer->ShowFolder(folder);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return form.TBWindowExplorer->ListedFiles().size() == count; }, 5000))
        << form.TBWindowExplorer->ListedFiles().join(", ").toStdString();
}

class ExplorerPane : public ::testing::Test {
protected:
    void TearDown() override {
        QFile::remove(TestEnvironment::SettingsPath());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Velmaris", "Velmaris Glyphon")
            .clear();
    }
    QTemporaryDir dir_;
};

} // namespace

TEST(ToolWindowSlider, DragSizeFollowsTheEdgeAndStaysWithinTheLimits) {
    const QSize size(200, 150);
    const QSize minimum(40, 40);
    const QSize maximum(600, 400);
    struct {
        const char* what;
        TSliderEdge edge;
        QPoint now; // the drag starts at (100, 100)
        QSize limit;
        QSize expected;
    } cases[] = {
        {"right edge follows the mouse", TSliderEdge::Right, {130, 70}, maximum, {230, 150}},
        {"left edge grows to the left", TSliderEdge::Left, {70, 130}, maximum, {230, 150}},
        {"top edge grows upward", TSliderEdge::Top, {70, 60}, maximum, {200, 190}},
        {"bottom edge grows downward", TSliderEdge::Bottom, {70, 60}, maximum, {200, 110}},
        {"never beyond the maximum", TSliderEdge::Right, {900, 100}, maximum, {600, 150}},
        {"never below the minimum", TSliderEdge::Left, {900, 100}, maximum, {40, 150}},
        {"never below the minimum across", TSliderEdge::Bottom, {100, -400}, maximum, {200, 40}},
        {"a maximum not above the minimum is none",
         TSliderEdge::Right,
         {900, 100},
         {40, 40},
         {1000, 150}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SliderDragSize(c.edge, {100, 100}, c.now, size, minimum, c.limit), c.expected)
            << c.what;
}

TEST_F(ExplorerPane, TheFileListShowsOnlyFilesTheEditorColours) {
    const QString folder = dir_.path();
    QDir(folder).mkdir("sub.htm");
    const struct {
        const char* name;
        bool listed;
    } files[] = {
        {"page.htm", true},   {"PAGE2.HTML", true}, {"style.css", true},    {"header.h", true},
        {"part.inc", true},   {"notes.txt", true},  {"script.js", true},    {"picture.png", false},
        {"photo.jpg", false}, {"README", false},    {"archive.zip", false},
    };
    QStringList expected;
    for (const auto& f : files) {
        Touch(folder + '/' + f.name);
        if (f.listed)
            expected << folder + '/' + f.name;
    }
    auto form = StartWindow();
    ShowFolder(*form, folder, expected.size());
    QStringList listed = form->TBWindowExplorer->ListedFiles();
    listed.sort();
    expected.sort();
    EXPECT_EQ(listed, expected);
}

TEST_F(ExplorerPane, ADoubleClickOpensTheFileThroughTheCloseQuery) {
    const QString file = Touch(dir_.filePath("open.htm"), "<p>from disk</p>\n");
    struct {
        const char* what;
        std::optional<QMessageBox::StandardButton> answer; // nothing: no question expected
        bool opens;
    } cases[] = {
        {"an unchanged document is replaced", std::nullopt, true},
        {"No to saving the changes opens the file", QMessageBox::No, true},
        {"Cancel keeps the document", QMessageBox::Cancel, false},
    };
    for (const auto& c : cases) {
        auto form = StartWindow();
        ShowFolder(*form, dir_.path(), 1);
        if (c.answer) {
            form->GlyphEdit.SetText("typed");
            form->GlyphEdit.SetModified(true);
        }
        ScriptedPrompts prompts;
        if (c.answer)
            prompts.AnswerButton(*c.answer);
        QTreeView* list = form->TBWindowExplorer->ShellListView;
        const QModelIndex item = list->model()->index(0, 0, list->rootIndex());
        list->scrollTo(item);
        const QPoint at = list->visualRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(prompts.Records().size(), c.answer ? 1 : 0) << c.what;
        EXPECT_EQ(form->DocumentFileName, c.opens ? file : "Untitled.htm") << c.what;
        EXPECT_EQ(form->GlyphEdit.Lines().Lines(),
                  QStringList{c.opens ? "<p>from disk</p>" : "typed"})
            << c.what;
        if (c.answer == QMessageBox::Cancel)
            form->GlyphEdit.SetModified(false);
    }
}

TEST_F(ExplorerPane, TheChosenFolderIsWhereTheSaveDialogStarts) {
    const QString chosen = QDir(dir_.path()).filePath("chosen");
    const QString own = QDir(dir_.path()).filePath("own");
    QDir().mkpath(chosen);
    QDir().mkpath(own);
    const QString ownFile = Touch(own + "/page.htm");
    struct {
        const char* what;
        QString document; // empty: a new document
        QString startsIn;
    } cases[] = {
        {"a new document starts in the chosen folder", {}, chosen + '/'},
        {"a document with a folder starts in its own", ownFile, own + '/'},
    };
    for (const auto& c : cases) {
        auto form = StartWindow();
        if (!c.document.isEmpty())
            form->OpenDocument(c.document, false);
        form->ClickMenuItem(form->MIViewExplorer);
        // The user picks the folder in the tree.
        QTreeView* tree = form->TBWindowExplorer->ShellTreeView;
        auto* model = static_cast<QFileSystemModel*>(tree->model());
        tree->setCurrentIndex(model->index(chosen));
        EXPECT_EQ(form->TBWindowExplorer->Folder(), chosen) << c.what;
        EXPECT_EQ(form->TBWindowExplorer->ShellComboBox->currentData().toString(), chosen);

        ScriptedPrompts prompts;
        prompts.CancelFile();
        form->ClickMenuItem(form->MISaveAs);
        ASSERT_EQ(prompts.Records().size(), 1) << c.what;
        EXPECT_EQ(prompts.Records()[0].File.Folder, c.startsIn) << c.what;
    }
}

TEST_F(ExplorerPane, OpeningAFileShowsItsFolderOnlyWhenAskedAndThePaneIsOpen) {
    const QString first = QDir(dir_.path()).filePath("first");
    const QString second = QDir(dir_.path()).filePath("second");
    QDir().mkpath(first);
    QDir().mkpath(second);
    const QString file = Touch(second + "/page.htm");
    struct {
        const char* what;
        bool paneOpen;
        bool follow;
        QString shown;
    } cases[] = {
        {"a recent file is followed", true, true, second},
        {"an explorer double click is not", true, false, first},
        {"a closed pane does not follow", false, true, first},
    };
    for (const auto& c : cases) {
        auto form = StartWindow();
        ShowFolder(*form, first, 0);
        if (!c.paneOpen)
            form->ClickMenuItem(form->MIViewExplorer);
        if (c.follow)
            form->TBMRUListClick(file);
        else
            form->ShellListViewDblClick(file);
        EXPECT_EQ(form->DocumentFileName, file) << c.what;
        EXPECT_EQ(form->TBWindowExplorer->Folder(), c.shown) << c.what;
    }
}

TEST_F(ExplorerPane, ViewCommandSliderAndPlaceSurviveARestart) {
    {
        auto form = StartWindow();
        form->ClickMenuItem(form->MIView->menuAction());
        EXPECT_FALSE(form->MIViewExplorer->isChecked());
        form->ClickMenuItem(form->MIViewExplorer);
        form->ClickMenuItem(form->MIView->menuAction());
        EXPECT_TRUE(form->MIViewExplorer->isChecked());
        EXPECT_FALSE(form->TBWindowExplorer->isHidden());
        EXPECT_EQ(form->TBWindowExplorer->Slider->Edge(), TSliderEdge::Right);

        form->addDockWidget(Qt::RightDockWidgetArea, form->TBWindowExplorer);
        EXPECT_EQ(form->TBWindowExplorer->Slider->Edge(), TSliderEdge::Left);
        EXPECT_TRUE(form->TBWindowExplorer->Slider->isVisible());
        form->TBWindowExplorer->setFloating(true);
        EXPECT_EQ(form->TBWindowExplorer->Slider->Edge(), std::nullopt);
        EXPECT_TRUE(form->TBWindowExplorer->Slider->isHidden());
        form->TBWindowExplorer->setFloating(false);
        EXPECT_TRUE(form->close());
    }
    TIniFile ini(TestEnvironment::SettingsPath());
    const QString section = "TFormGlyphonTBWindowExplorer";
    EXPECT_EQ(ini.ReadInteger(section, "Rev"), 2000);
    EXPECT_EQ(ini.ReadInteger(section, "Visible"), 1);
    EXPECT_EQ(ini.ReadString(section, "DockedTo"), "TBDockRight");
    EXPECT_EQ(ini.ReadString(section, "LastDock"), "TBDockRight");
    EXPECT_GT(ini.ReadInteger(section, "ClientWidth"), 0);
    EXPECT_LE(ini.ReadInteger(section, "ClientWidth"), 600);

    auto form = StartWindow();
    EXPECT_FALSE(form->TBWindowExplorer->isHidden());
    EXPECT_EQ(form->dockWidgetArea(form->TBWindowExplorer), Qt::RightDockWidgetArea);
    EXPECT_EQ(form->TBWindowExplorer->Slider->Edge(), TSliderEdge::Left);
    form->ClickMenuItem(form->MIViewExplorer);
    EXPECT_TRUE(form->TBWindowExplorer->isHidden());
}
