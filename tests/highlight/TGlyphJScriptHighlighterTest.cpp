#include "highlight/TGlyphJScriptHighlighter.h"

#include "highlight/GlyphLanguageCatalogue.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class JScriptTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(JScriptTokens, TokensAndAttributes) {
    TGlyphJScriptHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kWordCases[] = {
    {"Declaration",
     {"var x = 0x1F;"},
     {"[var:Reserved word][ :Space][x:Identifier][ :Space][=:Symbol][ :Space][0x1F:Number][;:"
      "Symbol]"}},
    {"CaseMatters",
     {"Document document If if"},
     {"[Document:Identifier][ :Space][document:Non-reserved keyword][ :Space][If:Identifier][ "
      ":Space][if:Reserved word]"}},
    {"EventsAreExact", {"onClick onclick"}, {"[onClick:Event][ :Space][onclick:Identifier]"}},
    {"KeywordWithUnderscoreAndDigits",
     {"MAX_VALUE LN10 atan2 x_1"},
     {"[MAX_VALUE:Non-reserved keyword][ :Space][LN10:Non-reserved keyword][ :Space][atan2:Non-"
      "reserved keyword][ :Space][x_1:Identifier]"}},
    {"LongestKeywordIsFound",
     {"POSITIVE_INFINITY POSITIVE_INFINITYX"},
     {"[POSITIVE_INFINITY:Non-reserved keyword][ :Space][POSITIVE_INFINITYX:Identifier]"}},
    {"KeywordPrefixIsIdentifier",
     {"ifx whiles _if"},
     {"[ifx:Identifier][ :Space][whiles:Identifier][ :Space][_if:Identifier]"}},
    {"LettersOfOtherScripts",
     {u8"naïve łódź é"},
     {u8"[naïve:Identifier][ :Space][łódź:Identifier][ :Space][é:-]"}},
};
INSTANTIATE_TEST_SUITE_P(Words, JScriptTokens, ::testing::ValuesIn(kWordCases), CaseName);

const TLanguageCase kNumberCases[] = {
    {"DecimalAndFraction", {"12.5 7"}, {"[12.5:Number][ :Space][7:Number]"}},
    {"RangeSplitsAtTwoDots", {"1..2"}, {"[1:Number][.:Symbol][.:Symbol][2:Number]"}},
    {"HexNeedsLeadingZeroAndDigit",
     {"0x 1x2 0xG"},
     {"[0:Number][x:Identifier][ :Space][1:Number][x2:Identifier][ :Space][0:Number][xG:"
      "Identifier]"}},
    {"HexLettersOnlyAfterX", {"12e5 0xfF9"}, {"[12:Number][e5:Identifier][ :Space][0xfF9:Number]"}},
    {"SeveralSingleDots", {"1.2.3"}, {"[1.2.3:Number]"}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, JScriptTokens, ::testing::ValuesIn(kNumberCases), CaseName);

const TLanguageCase kStringCases[] = {
    {"EscapedQuoteStaysInside",
     {R"(s = "say \"hi\"";)"},
     {R"([s:Identifier][ :Space][=:Symbol][ :Space]["say \"hi\"":String][;:Symbol])"}},
    {"SingleQuotes", {"'a\"b' x"}, {"['a\"b':String][ :Space][x:Identifier]"}},
    {"EscapedBackslashBeforeClosingQuote",
     {R"(p = "C:\\"; q)"},
     {R"([p:Identifier][ :Space][=:Symbol][ :Space]["C:\\":String][;:Symbol][ :Space][q:)"
      R"(Identifier])"}},
    {"UnclosedStringEndsAtLineEnd",
     {"x = 'open", "if (y)"},
     {"[x:Identifier][ :Space][=:Symbol][ :Space]['open:String]",
      "[if:Reserved word][ :Space][(:Symbol][y:Identifier][):Symbol]"}},
    {"EmptyString", {"\"\"+''"}, {"[\"\":String][+:Symbol]['':String]"}},
    {"ThreeQuotesOpenAtTheThird", {"'''a' b"}, {"['''a':String][ :Space][b:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Strings, JScriptTokens, ::testing::ValuesIn(kStringCases), CaseName);

const TLanguageCase kCommentCases[] = {
    {"LineComment",
     {"x; // note /* not a block"},
     {"[x:Identifier][;:Symbol][ :Space][// note /* not a block:Comment]"}},
    {"BlockCommentOverLines",
     {"a /* one", "  // still comment", "two */ b"},
     {"[a:Identifier][ :Space][/* one:Comment]", "[  // still comment:Comment]",
      "[two */:Comment][ :Space][b:Identifier]"}},
    {"BlockCommentOnOneLine",
     {"/**/x/* y */z"},
     {"[/**/:Comment][x:Identifier][/* y */:Comment][z:Identifier]"}},
    {"SlashStarSlashDoesNotClose", {"/*/ x", "*/"}, {"[/*/ x:Comment]", "[*/:Comment]"}},
    {"EmptyLineInsideComment",
     {"/*", "", "*/ ;"},
     {"[/*:Comment]", "", "[*/:Comment][ :Space][;:Symbol]"}},
};
INSTANTIATE_TEST_SUITE_P(Comments, JScriptTokens, ::testing::ValuesIn(kCommentCases), CaseName);

const TLanguageCase kSymbolCases[] = {
    {"LogicalPairs",
     {"a&&b||c&=d|=e"},
     {"[a:Identifier][&&:Symbol][b:Identifier][||:Symbol][c:Identifier][&=:Symbol][d:Identifier]"
      "[|=:Symbol][e:Identifier]"}},
    {"ArithmeticPairs",
     {"i++;j-=2;k->m"},
     {"[i:Identifier][++:Symbol][;:Symbol][j:Identifier][-=:Symbol][2:Number][;:Symbol][k:"
      "Identifier][->:Symbol][m:Identifier]"}},
    {"ComparisonIsSingleCharacters",
     {"a==b"},
     {"[a:Identifier][=:Symbol][=:Symbol][b:Identifier]"}},
    {"DivisionAndModulo",
     {"a/=b%=c*d"},
     {"[a:Identifier][/=:Symbol][b:Identifier][%=:Symbol][c:Identifier][*:Symbol][d:"
      "Identifier]"}},
    {"Ellipsis",
     {"f(...a.b)"},
     {"[f:Identifier][(:Symbol][...:Symbol][a:Identifier][.:Symbol][b:Identifier][):Symbol]"}},
    {"UnknownCharacters", {"$@#\\^`\x7f"}, {"[$:-][@:-][#:-][\\:-][^:-][`:-][\x7f:-]"}},
    {"DollarStartsNoWord", {"$x"}, {"[$:-][x:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Symbols, JScriptTokens, ::testing::ValuesIn(kSymbolCases), CaseName);

const TLanguageCase kBlankCases[] = {
    {"TabsAndSpacesAreOneRun", {"\t  x"}, {"[\t  :Space][x:Identifier]"}},
    {"CrLfIsOneToken",
     {"a\r\nb\nc"},
     {"[a:Identifier][\r\n:Space][b:Identifier][\n:Space][c:Identifier]"}},
    {"NulInsideLineIsABlank",
     {QString("a") + QChar(0) + "b"},
     {QString("[a:Identifier][") + QChar(0) + ":Space][b:Identifier]"}},
    {"EmptyLine", {""}, {""}},
};
INSTANTIATE_TEST_SUITE_P(Blanks, JScriptTokens, ::testing::ValuesIn(kBlankCases), CaseName);

TEST(JScriptStates, BlockCommentCarriesStateOne) {
    TGlyphJScriptHighlighter h;
    const QList<TGlyphCustomHighlighter::TState> expected = {jrBlockComment, jrBlockComment,
                                                             jrNormal, jrNormal};
    EXPECT_EQ(EndStates(h, {"x /* a", "b", "c */", "'open"}), expected);
}

TEST(JScriptStates, ResetStateIsNormal) {
    TGlyphJScriptHighlighter h;
    h.RestoreState(jrBlockComment);
    h.ResetState();
    EXPECT_EQ(h.State(), jrNormal);
}

TEST(JScriptStates, LineEndTokenHasNoAttributeAndStays) {
    TGlyphJScriptHighlighter h;
    h.ResetState();
    h.StartLine("x", 0);
    h.Advance();
    ASSERT_TRUE(h.AtLineEnd());
    EXPECT_EQ(h.TokenKind(), jtLineEnd);
    EXPECT_EQ(h.TokenAttribute(), nullptr);
    h.Advance();
    EXPECT_TRUE(h.AtLineEnd());
    EXPECT_EQ(h.TokenStart(), 1);
}

TEST(JScriptKinds, TokenKindsFollowTheLanguageNumbering) {
    TGlyphJScriptHighlighter h;
    h.ResetState();
    h.StartLine("// c", 0);
    EXPECT_EQ(h.TokenKind(), 0);
    const struct {
        QString Text;
        int Kind;
    } rows[] = {{"x", 1}, {"if", 2}, {"1", 4},     {" ", 5},      {"'s'", 6},
                {";", 7}, {"@", 8},  {"alert", 9}, {"onLoad", 10}};
    for (const auto& row : rows) {
        h.StartLine(row.Text, 0);
        EXPECT_EQ(h.TokenKind(), row.Kind) << row.Text.toStdString();
    }
}

TEST(JScriptKeywords, EveryKeywordIsFoundWithinTheHashLimit) {
    TGlyphJScriptHighlighter h;
    EXPECT_EQ(h.Keywords().Count(), 63 + 316 + 20);
    // Every word must be reachable: a hash above the limit would make it an identifier.
    for (const QString word : {"abstract", "constructor", "POSITIVE_INFINITY", "NEGATIVE_INFINITY",
                               "getUTCMilliseconds", "onMouseOver", "SQRT1_2", "zIndex"}) {
        EXPECT_LE(TGlyphJScriptHighlighter::KeywordHash(word),
                  TGlyphJScriptHighlighter::MaxKeywordHash)
            << word.toStdString();
        EXPECT_NE(h.Keywords().Find(word, -1), -1) << word.toStdString();
    }
    EXPECT_EQ(TGlyphJScriptHighlighter::KeywordHash(u"Az_9"), 1 + 26 + 31);
}

TEST(JScriptKeywords, IsReservedWordOnlyForReservedWords) {
    TGlyphJScriptHighlighter h;
    EXPECT_TRUE(h.IsReservedWord("while"));
    EXPECT_TRUE(h.IsReservedWord("NaN"));
    EXPECT_FALSE(h.IsReservedWord("While"));
    EXPECT_FALSE(h.IsReservedWord("document"));
    EXPECT_FALSE(h.IsReservedWord("onLoad"));
}

TEST(JScriptAttributes, NamesInOrderWithNewInstanceStyles) {
    TGlyphJScriptHighlighter h;
    EXPECT_EQ(AttributeNames(h),
              QStringList({"Comment", "Event", "Identifier", "Non-reserved keyword", "Number",
                           "Reserved word", "Space", "String", "Symbol"}));
    EXPECT_EQ(h.AttributeByName("Comment")->Style(), fsItalic);
    EXPECT_EQ(h.AttributeByName("Reserved word")->Style(), fsBold);
    for (int i = 0; i < h.AttributeCount(); ++i) {
        EXPECT_EQ(h.AttributeAt(i)->Foreground(), clNone);
        EXPECT_EQ(h.AttributeAt(i)->Background(), clNone);
    }
}

TEST(JScriptAttributes, StandardAttributes) {
    TGlyphJScriptHighlighter h;
    const char* names[] = {"Comment", "Identifier", "Reserved word", "String", "Space", "Symbol"};
    for (int i = 0; i < 6; ++i) {
        ASSERT_NE(h.StandardAttribute(i), nullptr);
        EXPECT_EQ(h.StandardAttribute(i)->Name(), names[i]);
    }
    EXPECT_EQ(h.StandardAttribute(6), nullptr);
    EXPECT_EQ(h.StandardAttribute(-1), nullptr);
}

TEST(JScriptAttributes, MainWindowSettingsColourCommentsAndStrings) {
    TGlyphJScriptHighlighter h;
    EXPECT_EQ(h.DefaultFilter(), "Javascript Files (*.js)|*.js");
    h.ApplyMainWindowSettings();
    EXPECT_EQ(MakeMainWindowHighlighter(LanguageEntry(glJScript))->DefaultFilter(),
              "Javascript files (*.js)|*.js");
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
    EXPECT_FALSE(h.CommentAttri()->IsForegroundDefault());
    EXPECT_EQ(h.KeyAttri()->Foreground(), clNone);
}

TEST(JScriptDescription, TitleAndWordCharacters) {
    TGlyphJScriptHighlighter h;
    EXPECT_EQ(h.LanguageTitle(), "Javascript");
    const TGlyphCharSet chars = h.WordChars();
    for (char16_t c : {u'a', u'Z', u'0', u'_', char16_t(192), char16_t(255), char16_t(0x0142)}) {
        EXPECT_TRUE(chars.Contains(c)) << int(c);
    }
    for (char16_t c : {u'$', u'-', u' ', char16_t(215), char16_t(247), char16_t(191)}) {
        EXPECT_FALSE(chars.Contains(c)) << int(c);
    }
}

} // namespace
