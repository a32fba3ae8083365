#include "common/UrlUtils.h"

#include "support/FakeWebBrowser.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"
#include "support/UrlRecorder.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct PartsCase {
    const char* name;
    QString url;
    QString scheme, host, path, fileName;
};

class UrlParts : public ::testing::TestWithParam<PartsCase> {};

TEST_P(UrlParts, AreSplitByTheUrlParser) {
    EXPECT_EQ(UrlScheme(GetParam().url), GetParam().scheme);
    EXPECT_EQ(UrlHost(GetParam().url), GetParam().host);
    EXPECT_EQ(UrlPath(GetParam().url), GetParam().path);
    EXPECT_EQ(UrlFileName(GetParam().url), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlParts,
    ::testing::Values(
        PartsCase{"page", "http://www.example.com/dir/page.htm", "http", "www.example.com",
                  "/dir/page.htm", "page.htm"},
        PartsCase{"query", "https://example.com/a/b.php?id=3#top", "https", "example.com",
                  "/a/b.php", "b.php"},
        PartsCase{"root", "ftp://ftp.example.org/", "ftp", "ftp.example.org", "/", ""},
        PartsCase{"noPath", "http://example.com", "http", "example.com", "", ""},
        PartsCase{"escaped", "http://h/My%20Page.htm", "http", "h", "/My Page.htm", "My Page.htm"},
        PartsCase{"backslashInPath", "http://h/a%5Cb.htm", "http", "h", "/a\\b.htm", "b.htm"},
        PartsCase{"colonInPath", "http://h/x:y.htm", "http", "h", "/x:y.htm", "y.htm"},
        PartsCase{"port", "http://h:8080/p.htm", "http", "h", "/p.htm", "p.htm"},
        PartsCase{"fileUrl", "file:///home/u/a.htm", "file", "", "/home/u/a.htm", "a.htm"},
        PartsCase{"plainPath", "/home/user/a.htm", "", "", "", ""},
        PartsCase{"relative", "dir/a.htm", "", "", "", ""},
        PartsCase{"windowsPath", "C:\\Web\\a.htm", "", "", "", ""},
        PartsCase{"empty", "", "", "", "", ""},
        PartsCase{"invalid", "http://exa mple.com/", "", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostUrl, IsHttpWithTheHost) {
    EXPECT_EQ(HostUrl("https://www.example.com/dir/page.htm"), "http://www.example.com");
    EXPECT_EQ(HostUrl("/local/file.htm"), "http://");
}

struct CombineCase {
    const char* name;
    QString base, relative, result;
};

class CombineUrls : public ::testing::TestWithParam<CombineCase> {};

TEST_P(CombineUrls, ResolveRelativeAgainstBase) {
    EXPECT_EQ(CombineUrl(GetParam().base, GetParam().relative), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CombineUrls,
    ::testing::Values(CombineCase{"sibling", "http://h/a/b.htm", "c.htm", "http://h/a/c.htm"},
                      CombineCase{"parent", "http://h/a/b.htm", "../c.htm", "http://h/c.htm"},
                      CombineCase{"rootRelative", "http://h/a/b.htm", "/img/x.gif",
                                  "http://h/img/x.gif"},
                      CombineCase{"absolute", "http://h/a/", "https://o/x", "https://o/x"},
                      CombineCase{"folderBase", "http://h/a/", "b/c.htm", "http://h/a/b/c.htm"},
                      CombineCase{"query", "http://h/a/b.htm", "?q=1", "http://h/a/b.htm?q=1"},
                      CombineCase{"empty", "http://h/a/b.htm", "", "http://h/a/b.htm"}),
    [](const auto& info) { return std::string(info.param.name); });

class UrlTest : public ::testing::Test {
protected:
    void TearDown() override { SetInternetConnectedOverride(std::nullopt); }
};

TEST_F(UrlTest, LocalUnlessHttpWithoutAnExistingFile) {
    QTemporaryDir dir;
    QFile file(dir.filePath("page.htm"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(IsLocalUrl(file.fileName()));
    EXPECT_TRUE(IsLocalUrl("/no/such/file.htm")) << "a file path is local";
    EXPECT_TRUE(IsLocalUrl("https://www.example.com/"));
    EXPECT_TRUE(IsLocalUrl("ftp://ftp.example.com/a.htm"));
    EXPECT_FALSE(IsLocalUrl("http://www.example.com/index.html"));
    EXPECT_FALSE(IsLocalUrl("HTTP://www.example.com/index.html"));
    EXPECT_TRUE(IsLocalUrl("http://localhost" + file.fileName()));
    EXPECT_FALSE(IsLocalUrl("http://localhost" + dir.path())) << "a folder is no file";
}

TEST_F(UrlTest, ConnectionStateCanBeFixed) {
    SetInternetConnectedOverride(false);
    EXPECT_FALSE(IsInternetConnected());
    SetInternetConnectedOverride(true);
    EXPECT_TRUE(IsInternetConnected());
}

TEST_F(UrlTest, OpenInWebBrowserHandsFilesToABrowserAndAddressesToTheirHandler) {
    UrlRecorder handlers;
    FakeWebBrowser browser(FakeWebBrowser::DefaultEntry);
    EXPECT_TRUE(OpenInWebBrowser("/tmp/Temp1.html"));
    EXPECT_TRUE(OpenInWebBrowser("http://www.example.com/a b.htm"));
    EXPECT_EQ(browser.Started(), QStringList{"fakebrowser --new-window file:///tmp/Temp1.html"});
    ASSERT_EQ(handlers.Urls().size(), 1);
    EXPECT_EQ(handlers.Urls().at(0).toString(), "http://www.example.com/a b.htm");
}

struct CheckedCase {
    const char* name;
    QString url;
    bool connected;
    std::optional<QMessageBox::StandardButton> answer; // asked only when set
    bool opened;
};

class OpenUrlCheckedCases : public UrlTest, public ::testing::WithParamInterface<CheckedCase> {};

TEST_P(OpenUrlCheckedCases, AsksOnlyForARemoteAddressWhileOffline) {
    UrlRecorder browser;
    ScriptedPrompts prompts;
    SetInternetConnectedOverride(GetParam().connected);
    if (GetParam().answer)
        prompts.AnswerButton(*GetParam().answer);
    FakeWebBrowser files(FakeWebBrowser::DefaultEntry);
    OpenUrlChecked(GetParam().url);
    const bool local = GetParam().url.startsWith('/');
    EXPECT_EQ(local ? files.Started().size() : browser.Urls().size(), GetParam().opened ? 1 : 0);
    if (!GetParam().answer) {
        EXPECT_TRUE(prompts.Records().isEmpty());
        return;
    }
    ASSERT_EQ(prompts.Records().size(), 1);
    const auto& box = prompts.Records().first();
    EXPECT_EQ(box.Text,
              "You don't seem to be connected to the internet. Do you wish to connect now?");
    EXPECT_EQ(box.Caption, "Velmaris Glyphon");
    EXPECT_EQ(box.Icon, QMessageBox::Question);
    EXPECT_EQ(box.Buttons, QMessageBox::Yes | QMessageBox::No);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenUrlCheckedCases,
    ::testing::Values(
        CheckedCase{"localOffline", "/tmp/Temp1.html", false, std::nullopt, true},
        CheckedCase{"remoteOnline", "http://www.example.com/", true, std::nullopt, true},
        CheckedCase{"remoteOfflineYes", "http://www.example.com/", false, QMessageBox::Yes, true},
        CheckedCase{"remoteOfflineNo", "http://www.example.com/", false, QMessageBox::No, false},
        CheckedCase{"secureOffline", "https://www.example.com/", false, std::nullopt, true}),
    [](const auto& info) { return std::string(info.param.name); });
