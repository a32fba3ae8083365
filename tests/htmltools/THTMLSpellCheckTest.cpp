#include "htmltools/THTMLSpellCheck.h"
#include "htmltools/TWordList.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

TWordList List(const QStringList& words) {
    TWordList list;
    for (const QString& word : words)
        list.Add(word);
    return list;
}

// The words of each span, as the user sees them.
QString SpanWords(const QString& text, const TWordSpans& spans) {
    QStringList words;
    for (const TWordSpan& span : spans)
        words << text.mid(span.Start - 1, span.Length);
    return words.join(' ');
}

TEST(SpellCheck, FindWordsCutsAtNonWordCharacters) {
    const struct {
        QString run;
        QString words;
    } cases[] = {
        {"Tom&amp;Jerry caf&eacute; &amp", "Tom Jerry caf eacute amp"},
        {"a&NBSP;b&lt;c&Gt;d&quot;e&reg;f", "a b c d e f"},
        {"word's 'quoted' e-mail snake_case -lead 3rd",
         "word's quoted' e-mail snake_case lead 3rd"},
        {QString("na%1ve tab\there\r\nline").arg(QChar(0xEF)), "na ve tab here line"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpanWords(c.run, FindWords(c.run)), c.words) << c.run.toStdString();
}

TEST(SpellCheck, IsKnownInRelaxesWords) {
    const TWordList list = List({"dont", "email", "Website", "bus", "word", "cat"});
    const QStringList known = {"WORD", "don't", "e-mail", "Websites", "words", "word's", "cats",
                               "buss", "A",     "2nd",    "1999",     "x-",    "e-mails"};
    const QStringList unknown = {"bu", "wordss", "cts", "catz", "Websitez", "ab"};
    for (const QString& word : known)
        EXPECT_TRUE(IsKnownIn(word, list)) << word.toStdString();
    for (const QString& word : unknown)
        EXPECT_FALSE(IsKnownIn(word, list)) << word.toStdString();
    EXPECT_TRUE(IsKnownWord(u"Glyphons", list, List({"glyphon"})));
}

TEST(SpellCheck, FindMisspellingsReadsOnlyVisibleText) {
    const TWordList main = List({"the", "cat", "sat", "on", "page", "title"});
    const TWordList user = List({"mat"});
    const struct {
        QString html;
        QString misspelt;
    } cases[] = {
        {"<p>teh cat</p> <b>zat</b> on the mat", "teh zat"},
        {"<img alt=\"wrongg\" title='badd'><!-- teh -->cat", ""},
        {"<SCRIPT>var teh;</script>cat<Style>p{colr:red}</STYLE>xyzzy<script>teh", "xyzzy"},
        {"<title>Page titel</title>a < teh > b", "titel teh"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpanWords(c.html, FindMisspellings(c.html, main, user)), c.misspelt)
            << c.html.toStdString();
    // Spans are 1-based offsets into the whole text, line breaks counted as they are.
    EXPECT_EQ(FindMisspellings("the\r\n<b>teh</b>\nzat", main, user),
              (TWordSpans{{9, 3}, {17, 3}}));
}

TEST(SpellCheck, SuggestWordsMakesOneEdit) {
    const TWordList main = List({"the", "tee", "he", "Teh", "cart", "chat", "cat"});
    const TWordList user = List({"Ten"});
    const struct {
        QString word;
        const TWordList* user;
        QString suggestions;
    } cases[] = {
        {"teh", &user, "tee teh ten the"},
        {"Teh", nullptr, "tee teh the"},
        {"hte", nullptr, "he the"},
        {"cat", nullptr, "cart cat chat"},
        {"xyzzy", &user, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SuggestWords(c.word, &main, c.user).Words().join(' '), c.suggestions)
            << c.word.toStdString();
}

TEST(SpellCheck, WordListFilesRoundTrip) {
    const QString path = TestEnvironment::Root() + "/words.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("zebra\r\nApple\napple\rMango\n\n banana\r\nzebra");
    file.close();
    TWordList list;
    ASSERT_TRUE(list.LoadFromFile(path));
    EXPECT_EQ(list.Words(), (QStringList{" banana", "Apple", "Mango", "zebra"}));
    EXPECT_FALSE(list.Add("APPLE"));
    list.Add("Kiwi");
    list.SaveToFile(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(" banana\r\nApple\r\nKiwi\r\nMango\r\nzebra\r\n"));
    // A place that cannot hold the file: the error names it.
    try {
        list.SaveToFile(path + "/inside.txt");
        ADD_FAILURE() << "no error";
    } catch (const EGlyphFileError& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + path + "/inside.txt");
    }
}

TEST(SpellCheck, MainDictionaryOfTheUpdaterWins) {
    const QString machine = TestEnvironment::Root() + "/machine";
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine);
    EXPECT_EQ(MainDictionaryPath(), ProgramFilePath("english.txt"));
    const QString folder = TestEnvironment::Root() + "/component";
    QSettings(machine + "/Velmaris/Renuvex.conf", QSettings::IniFormat)
        .setValue("Components/Dictionary/PATH", folder + "/words.exe");
    EXPECT_EQ(MainDictionaryPath(), ProgramFilePath("english.txt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile(folder + "/english.txt").open(QIODevice::WriteOnly);
    EXPECT_EQ(MainDictionaryPath(), folder + "/english.txt");
}

} // namespace
