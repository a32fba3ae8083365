#include "common/FileDialogs.h"

#include "common/FileUtils.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QString HtmlFilter = "HTML Files (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*";
} // namespace

struct FilterCase {
    const char* name;
    QString filter;
    QStringList qt;
};

class FilterConversion : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, GivesQtNameFilters) {
    EXPECT_EQ(FileFilterToQt(GetParam().filter), GetParam().qt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterConversion,
    ::testing::Values(
        FilterCase{"empty", "", {}},
        FilterCase{"allFiles", "All Files (*.*)|*.*|", {"All Files (*)"}},
        FilterCase{"two", HtmlFilter, {"HTML Files (*.htm *.html)", "All Files (*)"}},
        FilterCase{"descriptionWithoutPattern", "Style Sheets|*.css", {"Style Sheets (*.css)"}},
        FilterCase{"otherParentheses", "Pages (HTML)|*.htm", {"Pages (HTML) (*.htm)"}},
        FilterCase{"spacesAndEmptyPatterns", "Text|*.txt; ;*.log;", {"Text (*.txt *.log)"}},
        FilterCase{"oddTrailingDescription", "Text|*.txt|Orphan", {"Text (*.txt)"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CleanCase {
    const char* name;
    QString in, folder, fileName;
};

class Cleaning : public ::testing::TestWithParam<CleanCase> {};

TEST_P(Cleaning, RemovesCharactersNoNameMayHold) {
    EXPECT_EQ(CleanDialogFolder(GetParam().in), GetParam().folder);
    EXPECT_EQ(CleanDialogFileName(GetParam().in), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Cleaning,
    ::testing::Values(CleanCase{"plain", "page.htm", "page.htm", "page.htm"},
                      CleanCase{"pipesAndBrackets", "a|b<c>.htm", "abc.htm", "abc.htm"},
                      CleanCase{"slash", "/w/a", "/w/a", "wa"}, CleanCase{"dot", ".", ".", ""},
                      CleanCase{"dotDot", "..", "..", ""},
                      CleanCase{"dotDotAfterCleaning", ".|.", "..", ""},
                      CleanCase{"threeDots", "...", "...", "..."}, CleanCase{"empty", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveDialog, UntitledStartsInTheHomeFolderWithTheName) {
    ScriptedPrompts prompts;
    prompts.AnswerFile("/tmp/chosen.htm");
    EXPECT_EQ(RunSaveFileDialog("Untitled.htm", HtmlFilter, "htm"),
              std::optional<QString>("/tmp/chosen.htm"));
    ASSERT_EQ(prompts.Records().size(), 1);
    const auto& dialog = prompts.Records().first();
    EXPECT_EQ(dialog.Kind, ScriptedPrompts::TKind::SaveFile);
    EXPECT_TRUE(dialog.File.Save);
    EXPECT_EQ(dialog.File.Folder, QDir::homePath() + '/');
    EXPECT_EQ(dialog.File.FileName, "Untitled.htm");
    EXPECT_EQ(dialog.File.Filters, (QStringList{"HTML Files (*.htm *.html)", "All Files (*)"}));
    EXPECT_EQ(dialog.File.DefaultExt, "htm");
}

TEST(SaveDialog, StartsInTheDocumentsFolderWithItsName) {
    QTemporaryDir dir;
    const QString document = dir.filePath("site/index.html");
    QDir().mkpath(dir.filePath("site"));
    ScriptedPrompts prompts;
    prompts.AnswerFile(document);
    EXPECT_EQ(RunSaveFileDialog(document, HtmlFilter, "htm"), std::optional<QString>(document));
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records().first().File.Folder, dir.filePath("site/"));
    EXPECT_EQ(prompts.Records().first().File.FileName, "index.html");
}

// Never the process's working folder, which is wherever the program happened to be started.
TEST(SaveDialog, ANameWithoutAUsableFolderStartsInTheHomeFolder) {
    const struct {
        QString document;
        QString name;
    } cases[] = {
        {"page.htm", "page.htm"},
        {"http://www.example.com/dir/page.htm", "page.htm"},
        {"/no/such/folder/page.htm", "page.htm"},
    };
    for (const auto& c : cases) {
        ScriptedPrompts prompts;
        prompts.CancelFile();
        EXPECT_EQ(RunSaveFileDialog(c.document, HtmlFilter, "htm"), std::nullopt);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records().first().File.Folder, QDir::homePath() + '/')
            << c.document.toStdString();
        EXPECT_EQ(prompts.Records().first().File.FileName, c.name) << c.document.toStdString();
    }
}

TEST(SaveDialog, DefaultExtensionIsAddedToANameWithoutOne) {
    QTemporaryDir site;
    ScriptedPrompts prompts;
    prompts.AnswerFile(site.filePath("new page"));
    prompts.AnswerFile(site.filePath("style.css"));
    EXPECT_EQ(RunSaveFileDialog("Untitled.htm", HtmlFilter, "htm"),
              std::optional<QString>(site.filePath("new page.htm")));
    EXPECT_EQ(RunSaveFileDialog("Untitled.htm", HtmlFilter, "htm"),
              std::optional<QString>(site.filePath("style.css")));
}

TEST(SaveDialog, RefusesNamesThatCannotBeSavedTo) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString writable = dir.filePath("page.htm");
    const QString locked = dir.filePath("locked.htm");
    const QString notAFolder = dir.filePath("notes.txt");
    for (const QString& file : {writable, locked, notAFolder}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner);
    const QString missingFolder =
        "\rThe folder \"%1\" does not exist.\rCheck the path and try again.";
    const struct {
        QString chosen;
        std::optional<QString> refusal;
    } cases[] = {
        {dir.filePath("new.htm"), std::nullopt},
        {writable, std::nullopt},
        {locked,
         locked + "\rThis file is set to read-only.\rTry again with a different file name."},
        {folder + "/missing/new.htm",
         folder + "/missing/new.htm" + missingFolder.arg(folder + "/missing")},
        {notAFolder + "/new.htm", notAFolder + "/new.htm" + missingFolder.arg(notAFolder)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveFileRefusal(c.chosen), c.refusal) << c.chosen.toStdString();
}

TEST(SaveDialog, HasNoDefaultFilter) {
    ScriptedPrompts prompts;
    prompts.CancelFile();
    RunSaveFileDialog("Untitled.htm");
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_TRUE(prompts.Records().first().File.Filters.isEmpty());
}

TEST(SaveDialog, RefusesAReadOnlyFileAndAsksAgain) {
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked.htm");
    {
        QFile file(locked);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner);
    ScriptedPrompts prompts;
    prompts.AnswerFile(locked);
    prompts.AnswerButton(QMessageBox::Ok);
    prompts.AnswerFile(dir.filePath("other.htm"));
    EXPECT_EQ(RunSaveFileDialog("Untitled.htm", HtmlFilter, "htm"),
              std::optional<QString>(dir.filePath("other.htm")));
    ASSERT_EQ(prompts.Records().size(), 3);
    const auto& warning = prompts.Records().at(1);
    EXPECT_EQ(warning.Icon, QMessageBox::Warning);
    EXPECT_EQ(warning.Text, locked + "\rThis file is set to read-only.\rTry again with a "
                                     "different file name.");
    EXPECT_EQ(prompts.Records().at(2).File.Folder, dir.path() + '/');
    EXPECT_EQ(prompts.Records().at(2).File.FileName, "locked.htm");
}

TEST(OpenDialog, DefaultsToAllFilesAndCleansTheStartingName) {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    prompts.CancelFile();
    EXPECT_EQ(RunOpenFileDialog(dir.filePath("a|b<c>.htm")), std::nullopt);
    ASSERT_EQ(prompts.Records().size(), 1);
    const auto& dialog = prompts.Records().first();
    EXPECT_EQ(dialog.Kind, ScriptedPrompts::TKind::OpenFile);
    EXPECT_FALSE(dialog.File.Save);
    EXPECT_EQ(dialog.File.Filters, QStringList{"All Files (*)"});
    EXPECT_EQ(dialog.File.Folder, dir.path() + '/');
    EXPECT_EQ(dialog.File.FileName, "abc.htm");
}

TEST(OpenDialog, WithoutAnyNameStartsInTheHomeFolder) {
    ScriptedPrompts prompts;
    prompts.AnswerFile("/tmp/x.js");
    EXPECT_EQ(RunOpenFileDialog("", "Scripts (*.js)|*.js"), std::optional<QString>("/tmp/x.js"));
    EXPECT_EQ(prompts.Records().first().File.Folder, QDir::homePath() + '/');
    EXPECT_EQ(prompts.Records().first().File.FileName, "");
    EXPECT_EQ(prompts.Records().first().File.Filters, QStringList{"Scripts (*.js)"});
}

namespace {
// A user who picks the second filter and a file: checks the dialog object keeps its state.
class FilterPickingPrompts : public ScriptedPrompts {
public:
    std::optional<QString> ChooseFile(QFileDialog& dialog,
                                      const TFileDialogRequest& request) override {
        dialogs.append(&dialog);
        selectedFilters.append(dialog.selectedNameFilter());
        if (request.Filters.size() > 1)
            dialog.selectNameFilter(request.Filters.at(1));
        return QString("/tmp/picked.htm");
    }
    QList<QFileDialog*> dialogs;
    QStringList selectedFilters;
};
} // namespace

TEST(SharedDialogs, AreOneObjectEachThatKeepsTheChosenFilter) {
    FilterPickingPrompts prompts;
    RunOpenFileDialog("", HtmlFilter);
    RunOpenFileDialog("", HtmlFilter);
    RunSaveFileDialog("", HtmlFilter);
    ASSERT_EQ(prompts.dialogs.size(), 3);
    EXPECT_EQ(prompts.dialogs.at(0), prompts.dialogs.at(1));
    EXPECT_NE(prompts.dialogs.at(0), prompts.dialogs.at(2)) << "open and save are two dialogs";
    EXPECT_EQ(prompts.selectedFilters.at(0), "HTML Files (*.htm *.html)");
    EXPECT_EQ(prompts.selectedFilters.at(1), "All Files (*)") << "kept from the last use";
    EXPECT_EQ(prompts.dialogs.at(0)->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(prompts.dialogs.at(2)->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(prompts.dialogs.at(2)->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(prompts.dialogs.at(2)->testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(PictureDialog, OffersEveryReadablePictureFormatThenAllFiles) {
    const QString filter = PictureFileFilter();
    EXPECT_TRUE(filter.startsWith("All pictures (")) << filter.toStdString();
    EXPECT_TRUE(filter.endsWith("|All Files (*.*)|*.*")) << filter.toStdString();
    EXPECT_TRUE(filter.contains("PNG (*.png)|*.png"));

    ScriptedPrompts prompts;
    prompts.AnswerFile("/tmp/logo.png");
    EXPECT_EQ(RunPictureDialog(), std::optional<QString>("/tmp/logo.png"));
    const QStringList filters = prompts.Records().first().File.Filters;
    ASSERT_GE(filters.size(), 3);
    EXPECT_TRUE(filters.first().contains("*.png"));
    EXPECT_TRUE(filters.first().contains("*.jpg"));
    EXPECT_EQ(filters.last(), "All Files (*)");
}

TEST(FontDialog, StartsWithTheGivenFontAndGivesBackTheChosenOne) {
    ScriptedPrompts prompts;
    QFont font("Monospace", 10);
    const QFont chosen("Serif", 14);
    prompts.AnswerFont(chosen);
    prompts.CancelFont();
    EXPECT_TRUE(RunFontDialog(font));
    EXPECT_EQ(font, chosen);
    EXPECT_FALSE(RunFontDialog(font));
    EXPECT_EQ(font, chosen) << "a cancelled dialog leaves the font";
    ASSERT_EQ(prompts.Records().size(), 2);
    EXPECT_EQ(prompts.Records().at(0).Font.family(), QFont("Monospace", 10).family());
    EXPECT_EQ(prompts.Records().at(0).Font.pointSize(), 10);
    EXPECT_EQ(prompts.Records().at(1).Font.pointSize(), 14);
}
