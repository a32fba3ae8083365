#include "common/ShellUtils.h"

#include "support/QtPrinters.h"
#include "support/UrlRecorder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
void WriteFile(const QString& path, const QByteArray& bytes, bool executable) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QStringList FileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}
} // namespace

struct QuoteCase {
    const char* name;
    QStringList args;
    QString quoted;
};

class Quoting : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(Quoting, EnclosesEachArgumentAndDoublesInnerQuotes) {
    EXPECT_EQ(QuoteArguments(GetParam().args), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Quoting,
    ::testing::Values(QuoteCase{"none", {}, ""}, QuoteCase{"one", {"a"}, "\"a\""},
                      QuoteCase{"component",
                                {"/home/u/My Page.htm", "-NoSplash", "-X"},
                                "\"/home/u/My Page.htm\" \"-NoSplash\" \"-X\""},
                      QuoteCase{"innerQuotes", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
                      QuoteCase{"empty", {"", "b"}, "\"\" \"b\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShellOpen, StartsAProgramWithItsParametersInItsFolder) {
    QTemporaryDir dir;
    const QString output = dir.filePath("output.txt");
    const QString script = dir.filePath("tool.sh");
    WriteFile(script,
              "#!/bin/sh\n"
              "pwd > \"$0.tmp\"\n"
              "for a in \"$@\"; do echo \"$a\" >> \"$0.tmp\"; done\n"
              "mv \"$0.tmp\" \"" +
                  output.toUtf8() + "\"\n",
              true);
    const QStringList args{"My Page.htm", "say \"hi\"", "-X"};
    EXPECT_TRUE(ShellOpen(script, QuoteArguments(args)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(output); }, 10000));
    EXPECT_EQ(FileLines(output), QStringList{dir.path()} + args);
}

TEST(ShellOpen, ADocumentGoesToItsApplicationAsAFileUrl) {
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteFile(page, "<p>", false);
    UrlRecorder desktop;
    EXPECT_TRUE(ShellOpen(page));
    EXPECT_TRUE(ShellExecuteVerb("OPEN", page, ""));
    ASSERT_EQ(desktop.Urls().size(), 2);
    EXPECT_EQ(desktop.Urls().first(), QUrl::fromLocalFile(page));
}

TEST(ShellOpen, ADocumentWithAStrayExecuteBitIsOpenedNotRun) {
    QTemporaryDir dir;
    const QString page = dir.filePath("copied.htm");
    WriteFile(page, "<html><body>not a program</body></html>\n", true);
    UrlRecorder desktop;
    EXPECT_TRUE(ShellOpen(page));
    ASSERT_EQ(desktop.Urls().size(), 1);
    EXPECT_EQ(desktop.Urls().first(), QUrl::fromLocalFile(page));
}

TEST(ShellOpen, AUrlIsHandedToTheDesktop) {
    UrlRecorder desktop;
    EXPECT_TRUE(ShellOpen("http://www.example.com/index.html"));
    ASSERT_EQ(desktop.Urls().size(), 1);
    EXPECT_EQ(desktop.Urls().first().toString(), "http://www.example.com/index.html");
}

TEST(ShellOpen, FailuresAreReportedByTheResultOnly) {
    QTemporaryDir dir;
    UrlRecorder desktop;
    EXPECT_FALSE(ShellOpen(dir.filePath("missing.htm")));
    EXPECT_FALSE(ShellOpen(""));
    EXPECT_FALSE(ShellOpenOrOpenWith(dir.filePath("missing.htm")));
    EXPECT_FALSE(ShellExecuteVerb("print", dir.path()));
    EXPECT_TRUE(desktop.Urls().isEmpty());
}

TEST(ShellOpen, OpenOrOpenWithOpensAnExistingFile) {
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteFile(page, "<p>", false);
    UrlRecorder desktop;
    EXPECT_TRUE(ShellOpenOrOpenWith(page));
    EXPECT_EQ(desktop.Urls().size(), 1);
}

TEST(ControlPanel, HasNoAppletsHere) {
    UrlRecorder desktop;
    EXPECT_FALSE(RunControlPanelApplet("Inetcpl.cpl"));
    EXPECT_TRUE(desktop.Urls().isEmpty());
}
