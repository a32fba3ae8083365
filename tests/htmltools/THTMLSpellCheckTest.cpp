#include "htmltools/THTMLSpellCheck.h"
#include "htmltools/TWordList.h"

#include "common/GlyphErrors.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

TWordList List(const QStringList& words) {
    TWordList list;
    for (const QString& word : words)
        list.Add(word);
    return list;
}

QString Str(const QStringList& words) {
    return words.join(' ');
}

// The words of each span, as the user sees them.
QStringList SpanWords(const QString& text, const TWordSpans& spans) {
    QStringList words;
    for (const TWordSpan& span : spans)
        words << text.mid(span.Start - 1, span.Length);
    return words;
}

TEST(SpellCheck, FindWordsCutsAtNonWordCharacters) {
    const struct {
        QString run;
        QString words;
    } cases[] = {
        {"Tom&amp;Jerry", "Tom Jerry"},
        {"caf&eacute;", "caf eacute"},
        {"a&NBSP;b&lt;c&Gt;d&quot;e&reg;f", "a b c d e f"},
        {"word's 'quoted' e-mail snake_case", "word's quoted' e-mail snake_case"},
        {"-lead _under 3rd 1999", "lead under 3rd 1999"},
        {QString("na%1ve").arg(QChar(0xEF)), "na ve"},
        {"tab\there\r\nline", "tab here line"},
        {"&amp", "amp"},
    };
    for (const auto& c : cases) {
        const TWordSpans spans = FindWords(c.run);
        EXPECT_EQ(Str(SpanWords(c.run, spans)), c.words) << c.run.toStdString();
    }
}

TEST(SpellCheck, IsKnownInRelaxesWords) {
    const TWordList list = List({"dont", "email", "Website", "bus", "word", "cat", "don't"});
    const struct {
        QString word;
        bool known;
    } cases[] = {
        {"WORD", true},     {"don't", true},     {"dont", true},    {"e-mail", true},
        {"Websites", true}, {"websites", true},  {"words", true},   {"word's", true},
        {"cats", true},     {"cat's", true},     {"A", true},       {"2nd", true},
        {"1999", true},     {"x-", true},        {"'a'", true},     {"buss", true},
        {"bu", false},      {"wordss", false},   {"cts", false},    {"catz", false},
        {"zzz", false},     {"Websitez", false}, {"e-mails", true}, {"ab", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsKnownIn(c.word, list), c.known) << c.word.toStdString();
    const TWordList user = List({"glyphon"});
    EXPECT_TRUE(IsKnownWord(u"Glyphons", list, user));
    EXPECT_FALSE(IsKnownWord(u"Glyphonz", list, user));
}

TEST(SpellCheck, FindMisspellingsReadsOnlyVisibleText) {
    const TWordList main = List({"the", "cat", "sat", "on", "page", "title"});
    const TWordList user = List({"mat"});
    const struct {
        QString html;
        QString misspelt;
    } cases[] = {
        {"the cat sat on the mat", ""},
        {"<p>teh cat</p> <b>zat</b>", "teh zat"},
        {"<img alt=\"wrongg\" title='badd'>cat", ""},
        {"<!-- teh --><SCRIPT>var teh;</script>cat<Style>p{colr:red}</STYLE>xyzzy", "xyzzy"},
        {"<title>Page titel</title>", "titel"},
        {"<script>teh", ""},
        {"a < teh > b", "teh"},
        {"caf&eacute; Tom&amp;Jerry", "caf eacute Tom Jerry"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Str(SpanWords(c.html, FindMisspellings(c.html, main, user))), c.misspelt)
            << c.html.toStdString();
    // Spans are 1-based offsets into the whole text, line breaks counted as they are.
    EXPECT_EQ(FindMisspellings("the\r\n<b>teh</b>\nzat", main, user),
              (TWordSpans{{9, 3}, {17, 3}}));
}

TEST(SpellCheck, SuggestWordsMakesOneEdit) {
    const TWordList main = List({"the", "then", "tee", "he", "Teh", "cat", "cart", "chat"});
    const TWordList user = List({"Ten"});
    const struct {
        QString word;
        const TWordList* main;
        const TWordList* user;
        QString suggestions;
    } cases[] = {
        {"teh", &main, &user, "tee teh ten the"},
        {"Teh", &main, nullptr, "tee teh the"},
        {"hte", &main, nullptr, "he the"},
        {"cat", nullptr, &user, ""},
        {"cat", &main, nullptr, "cart cat chat"},
        {"xyzzy", &main, &user, ""},
        {"", &main, &user, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Str(SuggestWords(c.word, c.main, c.user).Words()), c.suggestions)
            << c.word.toStdString();
}

TEST(SpellCheck, WordListFilesRoundTrip) {
    const QString folder = TestEnvironment::Root() + "/lists";
    QDir().mkpath(folder);
    const QString path = folder + "/words.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("zebra\r\nApple\napple\rMango\n\n banana\r\nzebra");
    file.close();

    TWordList list;
    ASSERT_TRUE(list.LoadFromFile(path));
    EXPECT_EQ(list.Words(), (QStringList{" banana", "Apple", "Mango", "zebra"}));
    EXPECT_TRUE(list.Contains(u"MANGO"));
    EXPECT_FALSE(list.Add("APPLE"));

    list.Add("Kiwi");
    list.SaveToFile(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(" banana\r\nApple\r\nKiwi\r\nMango\r\nzebra\r\n"));
    file.close();

    // A place that cannot hold the file: the error names it.
    const QString blocked = path + "/inside.txt";
    try {
        list.SaveToFile(blocked);
        ADD_FAILURE() << "no error";
    } catch (const EGlyphFileError& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + blocked);
    }
    EXPECT_FALSE(list.LoadFromFile(folder + "/missing.txt"));
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
