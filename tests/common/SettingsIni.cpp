#include "common/SettingsIni.h"

#include "common/DockLayout.h"
#include "common/GlyphErrors.h"
#include "common/Paths.h"

#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {
QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class IniFileTest : public ::testing::Test {
protected:
    QString Path() const { return dir_.filePath("Settings.ini"); }
    QTemporaryDir dir_;
};

// Keeps a folder read-only for one test and makes it writable again afterwards.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : folder_(folder) {
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                           QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
    ~ReadOnlyFolder() {
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
    }

private:
    QString folder_;
};
} // namespace

TEST(SettingsIniObject, IsOneSharedObjectOnSettingsIniInTheProgramFolder) {
    EXPECT_EQ(&SettingsIni(), &SettingsIni());
    EXPECT_EQ(SettingsIni().FileName(), TestEnvironment::SettingsPath());
}

struct StringCase {
    const char* name;
    QString value;
};

class IniStringRoundTrip : public ::testing::TestWithParam<StringCase> {};

TEST_P(IniStringRoundTrip, ValueReadByASecondObjectEqualsTheValueWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    TIniFile writer(path);
    writer.WriteString("TFormGlyphon", "MRU1", GetParam().value);
    // A fresh object reads the file itself: the write reached it.
    EXPECT_EQ(TIniFile(path).ReadString("TFormGlyphon", "MRU1", "absent"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniStringRoundTrip,
    ::testing::Values(StringCase{"plain", "/home/user/page.htm"}, StringCase{"empty", ""},
                      StringCase{"comma", "/home/user/a, b.htm"},
                      StringCase{"spaces", "  leading and trailing  "},
                      StringCase{"quotes", "say \"hi\""},
                      StringCase{"backslash", "C:\\Web\\index.html"},
                      StringCase{"semicolon", "a;b # c"}, StringCase{"equals", "key=value"},
                      StringCase{"unicode",
                                 QString::fromUtf8("r\xc3\xa9sum\xc3\xa9 \xe2\x82\xac.htm")},
                      StringCase{"brackets", "[section]"}),
    [](const ::testing::TestParamInfo<StringCase>& info) { return std::string(info.param.name); });

TEST_F(IniFileTest, IntegersAndBooleansAreWrittenAsDecimalNumbers) {
    TIniFile ini(Path());
    ini.WriteInteger("TFormGlyphonTBWindowExplorer", "Rev", 2000);
    ini.WriteBool("TFormGlyphonTBWindowExplorer", "Visible", true);
    ini.WriteBool("TFormGlyphonTBWindowExplorer", "Floating", false);
    ini.WriteInteger("TFormGlyphonTBWindowExplorer", "FloatLeft", -12);
    const QByteArray text = FileBytes(Path());
    EXPECT_TRUE(text.contains("[TFormGlyphonTBWindowExplorer]")) << text.constData();
    EXPECT_TRUE(text.contains("Rev=2000")) << text.constData();
    EXPECT_TRUE(text.contains("Visible=1")) << text.constData();
    EXPECT_TRUE(text.contains("Floating=0")) << text.constData();
    EXPECT_TRUE(text.contains("FloatLeft=-12")) << text.constData();
}

struct ReadCase {
    const char* stored;
    int integer;  // read with default 7
    bool boolean; // read with default true
};

class IniTypedReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniTypedReads, TextIsReadAsIntegerAndBooleanWithDefaults) {
    QTemporaryDir dir;
    WriteBytes(dir.filePath("a.ini"), QByteArray("[S]\nK=") + GetParam().stored + "\n");
    TIniFile ini(dir.filePath("a.ini"));
    EXPECT_EQ(ini.ReadInteger("S", "K", 7), GetParam().integer);
    EXPECT_EQ(ini.ReadBool("S", "K", true), GetParam().boolean);
}

INSTANTIATE_TEST_SUITE_P(Values, IniTypedReads,
                         ::testing::Values(ReadCase{"0", 0, false}, ReadCase{"1", 1, true},
                                           ReadCase{"42", 42, true}, ReadCase{"-3", -3, true},
                                           ReadCase{" 5 ", 5, true}, ReadCase{"true", 7, true},
                                           ReadCase{"false", 7, false}, ReadCase{"abc", 7, true},
                                           ReadCase{"", 7, true}, ReadCase{"12x", 7, true}));

TEST_F(IniFileTest, MissingSectionsAndKeysReadAsTheirDefaults) {
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Nowhere", "MRU1", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Nowhere", "Rev", 5), 5);
    EXPECT_FALSE(ini.ReadBool("Nowhere", "Visible", false));
    EXPECT_FALSE(ini.SectionExists("Nowhere"));
    EXPECT_FALSE(ini.ValueExists("Nowhere", "MRU1"));
    EXPECT_TRUE(ini.ReadSection("Nowhere").isEmpty());
    EXPECT_FALSE(QFile::exists(Path())) << "reading must not create the file";
}

TEST_F(IniFileTest, AHandWrittenValueWithCommasReadsAsWritten) {
    WriteBytes(Path(), "[TFormGlyphon]\nMRU1=/home/a, b.htm\n");
    EXPECT_EQ(TIniFile(Path()).ReadString("TFormGlyphon", "MRU1"), "/home/a, b.htm");
}

TEST_F(IniFileTest, TheFileStaysAPlainIniFileInTheOrderItWasWritten) {
    struct Case {
        const char* Name;
        QByteArray Before; // the file as it stood
        std::function<void(TIniFile&)> Writes;
        QByteArray After;
        QStringList Sections;
    };
    const Case cases[] = {
        {"names as typed, sections and keys in write order",
         "",
         [](TIniFile& ini) {
             ini.WriteString("Zed Site", "HostName", "z.example.org");
             ini.WriteString("a/b", "HostName", "a");
             ini.WriteString("Zed Site", "UserName", "me");
             ini.WriteString("zed site", "HostName", "z2");
         },
         "[Zed Site]\nHostName=z2\nUserName=me\n\n[a/b]\nHostName=a\n",
         {"Zed Site", "a/b"}},
        {"comments and order kept",
         "; sites\n[B]\n# first\nK=1\n\n[A]\nK=2\n",
         [](TIniFile& ini) {
             ini.WriteString("B", "L", "x");
             ini.WriteString("C", "K", " padded ");
         },
         "; sites\n[B]\n# first\nK=1\nL=x\n\n[A]\nK=2\n\n[C]\nK=\" padded \"\n",
         {"B", "A", "C"}},
        {"the escaped form written before is read, and written anew as typed",
         "[My%20Site]\nPassword=\"pa, \\\"ss\"\n[Caf%E9%U20AC]\nK=1\n",
         [](TIniFile& ini) {
             EXPECT_EQ(ini.ReadString("My Site", "Password"), "pa, \"ss");
             ini.WriteString("My Site", "HostName", "h");
         },
         "[My Site]\nPassword=pa, \"ss\nHostName=h\n\n[Caf\xc3\xa9\xe2\x82\xac]\nK=1\n",
         {"My Site", QString::fromUtf8("Caf\xc3\xa9\xe2\x82\xac")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(Path());
        if (!c.Before.isEmpty())
            WriteBytes(Path(), c.Before);
        TIniFile ini(Path());
        c.Writes(ini);
        EXPECT_EQ(FileBytes(Path()), c.After);
        EXPECT_EQ(TIniFile(Path()).ReadSections(), c.Sections);
    }
}

TEST_F(IniFileTest, ReadsSeeChangesMadeToTheFileByAnotherProcess) {
    TIniFile ini(Path());
    ini.WriteString("TFormGlyphon", "MRU1", "/a.htm");
    // Another program instance rewrites the shared file.
    WriteBytes(Path(), "[TFormGlyphon]\nMRU1=/written/by/the/other/window.htm\n");
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU1"), "/written/by/the/other/window.htm");
}

TEST_F(IniFileTest, DeleteKeyAndEraseSectionRemoveFromTheFile) {
    TIniFile ini(Path());
    ini.WriteString("A", "One", "1");
    ini.WriteString("A", "Two", "2");
    ini.WriteString("B", "Three", "3");
    ini.DeleteKey("A", "One");
    ini.DeleteKey("A", "NotThere");
    TIniFile reader(Path());
    EXPECT_EQ(reader.ReadSection("A"), QStringList{"Two"});
    EXPECT_TRUE(reader.ValueExists("B", "Three"));
    ini.EraseSection("A");
    EXPECT_FALSE(TIniFile(Path()).SectionExists("A"));
    EXPECT_TRUE(TIniFile(Path()).SectionExists("B"));
    EXPECT_EQ(TIniFile(Path()).ReadSections(), QStringList{"B"});
}

TEST_F(IniFileTest, SavingThreeRecentFilesOverTenLeavesOnlyKeysOneToThree) {
    TIniFile ini(Path());
    ini.WriteString("TFormGlyphonTBToolbarToolbar", "Rev", "2000");
    for (int i = 1; i <= 10; ++i)
        ini.WriteString("TFormGlyphon", QString("MRU%1").arg(i), QString("/old/%1.htm").arg(i));

    // How the recent-files list is saved: its entries, then the keys beyond its length go.
    const QStringList recent{"/new/a.htm", "/new/b.htm", "/new/c.htm"};
    for (int i = 1; i <= 10; ++i) {
        const QString key = QString("MRU%1").arg(i);
        if (i <= recent.size())
            ini.WriteString("TFormGlyphon", key, recent.at(i - 1));
        else
            ini.DeleteKey("TFormGlyphon", key);
    }

    TIniFile reader(Path());
    EXPECT_EQ(reader.ReadSection("TFormGlyphon"), (QStringList{"MRU1", "MRU2", "MRU3"}));
    EXPECT_EQ(reader.ReadString("TFormGlyphon", "MRU3"), "/new/c.htm");
    EXPECT_TRUE(reader.ValueExists("TFormGlyphonTBToolbarToolbar", "Rev"));
}

TEST_F(IniFileTest, BatchWritesEverythingAtTheEnd) {
    TIniFile ini(Path());
    ini.Batch([&] {
        ini.WriteString("S", "A", "1");
        ini.WriteInteger("S", "B", 2);
        EXPECT_FALSE(QFile::exists(Path())) << "nothing is written before the batch ends";
    });
    EXPECT_EQ(TIniFile(Path()).ReadSection("S"), (QStringList{"A", "B"}));
}

TEST_F(IniFileTest, ABatchThatFailsLeavesTheFileAndTheObjectUnchanged) {
    TIniFile ini(Path());
    ini.WriteString("S", "Kept", "yes");
    EXPECT_THROW(ini.Batch([&] {
        ini.WriteString("S", "Dropped", "no");
        throw EGlyphError("stop");
    }),
                 EGlyphError);
    EXPECT_FALSE(ini.ValueExists("S", "Dropped"));
    EXPECT_FALSE(TIniFile(Path()).ValueExists("S", "Dropped"));
    EXPECT_EQ(ini.ReadString("S", "Kept"), "yes");
}

TEST(IniWriteFailure, AFileNoProcessCanCreateRaisesUnableToWrite) {
    // The settings file lies below a regular file, so its folder cannot be made by anyone;
    // unlike permission bits this holds for root too, under which the tests may run.
    QTemporaryDir dir;
    WriteBytes(dir.filePath("program"), "not a folder");
    const QString path = dir.filePath("program/Settings.ini");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU1", "none"), "none");
    try {
        ini.WriteString("TFormGlyphon", "MRU1", "/a.htm");
        FAIL() << "the write was reported as done";
    } catch (const EGlyphError& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + path);
    }
    // The value that did not reach the file is not read back either, by this object or by
    // another one on the same file (Qt shares one cache per file).
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU1", "none"), "none");
    EXPECT_EQ(TIniFile(path).ReadString("TFormGlyphon", "MRU1", "none"), "none");
    // Deleting a key the file does not hold needs no write.
    EXPECT_NO_THROW(ini.DeleteKey("TFormGlyphon", "MRU1"));
    EXPECT_THROW(ini.WriteBool("TFormGlyphon", "Visible", true), EGlyphError);
}

TEST(IniWriteFailure, AReadOnlySettingsFileRaisesUnableToWrite) {
    // A 0444 file is opened for writing only by root; for everyone else this must fail, and for
    // root the value must really be in the file.
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    WriteBytes(path, "[TFormGlyphon]\nMRU1=/kept.htm\n");
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU1"), "/kept.htm");
    bool raised = false;
    try {
        ini.WriteString("TFormGlyphon", "MRU1", "/new.htm");
    } catch (const EGlyphError& error) {
        raised = true;
        EXPECT_EQ(error.Message(), "Unable to write to " + path);
    }
    const QByteArray content = FileBytes(path);
    const char* expected = raised ? "MRU1=/kept.htm" : "MRU1=/new.htm";
    EXPECT_TRUE(content.contains(expected)) << content.constData();
    if (geteuid() != 0) {
        EXPECT_TRUE(raised);
    }
}

TEST(IniWriteFailure, ReadOnlySettingsFolderReadsButReportsTheWrite) {
    const QString path = TestEnvironment::SettingsPath();
    SettingsIni().WriteString("TFormGlyphon", "MRU1", "/before.htm");
    {
        ReadOnlyFolder readOnly(QFileInfo(TestEnvironment::SettingsPath()).path());
        EXPECT_EQ(SettingsIni().ReadString("TFormGlyphon", "MRU1"), "/before.htm");
        bool raised = false;
        try {
            SettingsIni().WriteString("TFormGlyphon", "MRU1", "/after.htm");
        } catch (const EGlyphError& error) {
            raised = true;
            EXPECT_EQ(error.Message(), "Unable to write to " + path);
        }
        // Root writes into a 0555 folder regardless; what must never happen is a write reported
        // as done that is not in the file, or an error for a write that happened.
        const QByteArray content = FileBytes(path);
        EXPECT_EQ(content.contains("MRU1=/after.htm"), !raised) << content.constData();
        EXPECT_EQ(SettingsIni().ReadString("TFormGlyphon", "MRU1"),
                  raised ? "/before.htm" : "/after.htm");
        if (geteuid() != 0) {
            EXPECT_TRUE(raised);
        }
    }
    SettingsIni().EraseSection("TFormGlyphon");
}

// --- Layout sections of the dockable bars and panes ---

TEST(DockLayoutSection, IsTheFormClassFollowedByTheBarName) {
    EXPECT_EQ(DockLayoutSection("TFormGlyphon", "TBToolbarMainMenu"),
              "TFormGlyphonTBToolbarMainMenu");
}

TEST_F(IniFileTest, ToolBarLayoutRoundTripsWithEveryKey) {
    TIniFile ini(Path());
    TDockLayout bar;
    bar.Visible = false;
    bar.DockedTo = "+";
    bar.LastDock = "TBDockTop";
    bar.DockRow = 1;
    bar.DockPos = 230;
    bar.FloatLeft = 310;
    bar.FloatTop = 144;
    bar.FloatRightX = 420;
    WriteDockLayout(ini, "TFormGlyphonTBToolbarToolbar", bar);

    TIniFile reader(Path());
    EXPECT_EQ(reader.ReadSection("TFormGlyphonTBToolbarToolbar"),
              (QStringList{"Rev", "Visible", "DockedTo", "LastDock", "DockRow", "DockPos",
                           "FloatLeft", "FloatTop", "FloatRightX"}));
    EXPECT_EQ(reader.ReadInteger("TFormGlyphonTBToolbarToolbar", "Rev"), 2000);
    EXPECT_EQ(ReadDockLayout(reader, "TFormGlyphonTBToolbarToolbar"), bar);
}

TEST_F(IniFileTest, PaneLayoutRoundTripsWithClientSize) {
    TIniFile ini(Path());
    TDockLayout pane;
    pane.DockedTo = "TBDockLeft";
    pane.ClientWidth = 180;
    pane.ClientHeight = 400;
    WriteDockLayout(ini, "TFormGlyphonTBWindowExplorer", pane);
    EXPECT_EQ(ReadDockLayout(TIniFile(Path()), "TFormGlyphonTBWindowExplorer"), pane);
    EXPECT_FALSE(TIniFile(Path()).ValueExists("TFormGlyphonTBWindowExplorer", "FloatRightX"));
}

TEST_F(IniFileTest, ASectionOfAnotherRevisionOrWithoutRevisionIsIgnored) {
    WriteBytes(Path(), "[TFormGlyphonTBWindowPreview]\nRev=1999\nVisible=0\nDockedTo=+\n"
                       "[TFormGlyphonTBToolbarMainMenu]\nVisible=0\nDockedTo=+\n");
    TIniFile ini(Path());
    EXPECT_FALSE(ReadDockLayout(ini, "TFormGlyphonTBWindowPreview"));
    EXPECT_FALSE(ReadDockLayout(ini, "TFormGlyphonTBToolbarMainMenu"));
    EXPECT_FALSE(ReadDockLayout(ini, "TFormGlyphonTBWindowExplorer"));
}

TEST_F(IniFileTest, EmptyDockedToMeansNeitherDockedNorFloating) {
    WriteBytes(Path(), "[TFormGlyphonTBWindowPreview]\nRev=2000\nVisible=1\nDockedTo=\n");
    const auto layout = ReadDockLayout(TIniFile(Path()), "TFormGlyphonTBWindowPreview");
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->DockedTo.isEmpty());
    EXPECT_TRUE(layout->Visible);
    EXPECT_FALSE(layout->ClientWidth);
}
