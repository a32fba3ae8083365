#include "highlight/TGlyphVBScriptHighlighter.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class VBScriptTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(VBScriptTokens, TokensAndAttributes) {
    TGlyphVBScriptHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kWordCases[] = {
    {"ReservedWordsInAnyCase",
     {"Dim dim DIM Property"},
     {"[Dim:Reserved word][ :Space][dim:Reserved word][ :Space][DIM:Reserved word][ :Space]"
      "[Property:Reserved word]"}},
    {"Condition",
     {"If a <> b Then"},
     {"[If:Reserved word][ :Space][a:Identifier][ :Space][<>:Symbol][ :Space][b:Identifier][ "
      ":Space][Then:Reserved word]"}},
    {"RemIsAWordNotAComment", {"REM x"}, {"[REM:Reserved word][ :Space][x:Identifier]"}},
    {"LineContinuation", {"x _"}, {"[x:Identifier][ :Space][_:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(Words, VBScriptTokens, ::testing::ValuesIn(kWordCases), CaseName);

const TLanguageCase kLiteralCases[] = {
    {"DoubledQuoteMakesTwoStrings", {"\"a\"\"b\""}, {"[\"a\":String][\"b\":String]"}},
    {"UnclosedStringEndsAtLineEnd",
     {"s = \"abc", "t"},
     {"[s:Identifier][ :Space][=:Symbol][ :Space][\"abc:String]", "[t:Identifier]"}},
    {"DateLiteral",
     {"d = #1/1/2000#"},
     {"[d:Identifier][ :Space][=:Symbol][ :Space][#1/1/2000#:String]"}},
    {"UnclosedDate", {"#1/1"}, {"[#1/1:String]"}},
    {"Numbers", {"1.5E3 12"}, {"[1.5E3:Number][ :Space][12:Number]"}},
};
INSTANTIATE_TEST_SUITE_P(Literals, VBScriptTokens, ::testing::ValuesIn(kLiteralCases), CaseName);

const TLanguageCase kCommentAndSymbolCases[] = {
    {"Comment",
     {"x = 1 ' it's set"},
     {"[x:Identifier][ :Space][=:Symbol][ :Space][1:Number][ :Space][' it's set:Comment]"}},
    {"ComparisonPairs",
     {"a<=b>=c<d>e"},
     {"[a:Identifier][<=:Symbol][b:Identifier][>=:Symbol][c:Identifier][<:Symbol][d:"
      "Identifier][>:Symbol][e:Identifier]"}},
    {"ListedSymbols",
     {"&()*+,-./:;=^{}"},
     {"[&:Symbol][(:Symbol][):Symbol][*:Symbol][+:Symbol][,:Symbol][-:Symbol][.:Symbol][/:"
      "Symbol][::Symbol][;:Symbol][=:Symbol][^:Symbol][{:Symbol][}:Symbol]"}},
    {"OtherCharactersAreUnknown",
     {"[a]\\b!"},
     {"[[:Identifier][a:Identifier][]:Identifier][\\:Identifier][b:Identifier][!:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(CommentsAndSymbols, VBScriptTokens,
                         ::testing::ValuesIn(kCommentAndSymbolCases), CaseName);

TEST(VBScriptTokenKinds, UnknownIsItsOwnKindDrawnAsIdentifier) {
    TGlyphVBScriptHighlighter h;
    h.ResetState();
    h.StartLine("!", 0);
    EXPECT_EQ(h.TokenKind(), vtUnknown);
    EXPECT_EQ(h.TokenAttribute(), h.IdentifierAttri());
}

TEST(VBScriptKeywords, EightyFourReservedWords) {
    TGlyphVBScriptHighlighter h;
    EXPECT_EQ(h.Keywords().Count(), 84);
    EXPECT_TRUE(h.IsReservedWord("randomize"));
    EXPECT_TRUE(h.IsReservedWord("PARAMARRAY"));
    EXPECT_FALSE(h.IsReservedWord("MsgBox"));
}

TEST(VBScriptAttributes, NamesStylesAndMainWindowColours) {
    TGlyphVBScriptHighlighter h;
    EXPECT_EQ(AttributeNames(h), QStringList({"Comment", "Identifier", "Number", "Reserved word",
                                              "Space", "String", "Symbol"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.LanguageTitle(), "MS VBScript");
    EXPECT_EQ(h.DefaultFilter(), "VBScript files (*.vbs)|*.vbs");
    h.ApplyMainWindowSettings();
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
    EXPECT_EQ(EndStates(h, {"\"open", "#open"}), QList<TGlyphCustomHighlighter::TState>({0, 0}));
}

} // namespace
