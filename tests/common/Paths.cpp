#include "common/Paths.h"

#include "support/ScopedEnv.h"
#include "support/TestEnvironment.h"

#include "support/QtPrinters.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QString DataHome() {
    return TestEnvironment::Root() + "/home/.local/share";
}

// A path below a regular file: no process, root included, can create a folder there.
QString UncreatableFolder(const QTemporaryDir& dir) {
    QFile blocker(dir.filePath("blocker"));
    blocker.open(QIODevice::WriteOnly);
    return dir.filePath("blocker/data");
}
} // namespace

TEST(ProgramPaths, ProgramFilePathJoinsTheProgramFolderWithTheName) {
    EXPECT_EQ(ProgramFolder(), TestEnvironment::ProgramDir() + '/');
    EXPECT_EQ(ProgramFilePath("english.txt"), TestEnvironment::ProgramDir() + "/english.txt");
    EXPECT_EQ(ProgramFilePath("WdgHtml40/index.html"),
              TestEnvironment::ProgramDir() + "/WdgHtml40/index.html");
}

TEST(ProgramPaths, OverrideWithOrWithoutTrailingSeparatorGivesOneSeparator) {
    SetProgramFolderOverride("/opt/glyphon");
    EXPECT_EQ(ProgramFolder(), "/opt/glyphon/");
    SetProgramFolderOverride("/opt/glyphon/");
    EXPECT_EQ(ProgramFolder(), "/opt/glyphon/");
    SetProgramFolderOverride(TestEnvironment::ProgramDir());
}

TEST(SpecialFolders, ApplicationDataIsTheXdgDataFolderWithTrailingSeparator) {
    EXPECT_EQ(SpecialFolderPath(TSpecialFolder::ApplicationData), DataHome() + '/');
}

TEST(SpecialFolders, InternetCacheIsTheProductFolderInTheXdgCache) {
    const QString expected =
        TestEnvironment::Root() + "/home/.cache/Velmaris/Velmaris Glyphon/Internet Cache/";
    EXPECT_EQ(SpecialFolderPath(TSpecialFolder::InternetCache), expected);
    EXPECT_EQ(InternetCacheFolder(), expected);
}

TEST(DataFilePaths, MakerAndProductPathsLieInTheApplicationDataFolderAndAreCreated) {
    const QString maker = MakerDataFilePath("userdict.txt");
    EXPECT_EQ(maker, DataHome() + "/Velmaris/userdict.txt");
    EXPECT_TRUE(QFileInfo(DataHome() + "/Velmaris").isDir());

    const QString product = ProductDataFilePath("twt_preview.html");
    EXPECT_EQ(product, DataHome() + "/Velmaris/Velmaris Glyphon/twt_preview.html");
    EXPECT_TRUE(QFileInfo(DataHome() + "/Velmaris/Velmaris Glyphon").isDir());
}

TEST(DataFilePaths, SubfoldersInTheNameAreCreatedToo) {
    const QString path = ProductDataFilePath("previews/temp.htm");
    EXPECT_EQ(path, DataHome() + "/Velmaris/Velmaris Glyphon/previews/temp.htm");
    EXPECT_TRUE(QFileInfo(QFileInfo(path).path()).isDir());
}

TEST(DataFilePaths, AMissingApplicationDataFolderIsCreated) {
    QTemporaryDir dir;
    const QString fresh = dir.filePath("new-account/.local/share");
    ScopedEnv env("XDG_DATA_HOME", QFile::encodeName(fresh));
    EXPECT_EQ(MakerDataFilePath("userdict.txt"), fresh + "/Velmaris/userdict.txt");
    EXPECT_TRUE(QFileInfo(fresh + "/Velmaris").isDir());
}

TEST(DataFilePaths, AnApplicationDataFolderThatCannotBeMadeIsStillNamedNeverTheProgramFolder) {
    QTemporaryDir dir;
    const QString data = UncreatableFolder(dir);
    ScopedEnv env("XDG_DATA_HOME", QFile::encodeName(data));
    EXPECT_EQ(MakerDataFilePath("userdict.txt"), data + "/Velmaris/userdict.txt");
    EXPECT_EQ(ProductDataFilePath("twt_preview.html"),
              data + "/Velmaris/Velmaris Glyphon/twt_preview.html");
}

TEST(UserFiles, EachKindLiesInItsXdgFolderCreatedForItsOwnerOnly) {
    const QString home = TestEnvironment::Root() + "/home";
    const struct {
        TUserFolder Folder;
        QString Expected;
    } cases[] = {
        {TUserFolder::Config, home + "/.config/Velmaris/Velmaris Glyphon/Settings.ini"},
        {TUserFolder::Cache, home + "/.cache/Velmaris/Velmaris Glyphon/Temp1.html"},
        {TUserFolder::State, home + "/.local/state/Velmaris/Velmaris Glyphon/recovery/a"},
    };
    for (const auto& c : cases) {
        const QString name = QFileInfo(c.Expected).path().endsWith("recovery")
                                 ? QStringLiteral("recovery/a")
                                 : QFileInfo(c.Expected).fileName();
        EXPECT_EQ(UserFilePath(c.Folder, name), c.Expected);
        for (QString dir = QFileInfo(c.Expected).path(); !dir.endsWith("/Velmaris");
             dir = QFileInfo(dir).path())
            EXPECT_EQ(QFileInfo(dir).permissions() & 0x0777, QFileDevice::Permissions(0x0700))
                << dir.toStdString();
    }
}

TEST(UserFiles, AUsersOwnCopyOfAShippedFileWins) {
    EXPECT_EQ(UserOrShippedFilePath("lang.txt"), ProgramFilePath("lang.txt"));
    const QString own = UserFilePath(TUserFolder::Config, "lang.txt");
    QFile(own).open(QIODevice::WriteOnly);
    EXPECT_EQ(UserOrShippedFilePath("lang.txt"), own);
    QFile::remove(own);
}

TEST(ProgramPaths, AnInstalledExecutableReadsTheSharedDataFolder) {
    QTemporaryDir prefix;
    QDir().mkpath(prefix.filePath("bin"));
    QDir().mkpath(prefix.filePath("build/bin"));
    QDir().mkpath(prefix.filePath("share/velmaris-glyphon"));
    EXPECT_EQ(DataFolderForExecutableFolder(prefix.filePath("bin")),
              prefix.filePath("share/velmaris-glyphon/"));
    EXPECT_EQ(DataFolderForExecutableFolder(prefix.filePath("build/bin")),
              prefix.filePath("build/bin/"));
}
