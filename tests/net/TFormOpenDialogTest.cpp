// The program's open dialog driven offscreen: folders, history, views, type filter, the close
// check and "Internet...".
#include "net/TFormOpenDialog.h"

#include "DialogDriver.h"
#include "HttpTestServer.h"
#include "common/FileUtils.h"
#include "net/TFormOpenURL.h"
#include "net/TPTShellList.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

constexpr int kDeadlineMs = 10000;
const QString kHtmlAndAll = "HTML files (*.htm;*.html)|*.htm;*.html|Text files (*.txt)|*.txt|"
                            "All Files (*.*)|*.*|";

void WriteFile(const QString& path, const QByteArray& bytes = "text") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QString NotFoundText(const QString& fileName) {
    return fileName + "\r\nFile not found.\r\nPlease verify the correct file name was given.";
}

class OpenDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        root = QDir(tree.path()).canonicalPath();
        for (const char* file : {"a.htm", "b.txt", "noext", "UPPER.HTML", "sub1/c.html",
                                 "sub1/deeper/d.css", "sub2/e.htm"})
            WriteFile(root + '/' + file);
    }
    void TearDown() override {
        if (dialog.isVisible())
            dialog.reject();
    }

    // Opens the dialog on FileName with Filter, as the main window's Open command does.
    void Begin(const QString& fileName, const QString& filter = kHtmlAndAll) {
        dialog.FileName = fileName;
        dialog.Filter = filter;
        dialog.BeginOpenDialog();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    // The names listed in the folder shown, once the list has read them.
    QStringList Listed() const {
        QFileSystemModel* model = dialog.ShellList->Model();
        const QModelIndex folder = model->index(dialog.ShellList->Folder());
        QStringList names;
        for (int row = 0; row < model->rowCount(folder); ++row)
            names << model->fileName(model->index(row, 0, folder));
        names.sort();
        return names;
    }
    bool WaitListed(QStringList expected) const {
        expected.sort();
        return QTest::qWaitFor([&] { return Listed() == expected; }, kDeadlineMs);
    }

    // Clicks (and with Double, double-clicks) the item of Path in the list, as the user would.
    void ClickItem(const QString& path, bool doubleClick = false) {
        QAbstractItemView* view = dialog.ShellList->View();
        QModelIndex index;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                index = dialog.ShellList->IndexOf(path);
                return index.isValid() && !view->visualRect(index).isEmpty();
            },
            kDeadlineMs))
            << "not listed: " << path.toStdString();
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (doubleClick)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }

    void Trigger(QAction* action) {
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
    }

    QTemporaryDir tree;
    QString root;
    ScriptedPrompts prompts;
    TFormOpenURL openURL;
    TFormOpenDialog dialog{openURL};
};

// --- set-up from the caller --------------------------------------------------------------------

TEST_F(OpenDialogTest, ShowsTheFolderAndNameOfTheCurrentFile) {
    Begin(root + "/sub1/c.html");
    EXPECT_EQ(dialog.windowTitle(), "Open");
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub1");
    EXPECT_EQ(dialog.EditFileName->text(), "c.html");
    EXPECT_TRUE(WaitListed({"c.html", "deeper"}));
    EXPECT_EQ(dialog.ShellCombo->Folders().last(), root + "/sub1");
    EXPECT_EQ(dialog.ShellCombo->Folders().first(), "/");
    EXPECT_EQ(dialog.ShellCombo->Folders().size(), root.count('/') + 2);
}

TEST_F(OpenDialogTest, UntitledDocumentStartsInTheHomeFolder) {
    Begin("Untitled.htm");
    EXPECT_EQ(dialog.ShellList->Folder(), QDir::cleanPath(QDir::homePath()));
    EXPECT_EQ(dialog.EditFileName->text(), "Untitled.htm");
}

struct FilterCase {
    const char* Name;
    const char* Filter;
    QStringList Offered;
    QStringList FirstMasks;
};

class FilterTest : public OpenDialogTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterTest, OffersPairedDescriptionsAndAppliesTheFirst) {
    dialog.ShellList->SetMasks({"*.none"});
    Begin(root + "/a.htm", GetParam().Filter);
    QStringList offered;
    for (int i = 0; i < dialog.ComboBox->count(); ++i)
        offered << dialog.ComboBox->itemText(i);
    EXPECT_EQ(offered, GetParam().Offered);
    EXPECT_EQ(dialog.ComboBox->currentIndex(), GetParam().Offered.isEmpty() ? -1 : 0);
    EXPECT_EQ(dialog.ShellList->Masks(), GetParam().FirstMasks);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterTest,
    ::testing::Values(
        FilterCase{"Pairs", "HTML|*.htm;*.html|Text|*.txt", {"HTML", "Text"}, {"*.htm", "*.html"}},
        FilterCase{"TrailingBar", "HTML|*.htm|Text|*.txt|", {"HTML", "Text"}, {"*.htm"}},
        FilterCase{"OddPartNotOffered", "HTML|*.htm|Text", {"HTML"}, {"*.htm"}},
        FilterCase{"OddPartWithBarNotOffered", "HTML|*.htm|Text|", {"HTML"}, {"*.htm"}},
        FilterCase{"EmptyMasksDropped", "Web|*.htm;;*.css;|", {"Web"}, {"*.htm", "*.css"}},
        FilterCase{"AllFilesMeansEveryFile", "All Files (*.*)|*.*", {"All Files (*.*)"}, {"*"}},
        FilterCase{"NoPattern", "Lonely", {}, {"*.none"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OpenDialogTest, ChosenTypeFiltersTheFilesButNeverTheFolders) {
    Begin(root + "/a.htm");
    EXPECT_TRUE(WaitListed({"UPPER.HTML", "a.htm", "sub1", "sub2"}))
        << "masks match without regard to case: " << Listed().join(", ").toStdString();
    dialog.ComboBox->setCurrentIndex(1);
    EXPECT_TRUE(WaitListed({"b.txt", "sub1", "sub2"})) << Listed().join(", ").toStdString();
    dialog.ComboBox->setCurrentIndex(2);
    EXPECT_TRUE(WaitListed({"UPPER.HTML", "a.htm", "b.txt", "noext", "sub1", "sub2"}))
        << Listed().join(", ").toStdString();
}

// --- navigating --------------------------------------------------------------------------------

TEST_F(OpenDialogTest, RoundTripThroughFoldersBackAndForwardToAChosenFile) {
    Begin(root + "/a.htm");
    EXPECT_FALSE(dialog.TBGoBack->isEnabled());
    EXPECT_FALSE(dialog.TBGoForward->isEnabled());

    ClickItem(root + "/sub1", true);
    ASSERT_EQ(dialog.ShellList->Folder(), root + "/sub1");
    EXPECT_EQ(dialog.FileName, root + "/a.htm") << "selecting a folder keeps the file name";
    ClickItem(root + "/sub1/deeper", true);
    ASSERT_EQ(dialog.ShellList->Folder(), root + "/sub1/deeper");
    EXPECT_TRUE(dialog.TBGoBack->isEnabled());

    Trigger(dialog.TBGoBack);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub1");
    Trigger(dialog.TBGoBack);
    EXPECT_EQ(dialog.ShellList->Folder(), root);
    EXPECT_TRUE(dialog.TBGoForward->isEnabled());
    Trigger(dialog.TBGoForward);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub1");

    ClickItem(root + "/sub1/c.html");
    EXPECT_EQ(dialog.FileName, root + "/sub1/c.html");
    EXPECT_EQ(dialog.EditFileName->text(), "c.html");
    ClickItem(root + "/sub1/c.html", true);
    EXPECT_FALSE(dialog.isVisible()) << "double-clicking a file clicks Open";
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FileName, root + "/sub1/c.html");
    EXPECT_TRUE(prompts.Records().isEmpty());
}

TEST_F(OpenDialogTest, BackAndForwardAddNoEntriesButUpOneLevelDoes) {
    Begin(root + "/sub1/deeper/d.css");
    dialog.ShellList->SetFolder(root + "/sub2");
    const qsizetype entries = dialog.History.Items().size();
    Trigger(dialog.TBGoBack);
    Trigger(dialog.TBGoForward);
    EXPECT_EQ(dialog.History.Items().size(), entries);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub2");

    Trigger(dialog.TBUpOneLevel);
    EXPECT_EQ(dialog.ShellList->Folder(), root);
    EXPECT_EQ(dialog.History.Items().size(), entries + 1);
    EXPECT_EQ(dialog.History.Items().last(), root);
    Trigger(dialog.TBGoBack);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub2");
}

TEST_F(OpenDialogTest, EnteringAFolderAfterGoingBackTwiceDropsTheForwardEntries) {
    Begin(root + "/a.htm");
    dialog.ShellList->SetFolder(root + "/sub1");
    dialog.ShellList->SetFolder(root + "/sub1/deeper");
    Trigger(dialog.TBGoBack);
    Trigger(dialog.TBGoBack);
    ASSERT_EQ(dialog.ShellList->Folder(), root);
    ASSERT_TRUE(dialog.TBGoForward->isEnabled());
    ClickItem(root + "/sub2", true);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub2");
    EXPECT_FALSE(dialog.TBGoForward->isEnabled());
    EXPECT_EQ(dialog.History.Items().mid(dialog.History.Items().size() - 2),
              (QStringList{root, root + "/sub2"}));
}

TEST_F(OpenDialogTest, HistoryCarriesOverToTheNextUse) {
    Begin(root + "/sub1/c.html");
    dialog.ShellList->SetFolder(root + "/sub2");
    dialog.reject();
    Begin(root + "/a.htm");
    EXPECT_EQ(dialog.ShellList->Folder(), root);
    Trigger(dialog.TBGoBack);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub2");
}

TEST_F(OpenDialogTest, LookInBoxSwitchesToAnAncestor) {
    Begin(root + "/sub1/deeper/d.css");
    const QStringList folders = dialog.ShellCombo->Folders();
    const int rootLine = int(folders.indexOf(root));
    ASSERT_GE(rootLine, 0);
    dialog.ShellCombo->setCurrentIndex(rootLine);
    emit dialog.ShellCombo->activated(rootLine);
    EXPECT_EQ(dialog.ShellList->Folder(), root);
    EXPECT_EQ(dialog.ShellCombo->Folders(), folders.mid(0, rootLine + 1));
    Trigger(dialog.TBGoBack);
    EXPECT_EQ(dialog.ShellList->Folder(), root + "/sub1/deeper");
}

TEST_F(OpenDialogTest, UpOneLevelStopsAtTheTop) {
    Begin(TPTShellList::TopFolder() + "Untitled.htm");
    ASSERT_EQ(dialog.ShellList->Folder(), TPTShellList::TopFolder());
    const qsizetype entries = dialog.History.Items().size();
    dialog.TBUpOneLevel->trigger();
    EXPECT_EQ(dialog.ShellList->Folder(), TPTShellList::TopFolder());
    EXPECT_EQ(dialog.History.Items().size(), entries);
}

TEST_F(OpenDialogTest, ListFollowsChangesMadeByOthers) {
    Begin(root + "/sub2/e.htm");
    ASSERT_TRUE(WaitListed({"e.htm"}));
    WriteFile(root + "/sub2/new.html");
    EXPECT_TRUE(WaitListed({"e.htm", "new.html"})) << Listed().join(", ").toStdString();
    QFile::remove(root + "/sub2/e.htm");
    EXPECT_TRUE(WaitListed({"new.html"})) << Listed().join(", ").toStdString();
}

// --- folders and views -------------------------------------------------------------------------

TEST_F(OpenDialogTest, NewFolderIsCreatedAndItsNameEdited) {
    Begin(root + "/sub2/e.htm");
    Trigger(dialog.TBNewFolder);
    EXPECT_TRUE(QFileInfo(root + "/sub2/New Folder").isDir());
    auto* editor = dialog.ShellList->View()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "the new folder's name is being edited";
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), "New Folder");
    QTest::keyClick(editor, Qt::Key_Escape);
    Trigger(dialog.TBNewFolder);
    EXPECT_TRUE(QFileInfo(root + "/sub2/New Folder (2)").isDir());
}

TEST_F(OpenDialogTest, RenamingInPlaceRenamesAndDeselects) {
    Begin(root + "/a.htm");
    ClickItem(root + "/UPPER.HTML");
    ASSERT_EQ(dialog.ShellList->SelectedPath(), root + "/UPPER.HTML");
    QFileSystemModel* model = dialog.ShellList->Model();
    ASSERT_TRUE(model->setData(dialog.ShellList->IndexOf(root + "/sub2"), "renamed"));
    EXPECT_TRUE(QFileInfo(root + "/renamed").isDir());
    EXPECT_TRUE(dialog.ShellList->SelectedPath().isEmpty());
}

struct ViewCase {
    const char* Name;
    int Item; // 0 Icons, 1 List, 2 Details
    TShellViewStyle Style;
    const char* ViewName;
};

class ViewMenuTest : public OpenDialogTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(ViewMenuTest, MenuItemSwitchesTheViewAndItStaysForTheNextUse) {
    Begin(root + "/a.htm");
    QAction* items[] = {dialog.MIIcons, dialog.MIList, dialog.MIDetails};
    EXPECT_EQ(dialog.TBViews->menu()->actions(),
              (QList<QAction*>{dialog.MIIcons, dialog.MIList, dialog.MIDetails}));
    items[GetParam().Item]->trigger();
    EXPECT_EQ(dialog.ShellList->ViewStyle(), GetParam().Style);
    EXPECT_EQ(dialog.ShellList->View()->objectName(), GetParam().ViewName);
    EXPECT_TRUE(dialog.ShellList->View()->isVisible());
    if (auto* list = qobject_cast<QListView*>(dialog.ShellList->View())) {
        EXPECT_EQ(list->viewMode(), GetParam().Style == TShellViewStyle::Icons
                                        ? QListView::IconMode
                                        : QListView::ListMode);
    }
    dialog.reject();
    Begin(root + "/sub2/e.htm");
    EXPECT_EQ(dialog.ShellList->ViewStyle(), GetParam().Style);
    ClickItem(root + "/sub2/e.htm");
    EXPECT_EQ(dialog.FileName, root + "/sub2/e.htm") << "items are chosen in every view";
}

INSTANTIATE_TEST_SUITE_P(
    Views, ViewMenuTest,
    ::testing::Values(ViewCase{"Icons", 0, TShellViewStyle::Icons, "ShellListView"},
                      ViewCase{"List", 1, TShellViewStyle::List, "ShellListView"},
                      ViewCase{"Details", 2, TShellViewStyle::Details, "ShellDetailView"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OpenDialogTest, ToolBarHints) {
    EXPECT_EQ(dialog.TBGoBack->toolTip(), "Go To Last Folder Visited");
    EXPECT_EQ(dialog.TBUpOneLevel->toolTip(), "Up One Level");
    EXPECT_EQ(dialog.TBNewFolder->toolTip(), "Create New Folder");
    EXPECT_EQ(dialog.TBViews->toolTip(), "View Menu");
}

// --- typed names and the close check ----------------------------------------------------------

struct TypedCase {
    const char* Name;
    const char* StartFile;  // relative to the tree, or "Untitled.htm"
    const char* ShowFolder; // folder shown before typing, relative to the tree ("" = root)
    const char* Typed;
    const char* Expected; // FileName after typing, relative to the tree
    bool Exists;
};

class TypedNameTest : public OpenDialogTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedNameTest, TypedNameIsJoinedAndCheckedOnOpen) {
    const TypedCase& c = GetParam();
    const QString start =
        QString(c.StartFile) == "Untitled.htm" ? QString("Untitled.htm") : root + '/' + c.StartFile;
    Begin(start);
    dialog.ShellList->SetFolder(QString(c.ShowFolder).isEmpty() ? root : root + '/' + c.ShowFolder);
    dialog.EditFileName->clear();
    QString typed = c.Typed;
    typed.replace("<root>", root);
    QTest::keyClicks(dialog.EditFileName, typed);
    const QString expected = root + '/' + c.Expected;
    EXPECT_EQ(dialog.FileName, expected);

    if (!c.Exists)
        prompts.AnswerButton(QMessageBox::Ok);
    QTest::mouseClick(dialog.ButtonOpen, Qt::LeftButton);
    if (c.Exists) {
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(prompts.Records().isEmpty());
        return;
    }
    EXPECT_TRUE(dialog.isVisible()) << "a name that does not exist is refused";
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Caption, "Velmaris Glyphon");
    EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(prompts.Records()[0].Text, NotFoundText(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Names, TypedNameTest,
    ::testing::Values(
        TypedCase{"ExistingName", "a.htm", "", "b.txt", "b.txt", true},
        TypedCase{"MissingName", "a.htm", "", "missing.htm", "missing.htm", false},
        TypedCase{"FolderIsNoFile", "a.htm", "", "sub1", "sub1", false},
        // Joined to the folder of the last file name, not to the folder shown.
        TypedCase{"JoinedToFolderOfLastFile", "a.htm", "sub2", "b.txt", "b.txt", true},
        TypedCase{"NotToTheFolderShown", "a.htm", "sub2", "e.htm", "e.htm", false},
        TypedCase{"WithSubfolder", "a.htm", "", "sub1/c.html", "sub1/c.html", true},
        TypedCase{"FullPath", "sub2/e.htm", "", "<root>/sub1/c.html", "sub1/c.html", true},
        // Without a folder in the file name the name is taken in the folder shown.
        TypedCase{"UntitledUsesFolderShown", "Untitled.htm", "sub2", "e.htm", "sub2/e.htm", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OpenDialogTest, TypedNameAfterChoosingAFileJoinsThatFilesFolder) {
    Begin(root + "/a.htm");
    dialog.ShellList->SetFolder(root + "/sub1");
    ClickItem(root + "/sub1/c.html");
    dialog.ShellList->SetFolder(root + "/sub2");
    dialog.EditFileName->clear();
    QTest::keyClicks(dialog.EditFileName, "deeper/d.css");
    EXPECT_EQ(dialog.FileName, root + "/sub1/deeper/d.css");
}

TEST_F(OpenDialogTest, CancelAlwaysCloses) {
    Begin(root + "/a.htm");
    QTest::keyClicks(dialog.EditFileName, "nonsense");
    QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(prompts.Records().isEmpty());
}

TEST_F(OpenDialogTest, CurrentFileThatWasDeletedIsRefused) {
    Begin(root + "/a.htm");
    QFile::remove(root + "/a.htm");
    prompts.AnswerButton(QMessageBox::Ok);
    QTest::keyClick(dialog.EditFileName, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, NotFoundText(root + "/a.htm"));
}

TEST_F(OpenDialogTest, ExecuteOpenDialogReturnsTheChoice) {
    dialog.FileName = root + "/a.htm";
    dialog.Filter = kHtmlAndAll;
    WhenShown<TFormOpenDialog>([&](TFormOpenDialog*) {
        ClickItem(root + "/sub1", true);
        ClickItem(root + "/sub1/c.html", true);
    });
    EXPECT_TRUE(dialog.ExecuteOpenDialog());
    EXPECT_EQ(dialog.FileName, root + "/sub1/c.html");

    WhenShown<TFormOpenDialog>(
        [](TFormOpenDialog* shown) { QTest::keyClick(shown->EditFileName, Qt::Key_Escape); });
    EXPECT_FALSE(dialog.ExecuteOpenDialog());
}

// --- "Internet..." -----------------------------------------------------------------------------

class InternetButtonTest : public OpenDialogTest {
protected:
    void SetUp() override {
        OpenDialogTest::SetUp();
        WriteFile(served.filePath("remote.html"), "<html>remote page</html>");
        ASSERT_TRUE(server.Started());
    }
    // Answers the Open URL dialog with Address once it shows.
    void TypeAddressWhenAsked(const QString& address) {
        WhenShown<TFormOpenURL>([address](TFormOpenURL* shown) {
            shown->EditURL->setText(address);
            QTest::mouseClick(shown->ButtonOK, Qt::LeftButton);
        });
    }

    QTemporaryDir served;
    HttpTestServer server{served.path()};
};

TEST_F(InternetButtonTest, DownloadsTheAddressAndOpensTheCopy) {
    Begin(root + "/a.htm");
    TypeAddressWhenAsked(server.Url("remote.html"));
    QTest::mouseClick(dialog.ButtonInternet, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(IsInInternetCache(dialog.FileName)) << dialog.FileName.toStdString();
    EXPECT_EQ(dialog.EditFileName->text(), QFileInfo(dialog.FileName).fileName());
    QFile copy(dialog.FileName);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "<html>remote page</html>");
    EXPECT_TRUE(prompts.Records().isEmpty());
}

TEST_F(InternetButtonTest, FailedDownloadShowsTheErrorAndKeepsTheDialogOpen) {
    Begin(root + "/a.htm");
    const QString url = server.Url("missing.html");
    TypeAddressWhenAsked(url);
    prompts.AnswerButton(QMessageBox::Ok);
    QTest::mouseClick(dialog.ButtonInternet, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.FileName, root + "/a.htm");
    EXPECT_EQ(dialog.EditFileName->text(), "a.htm");
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "URL not found \"" + url + "\"");
    EXPECT_EQ(prompts.Records()[0].Caption, "Velmaris Glyphon");
}

TEST_F(InternetButtonTest, CancelledOpenURLChangesNothing) {
    Begin(root + "/a.htm");
    WhenShown<TFormOpenURL>([](TFormOpenURL* shown) { shown->reject(); });
    QTest::mouseClick(dialog.ButtonInternet, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.FileName, root + "/a.htm");
    EXPECT_TRUE(prompts.Records().isEmpty());
}

} // namespace
