#include "highlight/TGlyphCssHighlighter.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class CssTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(CssTokens, TokensAndAttributes) {
    TGlyphCssHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kRuleCases[] = {
    {"RuleWithColour",
     {"body { color: #FF0000; }"},
     {"[body:Identifier][ :Space][{:String][ :Space][color:Key][::Identifier][ :Space][#FF0000:"
      "Number][;:Identifier][ :Space][}:String]"}},
    {"RuleOverLines",
     {"h1 {", "  margin-top: -1px;", "}"},
     {"[h1:Identifier][ :Space][{:String]",
      "[  :Space][margin-top:Key][::Identifier][ :Space][-1:Number][px:Key][;:Identifier]",
      "[}:String]"}},
    {"FunctionParentheses",
     {"url(a.png)"},
     {"[url:Identifier][(:Symbol][a:Identifier][.:Identifier][png:Identifier][):Symbol]"}},
};
INSTANTIATE_TEST_SUITE_P(Rules, CssTokens, ::testing::ValuesIn(kRuleCases), CaseName);

const TLanguageCase kKeyCases[] = {
    {"CaseDoesNotMatter",
     {"COLOR Color color"},
     {"[COLOR:Key][ :Space][Color:Key][ :Space][color:Key]"}},
    {"AnyDigitMatchesAnyDigit",
     {"panose-7 scrollbar-5d-light-color"},
     {"[panose-7:Key][ :Space][scrollbar-5d-light-color:Key]"}},
    {"HyphenBelongsToTheWord",
     {"border-top-width border-top-widths"},
     {"[border-top-width:Key][ :Space][border-top-widths:Identifier]"}},
    {"LongestKeysAreFound",
     {"text-underline-position scrollbar-dark-shadow-color"},
     {"[text-underline-position:Key][ :Space][scrollbar-dark-shadow-color:Key]"}},
    {"SingleLetterUnit", {"2s S"}, {"[2:Number][s:Key][ :Space][S:Key]"}},
    {"TodaysPropertiesAreKeys",
     {"justify-content grid-template-columns transition-timing-function flexbox"},
     {"[justify-content:Key][ :Space][grid-template-columns:Key][ :Space]"
      "[transition-timing-function:Key][ :Space][flexbox:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Keys, CssTokens, ::testing::ValuesIn(kKeyCases), CaseName);

const TLanguageCase kNumberCases[] = {
    {"UnitsEmAndExAreKeys",
     {"10em 1.5ex 12px"},
     {"[10:Number][em:Key][ :Space][1.5:Number][ex:Key][ :Space][12:Number][px:Key]"}},
    {"Exponent", {"1e3"}, {"[1e3:Number]"}},
    {"TwoDotsEndTheNumber", {"1..2"}, {"[1:Number][.:Identifier][.:Identifier][2:Number]"}},
    {"ColourValues",
     {"#abc $12 #header"},
     {"[#abc:Number][ :Space][$12:Number][ :Space][#:Identifier][header:Identifier]"}},
    {"MinusAfterBlankStartsNumber",
     {" -.5 a:-1"},
     {"[ :Space][-.5:Number][ :Space][a:Identifier][::Identifier][-:Identifier][1:Number]"}},
    {"MinusBeforeBlankIsPunctuation", {" - 1"}, {"[ :Space][-:Identifier][ :Space][1:Number]"}},
    {"BraceTakesDigitsAlong", {"{12 }3"}, {"[{12:String][ :Space][}3:String]"}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, CssTokens, ::testing::ValuesIn(kNumberCases), CaseName);

const TLanguageCase kStringAndCommentCases[] = {
    {"SingleQuotedString",
     {"content: 'a\"b';"},
     {"[content:Key][::Identifier][ :Space]['a\"b':String][;:Identifier]"}},
    {"DoubleQuoteIsUnknown", {"\"x\""}, {"[\":Identifier][x:Identifier][\":Identifier]"}},
    {"StringEndsAtLineEnd", {"'open", "top"}, {"['open:String]", "[top:Key]"}},
    {"CommentOverLines",
     {"p /* one", "two */ a"},
     {"[p:Identifier][ :Space][/* one:Comment]", "[two */:Comment][ :Space][a:Identifier]"}},
    {"SlashAloneIsUnknown", {"a/b"}, {"[a:Identifier][/:Identifier][b:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(StringsAndComments, CssTokens, ::testing::ValuesIn(kStringAndCommentCases),
                         CaseName);

TEST(CssStates, CommentState) {
    TGlyphCssHighlighter h;
    const QList<TGlyphCustomHighlighter::TState> expected = {ctrComment, ctrComment, ctrNormal};
    EXPECT_EQ(EndStates(h, {"/*", "color", "*/"}), expected);
}

TEST(CssKeywords, AllKeysWithoutRegardToCase) {
    TGlyphCssHighlighter h;
    // The 186 keys of the list, and the properties of today's CSS beside them.
    EXPECT_GT(h.Keywords().Count(), 186 + 200);
    EXPECT_TRUE(h.IsReservedWord("Z-INDEX"));
    EXPECT_TRUE(h.IsReservedWord("Flex-Wrap"));
    EXPECT_TRUE(h.IsReservedWord("kHz"));
    EXPECT_FALSE(h.IsReservedWord("colour"));
}

TEST(CssAttributes, NamesStylesAndMainWindowColours) {
    TGlyphCssHighlighter h;
    EXPECT_EQ(AttributeNames(h),
              QStringList({"Comment", "Identifier", "Key", "Number", "Space", "String", "Symbol"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_KEYWORD), h.KeyAttri());
    EXPECT_EQ(h.LanguageTitle(), "Cascading style sheets");
    EXPECT_EQ(h.DefaultFilter(), "Cascading Stylesheets (*.css)|*.css");
    h.ApplyMainWindowSettings();
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
    EXPECT_EQ(h.SpaceAttri()->Foreground(), clNone);
}

} // namespace
