// URL download through the worker thread and the download dialog, against a real HTTP server
// on 127.0.0.1.
#include "net/DownloadURL.h"

#include "DialogDriver.h"
#include "HttpTestServer.h"
#include "common/FileUtils.h"
#include "common/GlyphErrors.h"
#include "common/Paths.h"
#include "common/UrlUtils.h"
#include "net/TFormDownload.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

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

// The error text DownloadURL ends with, or nothing when it returned a name.
struct Outcome {
    QString Name;
    std::optional<QString> Error;
};

Outcome Download(const QString& name) {
    try {
        return {DownloadURL(name), std::nullopt};
    } catch (const EGlyphError& error) {
        return {{}, error.Message()};
    }
}

// Counts how often a widget is shown.
class ShowCounter : public QObject {
public:
    explicit ShowCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Shows = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++Shows;
        return false;
    }
};

class DownloadURLTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        served = new QTemporaryDir;
        WriteFile(served->filePath("page.html"), "<html><body>Downloaded page</body></html>\n");
        WriteFile(served->filePath("site/index.html"), "<html>index</html>\n");
        server = new HttpTestServer(served->path());
    }
    static void TearDownTestSuite() {
        delete server;
        delete served;
    }
    void SetUp() override {
        ASSERT_TRUE(server->Started()) << "test HTTP server did not start";
        QDir(InternetCacheFolder()).removeRecursively();
    }
    void TearDown() override { SetInternetConnectedOverride(std::nullopt); }

    static QStringList CacheEntries() {
        return QDir(InternetCacheFolder())
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    static QTemporaryDir* served;
    static HttpTestServer* server;
    ScriptedPrompts prompts; // no download may ask the user anything
    // The program's download dialog for these tests.
    std::unique_ptr<TFormDownload> programDialog = std::make_unique<TFormDownload>();
    TFormDownload& form = *programDialog;
};

QTemporaryDir* DownloadURLTest::served = nullptr;
HttpTestServer* DownloadURLTest::server = nullptr;

// --- names that need no download ---------------------------------------------------------------

TEST_F(DownloadURLTest, ExistingLocalFileComesBackUnchangedWithoutDialog) {
    ShowCounter shows(&form);
    const QString local = served->filePath("page.html");
    const Outcome outcome = Download(local);
    EXPECT_FALSE(outcome.Error.has_value());
    EXPECT_EQ(outcome.Name, local);
    EXPECT_EQ(shows.Shows, 0);
    EXPECT_TRUE(CacheEntries().isEmpty());
}

TEST_F(DownloadURLTest, WithoutProgramDialogADialogOfItsOwnServes) {
    programDialog.reset();
    ASSERT_EQ(TFormDownload::Instance(), nullptr);
    const QString local = served->filePath("page.html");
    EXPECT_EQ(Download(local).Name, local);
    const Outcome fetched = Download(server->Url("page.html"));
    ASSERT_FALSE(fetched.Error.has_value()) << fetched.Error->toStdString();
    EXPECT_EQ(ReadFile(fetched.Name), ReadFile(local));
}

// --- successful downloads ----------------------------------------------------------------------

TEST_F(DownloadURLTest, PageDownloadsIntoTheInternetCache) {
    const QString url = server->Url("page.html");
    const Outcome outcome = Download(url);
    ASSERT_FALSE(outcome.Error.has_value()) << outcome.Error->toStdString();
    EXPECT_TRUE(IsInInternetCache(outcome.Name)) << outcome.Name.toStdString();
    EXPECT_EQ(QFileInfo(outcome.Name).absolutePath(), QDir(InternetCacheFolder()).absolutePath());
    EXPECT_EQ(ReadFile(outcome.Name), ReadFile(served->filePath("page.html")));
    EXPECT_EQ(form.windowTitle(), "Downloading URL");
    EXPECT_EQ(form.ModalResult(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Worker(), nullptr) << "the worker lives for one download only";
    EXPECT_TRUE(prompts.Records().isEmpty());
}

TEST_F(DownloadURLTest, DialogIsReusedForTheNextDownload) {
    const Outcome first = Download(server->Url("page.html"));
    const Outcome second = Download(server->Url("site/index.html"));
    ASSERT_FALSE(first.Error.has_value());
    ASSERT_FALSE(second.Error.has_value());
    EXPECT_NE(first.Name, second.Name);
    EXPECT_EQ(ReadFile(second.Name), ReadFile(served->filePath("site/index.html")));
    EXPECT_EQ(form.LabelStatus->text(), "index.html from (127.0.0.1)");
}

// --- the dialog's lines ------------------------------------------------------------------------

struct StatusCase {
    const char* Url;
    const char* Expected;
};

class StatusTextTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusTextTest, NamesFileAndHost) {
    EXPECT_EQ(TFormDownload::StatusText(GetParam().Url), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, StatusTextTest,
    ::testing::Values(
        StatusCase{"http://www.example.com/site/index.html", "index.html from (www.example.com)"},
        StatusCase{"http://www.example.com/", "Downloading from (www.example.com)"},
        StatusCase{"http://www.example.com", "Downloading from (www.example.com)"},
        StatusCase{"ftp://ftp.example.org/pub/notes.txt", "notes.txt from (ftp.example.org)"},
        StatusCase{"https://user@h.example.net:8443/a/b.php?q=1#x", "b.php from (h.example.net)"},
        StatusCase{"/no/such/file.html", "Downloading from ()"}));

TEST(ProgressTextTest, ReadsBytesOfTotal) {
    EXPECT_EQ(TFormDownload::ProgressText(0, 0), "0 of 0 bytes completed.");
    EXPECT_EQ(TFormDownload::ProgressText(4096, 52428800), "4096 of 52428800 bytes completed.");
    EXPECT_EQ(TFormDownload::ProgressText(5000000000ULL, 6000000000ULL),
              "5000000000 of 6000000000 bytes completed.");
}

TEST_F(DownloadURLTest, UrlWithoutFileNameShowsDownloading) {
    const Outcome outcome = Download(server->Url(""));
    ASSERT_FALSE(outcome.Error.has_value());
    EXPECT_EQ(form.LabelStatus->text(), "Downloading from (127.0.0.1)");
}

// --- failures ----------------------------------------------------------------------------------

struct NotFoundCase {
    const char* Name;
    const char* ServerPath; // on the test server, or nullptr for a name outside it
};

class NotFoundTest : public DownloadURLTest, public ::testing::WithParamInterface<NotFoundCase> {};

TEST_P(NotFoundTest, FailureReadsUrlNotFoundWithTheNameAsGiven) {
    const QString name = GetParam().ServerPath ? server->Url(GetParam().ServerPath)
                                               : served->filePath("deleted/page.html");
    const Outcome outcome = Download(name);
    ASSERT_TRUE(outcome.Error.has_value()) << "returned " << outcome.Name.toStdString();
    EXPECT_EQ(*outcome.Error, "URL not found \"" + name + "\"");
    EXPECT_EQ(form.ModalResult(), QDialog::Accepted) << "the fetch ended by itself";
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Failures, NotFoundTest,
                         ::testing::Values(NotFoundCase{"Http404", "missing.html"},
                                           NotFoundCase{"ServerClosesMidBody", "cutoff/x.html"},
                                           NotFoundCase{"LocalPathThatDoesNotExist", nullptr}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DownloadURLTest, ADownloadStoppedByALimitSaysWhy) {
    form.Limits = {1024 * 1024, 2};
    const struct {
        const char* path;
        QString message;
    } cases[] = {
        {"sized/2097152/big.html", "The download of \"%1\" was stopped: it is larger than 1 MB."},
        {"stall/page.html", "The download of \"%1\" was stopped: no data arrived for 2 seconds."},
    };
    for (const auto& c : cases) {
        const QString url = server->Url(c.path);
        const Outcome outcome = Download(url);
        ASSERT_TRUE(outcome.Error.has_value()) << c.path;
        EXPECT_EQ(*outcome.Error, c.message.arg(url));
        EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(", ").toStdString();
    }
}

TEST_F(DownloadURLTest, HttpIsNotFetchedWithoutConnection) {
    SetInternetConnectedOverride(false);
    const QString url = server->Url("page.html");
    const Outcome outcome = Download(url);
    ASSERT_TRUE(outcome.Error.has_value());
    EXPECT_EQ(*outcome.Error, "URL not found \"" + url + "\"");
    EXPECT_TRUE(CacheEntries().isEmpty());
}

TEST_F(DownloadURLTest, FileUrlIsFetchedWithoutConnection) {
    SetInternetConnectedOverride(false);
    const Outcome outcome = Download(QUrl::fromLocalFile(served->filePath("page.html")).toString());
    ASSERT_FALSE(outcome.Error.has_value()) << outcome.Error->toStdString();
    EXPECT_EQ(ReadFile(outcome.Name), ReadFile(served->filePath("page.html")));
}

// --- cancelling a slow download ----------------------------------------------------------------

enum class CancelWay { CancelButton, EscapeKey, CloseBox };

class CancelTest : public DownloadURLTest, public ::testing::WithParamInterface<CancelWay> {};

TEST_P(CancelTest, CancelAbortsTheTransferAndLeavesNoFile) {
    QString progressLine;
    bool animating = false;
    // Cancel once bytes are flowing; the body would take minutes to arrive in full.
    WhenTrue([&] { return form.Worker() && form.Worker()->Progress() > 0 && form.isVisible(); },
             [&] {
                 progressLine = form.LabelProgress->text();
                 animating = form.Animate->Active();
                 switch (GetParam()) {
                 case CancelWay::CancelButton:
                     QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
                     break;
                 case CancelWay::EscapeKey:
                     QTest::keyClick(&form, Qt::Key_Escape);
                     break;
                 case CancelWay::CloseBox:
                     form.close();
                     break;
                 }
             });
    const Outcome outcome = Download(server->Url("slow/big.html"));
    ASSERT_TRUE(outcome.Error.has_value()) << "returned " << outcome.Name.toStdString();
    EXPECT_EQ(*outcome.Error, "Download Terminated By User.");
    EXPECT_EQ(form.ModalResult(), QDialog::Rejected);
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(", ").toStdString();
    EXPECT_TRUE(server->WaitForOutput("ABORTED /slow/big.html"))
        << "the server saw the transfer stop";
    EXPECT_TRUE(
        QRegularExpression("^\\d+ of 4194304 bytes completed\\.$").match(progressLine).hasMatch())
        << progressLine.toStdString();
    EXPECT_TRUE(animating);
    EXPECT_FALSE(form.Animate->Active()) << "the animation stops with the download";
    EXPECT_TRUE(prompts.Records().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelTest,
                         ::testing::Values(CancelWay::CancelButton, CancelWay::EscapeKey,
                                           CancelWay::CloseBox));

TEST_F(DownloadURLTest, UserInterfaceKeepsRunningDuringTheTransfer) {
    // A timer of the user-interface thread watches the worker: it must see the transfer at
    // several different stages, which it cannot if the transfer held the thread.
    QSet<quint64> seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (form.Worker() && form.Worker()->isRunning())
            seen.insert(form.Worker()->Progress());
    });
    watcher.start(10);
    WhenTrue([&] { return seen.size() >= 5; },
             [&] { QTest::mouseClick(form.ButtonCancel, Qt::LeftButton); });
    const Outcome outcome = Download(server->Url("slow/responsive.html"));
    watcher.stop();
    EXPECT_GE(seen.size(), 5);
    ASSERT_TRUE(outcome.Error.has_value());
    EXPECT_EQ(*outcome.Error, "Download Terminated By User.");
}

TEST_F(DownloadURLTest, ProgressBarFollowsTheWorkersFigures) {
    int barMaximum = -1, barValue = -1;
    quint64 progress = 0;
    WhenTrue([&] { return form.Worker() && form.ProgressBar->value() > 0; },
             [&] {
                 barMaximum = form.ProgressBar->maximum();
                 barValue = form.ProgressBar->value();
                 progress = form.Worker()->Progress();
                 form.reject();
             });
    const Outcome outcome = Download(server->Url("slow/bar.html"));
    ASSERT_TRUE(outcome.Error.has_value());
    EXPECT_EQ(barMaximum, 4194304);
    EXPECT_GT(barValue, 0);
    EXPECT_LE(quint64(barValue), progress);
}

// --- the worker on its own ---------------------------------------------------------------------

// Records on which thread and in which order the worker's hand-overs ran.
class RecordingDownload : public TThreadDownload {
public:
    RecordingDownload(const QString& url, const QString& cacheFolder)
        : TThreadDownload(url), cacheFolder_(cacheFolder) {}
    ~RecordingDownload() override { Stop(); }
    QStringList Steps;
    bool AllOnOwnerThread = true;

protected:
    void DoBeginDownload() override { Record("begin"); }
    void DoProgress() override { Record("progress"); }
    void DoEndDownload() override { Record("end"); }
    QString CacheFolder() const override { return cacheFolder_; }

private:
    void Record(const QString& step) {
        AllOnOwnerThread = AllOnOwnerThread && QThread::currentThread() == qApp->thread();
        if (Steps.isEmpty() || Steps.last() != step)
            Steps << step;
    }
    QString cacheFolder_;
};

TEST_F(DownloadURLTest, WorkerHandsItsStepsToTheUserInterfaceThread) {
    QTemporaryDir cache;
    RecordingDownload worker(server->Url("page.html"), cache.path());
    EXPECT_EQ(worker.ReturnValue(), kDownloadFailed) << "a worker starts as failed";
    worker.start();
    worker.WaitForEnd();
    EXPECT_EQ(worker.ReturnValue(), kDownloadOk) << worker.ErrorText().toStdString();
    EXPECT_EQ(worker.Steps, (QStringList{"begin", "progress", "end"}));
    EXPECT_TRUE(worker.AllOnOwnerThread);
    EXPECT_EQ(QFileInfo(worker.CacheFileName()).absolutePath(), QDir(cache.path()).absolutePath());
}

TEST_F(DownloadURLTest, WorkerThatFetchesNothingStillBeginsAndEnds) {
    SetInternetConnectedOverride(false);
    QTemporaryDir cache;
    RecordingDownload worker(server->Url("page.html"), cache.path());
    worker.start();
    worker.WaitForEnd();
    EXPECT_EQ(worker.ReturnValue(), kDownloadFailed);
    EXPECT_EQ(worker.Steps, (QStringList{"begin", "end"}));
    EXPECT_TRUE(worker.CacheFileName().isEmpty());
}

TEST_F(DownloadURLTest, WaitingForAWorkerNeverStartedEndsAtOnce) {
    RecordingDownload worker(server->Url("page.html"), QString());
    worker.WaitForEnd();
    EXPECT_TRUE(worker.Steps.isEmpty());
    EXPECT_EQ(worker.ReturnValue(), kDownloadFailed);
}

TEST_F(DownloadURLTest, DestroyingARunningWorkerStopsItFirst) {
    QTemporaryDir cache;
    {
        RecordingDownload worker(server->Url("slow/destroyed.html"), cache.path());
        worker.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return worker.Progress() > 0; }, 10000));
    }
    EXPECT_TRUE(server->WaitForOutput("ABORTED /slow/destroyed.html"));
    EXPECT_TRUE(QDir(cache.path()).isEmpty());
}

} // namespace
