// The recent-files list on its own: adding, moving and dropping entries, the settings-file keys
// and the menu items.
#include "app/TBMRUList.h"

#include "common/GlyphErrors.h"
#include "common/SettingsIni.h"
#include "support/QtPrinters.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class MRUList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = QDir(dir.path()).canonicalPath();
    }

    // A file that exists, so that entries can be compared as files on disk.
    QString File(const QString& name) {
        const QString path = root + '/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        return path;
    }

    QStringList Files(int count, const QString& stem = "f") {
        QStringList paths;
        for (int i = 1; i <= count; ++i)
            paths << File(stem + QString::number(i) + ".htm");
        return paths;
    }

    QTemporaryDir dir;
    QString root;
};

TEST_F(MRUList, AddPutsTheNewestFirstAndKeepsTenEntries) {
    const QStringList f = Files(12);
    struct {
        const char* what;
        QStringList added;
        QStringList expected;
    } cases[] = {
        {"one entry", {f[0]}, {f[0]}},
        {"newest first", {f[0], f[1], f[2]}, {f[2], f[1], f[0]}},
        {"an entry added again moves to the top without a duplicate",
         {f[0], f[1], f[2], f[0]},
         {f[0], f[2], f[1]}},
        {"the top entry added again stays alone at the top", {f[0], f[1], f[1]}, {f[1], f[0]}},
        {"ten entries all stay",
         f.mid(0, 10),
         {f[9], f[8], f[7], f[6], f[5], f[4], f[3], f[2], f[1], f[0]}},
        {"an eleventh pushes the oldest out",
         f.mid(0, 11),
         {f[10], f[9], f[8], f[7], f[6], f[5], f[4], f[3], f[2], f[1]}},
        {"twelve drop the two oldest",
         f,
         {f[11], f[10], f[9], f[8], f[7], f[6], f[5], f[4], f[3], f[2]}},
        {"reopening the oldest of ten keeps all ten",
         f.mid(0, 10) + QStringList{f[0]},
         {f[0], f[9], f[8], f[7], f[6], f[5], f[4], f[3], f[2], f[1]}},
    };
    for (const auto& c : cases) {
        TTBMRUList list;
        for (const QString& path : c.added)
            list.Add(path);
        EXPECT_EQ(list.Items(), c.expected) << c.what;
        EXPECT_LE(list.Items().size(), TTBMRUList::MaxItems) << c.what;
    }
}

TEST_F(MRUList, AddStoresFullPaths) {
    const QString page = File("sub/page.htm");
    struct {
        const char* what;
        QString added;
        QString expected;
    } cases[] = {
        {"a full path stays", page, page},
        {"dot segments are resolved", root + "/sub/../sub/./page.htm", page},
        {"a doubled separator is cleaned", root + "//sub/page.htm", page},
        {"a name that does not exist is still expanded", root + "/sub/../gone.htm",
         root + "/gone.htm"},
    };
    for (const auto& c : cases) {
        TTBMRUList list;
        list.Add(c.added);
        EXPECT_EQ(list.Items(), QStringList{c.expected}) << c.what;
    }

    // A relative name is taken in the working folder.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root + "/sub"));
    TTBMRUList list;
    list.Add("page.htm");
    QDir::setCurrent(previous);
    EXPECT_EQ(list.Items(), QStringList{page});
}

TEST_F(MRUList, AnotherNameOfTheSameFileMovesTheEntryAndTakesTheNewText) {
    const QString page = File("page.htm");
    const QString other = File("other.htm");
    const QString link = root + "/link.htm";
    ASSERT_TRUE(QFile::link(page, link));
    TTBMRUList list;
    list.Add(page);
    list.Add(other);
    list.Add(link);
    EXPECT_EQ(list.Items(), (QStringList{link, other}));
}

TEST_F(MRUList, NamesDifferingInCaseAreTwoFilesHere) {
    const QString lower = File("page.htm");
    const QString upper = File("PAGE.htm");
    TTBMRUList list;
    list.Add(lower);
    list.Add(upper);
    EXPECT_EQ(list.Items(), (QStringList{upper, lower}));
}

TEST_F(MRUList, SameFileName) {
    const QString page = File("page.htm");
    const QString other = File("other.htm");
    const QString link = root + "/link.htm";
    ASSERT_TRUE(QFile::link(page, link));
    const QString hard = root + "/hard.htm";
    ASSERT_TRUE(QFile::copy(page, root + "/copy.htm"));
    ASSERT_EQ(::link(QFile::encodeName(page).constData(), QFile::encodeName(hard).constData()), 0);
    struct {
        QString a;
        QString b;
        bool same;
    } cases[] = {
        {page, page, true},
        {page, other, false},
        {page, link, true},
        {page, hard, true},
        {page, root + "/copy.htm", false},
        {page, root + "/./page.htm", true},
        {page, root + "/PAGE.htm", false},
        {root + "/gone.htm", root + "/gone.htm", true},
        {root + "/gone.htm", root + "/other-gone.htm", false},
        {root + "/gone.htm", page, false},
        {QString(), QString(), true},
        {QString(), page, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameFileName(c.a, c.b), c.same)
            << c.a.toStdString() << " / " << c.b.toStdString();
        EXPECT_EQ(SameFileName(c.b, c.a), c.same)
            << c.b.toStdString() << " / " << c.a.toStdString();
    }
}

TEST_F(MRUList, RemoveTakesOnlyTheMatchingEntry) {
    const QStringList f = Files(11);
    struct {
        const char* what;
        QStringList added;
        QString removed;
        QStringList expected;
    } cases[] = {
        {"the top entry", {f[0], f[1], f[2]}, f[2], {f[1], f[0]}},
        {"an entry in the middle", {f[0], f[1], f[2]}, f[1], {f[2], f[0]}},
        {"a name that is not listed changes nothing", {f[0], f[1]}, f[5], {f[1], f[0]}},
        {"a full list loses nothing for a name it does not hold",
         f.mid(0, 10),
         f[10],
         {f[9], f[8], f[7], f[6], f[5], f[4], f[3], f[2], f[1], f[0]}},
        {"the same file under another spelling", {f[0], f[1]}, root + "/./f1.htm", {f[1]}},
        {"the only entry", {f[0]}, f[0], {}},
    };
    for (const auto& c : cases) {
        TTBMRUList list;
        for (const QString& path : c.added)
            list.Add(path);
        list.Remove(c.removed);
        EXPECT_EQ(list.Items(), c.expected) << c.what;
    }
}

// --- Settings file ------------------------------------------------------------------------------

TEST_F(MRUList, LoadReadsTheNonEmptyKeysInOrder) {
    TIniFile ini(root + "/Settings.ini");
    ini.WriteString("TFormGlyphon", "MRU1", "/a/one.htm");
    ini.WriteString("TFormGlyphon", "MRU2", "");
    ini.WriteString("TFormGlyphon", "MRU3", "/a/three.htm");
    ini.WriteString("TFormGlyphon", "MRU10", "/a/ten.htm");
    ini.WriteString("TFormGlyphon", "MRU11", "/a/eleven.htm");
    ini.WriteString("TFormGlyphon", "MRU0", "/a/zero.htm");
    ini.WriteString("Other", "MRU4", "/a/elsewhere.htm");

    TTBMRUList list;
    list.Add(File("before.htm")); // loading replaces what was there
    list.LoadFromIni(ini, "TFormGlyphon");
    EXPECT_EQ(list.Items(), (QStringList{"/a/one.htm", "/a/three.htm", "/a/ten.htm"}));

    list.LoadFromIni(ini, "Missing");
    EXPECT_TRUE(list.Items().isEmpty());
}

TEST_F(MRUList, SaveWritesTheListAndDeletesTheKeysBeyondIt) {
    TIniFile ini(root + "/Settings.ini");
    for (int i = 1; i <= 10; ++i)
        ini.WriteString("TFormGlyphon", "MRU" + QString::number(i), "/old/" + QString::number(i));
    ini.WriteString("TFormGlyphon", "Other", "kept");

    const QStringList f = Files(3);
    TTBMRUList list;
    for (const QString& path : f)
        list.Add(path);
    list.SaveToIni(ini, "TFormGlyphon");

    TIniFile reread(root + "/Settings.ini");
    EXPECT_EQ(reread.ReadSection("TFormGlyphon"), (QStringList{"MRU1", "MRU2", "MRU3", "Other"}));
    EXPECT_EQ(reread.ReadString("TFormGlyphon", "MRU1"), f[2]);
    EXPECT_EQ(reread.ReadString("TFormGlyphon", "MRU2"), f[1]);
    EXPECT_EQ(reread.ReadString("TFormGlyphon", "MRU3"), f[0]);
    EXPECT_EQ(reread.ReadString("TFormGlyphon", "Other"), "kept");

    TTBMRUList loaded;
    loaded.LoadFromIni(reread, "TFormGlyphon");
    EXPECT_EQ(loaded.Items(), list.Items());

    list.Clear();
    list.SaveToIni(ini, "TFormGlyphon");
    EXPECT_EQ(TIniFile(root + "/Settings.ini").ReadSection("TFormGlyphon"), QStringList{"Other"});
}

TEST_F(MRUList, AFailedSaveReportsTheFile) {
    // A folder in the place of the file: no process, root included, can write it.
    const QString blocked = root + "/Blocked.ini";
    ASSERT_TRUE(QDir().mkpath(blocked));
    TIniFile ini(blocked);
    TTBMRUList list;
    list.Add(File("page.htm"));
    try {
        list.SaveToIni(ini, "TFormGlyphon");
        ADD_FAILURE() << "the save did not fail";
    } catch (const EGlyphError& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + blocked);
    }
}

// --- Menu ---------------------------------------------------------------------------------------

TEST_F(MRUList, ItemCaption) {
    struct {
        int index;
        QString path;
        QString caption;
    } cases[] = {
        {0, "/a/page.htm", "&1 /a/page.htm"},
        {8, "/a/page.htm", "&9 /a/page.htm"},
        {9, "/a/page.htm", "&A /a/page.htm"},
        {1, "/a/R&D notes.txt", "&2 /a/R&&D notes.txt"},
        {2, "/a/%1 and %2.htm", "&3 /a/%1 and %2.htm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TTBMRUList::ItemCaption(c.index, c.path), c.caption) << c.index;
}

TEST_F(MRUList, MenuShowsOneItemPerEntryBeforeTheGivenItem) {
    QMenu menu;
    QAction* first = menu.addAction("First");
    menu.addSeparator();
    QAction* end = menu.addSeparator();
    QAction* last = menu.addAction("Last");

    TTBMRUList list;
    list.SetMenu(&menu, end);
    ASSERT_EQ(list.MenuItems().size(), TTBMRUList::MaxItems);
    for (QAction* item : list.MenuItems())
        EXPECT_FALSE(item->isVisible()) << "an empty list shows nothing";

    const QStringList f = Files(11);
    for (const QString& path : f)
        list.Add(path);
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 4 + TTBMRUList::MaxItems);
    EXPECT_EQ(actions.first(), first);
    EXPECT_EQ(actions.at(actions.size() - 2), end);
    EXPECT_EQ(actions.last(), last);
    const QString accelerators = "123456789A";
    for (int i = 0; i < TTBMRUList::MaxItems; ++i) {
        QAction* item = actions.at(2 + i);
        EXPECT_EQ(item, list.MenuItems().at(i));
        EXPECT_TRUE(item->isVisible()) << i;
        EXPECT_EQ(item->text(), QStringLiteral("&%1 %2").arg(accelerators[i]).arg(f[10 - i]));
    }

    list.Remove(f[10]);
    list.Remove(f[9]);
    EXPECT_EQ(list.MenuItems().at(0)->text(), "&1 " + f[8]);
    EXPECT_TRUE(list.MenuItems().at(7)->isVisible());
    EXPECT_FALSE(list.MenuItems().at(8)->isVisible());
    EXPECT_FALSE(list.MenuItems().at(9)->isVisible());

    list.Clear();
    for (QAction* item : list.MenuItems())
        EXPECT_FALSE(item->isVisible());
}

TEST_F(MRUList, ChoosingAnItemReportsItsPathEvenWhenTheListChangesUnderIt) {
    QMenu menu;
    QAction* end = menu.addSeparator();
    TTBMRUList list;
    list.SetMenu(&menu, end);
    const QStringList f = Files(3);
    for (const QString& path : f)
        list.Add(path);

    // The window's handler opens the file, which moves it to the top of the list.
    QStringList chosen;
    QObject::connect(&list, &TTBMRUList::Click, [&](const QString& path) {
        chosen << path;
        list.Add(path);
    });
    list.MenuItems().at(2)->trigger();
    EXPECT_EQ(chosen, QStringList{f[0]});
    EXPECT_EQ(list.Items(), (QStringList{f[0], f[2], f[1]}));
    EXPECT_EQ(list.MenuItems().at(0)->text(), "&1 " + f[0]);

    list.MenuItems().at(1)->trigger();
    EXPECT_EQ(chosen, (QStringList{f[0], f[2]}));
}

TEST_F(MRUList, SettingTheMenuAgainReplacesTheItems) {
    QMenu menu;
    QAction* end = menu.addSeparator();
    TTBMRUList list;
    list.Add(File("page.htm"));
    list.SetMenu(&menu, end);
    list.SetMenu(&menu, end);
    EXPECT_EQ(menu.actions().size(), 1 + TTBMRUList::MaxItems);
    EXPECT_EQ(list.MenuItems().at(0)->text(), "&1 " + root + "/page.htm");
    EXPECT_TRUE(list.MenuItems().at(0)->isVisible());
}

} // namespace
