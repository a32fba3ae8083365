#include "highlight/TGlyphCharSet.h"

#include <gtest/gtest.h>

namespace {

struct TMemberCase {
    const char* name;
    TGlyphCharSet::TAbove above;
    char16_t c;
    bool expected;
};

class CharSetAbove255 : public ::testing::TestWithParam<TMemberCase> {};

TEST_P(CharSetAbove255, ClassifiesByUnicodeCategory) {
    const TGlyphCharSet set(u"ab", GetParam().above);
    EXPECT_EQ(set.Contains(GetParam().c), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CharSet, CharSetAbove255,
    ::testing::Values(
        TMemberCase{"NoneLetter", TGlyphCharSet::NoneAbove, u'\u03B1', false},
        TMemberCase{"LettersGreek", TGlyphCharSet::LettersAbove, u'\u03B1', true},
        TMemberCase{"LettersIdeograph", TGlyphCharSet::LettersAbove, u'\u65E5', true},
        TMemberCase{"LettersCombiningMark", TGlyphCharSet::LettersAbove, u'\u0301', true},
        TMemberCase{"LettersDash", TGlyphCharSet::LettersAbove, u'\u2014', false},
        TMemberCase{"PrintableDash", TGlyphCharSet::PrintableAbove, u'\u2014', true},
        TMemberCase{"PrintableSpace", TGlyphCharSet::PrintableAbove, u'\u2003', false},
        TMemberCase{"PunctuationDash", TGlyphCharSet::PunctuationAbove, u'\u2014', true},
        TMemberCase{"PunctuationLetter", TGlyphCharSet::PunctuationAbove, u'\u03B1', false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CharSet, LowRangeIsMemberByMember) {
    TGlyphCharSet set(u"ab", TGlyphCharSet::LettersAbove);
    set.AddRange(u'0', u'2').Add(200).Remove(u'a');
    for (int c = 0; c < 256; ++c) {
        const bool expected = c == 'b' || c == '0' || c == '1' || c == '2' || c == 200;
        EXPECT_EQ(set.Contains(char16_t(c)), expected) << c;
    }
    EXPECT_EQ(set.Above(), TGlyphCharSet::LettersAbove);
}

TEST(CharSet, EqualityComparesMembersAndRule) {
    EXPECT_EQ(TGlyphCharSet(u"xy"), TGlyphCharSet(u"yx"));
    EXPECT_NE(TGlyphCharSet(u"xy"), TGlyphCharSet(u"x"));
    EXPECT_NE(TGlyphCharSet(u"x"), TGlyphCharSet(u"x", TGlyphCharSet::LettersAbove));
}

} // namespace
