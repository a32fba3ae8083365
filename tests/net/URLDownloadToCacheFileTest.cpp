// The transfer behind URL downloads: libcurl against a real HTTP server on 127.0.0.1, writing
// into a cache folder of its own.
#include "net/URLDownloadToCacheFile.h"

#include "HttpTestServer.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray EveryByteValue() {
    QByteArray bytes;
    for (int round = 0; round < 64; ++round)
        for (int value = 0; value < 256; ++value)
            bytes.append(char(value));
    return bytes;
}

class URLDownloadToCacheFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        served = new QTemporaryDir;
        WriteFile(served->filePath("page.html"), "<html><body>Hello</body></html>\n");
        WriteFile(served->filePath("docs/notes.txt"), "plain notes\r\nsecond line\r\n");
        WriteFile(served->filePath("docs/data.bin"), EveryByteValue());
        WriteFile(served->filePath("noext"), "no extension here");
        server = new HttpTestServer(served->path());
    }
    static void TearDownTestSuite() {
        delete server;
        delete served;
    }
    void SetUp() override { ASSERT_TRUE(server->Started()) << "test HTTP server did not start"; }

    QStringList CacheEntries() const {
        return QDir(cache.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TDownloadResult Fetch(const QString& url, QString& cached,
                          const TDownloadProgress& progress = {}) {
        return URLDownloadToCacheFile(url, cache.path(), cached, progress);
    }

    static QTemporaryDir* served;
    static HttpTestServer* server;
    QTemporaryDir cache;
};

QTemporaryDir* URLDownloadToCacheFileTest::served = nullptr;
HttpTestServer* URLDownloadToCacheFileTest::server = nullptr;

// --- successful fetches ------------------------------------------------------------------------

struct PageCase {
    const char* Path;      // on the server
    const char* CacheName; // of the cached copy
};

class FetchedPageTest : public URLDownloadToCacheFileTest,
                        public ::testing::WithParamInterface<PageCase> {};

TEST_P(FetchedPageTest, CachedCopyHoldsTheServedBytes) {
    const PageCase& c = GetParam();
    QString cached;
    const TDownloadResult result = Fetch(server->Url(c.Path), cached);
    ASSERT_EQ(result.Status, kDownloadOk) << result.ErrorText.toStdString();
    EXPECT_EQ(QFileInfo(cached).fileName(), c.CacheName);
    EXPECT_EQ(QFileInfo(cached).absolutePath(), QDir(cache.path()).absolutePath());
    const QString servedPath = QString(c.Path).startsWith("redirect/")
                                   ? QString(c.Path).mid(int(strlen("redirect/")))
                                   : QString(c.Path);
    EXPECT_EQ(ReadFile(cached), ReadFile(served->filePath(servedPath)));
    EXPECT_EQ(CacheEntries(), QStringList{c.CacheName}) << "only the cached copy is left";
}

INSTANTIATE_TEST_SUITE_P(Pages, FetchedPageTest,
                         ::testing::Values(PageCase{"page.html", "page[1].html"},
                                           PageCase{"docs/notes.txt", "notes[1].txt"},
                                           PageCase{"docs/data.bin", "data[1].bin"},
                                           PageCase{"noext", "noext[1]"},
                                           PageCase{"redirect/page.html", "page[1].html"}));

TEST_F(URLDownloadToCacheFileTest, RepeatedFetchKeepsEarlierCopies) {
    QString first, second;
    ASSERT_EQ(Fetch(server->Url("page.html"), first).Status, kDownloadOk);
    WriteFile(first, "edited by the user");
    ASSERT_EQ(Fetch(server->Url("page.html"), second).Status, kDownloadOk);
    EXPECT_EQ(QFileInfo(second).fileName(), "page[2].html");
    EXPECT_EQ(ReadFile(first), "edited by the user");
    EXPECT_EQ(ReadFile(second), ReadFile(served->filePath("page.html")));
}

TEST_F(URLDownloadToCacheFileTest, FolderListingWithoutFileNameGetsIndexName) {
    QString cached;
    ASSERT_EQ(Fetch(server->Url(""), cached).Status, kDownloadOk);
    EXPECT_EQ(QFileInfo(cached).fileName(), "index[1].html");
    EXPECT_TRUE(ReadFile(cached).contains("page.html")) << "the listing names the served files";
}

TEST_F(URLDownloadToCacheFileTest, FileUrlIsCopiedIntoTheCache) {
    QString cached;
    const QString url = QUrl::fromLocalFile(served->filePath("docs/notes.txt")).toString();
    ASSERT_EQ(Fetch(url, cached).Status, kDownloadOk);
    EXPECT_EQ(QFileInfo(cached).fileName(), "notes[1].txt");
    EXPECT_EQ(ReadFile(cached), ReadFile(served->filePath("docs/notes.txt")));
}

TEST_F(URLDownloadToCacheFileTest, ProgressReportsReceivedBytesAndTotal) {
    QString cached;
    quint64 lastProgress = 0, lastMax = 0;
    int calls = 0;
    bool decreased = false;
    const TDownloadResult result =
        Fetch(server->Url("docs/data.bin"), cached, [&](quint64 progress, quint64 progressMax) {
            decreased = decreased || progress < lastProgress;
            lastProgress = progress;
            lastMax = progressMax;
            ++calls;
            return kDownloadOk;
        });
    ASSERT_EQ(result.Status, kDownloadOk);
    EXPECT_GT(calls, 0);
    EXPECT_FALSE(decreased);
    EXPECT_EQ(lastMax, quint64(EveryByteValue().size()));
    EXPECT_EQ(lastProgress, lastMax);
}

// --- failures leave nothing behind -------------------------------------------------------------

struct FailureCase {
    const char* Name;
    const char* ServerPath; // on the test server, or nullptr to fetch Url as it stands
    const char* Url;
};

class FailedFetchTest : public URLDownloadToCacheFileTest,
                        public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedFetchTest, FailsAndLeavesNoFile) {
    QString cached = "unchanged";
    const FailureCase& c = GetParam();
    const TDownloadResult result = Fetch(c.ServerPath ? server->Url(c.ServerPath) : c.Url, cached);
    EXPECT_EQ(result.Status, kDownloadFailed);
    EXPECT_FALSE(result.ErrorText.isEmpty());
    EXPECT_EQ(cached, "unchanged");
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedFetchTest,
    ::testing::Values(FailureCase{"NotFound", "missing.html", nullptr},
                      FailureCase{"CutOffBody", "cutoff/page.html", nullptr},
                      FailureCase{"PlainPathThatDoesNotExist", nullptr, "/no/such/page.html"},
                      FailureCase{"RelativeName", nullptr, "page.html"},
                      FailureCase{"UnsupportedScheme", nullptr, "dict://127.0.0.1/word"},
                      FailureCase{"MissingLocalFileUrl", nullptr, "file:///no/such/file.txt"},
                      FailureCase{"NoServerListening", nullptr, "http://127.0.0.1:1/page.html"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(URLDownloadToCacheFileTest, AbortFromProgressStopsTheTransfer) {
    QString cached = "unchanged";
    quint64 seenMax = 0;
    const TDownloadResult result =
        Fetch(server->Url("slow/big.html"), cached, [&](quint64 progress, quint64 progressMax) {
            seenMax = progressMax;
            return progress > 0 ? kDownloadAborted : kDownloadOk;
        });
    EXPECT_EQ(result.Status, kDownloadAborted);
    EXPECT_EQ(seenMax, 4u * 1024 * 1024);
    EXPECT_EQ(cached, "unchanged");
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(", ").toStdString();
    EXPECT_TRUE(server->WaitForOutput("ABORTED /slow/big.html"))
        << "the server saw the connection dropped";
}

TEST_F(URLDownloadToCacheFileTest, MissingCacheFolderIsCreated) {
    const QString folder = cache.filePath("deeper/Internet Cache");
    QString cached;
    ASSERT_EQ(URLDownloadToCacheFile(server->Url("page.html"), folder, cached, {}).Status,
              kDownloadOk);
    EXPECT_EQ(QFileInfo(cached).absolutePath(), QDir(folder).absolutePath());
}

// --- names of cached copies --------------------------------------------------------------------

struct NameCase {
    const char* Url;
    const char* ContentType;
    const char* Expected;
};

class CacheBaseNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CacheBaseNameTest, NameFollowsUrlAndContentType) {
    const NameCase& c = GetParam();
    EXPECT_EQ(CacheBaseName(c.Url, c.ContentType), c.Expected) << c.Url << " / " << c.ContentType;
}

INSTANTIATE_TEST_SUITE_P(
    Names, CacheBaseNameTest,
    ::testing::Values(NameCase{"http://host/a/b.html", "text/html", "b.html"},
                      NameCase{"http://host/a/b.html", "text/plain", "b.html"},
                      NameCase{"http://host/", "text/html; charset=utf-8", "index.html"},
                      NameCase{"http://host/", "text/plain", "index.txt"},
                      NameCase{"http://host", "", "index.html"},
                      NameCase{"http://host/page", "text/html", "page.html"},
                      NameCase{"http://host/page", "", "page"},
                      NameCase{"http://host/page", "application/octet-stream", "page"},
                      NameCase{"http://host/a:b.css", "", "b.css"},
                      NameCase{"http://host/a%5Cb.js", "", "b.js"},
                      NameCase{"ftp://host/dir/style.css", "", "style.css"},
                      NameCase{"http://host/x/..", "text/html", "index.html"},
                      NameCase{"http://host/s.php?x=1#top", "text/html", "s.php"}));

// What the file system takes is bytes: a name of 100 CJK characters is 300 of them.
TEST(CacheBaseNameLengthTest, LongNamesAreCutToTheByteLimitKeepingTheExtension) {
    const QString cjk = QString(QChar(0x6F22));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // a surrogate pair
    const struct {
        QString url;
        QString expected;
    } cases[] = {
        {"http://host/" + QString(400, 'n') + ".html", QString(195, 'n') + ".html"},
        {"http://host/" + cjk.repeated(100) + ".html", cjk.repeated(65) + ".html"},
        {"http://host/" + emoji.repeated(100) + ".htm", emoji.repeated(49) + ".htm"},
        {"http://host/a." + QString(300, 'x'), "a." + QString(198, 'x')},
    };
    for (const auto& c : cases) {
        const QString name = CacheBaseName(c.url, "text/html");
        EXPECT_EQ(name, c.expected) << c.url.toStdString();
        EXPECT_LE(QFile::encodeName(name).size(), kMaxCacheNameBytes);
    }
}

TEST_F(URLDownloadToCacheFileTest, UrlEndingInALongNonLatinNameIsCached) {
    const QString cjk = QString(QChar(0x6F22));
    QString cached;
    const TDownloadResult result = Fetch(
        server->Url("sized/10/" + QUrl::toPercentEncoding(cjk.repeated(100)) + ".html"), cached);
    ASSERT_EQ(result.Status, kDownloadOk) << result.ErrorText.toStdString();
    EXPECT_EQ(QFileInfo(cached).fileName(), cjk.repeated(65) + "[1].html");
    EXPECT_EQ(ReadFile(cached), QByteArray(10, 'z'));
}

// --- limits ------------------------------------------------------------------------------------

struct LimitCase {
    const char* Name;
    const char* ServerPath; // on the test server, or nullptr for FileUrl
    const char* FileUrl;    // "%1" stands for the served folder
    quint32 Status;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.Name;
}

class LimitedFetchTest : public URLDownloadToCacheFileTest,
                         public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LimitedFetchTest, EndsAtTheLimitAndLeavesNothingBehind) {
    const LimitCase& c = GetParam();
    WriteFile(served->filePath("two-megabytes.txt"), QByteArray(2 * 1024 * 1024, 'w'));
    const QString url = c.ServerPath ? server->Url(c.ServerPath)
                                     : QString(c.FileUrl).arg(QDir(served->path()).path());
    QString cached;
    const TDownloadResult result =
        URLDownloadToCacheFile(url, cache.path(), cached, {}, {1024 * 1024, 1});
    EXPECT_EQ(result.Status, c.Status) << result.ErrorText.toStdString();
    EXPECT_EQ(CacheEntries().size(), c.Status == kDownloadOk ? 1 : 0)
        << CacheEntries().join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LimitedFetchTest,
    ::testing::Values(LimitCase{"DeclaredSizeOverTheLimit", "sized/2097152/big.html", nullptr,
                                kDownloadTooLarge},
                      LimitCase{"UndeclaredSizeOverTheLimit", "unsized/2097152/big.html", nullptr,
                                kDownloadTooLarge},
                      LimitCase{"ExactlyTheLimit", "sized/1048576/full.html", nullptr, kDownloadOk},
                      LimitCase{"LocalFileOverTheLimit", nullptr, "file://%1/two-megabytes.txt",
                                kDownloadTooLarge},
                      LimitCase{"StalledTransfer", "stall/page.html", nullptr, kDownloadStalled},
                      LimitCase{"DeviceFileUrl", nullptr, "file:///dev/zero", kDownloadFailed},
                      LimitCase{"FolderFileUrl", nullptr, "file://%1/", kDownloadFailed}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- leftovers of ended processes --------------------------------------------------------------

TEST_F(URLDownloadToCacheFileTest, LeftoversOfEndedProcessesAreRemovedOthersKept) {
    QProcess ended;
    ended.start("true");
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    QProcess running;
    running.start("sleep", {"60"});
    ASSERT_TRUE(running.waitForStarted());
    const QString own = QString::number(QCoreApplication::applicationPid());
    const QString ofEnded = QStringLiteral("download-%1-aB3dE9.part").arg(endedPid);
    const QStringList kept = {QStringLiteral("download-%1-aB3dE9.part").arg(running.processId()),
                              "download-" + own + "-aB3dE9.part", "download-aB3dE9.part",
                              "page[1].html"};
    for (const QString& name : kept + QStringList{ofEnded})
        WriteFile(cache.filePath(name), "part");

    RemoveLeftoverDownloads(cache.path());
    running.kill();
    running.waitForFinished();
    QStringList expected = kept;
    expected.sort();
    QStringList entries = CacheEntries();
    entries.sort();
    EXPECT_EQ(entries, expected);
}

} // namespace
