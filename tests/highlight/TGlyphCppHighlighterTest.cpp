#include "highlight/TGlyphCppHighlighter.h"

#include "highlight/GlyphLanguageCatalogue.h"

#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

namespace {

class CppTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(CppTokens, TokensAndAttributes) {
    TGlyphCppHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kPreprocessorCases[] = {
    {"Include", {"#include <stdio.h>"}, {"[#include <stdio.h>:Preprocessor]"}},
    {"AfterBlanksAndBeforeLineComment",
     {"  #define X 1 // c"},
     {"[  :Space][#define X 1 :Preprocessor][// c:Comment]"}},
    {"StopsBeforeBlockComment",
     {"#define X /* c */ 5"},
     {"[#define X :Preprocessor][/* c */:Comment][ :Space][5:Number]"}},
    {"HashInsideLineIsIllegal",
     {"a # b"},
     {"[a:Identifier][ :Space][#:Illegal char][ :Space][b:Identifier]"}},
    {"BackslashContinuesDirective",
     {"#define M(a) \\", "  (a + 1)", "int x;"},
     {"[#define M(a) \\:Preprocessor]", "[  (a + 1):Preprocessor]",
      "[int:Reserved word][ :Space][x:Identifier][;:Symbol]"}},
    {"ContinuedDirectiveEndsAtComment",
     {"#define A \\", "// c"},
     {"[#define A \\:Preprocessor]", "[// c:Comment]"}},
    {"HashAfterCommentIsIllegal",
     {"/* x */ #if"},
     {"[/* x */:Comment][ :Space][#:Illegal char][if:Reserved word]"}},
};
INSTANTIATE_TEST_SUITE_P(Preprocessor, CppTokens, ::testing::ValuesIn(kPreprocessorCases),
                         CaseName);

const TLanguageCase kNumberCases[] = {
    {"Forms",
     {"0x1F 017 1.5 42 0"},
     {"[0x1F:Hexadecimal][ :Space][017:Octal][ :Space][1.5:Float][ :Space][42:Number][ :Space]"
      "[0:Number]"}},
    {"ExponentsAndSuffixes",
     {"1e5 2.5E-3 1.5f 10UL 0xFFu .5"},
     {"[1e5:Float][ :Space][2.5E-3:Float][ :Space][1.5f:Float][ :Space][10UL:Number][ :Space]"
      "[0xFFu:Hexadecimal][ :Space][.5:Float]"}},
    {"Malformed",
     {"08 0x 12ab 1e 0x1G"},
     {"[08:Illegal char][ :Space][0x:Illegal char][ :Space][12ab:Illegal char][ :Space][1e:"
      "Illegal char][ :Space][0x1G:Illegal char]"}},
    {"RangeDots", {"1..2"}, {"[1:Number][.:Symbol][.2:Float]"}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, CppTokens, ::testing::ValuesIn(kNumberCases), CaseName);

const TLanguageCase kStringCases[] = {
    {"EscapedQuote", {R"("a\"b" x)"}, {R"(["a\"b":String][ :Space][x:Identifier])"}},
    {"EscapedBackslash", {R"("C:\\" x)"}, {R"(["C:\\":String][ :Space][x:Identifier])"}},
    {"BackslashContinuesString",
     {R"(s = "abc\)", R"(def" x)"},
     {R"([s:Identifier][ :Space][=:Symbol][ :Space]["abc\:String])",
      R"([def":String][ :Space][x:Identifier])"}},
    {"UnclosedStringEndsAtLineEnd", {"\"abc", "x"}, {"[\"abc:String]", "[x:Identifier]"}},
    {"Characters",
     {R"('a' '\'' '"')"},
     {R"(['a':Character][ :Space]['\'':Character][ :Space]['"':Character])"}},
};
INSTANTIATE_TEST_SUITE_P(Strings, CppTokens, ::testing::ValuesIn(kStringCases), CaseName);

const TLanguageCase kWordAndSymbolCases[] = {
    {"AssemblerWords",
     {"__asm _asm asm"},
     {"[__asm:Reserved word][ :Space][_asm:Reserved word][ :Space][asm:Reserved word]"}},
    {"CaseMatters",
     {"Class class nullptr wchar_t"},
     {"[Class:Identifier][ :Space][class:Reserved word][ :Space][nullptr:Identifier][ :Space]"
      "[wchar_t:Reserved word]"}},
    {"IllegalCharacters",
     {"$x \\ `"},
     {"[$:Illegal char][x:Identifier][ :Space][\\:Illegal char][ :Space][`:Illegal char]"}},
    {"Operators",
     {"p->q::r"},
     {"[p:Identifier][->:Symbol][q:Identifier][::Symbol][::Symbol][r:Identifier]"}},
    {"BlockCommentOverLines",
     {"int /* a", "b */ c;"},
     {"[int:Reserved word][ :Space][/* a:Comment]", "[b */:Comment][ :Space][c:Identifier][;:"
                                                    "Symbol]"}},
};
INSTANTIATE_TEST_SUITE_P(WordsAndSymbols, CppTokens, ::testing::ValuesIn(kWordAndSymbolCases),
                         CaseName);

TEST(CppStates, EachMultiLineConstructHasItsState) {
    TGlyphCppHighlighter h;
    const QList<TGlyphCustomHighlighter::TState> expected = {
        cprComment, cprNormal, cprString, cprNormal, cprPreprocessor, cprPreprocessor, cprNormal};
    EXPECT_EQ(EndStates(h, {"/*", "*/", "\"a\\", "b\"", "#if A \\", "&& B \\", "x"}), expected);
}

TEST(CppTokenKinds, AssemblerAttributeIsNeverGiven) {
    TGlyphCppHighlighter h;
    const QList<TGlyphScannedLine> lines =
        ScanLines(h, {"asm { mov eax, 1 }", "__asm int 3", "_asm nop"});
    for (const TGlyphScannedLine& line : lines) {
        for (const TGlyphToken& t : line.Tokens) {
            EXPECT_NE(t.Attribute, h.AsmAttri());
            EXPECT_NE(t.Kind, cpAssembler);
        }
    }
}

TEST(CppKeywords, NinetyFourReservedWords) {
    TGlyphCppHighlighter h;
    EXPECT_EQ(h.Keywords().Count(), 94);
    EXPECT_TRUE(h.IsReservedWord("reinterpret_cast"));
    EXPECT_TRUE(h.IsReservedWord("__int64"));
    EXPECT_FALSE(h.IsReservedWord("Int"));
}

TEST(CppAttributes, NamesStylesAndMainWindowColours) {
    TGlyphCppHighlighter h;
    EXPECT_EQ(AttributeNames(h),
              QStringList({"Assembler", "Character", "Comment", "Float", "Hexadecimal",
                           "Identifier", "Illegal char", "Number", "Octal", "Preprocessor",
                           "Reserved word", "Space", "String", "Symbol"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.LanguageTitle(), "C++");
    EXPECT_EQ(h.DefaultFilter(), "C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp");
    h.ApplyMainWindowSettings();
    EXPECT_EQ(MakeMainWindowHighlighter(LanguageEntry(glCpp))->DefaultFilter(),
              "C++ files (*.cpp,*.h,*.hpp)|*.cpp;*.h;*.hpp");
    EXPECT_EQ(h.SpaceAttri()->Foreground(), 0xFF000005u);
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
    EXPECT_EQ(h.CharAttri()->Foreground(), clNone);
}

} // namespace
