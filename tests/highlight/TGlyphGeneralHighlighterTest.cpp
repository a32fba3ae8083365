#include "highlight/TGlyphGeneralHighlighter.h"

#include "LanguageTestSupport.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("\\Software\\Velmaris\\GlyphEdit\\TGlyphGeneralHighlighter");

class GeneralTokens : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(GeneralTokens, NewInstance) {
    TGlyphGeneralHighlighter h;
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kNewInstanceCases[] = {
    {"StringAndLineComment",
     {"x = 'a' // c"},
     {"[x:Identifier][ :Space][=:Symbol][ :Space]['a':String][ :Space][// c:Comment]"}},
    {"PreprocessorOnlyFirstOnLine",
     {" #define X", "a #b"},
     {"[ :Space][#define X:Preprocessor]", "[a:Identifier][ :Space][#:Symbol][b:Identifier]"}},
    {"BlockCommentOverLines",
     {"/* a", "b */ c"},
     {"[/* a:Comment]", "[b */:Comment][ :Space][c:Identifier]"}},
    {"NoKeywords", {"if begin"}, {"[if:Identifier][ :Space][begin:Identifier]"}},
    {"DoubleQuoteIsSymbol", {"\"a\""}, {"[\":Symbol][a:Identifier][\":Symbol]"}},
    {"Numbers", {"12.5 3"}, {"[12.5:Number][ :Space][3:Number]"}},
    {"PascalCommentsAreOff", {"{ x }"}, {"[{:Symbol][ :Space][x:Identifier][ :Space][}:Symbol]"}},
};
INSTANTIATE_TEST_SUITE_P(Defaults, GeneralTokens, ::testing::ValuesIn(kNewInstanceCases), CaseName);

class GeneralCommentStyles : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(GeneralCommentStyles, AllStylesOnAndDoubleQuotes) {
    TGlyphGeneralHighlighter h;
    h.SetComments(csAnsiStyle | csPasStyle | csCStyle | csAsmStyle | csBasStyle);
    h.SetStringDelimiter(QLatin1Char('"'));
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kCommentStyleCases[] = {
    {"Ansi", {"(* a", "b *) c"}, {"[(* a:Comment]", "[b *):Comment][ :Space][c:Identifier]"}},
    {"ParenthesisAloneIsSymbol", {"(a)"}, {"[(:Symbol][a:Identifier][):Symbol]"}},
    {"Pascal", {"{ a", "} b"}, {"[{ a:Comment]", "[}:Comment][ :Space][b:Identifier]"}},
    {"Assembler", {"mov ; c"}, {"[mov:Identifier][ :Space][; c:Comment]"}},
    {"Basic", {"x ' c"}, {"[x:Identifier][ :Space][' c:Comment]"}},
    {"DoubleQuotedString", {"\"a'b\""}, {"[\"a'b\":String]"}},
};
INSTANTIATE_TEST_SUITE_P(Styles, GeneralCommentStyles, ::testing::ValuesIn(kCommentStyleCases),
                         CaseName);

class GeneralMainWindow : public ::testing::TestWithParam<TLanguageCase> {};

TEST_P(GeneralMainWindow, PlainTextSettings) {
    TGlyphGeneralHighlighter h;
    h.ApplyMainWindowSettings();
    EXPECT_EQ(DescribeDocument(h, GetParam().Lines), GetParam().Expected);
}

const TLanguageCase kMainWindowCases[] = {
    {"PunctuationBelongsToWords",
     {"Hello, world."},
     {"[Hello,:Identifier][ :Space][world.:Identifier]"}},
    {"ApostropheInsideWord", {"don't"}, {"[don't:Identifier]"}},
    {"QuoteOpensString", {"'quoted' 1st"}, {"['quoted':String][ :Space][1:Number][st:Identifier]"}},
    {"NoCommentsNoPreprocessor",
     {"# x /* y"},
     {"[#:Identifier][ :Space][x:Identifier][ :Space][/*:Identifier][ :Space][y:Identifier]"}},
    {"HighCharacters",
     {u8"naïve – ok"},
     {u8"[naïve:Identifier][ :Space][–:Identifier][ :Space][ok:Identifier]"}},
};
INSTANTIATE_TEST_SUITE_P(MainWindow, GeneralMainWindow, ::testing::ValuesIn(kMainWindowCases),
                         CaseName);

TEST(GeneralSettings, MainWindowDisablesAndClearsInOneNotification) {
    TGlyphGeneralHighlighter h;
    int notified = 0;
    h.HookAttributeChange(&notified, [&notified] { ++notified; });
    h.ApplyMainWindowSettings();
    EXPECT_EQ(notified, 1);
    EXPECT_FALSE(h.Enabled());
    EXPECT_EQ(h.Comments(), 0u);
    EXPECT_FALSE(h.DetectPreprocessor());
    EXPECT_TRUE(h.WordChars().Contains(u'!'));
    EXPECT_TRUE(h.WordChars().Contains(char16_t(0x2013)));
    EXPECT_FALSE(h.WordChars().Contains(u' '));
    EXPECT_EQ(h.DefaultFilter(), "Text Files (*.txt)|*.txt");
    EXPECT_EQ(h.CommentAttri()->Foreground(), 0x008000u);
    EXPECT_EQ(h.StringAttri()->Foreground(), 0xFF0000u);
}

TEST(GeneralSettings, EachSettingNotifies) {
    TGlyphGeneralHighlighter h;
    int notified = 0;
    h.HookAttributeChange(&notified, [&notified] { ++notified; });
    h.SetKeyWords({"a"});
    h.SetComments(csPasStyle);
    h.SetDetectPreprocessor(false);
    h.SetStringDelimiter(QLatin1Char('"'));
    h.SetIdentifierChars(TGlyphCharSet(u"abc"));
    EXPECT_EQ(notified, 5);
    h.SetComments(csPasStyle); // unchanged
    EXPECT_EQ(notified, 5);
}

TEST(GeneralKeywords, UserListWithoutRegardToCase) {
    TGlyphGeneralHighlighter h;
    h.SetKeyWords({"Begin", "end", " "});
    EXPECT_EQ(h.Keywords().Count(), 2);
    EXPECT_EQ(DescribeDocument(h, {"BEGIN x End"}),
              QStringList({"[BEGIN:Reserved word][ :Space][x:Identifier][ :Space][End:Reserved "
                           "word]"}));
    EXPECT_TRUE(h.IsReservedWord("begin"));
    h.SetKeyWords({});
    EXPECT_FALSE(h.IsReservedWord("begin"));
}

TEST(GeneralStore, KeywordsTravelWithTheAttributes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    TGlyphGeneralHighlighter saved;
    saved.SetKeyWords({"alpha", "beta"});
    saved.CommentAttri()->SetForeground(0x123456);
    ASSERT_TRUE(saved.SaveAttributes(store, kKey));
    EXPECT_EQ(store.value("TGlyphGeneralHighlighter/KeyWords").toString(), "alpha\r\nbeta");

    TGlyphGeneralHighlighter loaded;
    ASSERT_TRUE(loaded.LoadAttributes(store, kKey));
    EXPECT_EQ(loaded.KeyWords(), QStringList({"alpha", "beta"}));
    EXPECT_TRUE(loaded.IsReservedWord("ALPHA"));
    EXPECT_EQ(loaded.CommentAttri()->Foreground(), 0x123456u);
    EXPECT_EQ(store.group(), QString());
}

TEST(GeneralStore, MissingKeyChangesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    TGlyphGeneralHighlighter h;
    h.SetKeyWords({"keep"});
    EXPECT_FALSE(h.LoadAttributes(store, kKey));
    EXPECT_EQ(h.KeyWords(), QStringList({"keep"}));
}

TEST(GeneralStore, KeywordsWithAnyLineBreaks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    TGlyphGeneralHighlighter source;
    ASSERT_TRUE(source.SaveAttributes(store, kKey));
    store.setValue("TGlyphGeneralHighlighter/KeyWords", "one\ntwo\r\n\rthree");
    TGlyphGeneralHighlighter h;
    ASSERT_TRUE(h.LoadAttributes(store, kKey));
    EXPECT_EQ(h.KeyWords(), QStringList({"one", "two", "three"}));
}

TEST(GeneralAssign, CopiesTheLanguageSettings) {
    TGlyphGeneralHighlighter source;
    source.ApplyMainWindowSettings();
    source.SetKeyWords({"w"});
    TGlyphGeneralHighlighter copy;
    copy.Assign(source);
    EXPECT_EQ(copy.KeyWords(), QStringList({"w"}));
    EXPECT_EQ(copy.Comments(), 0u);
    EXPECT_FALSE(copy.DetectPreprocessor());
    EXPECT_EQ(copy.IdentifierChars(), source.IdentifierChars());
    EXPECT_FALSE(copy.Enabled());
    EXPECT_EQ(copy.CommentAttri()->Foreground(), 0x008000u);
}

TEST(GeneralAttributes, NamesStylesAndFeatures) {
    TGlyphGeneralHighlighter h;
    EXPECT_EQ(AttributeNames(h), QStringList({"Comment", "Identifier", "Number", "Preprocessor",
                                              "Reserved word", "Space", "String", "Symbol"}));
    EXPECT_EQ(h.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(h.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(h.LanguageTitle(), "General");
    EXPECT_TRUE(h.Enabled());
    EXPECT_EQ(h.Features(), hcRegistry | hcUserSettings);
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_WHITESPACE), h.SpaceAttri());
}

} // namespace
