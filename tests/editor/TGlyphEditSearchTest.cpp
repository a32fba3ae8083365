#include "editor/TGlyphEditSearch.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <gtest/gtest.h>

namespace {

QList<int> MatchList(const TGlyphEditSearch& search) {
    QList<int> columns;
    for (int i = 0; i < search.MatchCount(); ++i)
        columns << search.MatchAt(i);
    return columns;
}

QList<int> FindAll(const QString& pattern, const QString& line, bool matchCase, bool wholeWord) {
    TGlyphEditSearch search;
    search.SetPattern(pattern);
    search.SetMatchCase(matchCase);
    search.SetWholeWord(wholeWord);
    const int count = search.FindAllInLine(line);
    EXPECT_EQ(count, search.MatchCount());
    return MatchList(search);
}

std::string Show(const QList<int>& columns) {
    std::string s = "{";
    for (int c : columns) {
        // Appended piece by piece: GCC 12 at -O3 takes " " + a temporary for an overlapping copy.
        s += ' ';
        s += std::to_string(c);
    }
    return s + " }";
}

// The reference: try every start column from the left; a match that passes the whole-word rule
// is taken and the next try starts behind it. Case folding and word classification come straight
// from QChar, not from the engine's tables.
bool IsWordCodePoint(char32_t c) {
    return c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

bool NaiveDelimiterBefore(const QString& line, qsizetype start) {
    if (start == 0)
        return true;
    char32_t c = line.at(start - 1).unicode();
    if (line.at(start - 1).isLowSurrogate() && start >= 2 && line.at(start - 2).isHighSurrogate())
        c = QChar::surrogateToUcs4(line.at(start - 2), line.at(start - 1));
    return !IsWordCodePoint(c);
}

bool NaiveDelimiterAfter(const QString& line, qsizetype end) {
    if (end >= line.size())
        return true;
    char32_t c = line.at(end).unicode();
    if (line.at(end).isHighSurrogate() && end + 1 < line.size() &&
        line.at(end + 1).isLowSurrogate())
        c = QChar::surrogateToUcs4(line.at(end), line.at(end + 1));
    return !IsWordCodePoint(c);
}

QList<int> NaiveFindAll(const QString& pattern, const QString& line, bool matchCase,
                        bool wholeWord) {
    auto fold = [matchCase](QChar c) {
        return matchCase ? c.unicode() : QChar::toLower(c.unicode());
    };
    QList<int> columns;
    const qsizetype m = pattern.size();
    qsizetype i = 0;
    while (i + m <= line.size()) {
        bool equal = true;
        for (qsizetype j = 0; j < m && equal; ++j)
            equal = fold(line.at(i + j)) == fold(pattern.at(j));
        if (equal &&
            (!wholeWord || (NaiveDelimiterBefore(line, i) && NaiveDelimiterAfter(line, i + m)))) {
            columns << static_cast<int>(i + 1);
            i += m;
        } else {
            ++i;
        }
    }
    return columns;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Matches in one line

struct LineCase {
    const char* name;
    QString pattern;
    QString line;
    bool matchCase;
    bool wholeWord;
    QList<int> columns;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class MatchesInLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(MatchesInLine, FindAllInLineGivesTheColumns) {
    const LineCase& c = GetParam();
    const QList<int> found = FindAll(c.pattern, c.line, c.matchCase, c.wholeWord);
    EXPECT_EQ(found, c.columns) << "found " << Show(found) << " expected " << Show(c.columns);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Overlap, MatchesInLine, ::testing::Values(
    LineCase{"AaInAaaa", "aa", "aaaa", true, false, {1, 3}},
    LineCase{"AaInAaa", "aa", "aaa", true, false, {1}},
    LineCase{"AaInFiveA", "aa", "aaaaa", true, false, {1, 3}},
    LineCase{"AbabInRepeats", "abab", "abababab", true, false, {1, 5}},
    LineCase{"AbaInAbababa", "aba", "abababa", true, false, {1, 5}},
    LineCase{"SingleCharacterEverywhere", "x", "xxx", true, false, {1, 2, 3}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Placement, MatchesInLine, ::testing::Values(
    LineCase{"PatternLongerThanLine", "abcd", "abc", true, false, {}},
    LineCase{"PatternIsTheLine", "abc", "abc", true, false, {1}},
    LineCase{"AtLineEnd", "end", "the end", true, false, {5}},
    LineCase{"AtLineStart", "the", "the end", true, false, {1}},
    LineCase{"EmptyLine", "a", "", true, false, {}},
    LineCase{"NoMatch", "xyz", "abcdefghijklmnopqrstuvw", true, false, {}},
    LineCase{"AlmostAtEnd", "abd", "abcabcabd", true, false, {7}},
    LineCase{"LastCharacterMatchesAfterFailedCompare", "xab", "aab bab xab", true, false, {9}},
    LineCase{"TabsAndSpaces", "\tb", "a\tb \tb", true, false, {2, 5}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Case, MatchesInLine, ::testing::Values(
    LineCase{"IgnoringCaseFindsAllForms", "ABC", "abc Abc ABC", false, false, {1, 5, 9}},
    LineCase{"MatchCaseFindsOnlyExact", "ABC", "abc Abc ABC", true, false, {9}},
    LineCase{"LowerPatternIgnoringCase", "abc", "xABCx", false, false, {2}},
    LineCase{"AccentedCapitalsFold", QString::fromUtf8("ÉTÉ"), QString::fromUtf8("un été"), false, false, {4}},
    LineCase{"AccentedCapitalsKeptWithMatchCase", QString::fromUtf8("ÉTÉ"), QString::fromUtf8("un été"), true, false, {}},
    LineCase{"GreekFolds", QString::fromUtf8("ΣΟΦΙΑ"), QString::fromUtf8("σοφια"), false, false, {1}},
    LineCase{"CyrillicFolds", QString::fromUtf8("мир"), QString::fromUtf8("МИР"), false, false, {1}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(WholeWord, MatchesInLine, ::testing::Values(
    LineCase{"NotBeforeUnderscore", "cat", "cat_dog", true, true, {}},
    LineCase{"NotBeforeLetter", "cat", "cats", true, true, {}},
    LineCase{"NotAfterLetter", "cat", "bobcat", true, true, {}},
    LineCase{"NotBeforeDigit", "cat", "cat2", true, true, {}},
    LineCase{"BeforeHyphen", "cat", "cat-dog", true, true, {1}},
    LineCase{"AtLineEnd", "cat", "the cat", true, true, {5}},
    LineCase{"WholeLine", "cat", "cat", true, true, {1}},
    LineCase{"BetweenPunctuation", "cat", "(cat).", true, true, {2}},
    LineCase{"SkipsEmbeddedTakesFree", "cat", "bobcat cats cat", true, true, {13}},
    LineCase{"WithoutWholeWordAllCount", "cat", "bobcat cats cat", true, false, {4, 8, 13}},
    LineCase{"FailedWordLetsOverlapThrough", "aa", "aaa aa", true, true, {5}},
    LineCase{"PatternEdgesAreNotExamined", "-", "a-b a - b", true, true, {7}},
    LineCase{"PatternWithSpaceNeedsDelimiterOutside", " cat", "the cat. a cat", true, true, {}},
    LineCase{"AccentedLetterIsPartOfWord", "caf", QString::fromUtf8("café"), true, true, {}},
    LineCase{"CombiningMarkIsPartOfWord", "cafe", QString::fromUtf8("cafe\u0301"), true, true, {}},
    LineCase{"LetterOutsideBmpIsPartOfWord", "cat", QString::fromUtf8("\U00010428cat"), true, true, {}},
    LineCase{"EmojiIsADelimiter", "cat", QString::fromUtf8("\U0001F600cat\U0001F600"), true, true, {3}},
    LineCase{"IgnoringCaseAndWholeWord", "Cat", "CAT cats cAt", false, true, {1, 10}}
), [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(ShiftTableBuckets, MatchesInLine, ::testing::Values(
    // U+0161 and 'a' share a low byte, as do U+0100 and the terminating 0.
    LineCase{"CollidingUnitsInPattern", QString::fromUtf8("aš"), QString::fromUtf8("ššaaššašaš"), true, false, {4, 7, 9}},
    LineCase{"CollidingUnitAfterWindow", QString::fromUtf8("xa"), QString::fromUtf8("xšxa"), true, false, {3}},
    LineCase{"PatternHoldsUnitOfTheTerminator", QString::fromUtf8("bĀ"), QString::fromUtf8("abĀ"), true, false, {2}}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---------------------------------------------------------------------------------------------
// The match list

TEST(MatchList, MatchAtOutsideTheListIsZero) {
    TGlyphEditSearch search;
    search.SetPattern("a");
    ASSERT_EQ(search.FindAllInLine("a a"), 2);
    EXPECT_EQ(search.MatchAt(0), 1);
    EXPECT_EQ(search.MatchAt(1), 3);
    EXPECT_EQ(search.MatchAt(2), 0);
    EXPECT_EQ(search.MatchAt(-1), 0);
}

TEST(MatchList, FindAllInLineEmptiesTheListFirst) {
    TGlyphEditSearch search;
    search.SetPattern("a");
    ASSERT_EQ(search.FindAllInLine("aaa"), 3);
    EXPECT_EQ(search.FindAllInLine("bbb"), 0);
    EXPECT_EQ(search.MatchCount(), 0);
    EXPECT_EQ(search.FindAllInLine("ba"), 1);
    EXPECT_EQ(MatchList(search), QList<int>{2});
}

struct ShiftCase {
    const char* name;
    int after;
    int delta;
    QList<int> columns;
};

void PrintTo(const ShiftCase& c, std::ostream* os) {
    *os << c.name;
}

class ShiftMatchesCases : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(ShiftMatchesCases, MovesOnlyTheColumnsBehind) {
    const ShiftCase& c = GetParam();
    TGlyphEditSearch search;
    search.SetPattern("ab");
    ASSERT_EQ(search.FindAllInLine("ab  ab  ab  ab"), 4); // 1, 5, 9, 13
    search.ShiftMatches(c.after, c.delta);
    EXPECT_EQ(MatchList(search), c.columns);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(All, ShiftMatchesCases, ::testing::Values(
    ShiftCase{"ShorterReplacement", 5, 1, {1, 5, 8, 12}},
    ShiftCase{"LongerReplacement", 1, -3, {1, 8, 12, 16}},
    ShiftCase{"ZeroDelta", 1, 0, {1, 5, 9, 13}},
    ShiftCase{"AfterTheLast", 13, 2, {1, 5, 9, 13}},
    ShiftCase{"BeforeTheFirst", 0, 1, {0, 4, 8, 12}}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---------------------------------------------------------------------------------------------
// Scanning step by step

TEST(Scan, FirstAndNextWalkTheMatches) {
    TGlyphEditSearch search;
    search.SetPattern("ab");
    EXPECT_EQ(search.FindFirstMatch("xabxxabab"), 2);
    EXPECT_EQ(search.FindNextMatch(), 6);
    EXPECT_EQ(search.FindNextMatch(), 8);
    EXPECT_EQ(search.FindNextMatch(), 0);
    EXPECT_EQ(search.FindNextMatch(), 0);
}

TEST(Scan, NextWithoutFirstFindsNothing) {
    TGlyphEditSearch search;
    search.SetPattern("ab");
    EXPECT_EQ(search.FindNextMatch(), 0);
}

TEST(Scan, ShorterTextFindsNothingAndEndsTheOldScan) {
    TGlyphEditSearch search;
    search.SetPattern("ab");
    ASSERT_EQ(search.FindFirstMatch("ab ab"), 1);
    EXPECT_EQ(search.FindFirstMatch("a"), 0);
    EXPECT_EQ(search.FindNextMatch(), 0);
}

TEST(Scan, ChangedPatternEndsTheRunningScan) {
    TGlyphEditSearch search;
    search.SetPattern("ab");
    ASSERT_EQ(search.FindFirstMatch("ab ab abc"), 1);
    search.SetPattern("abc");
    EXPECT_EQ(search.FindNextMatch(), 0);
    EXPECT_EQ(search.FindFirstMatch("ab ab abc"), 7);
}

// ---------------------------------------------------------------------------------------------
// The empty pattern

TEST(EmptyPattern, FindFirstMatchRaisesPatternIsEmpty) {
    TGlyphEditSearch search;
    for (const QString& line : {QString(), QString("text")}) {
        try {
            search.FindFirstMatch(line);
            ADD_FAILURE() << "no error for line " << line.toStdString();
        } catch (const EGlyphSearchError& e) {
            EXPECT_EQ(e.Message(), "Pattern is empty");
        }
    }
}

TEST(EmptyPattern, IsAGlyphError) {
    TGlyphEditSearch search;
    search.SetPattern("a");
    search.SetPattern("");
    EXPECT_THROW(search.FindAllInLine("abc"), EGlyphError);
}

// ---------------------------------------------------------------------------------------------
// Preparing the pattern

TEST(Preparation, OnlyPatternAndCaseChangesClearIt) {
    TGlyphEditSearch search;
    EXPECT_FALSE(search.MatchCase());
    EXPECT_FALSE(search.WholeWord());
    search.SetPattern("ab");
    EXPECT_FALSE(search.Prepared());
    search.FindAllInLine("ab");
    EXPECT_TRUE(search.Prepared());

    search.SetPattern("ab");
    EXPECT_TRUE(search.Prepared()) << "same pattern";
    search.SetMatchCase(false);
    EXPECT_TRUE(search.Prepared()) << "same case setting";
    search.SetWholeWord(true);
    EXPECT_TRUE(search.Prepared()) << "whole word does not touch the shift table";

    search.SetMatchCase(true);
    EXPECT_FALSE(search.Prepared());
    search.FindAllInLine("ab");
    search.SetPattern("abc");
    EXPECT_FALSE(search.Prepared());
}

TEST(Preparation, SwitchingCaseBetweenSearchesUsesTheNewRule) {
    TGlyphEditSearch search;
    search.SetPattern("Ab");
    EXPECT_EQ(search.FindAllInLine("ab AB Ab"), 3);
    search.SetMatchCase(true);
    EXPECT_EQ(search.FindAllInLine("ab AB Ab"), 1);
    EXPECT_EQ(search.MatchAt(0), 7);
    search.SetMatchCase(false);
    EXPECT_EQ(search.FindAllInLine("ab AB Ab"), 3);
}

// Every engine keeps its own case rule, so two engines with different settings can take turns.
TEST(Preparation, EnginesWithDifferentCaseDoNotDisturbEachOther) {
    TGlyphEditSearch folding;
    TGlyphEditSearch exact;
    folding.SetPattern("Ab");
    exact.SetPattern("Ab");
    exact.SetMatchCase(true);
    EXPECT_EQ(folding.FindAllInLine("ab AB Ab"), 3);
    EXPECT_EQ(exact.FindAllInLine("ab AB Ab"), 1);
    EXPECT_EQ(folding.FindAllInLine("ab AB Ab"), 3);
}

// ---------------------------------------------------------------------------------------------
// Cross-check against the naive scan on generated lines

namespace {

// Few distinct characters so that matches, near misses and word edges are frequent; it holds
// units that share a shift-table bucket, a letter outside the BMP, an emoji, a combining mark
// and capitals that fold.
const QStringList& Alphabet() {
    static const QStringList alphabet = {"a",
                                         "a",
                                         "a",
                                         "b",
                                         "b",
                                         "A",
                                         "B",
                                         "_",
                                         " ",
                                         "-",
                                         "1",
                                         QString::fromUtf8("é"),
                                         QString::fromUtf8("É"),
                                         QString::fromUtf8("š"),
                                         QString::fromUtf8("Š"),
                                         QString::fromUtf8("Ā"),
                                         QString::fromUtf8("\u0301"),
                                         QString::fromUtf8("\U00010428"),
                                         QString::fromUtf8("\U0001F600"),
                                         "\t"};
    return alphabet;
}

QString RandomText(QRandomGenerator& random, int pieces) {
    QString text;
    for (int i = 0; i < pieces; ++i)
        text += Alphabet().at(random.bounded(static_cast<int>(Alphabet().size())));
    return text;
}

QString RandomPattern(QRandomGenerator& random, const QString& line) {
    // Mostly a piece of the line itself (with its case flipped at random), sometimes free text.
    if (line.size() >= 1 && random.bounded(4) != 0) {
        const int length = 1 + random.bounded(std::min<int>(6, static_cast<int>(line.size())));
        const int start = random.bounded(static_cast<int>(line.size()) - length + 1);
        QString piece = line.mid(start, length);
        return random.bounded(2) ? piece.toUpper() : piece;
    }
    QString pattern = RandomText(random, 1 + random.bounded(4));
    return pattern.isEmpty() ? QString("a") : pattern;
}

} // namespace

TEST(CrossCheck, FindAllInLineAgreesWithTheNaiveScan) {
    const quint32 firstSeed = qEnvironmentVariableIntValue("GLYPHON_SEARCH_SEED");
    constexpr int Runs = 3000;
    TGlyphEditSearch reused; // one engine for all runs, so state carried over is exercised too
    for (int run = 0; run < Runs; ++run) {
        const quint32 seed = firstSeed + static_cast<quint32>(run);
        QRandomGenerator random(seed);
        const QString line = RandomText(random, random.bounded(60));
        const QString pattern = RandomPattern(random, line);
        const bool matchCase = random.bounded(2);
        const bool wholeWord = random.bounded(2);

        reused.SetPattern(pattern);
        reused.SetMatchCase(matchCase);
        reused.SetWholeWord(wholeWord);
        reused.FindAllInLine(line);
        const QList<int> expected = NaiveFindAll(pattern, line, matchCase, wholeWord);
        const QList<int> found = MatchList(reused);
        ASSERT_EQ(found, expected)
            << "seed " << seed << " (rerun with GLYPHON_SEARCH_SEED=" << seed << ")"
            << "\n line    [" << line.toStdString() << "]\n pattern [" << pattern.toStdString()
            << "] matchCase " << matchCase << " wholeWord " << wholeWord << "\n found "
            << Show(found) << " expected " << Show(expected);
        ASSERT_EQ(FindAll(pattern, line, matchCase, wholeWord), expected)
            << "fresh engine, seed " << seed;
    }
}

// ---------------------------------------------------------------------------------------------
// Checking one place

struct MatchesAtCase {
    const char* name;
    QString line;
    int column;
    bool matchCase;
    bool expected;
};

void PrintTo(const MatchesAtCase& c, std::ostream* os) {
    *os << c.name;
}

class MatchesAtCases : public ::testing::TestWithParam<MatchesAtCase> {};

TEST_P(MatchesAtCases, TellsWhetherThePatternStandsThere) {
    const MatchesAtCase& c = GetParam();
    TGlyphEditSearch search;
    search.SetPattern("Ab");
    search.SetMatchCase(c.matchCase);
    search.SetWholeWord(true); // not applied by MatchesAt
    EXPECT_EQ(search.MatchesAt(c.line, c.column), c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(All, MatchesAtCases, ::testing::Values(
    MatchesAtCase{"ExactPlace", "xAb", 2, true, true},
    MatchesAtCase{"OtherCaseFolded", "xab", 2, false, true},
    MatchesAtCase{"OtherCaseExact", "xab", 2, true, false},
    MatchesAtCase{"InsideAWord", "xAby", 2, true, true},
    MatchesAtCase{"OneOff", "xAb", 1, true, false},
    MatchesAtCase{"PastTheEnd", "xA", 2, true, false},
    MatchesAtCase{"ColumnZero", "Ab", 0, true, false}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on
