#include "highlight/TGlyphPerlHighlighter.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class PerlTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(PerlTokens, TokensAndAttributes) {
    TGlyphPerlHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kWordCases[] = {
    {"SpecialVariablesAreExact", {"$ARGV $argv"}, {"[$ARGV:Variable][ :Space][$argv:Identifier]"}},
    {"Declaration",
     {"my $x = shift;"},
     {"[my:Reserved word][ :Space][$x:Identifier][ :Space][=:Symbol][ :Space][shift:Reserved "
      "word][;:Symbol]"}},
    {"Pragma", {"use strict;"}, {"[use:Reserved word][ :Space][strict:Pragma][;:Symbol]"}},
    {"WordOperators",
     {"$a eq $b or not $c"},
     {"[$a:Identifier][ :Space][eq:Operator][ :Space][$b:Identifier][ :Space][or:Operator][ "
      ":Space][not:Operator][ :Space][$c:Identifier]"}},
    {"HashesAndArrays",
     {"%INC @ARGV @INC %h @list"},
     {"[%INC:Variable][ :Space][@ARGV:Variable][ :Space][@INC:Variable][ :Space][%h:"
      "Identifier][ :Space][@list:Identifier]"}},
    {"CaseMatters", {"Print print"}, {"[Print:Identifier][ :Space][print:Reserved word]"}},
};
INSTANTIATE_TEST_SUITE_P(Words, PerlTokens, ::testing::ValuesIn(kWordCases), CaseName);

const TLanguageCase kVariableCases[] = {
    {"PunctuationVariables",
     {"$_ $0 $! $; $#a"},
     {"[$_:Variable][ :Space][$0:Variable][ :Space][$!:Variable][ :Space][$;:Variable][ :Space]"
      "[$#:Variable][a:Identifier]"}},
    {"CaretVariables",
     {"$^W $^X $^Z"},
     {"[$^W:Variable][ :Space][$^X:Variable][ :Space][$^:Variable][Z:Identifier]"}},
    {"UnderscoreName", {"$_x"}, {"[$_x:Identifier]"}},
    {"LoneSigils", {"$ @ %"}, {"[$:Symbol][ :Space][@:Symbol][ :Space][%:Symbol]"}},
};
INSTANTIATE_TEST_SUITE_P(Variables, PerlTokens, ::testing::ValuesIn(kVariableCases), CaseName);

const TLanguageCase kOperatorCases[] = {
    {"RepetitionAssignment",
     {"$s x= 3"},
     {"[$s:Identifier][ :Space][x=:Symbol][ :Space][3:Number]"}},
    {"RepetitionAtLineEnd",
     {"print '-' x", "3"},
     {"[print:Reserved word][ :Space]['-':String][ :Space][x:Symbol]", "[3:Number]"}},
    {"XStartingWords",
     {"xor x y"},
     {"[xor:Operator][ :Space][x:Identifier][ :Space][y:Identifier]"}},
    {"ModuloAssignment", {"$n %= 2"}, {"[$n:Identifier][ :Space][%=:Symbol][ :Space][2:Number]"}},
    {"ModuloBeforeBlank",
     {"$a % $b"},
     {"[$a:Identifier][ :Space][%:Symbol][ :Space][$b:Identifier]"}},
    {"IllegalCharacters",
     {"`ls`\u00e9"},
     {"[`:Illegal char][ls:Identifier][`:Illegal char][\u00e9:Illegal char]"}},
};
INSTANTIATE_TEST_SUITE_P(Operators, PerlTokens, ::testing::ValuesIn(kOperatorCases), CaseName);

const TLanguageCase kNumberCases[] = {
    {"Forms",
     {"1e-5 0xff 1_000 3.14"},
     {"[1e-5:Number][ :Space][0xff:Number][ :Space][1_000:Number][ :Space][3.14:Number]"}},
    {"MinusWithoutExponentIsSymbol", {"5-3"}, {"[5:Number][-:Symbol][3:Number]"}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, PerlTokens, ::testing::ValuesIn(kNumberCases), CaseName);

const TLanguageCase kStringCases[] = {
    {"DoubleQuotedEscapes", {R"("a \" b" c)"}, {R"(["a \" b":String][ :Space][c:Identifier])"}},
    {"EscapedBackslashEndsString", {R"("C:\\" c)"}, {R"(["C:\\":String][ :Space][c:Identifier])"}},
    {"SingleQuotedWithoutEscapes", {R"('C:\' $x)"}, {R"(['C:\':String][ :Space][$x:Identifier])"}},
    {"StringsEndAtLineEnd", {"\"open", "y"}, {"[\"open:String]", "[y:Identifier]"}},
    {"Comment", {"$x; # it's"}, {"[$x:Identifier][;:Symbol][ :Space][# it's:Comment]"}},
};
INSTANTIATE_TEST_SUITE_P(Strings, PerlTokens, ::testing::ValuesIn(kStringCases), CaseName);

TEST(PerlStates, NothingSpansLines) {
    TGlyphPerlHighlighter h;
    const QList<TGlyphCustomHighlighter::TState> expected = {0, 0, 0};
    EXPECT_EQ(EndStates(h, {"\"open", "'open", "# c"}), expected);
}

TEST(PerlKeywords, FourKindsOfWords) {
    TGlyphPerlHighlighter h;
    EXPECT_EQ(h.Keywords().Count(), 282);
    const struct {
        const char* Word;
        int Kind;
    } rows[] = {{"wantarray", plReservedWord}, {"$SUBSEP", plVariable}, {"@INC", plVariable},
                {"cmp", plOperator},           {"sigtrap", plPragma},   {"foo", -1}};
    for (const auto& row : rows) {
        EXPECT_EQ(h.Keywords().Find(QString(row.Word), -1), row.Kind) << row.Word;
    }
    EXPECT_TRUE(h.IsReservedWord("sub"));
    EXPECT_FALSE(h.IsReservedWord("strict"));
}

TEST(PerlAttributes, NamesStylesAndMainWindowColours) {
    TGlyphPerlHighlighter h;
    EXPECT_EQ(AttributeNames(h),
              QStringList({"Comment", "Identifier", "Illegal char", "Number", "Operator", "Pragma",
                           "Reserved word", "Space", "String", "Symbol", "Variable"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.PragmaAttri()->Style(), fsBold);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.VariableAttri()->Style(), fsBold);
    EXPECT_EQ(h.OperatorAttri()->Style(), 0u);
    EXPECT_EQ(h.LanguageTitle(), "Perl");
    EXPECT_EQ(h.DefaultFilter(), "Perl files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi");
    h.ApplyMainWindowSettings();
    EXPECT_EQ(h.SpaceAttri()->Foreground(), 0xFF000005u);
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
}

TEST(PerlAttributes, WordCharsAddSigils) {
    TGlyphPerlHighlighter h;
    for (char16_t c : {u'$', u'%', u'@', u'_', u'a', u'9'}) {
        EXPECT_TRUE(h.WordChars().Contains(c)) << char(c);
    }
    EXPECT_FALSE(h.WordChars().Contains(u'#'));
}

} // namespace
