#include "highlight/TGlyphJavaHighlighter.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class JavaTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(JavaTokens, TokensAndAttributes) {
    TGlyphJavaHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kWordCases[] = {
    {"ClassDeclaration",
     {"public final class A$B {"},
     {"[public:Reserved word][ :Space][final:Reserved word][ :Space][class:Reserved word][ "
      ":Space][A$B:Identifier][ :Space][{:Symbol]"}},
    {"CaseMatters", {"Class class"}, {"[Class:Identifier][ :Space][class:Reserved word]"}},
    {"NewerWords",
     {"assert strictfp volatile"},
     {"[assert:Reserved word][ :Space][strictfp:Reserved word][ :Space][volatile:Reserved "
      "word]"}},
    {"KeywordFollowedByDollarIsAName", {"int$ x"}, {"[int$:Identifier][ :Space][x:Identifier]"}},
    {"InvalidSymbols",
     {"@Override #x $y"},
     {"[@:Invalid symbol][Override:Identifier][ :Space][#:Invalid symbol][x:Identifier][ "
      ":Space][$:Invalid symbol][y:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Words, JavaTokens, ::testing::ValuesIn(kWordCases), CaseName);

const TLanguageCase kNumberCases[] = {
    {"LongAndHex", {"10L 0xFFl"}, {"[10L:Number][ :Space][0xFFl:Number]"}},
    {"MinusInsideNumber", {"1-2"}, {"[1-2:Number]"}},
    {"FractionAndLeadingDot", {"3.14 .5"}, {"[3.14:Number][ :Space][.5:Number]"}},
    {"TwoDotsEndTheNumber", {"1..2"}, {"[1:Number][.:Symbol][.2:Number]"}},
    {"DotAloneIsSymbol", {"a.b"}, {"[a:Identifier][.:Symbol][b:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, JavaTokens, ::testing::ValuesIn(kNumberCases), CaseName);

const TLanguageCase kStringCases[] = {
    {"EscapedQuote",
     {R"(s = "a \"b\" c";)"},
     {R"([s:Identifier][ :Space][=:Symbol][ :Space]["a \"b\" c":String][;:Symbol])"}},
    {"CharacterLiteral",
     {R"(c = '\'';)"},
     {R"([c:Identifier][ :Space][=:Symbol][ :Space]['\'':String][;:Symbol])"}},
    {"EscapedBackslash", {R"("\\" x)"}, {R"(["\\":String][ :Space][x:Identifier])"}},
    {"StringsEndAtLineEnd", {"\"open", "x"}, {"[\"open:String]", "[x:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Strings, JavaTokens, ::testing::ValuesIn(kStringCases), CaseName);

const TLanguageCase kCommentCases[] = {
    {"DocumentationOverLines",
     {"/** Adds.", " * @param a */ int"},
     {"[/** Adds.:Documentation]", "[ * @param a */:Documentation][ :Space][int:Reserved word]"}},
    {"BlockOverLines",
     {"x /* a", "b */ y"},
     {"[x:Identifier][ :Space][/* a:Comment]", "[b */:Comment][ :Space][y:Identifier]"}},
    {"EmptyCommentIsNoDocumentation", {"/**/x"}, {"[/**/:Comment][x:Identifier]"}},
    {"LineComment", {"x // y"}, {"[x:Identifier][ :Space][// y:Comment]"}},
    {"DivisionIsSymbol",
     {"a/=b/c"},
     {"[a:Identifier][/=:Symbol][b:Identifier][/:Symbol][c:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Comments, JavaTokens, ::testing::ValuesIn(kCommentCases), CaseName);

const TLanguageCase kSymbolCases[] = {
    {"Operators",
     {"a^=b&&c"},
     {"[a:Identifier][^=:Symbol][b:Identifier][&&:Symbol][c:Identifier]"}},
    {"Brackets",
     {"f(a[0]);"},
     {"[f:Identifier][(:Symbol][a:Identifier][[:Symbol][0:Number][]:Symbol][):Symbol][;:"
      "Symbol]"}},
    {"HighCharactersAreInvalid", {"\x7f\u00a9"}, {"[\x7f:Invalid symbol][\u00a9:Invalid symbol]"}},
};
INSTANTIATE_TEST_SUITE_P(Symbols, JavaTokens, ::testing::ValuesIn(kSymbolCases), CaseName);

TEST(JavaStates, CommentAndDocumentationStates) {
    TGlyphJavaHighlighter h;
    const QList<TGlyphCustomHighlighter::TState> expected = {jvrDocumentation, jvrDocumentation,
                                                             jvrNormal, jvrComment, jvrNormal};
    EXPECT_EQ(EndStates(h, {"/**", "x", "*/", "/* a", "*/"}), expected);
}

TEST(JavaKeywords, AllFiftyTwoReservedWords) {
    TGlyphJavaHighlighter h;
    EXPECT_EQ(h.Keywords().Count(), 52);
    EXPECT_TRUE(h.IsReservedWord("synchronized"));
    EXPECT_FALSE(h.IsReservedWord("String"));
}

TEST(JavaAttributes, NamesStylesAndMainWindowColours) {
    TGlyphJavaHighlighter h;
    EXPECT_EQ(AttributeNames(h),
              QStringList({"Comment", "Documentation", "Identifier", "Invalid symbol", "Number",
                           "Reserved word", "Space", "String", "Symbol"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.DocumentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.LanguageTitle(), "Java");
    EXPECT_EQ(h.DefaultFilter(), "Java files (*.java)|*.java");
    EXPECT_EQ(h.SpaceAttri()->Foreground(), clNone);
    h.ApplyMainWindowSettings();
    EXPECT_EQ(h.SpaceAttri()->Foreground(), 0xFF000005u);
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
    EXPECT_EQ(h.DocumentAttri()->Foreground(), clNone);
}

TEST(JavaAttributes, StandardAttributesAndWordChars) {
    TGlyphJavaHighlighter h;
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_KEYWORD), h.KeyAttri());
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_STRING), h.StringAttri());
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_WHITESPACE), h.SpaceAttri());
    EXPECT_TRUE(h.WordChars().Contains(u'$'));
    EXPECT_FALSE(h.WordChars().Contains(u'@'));
}

} // namespace
