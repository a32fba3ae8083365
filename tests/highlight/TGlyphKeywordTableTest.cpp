#include "highlight/TGlyphKeywordTable.h"

#include <QHash>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

constexpr int kNone = -1;

struct TLookupCase {
    const char* name;
    unsigned match;
    QString word;
    int expected;
};

class KeywordLookup : public ::testing::TestWithParam<TLookupCase> {};

TEST_P(KeywordLookup, FindsTheKindOfTheWord) {
    TGlyphKeywordTable table(GetParam().match);
    table.Add({"if", "else", "NaN", "panose-1", "Document"}, 2);
    table.Add({"document", "onClick"}, 9);
    EXPECT_EQ(table.Find(GetParam().word, kNone), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    KeywordTable, KeywordLookup,
    ::testing::Values(
        TLookupCase{"ExactHit", TGlyphKeywordTable::CaseSensitive, "if", 2},
        TLookupCase{"ExactWrongCase", TGlyphKeywordTable::CaseSensitive, "If", kNone},
        TLookupCase{"ExactKeepsBothSpellings", TGlyphKeywordTable::CaseSensitive, "document", 9},
        TLookupCase{"ExactOtherSpelling", TGlyphKeywordTable::CaseSensitive, "Document", 2},
        TLookupCase{"ExactMixedCase", TGlyphKeywordTable::CaseSensitive, "onClick", 9},
        TLookupCase{"Prefix", TGlyphKeywordTable::CaseSensitive, "i", kNone},
        TLookupCase{"Longer", TGlyphKeywordTable::CaseSensitive, "iff", kNone},
        TLookupCase{"Empty", TGlyphKeywordTable::CaseSensitive, "", kNone},
        TLookupCase{"IgnoreCaseUpper", TGlyphKeywordTable::IgnoreCase, "ELSE", 2},
        TLookupCase{"IgnoreCaseMixed", TGlyphKeywordTable::IgnoreCase, "nan", 2},
        TLookupCase{"IgnoreCaseFirstWins", TGlyphKeywordTable::IgnoreCase, "DOCUMENT", 2},
        TLookupCase{"DigitsDifferWhenExact", TGlyphKeywordTable::IgnoreCase, "panose-7", kNone},
        TLookupCase{"DigitsEqual", TGlyphKeywordTable::IgnoreCase | TGlyphKeywordTable::DigitsEqual,
                    "PANOSE-7", 2},
        TLookupCase{"DigitsEqualStillNeedsADigit",
                    TGlyphKeywordTable::IgnoreCase | TGlyphKeywordTable::DigitsEqual, "panose-x",
                    kNone},
        TLookupCase{"NonAsciiIsNoAsciiLetter", TGlyphKeywordTable::IgnoreCase,
                    QString::fromUtf8("\xc4\xb1"
                                      "f"),
                    kNone}),
    [](const auto& info) { return std::string(info.param.name); });

int LetterSum(QStringView word) {
    int sum = 0;
    for (QChar c : word) {
        sum += c.toLower().unicode() - u'a' + 1;
    }
    return sum;
}

TEST(KeywordTable, HashLimitHidesLongWords) {
    TGlyphKeywordTable table(TGlyphKeywordTable::CaseSensitive);
    table.Add({"abc", "zzzzzzzzzz"}, 1);
    table.SetHashLimit(&LetterSum, 252);
    EXPECT_EQ(table.Find(u"abc", kNone), 1);
    EXPECT_EQ(table.Find(u"zzzzzzzzzz", kNone), kNone) << "hash 260 is above the limit";
    EXPECT_TRUE(table.Contains(u"abc"));
    EXPECT_FALSE(table.Contains(u"zzzzzzzzzz"));
}

TEST(KeywordTable, KindMinusOneIsStillFound) {
    TGlyphKeywordTable table;
    table.Add(u"x", -1);
    EXPECT_TRUE(table.Contains(u"x"));
    EXPECT_FALSE(table.Contains(u"y"));
}

TEST(KeywordTable, VeryLongWordsAreCompared) {
    TGlyphKeywordTable table(TGlyphKeywordTable::IgnoreCase);
    const QString longWord(300, u'k');
    table.Add(QStringView(longWord), 4);
    EXPECT_EQ(table.Find(QString(300, u'K'), kNone), 4);
    EXPECT_EQ(table.Find(QString(299, u'k'), kNone), kNone);
    EXPECT_EQ(table.Find(QString(1000, u'k'), kNone), kNone);
}

// Random word lists against a plain hash of lower-cased words.
TEST(KeywordTable, AgreesWithAReferenceMapOnRandomWords) {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const QString alphabet = QStringLiteral("abcXYZ_09-");
    auto randomWord = [&] {
        QString w;
        const int n = random.bounded(1, 7);
        for (int i = 0; i < n; ++i) {
            w += alphabet[random.bounded(int(alphabet.size()))];
        }
        return w;
    };
    for (unsigned match : {0u, 1u}) {
        TGlyphKeywordTable table(match);
        QHash<QString, int> reference;
        auto fold = [match](const QString& w) { return match ? w.toLower() : w; };
        for (int i = 0; i < 500; ++i) {
            const QString w = randomWord();
            table.Add(QStringView(w), i);
            if (!reference.contains(fold(w))) {
                reference.insert(fold(w), i);
            }
        }
        EXPECT_EQ(table.Count(), reference.size());
        for (int i = 0; i < 3000; ++i) {
            const QString w = randomWord();
            EXPECT_EQ(table.Find(QStringView(w), kNone), reference.value(fold(w), kNone))
                << w.toStdString();
        }
    }
}

} // namespace
