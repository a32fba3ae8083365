#include "highlight/TGlyphPHPHighlighter.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class PHPTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(PHPTokens, TokensAndAttributes) {
    TGlyphPHPHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kWordCases[] = {
    {"EchoVariable",
     {"<?php echo $Name; ?>"},
     {"[<:Symbol][?:Symbol][php:Identifier][ :Space][echo:Reserved word][ :Space][$Name:"
      "Variable][;:Symbol][ :Space][?:Symbol][>:Symbol]"}},
    {"ReservedWordsInAnyCase",
     {"ECHO Echo __file__ ElseIf"},
     {"[ECHO:Reserved word][ :Space][Echo:Reserved word][ :Space][__file__:Reserved word][ "
      ":Space][ElseIf:Reserved word]"}},
    {"VariablesInAnyCase",
     {"$name $NAME $_x1 $if"},
     {"[$name:Variable][ :Space][$NAME:Variable][ :Space][$_x1:Variable][ :Space][$if:"
      "Variable]"}},
    {"LoneDollarIsSymbol", {"$ x"}, {"[$:Symbol][ :Space][x:Identifier]"}},
    {"ErrorSuppression",
     {"@fopen()"},
     {"[@:Invalid symbol][fopen:Identifier][(:Symbol][):Symbol]"}},
    {"BackslashAndBackquoteAreUnknown",
     {"\\Ns `ls`"},
     {"[\\:Identifier][Ns:Identifier][ :Space][`:Identifier][ls:Identifier][`:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Words, PHPTokens, ::testing::ValuesIn(kWordCases), CaseName);

const TLanguageCase kNumberCases[] = {
    {"DotIsAlwaysSymbol", {"1.5"}, {"[1:Number][.:Symbol][5:Number]"}},
    {"HexLongAndMinus",
     {"0x1F 10L 1-2"},
     {"[0x1F:Number][ :Space][10L:Number][ :Space][1-2:Number]"}},
    {"Concatenation", {"$a.$b"}, {"[$a:Variable][.:Symbol][$b:Variable]"}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, PHPTokens, ::testing::ValuesIn(kNumberCases), CaseName);

const TLanguageCase kStringCases[] = {
    {"SingleQuotedOverLines",
     {"$a = 'one", "two' . $b"},
     {"[$a:Variable][ :Space][=:Symbol][ :Space]['one:String]",
      "[two':String][ :Space][.:Symbol][ :Space][$b:Variable]"}},
    {"DoubleQuotedOverLines", {"\"a", "", "b\";"}, {"[\"a:String]", "", "[b\":String][;:Symbol]"}},
    {"EscapedQuote", {R"('it\'s' x)"}, {R"(['it\'s':String][ :Space][x:Identifier])"}},
    {"EscapedBackslashBeforeQuote", {R"('a\\' b)"}, {R"(['a\\':String][ :Space][b:Identifier])"}},
    {"OtherEscapesLeaveTheQuote", {R"("a\n" b)"}, {R"(["a\n":String][ :Space][b:Identifier])"}},
    {"OtherQuoteInside", {"\"it's\" x"}, {"[\"it's\":String][ :Space][x:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Strings, PHPTokens, ::testing::ValuesIn(kStringCases), CaseName);

const TLanguageCase kCommentCases[] = {
    {"HashComment", {"x; # note"}, {"[x:Identifier][;:Symbol][ :Space][# note:Comment]"}},
    {"SlashComment", {"x // note"}, {"[x:Identifier][ :Space][// note:Comment]"}},
    {"BlockOverLines",
     {"/* a 'b", "c */ $d"},
     {"[/* a 'b:Comment]", "[c */:Comment][ :Space][$d:Variable]"}},
    {"QuotesInsideCommentOpenNothing", {"# it's", "x"}, {"[# it's:Comment]", "[x:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Comments, PHPTokens, ::testing::ValuesIn(kCommentCases), CaseName);

TEST(PHPStates, StringsAndCommentsCarryTheirStates) {
    TGlyphPHPHighlighter h;
    const QList<TGlyphCustomHighlighter::TState> expected = {
        prSingleQuoted, prSingleQuoted, prNormal, prDoubleQuoted, prNormal, prComment, prNormal};
    EXPECT_EQ(EndStates(h, {"'a", "", "b'", "\"c\\\"", "\"", "/*", "*/"}), expected);
}

TEST(PHPKeywords, FiftyFiveReservedWords) {
    TGlyphPHPHighlighter h;
    EXPECT_EQ(h.Keywords().Count(), 55);
    EXPECT_TRUE(h.IsReservedWord("HIGHLIGHT_STRING"));
    EXPECT_FALSE(h.IsReservedWord("foreach"));
}

TEST(PHPAttributes, NamesStylesAndMainWindowColours) {
    TGlyphPHPHighlighter h;
    EXPECT_EQ(AttributeNames(h),
              QStringList({"Comment", "Identifier", "Invalid symbol", "Number", "Reserved word",
                           "Space", "String", "Symbol", "Variable"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.VariableAttri()->Style(), 0u);
    EXPECT_EQ(h.LanguageTitle(), "PHP");
    EXPECT_EQ(h.DefaultFilter(),
              "PHP files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc");
    h.ApplyMainWindowSettings();
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
}

} // namespace
