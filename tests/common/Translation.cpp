#include "common/Translation.h"

#include "common/GlyphErrors.h"
#include "common/Paths.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

// Writes the user's own lang.txt and loads it.
void LoadLangFile(const QByteArray& content) {
    QFile file(UserFilePath(TUserFolder::Config, "lang.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    LoadTranslations();
}

struct TClearTranslations {
    ~TClearTranslations() {
        QFile::remove(UserFilePath(TUserFolder::Config, "lang.txt"));
        LoadTranslations();
    }
};

} // namespace

TEST(Translation, UnescapeReadsTheEscapesAndLeavesOthersAsWritten) {
    const struct {
        QString In;
        QString Out;
    } cases[] = {
        {R"(a\r\nb)", "a\r\nb"},
        {R"(\a\b\t\v\f)", "\a\b\t\v\f"},
        {R"(\"\'\?\\)", "\"'?\\"},
        {R"(\101\0619)", "A19"},
        {R"(\x41\x4a\x4Z\xg)", "AJ\x04Z\\xg"},
        {R"(\q end\)", "\\q end\\"},
        {R"(\377)", QString(QChar(255))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnescapeTranslationText(c.In), c.Out) << c.In.toStdString();
    EXPECT_THROW(UnescapeTranslationText(R"(\400)"), EGlyphError);
    const QString all = QString("\a\b\t\n\v\f\r\"\\") + QChar(1) + QChar(31) + " x";
    EXPECT_EQ(EscapeTranslationText(all), R"(\a\b\t\n\v\f\r\"\\\x01\x1F x)");
    EXPECT_EQ(UnescapeTranslationText(EscapeTranslationText(all)), all);
}

TEST(Translation, FileRulesDecideWhichPairsAreFound) {
    TClearTranslations clear;
    LoadLangFile("; comment\n"
                 "<x //TFormAbout- y>\n"
                 "E=Memory usage:\n"
                 "T=Speicher:\n"
                 "E=About\n"
                 "T=*\n"
                 "E=First\n"
                 "E=Second\n"
                 "T=Zweite\n"
                 "T=Orphan\n"
                 "  E=  LINE\\r\\nBREAK  \n"
                 "  T=Zeile\\r\\nUmbruch\n"
                 "e=Lower\n"
                 "T=lower\n"
                 "E=Bad\n"
                 "T=\\777\n"
                 "<NoSlashes TFormOther- >\n"
                 "E=Memory usage:\n"
                 "T=never\n");
    const struct {
        QString Text;
        QString Section;
        QString Expected;
    } cases[] = {
        {"Memory usage:", "TFormAbout", "Speicher:"},
        {"memory USAGE:", "tformabout", "Speicher:"},
        {"About", "TFormAbout", "About"},
        {"First", "TFormAbout", "First"},
        {"Second", "TFormAbout", "Zweite"},
        {"Line\r\nbreak", "TFormAbout", "Zeile\r\nUmbruch"},
        {"Lower", "TFormAbout", "Lower"},
        {"Memory usage:", "TFormOther", "Memory usage:"},
        {"Memory usage:", "", "Memory usage:"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateText(c.Text, c.Section), c.Expected) << c.Text.toStdString();
    try {
        TranslateText("Bad", "TFormAbout");
        ADD_FAILURE() << "no error";
    } catch (const EGlyphError& e) {
        EXPECT_EQ(e.Message(), "Numeric constant too large.");
    }
}

TEST(Translation, ComponentTextsOfAWindowAreTranslatedInItsSection) {
    TClearTranslations clear;
    LoadLangFile("<//QDialog->\nE=Caption\nT=Titel\nE=Two\nT=Zwei\nE=Hint\nT=Hinweis\n"
                 "E=Page\nT=Seite\nE=Go\nT=Los\nE=Bad\nT=\\777\n");
    QDialog form;
    form.setWindowTitle("Caption");
    auto* label = new QLabel("Two", &form);
    label->setToolTip("Hint");
    auto* box = new QComboBox(&form);
    box->addItems({"One", "Two", "Bad"});
    box->setCurrentIndex(1);
    auto* tabs = new QTabWidget(&form);
    tabs->addTab(new QWidget, "Page");
    auto* action = new QAction("Go", &form);
    auto* bad = new QPushButton("Bad", &form);
    auto* inner = new QDialog(&form); // another window translates itself
    inner->setWindowTitle("Caption");
    TranslateComponent(&form);
    EXPECT_EQ(form.windowTitle(), "Titel");
    EXPECT_EQ(label->text(), "Zwei");
    EXPECT_EQ(label->toolTip(), "Hinweis");
    EXPECT_EQ(box->itemText(1), "Zwei");
    EXPECT_EQ(box->itemText(2), "Bad");
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(tabs->tabText(0), "Seite");
    EXPECT_EQ(action->text(), "Los");
    EXPECT_EQ(bad->text(), "Bad");
    EXPECT_EQ(inner->windowTitle(), "Caption");
    EXPECT_EQ(TranslationSection(label), "QDialog");
    EXPECT_EQ(TranslationSection(nullptr), "Application");
}

TEST(Translation, RandomAndTruncatedFilesNeverStopTheProgram) {
    TClearTranslations clear;
    const QByteArray good = "<//QDialog->\nE=A\\x41\\101\nT=B\\777\\x\nE=\\\nT=\\\\\\\n";
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    for (int round = 0; round < 300; ++round) {
        QByteArray content = good.left(random.bounded(good.size() + 1));
        for (int i = random.bounded(200); i > 0; --i)
            content.append(char(random.bounded(256)));
        if (round % 3 == 0)
            content = good + content;
        LoadLangFile(content);
        QDialog form;
        auto* label = new QLabel(QString::fromLatin1(content.left(20)), &form);
        TranslateComponent(&form);
        try {
            TranslateText(label->text(), "QDialog");
            TranslateText("A", "QDialog");
        } catch (const EGlyphError& e) {
            EXPECT_EQ(e.Message(), "Numeric constant too large.") << "seed " << seed;
        }
    }
}
