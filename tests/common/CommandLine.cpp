#include "common/CommandLine.h"

#include "support/QtPrinters.h"
#include <QCoreApplication>

#include <gtest/gtest.h>

// Runs first in this suite: nothing has installed a command line yet.
TEST(CommandLineArgsDefault, AreTheProgramsArguments) {
    EXPECT_EQ(CommandLineArgs(), QCoreApplication::arguments());
    EXPECT_EQ(&CommandLineArgs(), &CommandLineArgs()) << "split once, the same list later";
}

struct SplitCase {
    const char* name;
    QString line;
    QStringList items;
};

class CommandLineSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplitting, SplitsAtSpacesAndControlsAndHonoursQuotes) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplitting,
    ::testing::Values(SplitCase{"empty", "", {}}, SplitCase{"onlySpaces", "   \t ", {}},
                      SplitCase{"plain", "glyphon page.htm", {"glyphon", "page.htm"}},
                      SplitCase{
                          "manySeparators", "  glyphon \t\r\n page.htm  ", {"glyphon", "page.htm"}},
                      SplitCase{"quotedWithSpaces",
                                "glyphon \"/home/user/My Site/index.html\" -CaretY 12",
                                {"glyphon", "/home/user/My Site/index.html", "-CaretY", "12"}},
                      SplitCase{"doubledQuote", "a \"say \"\"hi\"\"\"", {"a", "say \"hi\""}},
                      SplitCase{"emptyQuoted", "a \"\" b", {"a", "", "b"}},
                      SplitCase{"onlyAQuote", "a \"\"\"\"", {"a", "\""}},
                      SplitCase{"unclosed", "a \"b c", {"a", "b c"}},
                      SplitCase{"quoteInsideAnItem", "ab\"c d", {"ab\"c", "d"}},
                      SplitCase{"itemEndsAtClosingQuote", "\"a b\"c", {"a b", "c"}},
                      SplitCase{"tabInsideQuotes", "\"a\tb\"", {"a\tb"}},
                      SplitCase{"unicode",
                                QString::fromUtf8("\"r\xc3\xa9sum\xc3\xa9.htm\""),
                                {QString::fromUtf8("r\xc3\xa9sum\xc3\xa9.htm")}}),
    [](const auto& info) { return std::string(info.param.name); });

struct OptionCase {
    const char* name;
    QStringList args;
    QString file;   // CommandLineFile()
    QString caretX; // CommandLineOption("CaretX", "none")
    int caretY;     // CommandLineIntOption("CaretY", 0)
};

class CommandLineOptions : public ::testing::TestWithParam<OptionCase> {
protected:
    void TearDown() override { SetCommandLineArgs({"glyphon"}); }
};

TEST_P(CommandLineOptions, MatchNamesWithoutRegardToCase) {
    SetCommandLineArgs(GetParam().args);
    EXPECT_EQ(CommandLineFile(), GetParam().file);
    EXPECT_EQ(CommandLineHasFile(), !GetParam().file.isEmpty());
    EXPECT_EQ(CommandLineOption("CaretX", "none"), GetParam().caretX);
    EXPECT_EQ(CommandLineIntOption("CaretY", 0), GetParam().caretY);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineOptions,
    ::testing::Values(
        OptionCase{"programOnly", {"glyphon"}, "", "none", 0},
        OptionCase{"fileOnly", {"glyphon", "/a.htm"}, "/a.htm", "none", 0},
        OptionCase{"optionsOnly", {"glyphon", "-CaretY", "40", "-CaretX", "5"}, "", "5", 40},
        OptionCase{"fileAndOption", {"glyphon", "/a.htm", "-CaretY", "12"}, "/a.htm", "none", 12},
        OptionCase{"lowerCaseName", {"glyphon", "/a.htm", "-caretx", "3"}, "/a.htm", "3", 0},
        OptionCase{"upperCaseName", {"glyphon", "/a.htm", "-CARETY", "7"}, "/a.htm", "none", 7},
        OptionCase{"notAnInteger", {"glyphon", "-CaretY", "twelve"}, "", "none", 0},
        OptionCase{"trailingJunk", {"glyphon", "-CaretY", "12x"}, "", "none", 0},
        OptionCase{"negative", {"glyphon", "-CaretY", "-3"}, "", "none", -3},
        OptionCase{"optionLastHasNoValue", {"glyphon", "/a.htm", "-CaretX"}, "/a.htm", "none", 0},
        OptionCase{"twoItemsOnly", {"glyphon", "-CaretX"}, "", "none", 0},
        OptionCase{"firstOfTwoWins", {"glyphon", "-CaretX", "1", "-CaretX", "2"}, "", "1", 0},
        OptionCase{"programItemIsNoOption", {"-CaretX", "9"}, "9", "none", 0},
        OptionCase{"withoutDashNoMatch", {"glyphon", "CaretX", "9"}, "CaretX", "none", 0},
        OptionCase{
            "valueMayLookLikeAnOption", {"glyphon", "-CaretX", "-CaretY", "4"}, "", "-CaretY", 4},
        OptionCase{"dashFileIsNoFile", {"glyphon", "-"}, "", "none", 0},
        OptionCase{"dashNameAfterDoubleDash", {"glyphon", "--", "-x.htm"}, "-x.htm", "none", 0},
        OptionCase{"optionsBeforeDoubleDash",
                   {"glyphon", "-CaretY", "3", "--", "-x.htm"},
                   "-x.htm",
                   "none",
                   3},
        OptionCase{"noOptionAfterDoubleDash",
                   {"glyphon", "--", "-x.htm", "-CaretX", "5"},
                   "-x.htm",
                   "none",
                   0},
        OptionCase{"doubleDashAlone", {"glyphon", "--"}, "", "none", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineOptionsFromARawLine, WorkOnTheSplitLine) {
    SetCommandLineArgs(SplitCommandLine("glyphon \"/home/a b/x.htm\" -caretY 12"));
    EXPECT_TRUE(CommandLineHasFile());
    EXPECT_EQ(CommandLineArgs().at(1), "/home/a b/x.htm");
    EXPECT_EQ(CommandLineIntOption("CaretY", 0), 12);
    EXPECT_EQ(CommandLineIntOption("CaretX", 0), 0);
    SetCommandLineArgs({"glyphon"});
}
