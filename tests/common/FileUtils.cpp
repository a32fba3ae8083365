#include "common/FileUtils.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"
#include "common/TextUtils.h"

#include "support/QtPrinters.h"
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
constexpr auto ReadOnlyMode =
    QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
constexpr auto ReadOnlyFolderMode =
    ReadOnlyMode | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
constexpr auto WritableFolderMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A folder with the files and subfolders the read-only tests need. The read-only modes hold
// for root too: a path whose mode has no write bit counts as read-only for every process.
class FileTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(Writable(), "text");
        WriteBytes(ReadOnly(), "text");
        QFile::setPermissions(ReadOnly(), ReadOnlyMode);
        QDir().mkpath(dir_.filePath("locked"));
        WriteBytes(dir_.filePath("locked/inside.htm"), "text");
        QFile::setPermissions(dir_.filePath("locked"), ReadOnlyFolderMode);
        QDir().mkpath(InternetCacheFolder());
        WriteBytes(Cached(), "downloaded");
    }
    void TearDown() override {
        QFile::setPermissions(dir_.filePath("locked"), WritableFolderMode);
        QFile::remove(Cached());
    }

public:
    QString Writable() const { return dir_.filePath("page.htm"); }
    QString ReadOnly() const { return dir_.filePath("readonly.htm"); }
    QString Missing() const { return dir_.filePath("missing.htm"); }
    QString InLockedFolder() const { return dir_.filePath("locked/inside.htm"); }
    QString NewInLockedFolder() const { return dir_.filePath("locked/new.htm"); }
    QString InMissingFolder() const { return dir_.filePath("nowhere/page.htm"); }
    QString Cached() const { return InternetCacheFolder() + "page[1].htm"; }

protected:
    QTemporaryDir dir_;
};
} // namespace

TEST_F(FileTestFolder, FileReadOnlyWhenNotWritableOrWithoutWriteBitOrUnreadable) {
    EXPECT_FALSE(IsFileReadOnly(Writable()));
    EXPECT_TRUE(IsFileReadOnly(ReadOnly()));
    EXPECT_TRUE(IsFileReadOnly(Missing())) << "attributes that cannot be read count read-only";
    EXPECT_TRUE(IsFileReadOnly(dir_.path())) << "a folder is no file to write";
}

TEST_F(FileTestFolder, FolderReadOnlyForTheFolderPartOfTheName) {
    EXPECT_FALSE(IsFolderReadOnly(Writable()));
    EXPECT_FALSE(IsFolderReadOnly(Missing())) << "only the folder part matters";
    EXPECT_TRUE(IsFolderReadOnly(InLockedFolder()));
    EXPECT_TRUE(IsFolderReadOnly(InMissingFolder()));
    EXPECT_TRUE(IsFolderReadOnly("Untitled.htm")) << "no folder part";
    EXPECT_TRUE(IsFolderReadOnly(Writable() + "/below-a-file.htm")) << "a file is no folder";
    EXPECT_FALSE(IsFolderReadOnly(dir_.path() + "/")) << "a name ending in a separator";
}

TEST_F(FileTestFolder, InternetCacheIsMatchedWithoutRegardToCase) {
    EXPECT_TRUE(IsInInternetCache(Cached()));
    EXPECT_TRUE(IsInInternetCache(Cached().toUpper()));
    EXPECT_TRUE(IsInInternetCache(InternetCacheFolder() + "sub/x.htm"));
    EXPECT_FALSE(IsInInternetCache(Writable()));
    const QString sibling = InternetCacheFolder().chopped(1) + " Old/x.htm";
    EXPECT_FALSE(IsInInternetCache(sibling)) << "a folder that only begins like the cache";
    EXPECT_FALSE(IsInInternetCache(""));
}

struct SaveCase {
    const char* name;
    QString (FileTestFolder::*path)() const;
    bool canSaveInPlace;
    bool canWriteFile;
};

class SaveRules : public FileTestFolder, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveRules, DecideWhereADocumentCanBeSaved) {
    const QString path = (this->*GetParam().path)();
    EXPECT_EQ(CanSaveInPlace(path), GetParam().canSaveInPlace) << path.toStdString();
    EXPECT_EQ(CanWriteFile(path), GetParam().canWriteFile) << path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveRules,
    ::testing::Values(SaveCase{"writable", &FileTestFolder::Writable, true, true},
                      SaveCase{"readOnly", &FileTestFolder::ReadOnly, false, false},
                      SaveCase{"missing", &FileTestFolder::Missing, false, true},
                      SaveCase{"lockedFolder", &FileTestFolder::InLockedFolder, false, false},
                      SaveCase{"newInLockedFolder", &FileTestFolder::NewInLockedFolder, false,
                               false},
                      SaveCase{"missingFolder", &FileTestFolder::InMissingFolder, false, false},
                      SaveCase{"internetCache", &FileTestFolder::Cached, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveRulesUntitled, ANameWithoutFolderCannotBeWritten) {
    EXPECT_FALSE(CanSaveInPlace("Untitled.htm"));
    EXPECT_FALSE(CanWriteFile("Untitled.htm"));
}

// --- backups ---

struct BackupCase {
    const char* name;
    QString file;
    QString backup;
};

class BackupNames : public ::testing::TestWithParam<BackupCase> {};

TEST_P(BackupNames, PutTildeBeforeTheOldExtension) {
    EXPECT_EQ(BackupFileName(GetParam().file), GetParam().backup);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BackupNames,
    ::testing::Values(BackupCase{"html", "/w/index.html", "/w/index.~html"},
                      BackupCase{"twoDots", "/w/site.min.css", "/w/site.min.~css"},
                      BackupCase{"noExtension", "/w/README", "/w/README.~"},
                      BackupCase{"dotInFolder", "/w/v1.2/README", "/w/v1.2/README.~"},
                      BackupCase{"dotFile", "/w/.htaccess", "/w/.~htaccess"},
                      BackupCase{"trailingDot", "/w/name.", "/w/name.~"},
                      BackupCase{"relative", "page.htm", "page.~htm"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BackupCopy, CopiesTheFileAndReplacesAnOlderBackup) {
    QTemporaryDir dir;
    const QString file = dir.filePath("page.htm");
    WriteBytes(file, "new version");
    WriteBytes(dir.filePath("page.~htm"), "an older backup that is longer");
    EXPECT_TRUE(MakeBackupCopy(file));
    EXPECT_EQ(FileBytes(dir.filePath("page.~htm")), "new version");
    EXPECT_EQ(FileBytes(file), "new version");
}

TEST(BackupCopy, AMissingFileKeepsTheOlderBackup) {
    QTemporaryDir dir;
    WriteBytes(dir.filePath("page.~htm"), "older backup");
    EXPECT_FALSE(MakeBackupCopy(dir.filePath("page.htm")));
    EXPECT_EQ(FileBytes(dir.filePath("page.~htm")), "older backup");
}

TEST(BackupCopy, AFailedCopyIsReportedNotThrown) {
    QTemporaryDir dir;
    const QString file = dir.filePath("page.htm");
    WriteBytes(file, "x");
    QDir().mkpath(dir.filePath("page.~htm/occupied")); // a non-empty folder takes the name
    EXPECT_FALSE(MakeBackupCopy(file));
}

// --- file sizes ---

struct KilobyteCase {
    qint64 bytes;
    QString english;
    QString german;
};

class Kilobytes : public ::testing::TestWithParam<KilobyteCase> {
protected:
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_P(Kilobytes, CountUpwardWithTheLocalesThousandsSeparator) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatKilobytes(GetParam().bytes), GetParam().english);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatKilobytes(GetParam().bytes), GetParam().german);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Kilobytes,
    ::testing::Values(KilobyteCase{0, "0KB", "0KB"}, KilobyteCase{1, "1KB", "1KB"},
                      KilobyteCase{1023, "1KB", "1KB"}, KilobyteCase{1024, "1KB", "1KB"},
                      KilobyteCase{1025, "2KB", "2KB"}, KilobyteCase{999 * 1024, "999KB", "999KB"},
                      KilobyteCase{999 * 1024 + 1, "1,000KB", "1.000KB"},
                      KilobyteCase{1000 * 1024, "1,000KB", "1.000KB"},
                      KilobyteCase{5LL * 1024 * 1024 * 1024, "5,242,880KB", "5.242.880KB"},
                      KilobyteCase{-1, "0KB", "0KB"}));

// --- text files ---

TEST(SaveText, WritesExactlyTheUtf8BytesOfTheText) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Temp1.html");
    WriteBytes(path, QByteArray(500, 'x'));
    const QString text = QString::fromUtf8("<p>caf\xc3\xa9</p>\r\nno break at the end");
    SaveTextToFile(text, path);
    EXPECT_EQ(FileBytes(path), text.toUtf8()) << "truncated, no byte-order mark, nothing added";
}

TEST(SaveText, EmptyTextGivesAnEmptyFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.html");
    WriteBytes(path, "old");
    SaveTextToFile("", path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(FileBytes(path), QByteArray());
}

TEST(SaveText, AFileThatCannotBeCreatedRaisesAFileError) {
    QTemporaryDir dir;
    WriteBytes(dir.filePath("blocker"), "x");
    const QString path = dir.filePath("blocker/Temp1.html");
    try {
        SaveTextToFile("text", path);
        FAIL() << "the save was reported as done";
    } catch (const EGlyphFileError& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + path);
    }
    EXPECT_THROW(SaveTextToFile("text", dir.path()), EGlyphFileError) << "a folder";
}

// --- text replacement ---

struct ReplaceCase {
    const char* name;
    QString text, oldText, newText, result;
};

class ReplaceAll : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAll, ReplacesEveryOccurrenceWithoutRegardToCase) {
    EXPECT_EQ(ReplaceAllText(GetParam().text, GetParam().oldText, GetParam().newText),
              GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceAll,
                         ::testing::Values(ReplaceCase{"mixedCase", "<B>x</b> <b>", "<b>",
                                                       "<strong>", "<strong>x</b> <strong>"},
                                           ReplaceCase{"none", "abc", "x", "y", "abc"},
                                           ReplaceCase{"emptyOld", "abc", "", "y", "abc"},
                                           ReplaceCase{"emptyNew", "a-b-c", "-", "", "abc"},
                                           ReplaceCase{"newHoldsOld", "aa", "a", "Aa", "AaAa"},
                                           ReplaceCase{"overlapping", "aaa", "aa", "b", "ba"},
                                           ReplaceCase{"whole", "Title", "title", "%s", "%s"}),
                         [](const auto& info) { return std::string(info.param.name); });
