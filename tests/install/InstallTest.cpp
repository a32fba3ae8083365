// The build installed into a temporary DESTDIR with the prefix of the Debian package, checked as
// a desktop and a user would meet it.
#include "common/AppTitle.h"
#include "common/Paths.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {
QTemporaryDir* destDir = nullptr;

QString Prefix() {
    return destDir->path() + "/usr";
}

// Every file below Folder by its relative path, with its size, time and mode to show a change.
QMap<QString, QString> Snapshot(const QString& folder) {
    QMap<QString, QString> files;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo info(it.next());
        files.insert(QDir(folder).relativeFilePath(info.filePath()),
                     QStringLiteral("%1 %2 %3")
                         .arg(info.size())
                         .arg(info.lastModified().toMSecsSinceEpoch())
                         .arg(int(info.permissions())));
    }
    return files;
}

// Runs Program to its end; its exit code (-1 for a crash) and everything it printed.
std::pair<int, QString> RunToEnd(const QString& program, const QStringList& args,
                                 const QProcessEnvironment& env = {}) {
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {-1, program + " did not finish: " + p.errorString()};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAll())};
}

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        destDir = new QTemporaryDir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", destDir->path());
        const auto [code, output] = RunToEnd(
            GLYPHON_CMAKE_COMMAND, {"--install", GLYPHON_BUILD_DIR, "--prefix", "/usr"}, env);
        ASSERT_EQ(code, 0) << output.toStdString();
    }
    static void TearDownTestSuite() {
        RunToEnd("chmod", {"-R", "u+w", destDir->path()});
        delete destDir;
        destDir = nullptr;
    }
};
} // namespace

TEST_F(Installed, PutsEachFileWhereTheDesktopLooksForIt) {
    const QString id = QFileInfo(DesktopFileId()).completeBaseName();
    const struct {
        QString Path;
        int IconSize;
    } cases[] = {
        {"share/applications/" + DesktopFileId(), 0},
        {"share/metainfo/" + id + ".metainfo.xml", 0},
        {"share/icons/hicolor/scalable/apps/" + id + ".svg", 0},
        {"share/icons/hicolor/48x48/apps/" + id + ".png", 48},
        {"share/icons/hicolor/256x256/apps/" + id + ".png", 256},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(QFileInfo(Prefix() + '/' + c.Path).isFile()) << c.Path.toStdString();
        if (c.IconSize > 0) {
            EXPECT_EQ(QImage(Prefix() + '/' + c.Path).size(), QSize(c.IconSize, c.IconSize))
                << c.Path.toStdString();
        }
    }
    for (const char* program : {"bin/glyphon", "lib/velmaris-glyphon/glyphon-tidy-helper"})
        EXPECT_TRUE(QFileInfo(Prefix() + '/' + program).isExecutable()) << program;
    EXPECT_TRUE(QFileInfo(Prefix() + "/lib/velmaris-glyphon/glyphon_webengine.so").isFile());
}

TEST_F(Installed, ShipsTheBuildsDataFolderWhereTheInstalledProgramReadsIt) {
    const QString data = Prefix() + "/share/velmaris-glyphon";
    EXPECT_EQ(DataFolderForExecutableFolder(Prefix() + "/bin"), data + '/');
    // The programs and the module built beside the data go to bin/ and lib/ instead.
    QMap<QString, QString> built = Snapshot(GLYPHON_BIN_DIR);
    built.removeIf([](const auto& file) {
        const QFileInfo info(QString(GLYPHON_BIN_DIR) + '/' + file.key());
        return info.isFile() && info.isExecutable();
    });
    const QMap<QString, QString> installed = Snapshot(data);
    EXPECT_EQ(installed.keys(), built.keys());
    for (const QString& name : built.keys()) {
        QFile a(QString(GLYPHON_BIN_DIR) + '/' + name), b(data + '/' + name);
        if (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) {
            EXPECT_TRUE(a.readAll() == b.readAll()) << name.toStdString();
        }
    }
}

TEST_F(Installed, DesktopEntryAndMetainfoPassTheirValidators) {
    const QString id = QFileInfo(DesktopFileId()).completeBaseName();
    const struct {
        QString Program;
        QStringList Args;
    } cases[] = {
        {"desktop-file-validate", {Prefix() + "/share/applications/" + DesktopFileId()}},
        {"appstreamcli",
         {"validate", "--no-net", Prefix() + "/share/metainfo/" + id + ".metainfo.xml"}},
    };
    for (const auto& c : cases) {
        const auto [code, output] = RunToEnd(c.Program, c.Args);
        EXPECT_EQ(code, 0) << output.toStdString();
        // Hints are advice; warnings and errors are not passed over.
        EXPECT_FALSE(output.contains("warning", Qt::CaseInsensitive)) << output.toStdString();
        EXPECT_FALSE(output.contains("error", Qt::CaseInsensitive)) << output.toStdString();
    }
}

TEST_F(Installed, WritesItsSettingsOnlyToThePerUserFolderWithAReadOnlyPrefix) {
    // A fresh account: every per-user folder follows from HOME; the runtime folder is the
    // temporary folder itself, made for its owner only.
    QTemporaryDir user;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        env.remove(name);
    env.insert("HOME", user.filePath("home"));
    env.insert("XDG_RUNTIME_DIR", user.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const QString settings =
        user.filePath("home/.config/" + MakerName() + '/' + ApplicationTitle() + "/Settings.ini");

    // Root ignores missing write bits, so the tree is also compared before and after.
    ASSERT_EQ(RunToEnd("chmod", {"-R", "a-w", Prefix()}).first, 0);
    const QMap<QString, QString> before = Snapshot(Prefix());

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(Prefix() + "/bin/glyphon", {});
    ASSERT_TRUE(program.waitForStarted(30000)) << program.errorString().toStdString();
    // The settings folder is made while the main window is built: the program is up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(settings).dir().exists(); }, 30000));
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << program.readAll().toStdString();
    EXPECT_EQ(program.exitCode(), 0);

    EXPECT_EQ(Snapshot(Prefix()), before);
    QStringList everySettingsFile;
    for (const QString& root : {user.path(), destDir->path()}) {
        for (QDirIterator it(root, {"Settings.ini"}, QDir::Files | QDir::Hidden,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            everySettingsFile << it.next();
    }
    EXPECT_EQ(everySettingsFile, QStringList{settings});
}
