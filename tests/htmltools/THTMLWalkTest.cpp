#include "htmltools/THTMLWalk.h"

#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Writes down every notification with what it has just read.
class TRecordingWalk : public THTMLWalk {
public:
    QStringList Events;

protected:
    void DoTagBegin() override { Events << QString("<%1").arg(TagPos); }
    void DoTag() override { Events << "tag " + TagName.toString(); }
    void DoAttributeBegin() override { Events << QString("attr@%1").arg(CurrentPos()); }
    void DoAttributeName() override { Events << "name " + AttrName.toString(); }
    void DoAttributeValue() override { Events << "value " + AttrValue.toString(); }
    void DoAttributeEnd() override { Events << "/attr"; }
    void DoTagEnd() override { Events << QString(">%1").arg(CurrentPos()); }
    void DoTextBegin() override { Events << QString("text@%1").arg(CurrentPos()); }
    void DoText() override { Events << "text " + TextRun.toString(); }
};

QString Walked(const QString& text) {
    TRecordingWalk walk;
    walk.Walk(text);
    return walk.Events.join(" | ");
}

TEST(THTMLWalk, ReportsPiecesInOrder) {
    const struct {
        QString input;
        QString events;
    } cases[] = {
        {"", ""},
        {"a < b", "text@1 | text a < b"},
        {"x <3 y", "text@1 | text x <3 y"},
        {"</P>", "<1 | tag /P | >5"},
        {"<br/>", "<1 | tag br/ | >6"},
        {"<br />", "<1 | tag br | attr@5 | name / | /attr | >7"},
        {"<!DOCTYPE html>", "<1 | tag !DOCTYPE | attr@11 | name html | /attr | >16"},
        {"<?php echo 1 ?>",
         "<1 | tag ?php | attr@7 | name echo | /attr | attr@12 | name 1 | /attr | attr@14 | "
         "name ? | /attr | >16"},
        {"<!-- a > b -->", ""},
        {"<!-->x", "text@6 | text x"},
        {"<!--->x", "text@7 | text x"},
        {"a<!-- never closed <b>", "text@1 | text a"},
        {"<a title=\"x > y\" href=z>",
         "<1 | tag a | attr@4 | name title | value x > y | /attr | attr@18 | name href | value z "
         "| /attr | >25"},
        {"<a title='never closed>", "<1 | tag a | attr@4 | name title | value never closed> | "
                                    "/attr | >24"},
        {"<a href=>", "<1 | tag a | attr@4 | name href | value  | /attr | >10"},
        {"<input checked>", "<1 | tag input | attr@8 | name checked | /attr | >16"},
        {"<a href = \"x\">", "<1 | tag a | attr@4 | name href | value x | /attr | >15"},
        {"<b", "<1 | tag b | >3"},
        {"<a =x>", "<1 | tag a | attr@4 | name  | value x | /attr | >7"},
        {"one\r\n<B>two", "text@1 | text one\r\n | <6 | tag B | >9 | text@9 | text two"},
        {"<", "text@1 | text <"},
        {QString("a#b<i>c").replace('#', QChar(0)),
         "text@1 | text a\\0b | <4 | tag i | >7 | text@7 | text c"},
    };
    for (const auto& c : cases) {
        QString expected = c.events;
        QString got = Walked(c.input);
        got.replace(QChar(0), "\\0");
        EXPECT_EQ(got.toStdString(), expected.toStdString()) << c.input.toStdString();
    }
}

TEST(THTMLWalk, IsTagIgnoresCase) {
    struct TTagWalk : THTMLWalk {
        bool Script = false;
        void DoTag() override { Script = IsTag(u"script"); }
    } walk;
    walk.Walk("<ScRiPt>");
    EXPECT_TRUE(walk.Script);
    walk.Walk("<scripts>");
    EXPECT_FALSE(walk.Script);
}

// Random bytes and random pieces of HTML: the walk ends within a bound of notifications, every
// position reported lies inside the text, and every view read is a part of it.
class TCheckingWalk : public THTMLWalk {
public:
    QString Failure;
    QStringView Text;
    qsizetype Notifications = 0;

    void Check(const char* where) {
        // A piece notifies at most a handful of times for each character it takes.
        if (++Notifications > 8 * Text.size() + 8)
            throw std::runtime_error("the walk does not end");
        const auto inside = [&](QStringView view) {
            return view.isEmpty() ||
                   (view.data() >= Text.data() && view.data() + view.size() <= Text.end());
        };
        if (Current < 0 || Current > Text.size() || TokenStart < 0 || TokenStart > Current ||
            (TagPos != 0 && (TagPos < 1 || TagPos > Text.size())) || !inside(TagName) ||
            !inside(AttrName) || !inside(AttrValue) || !inside(TextRun))
            Failure = QString("%1: Current %2, TokenStart %3, TagPos %4")
                          .arg(where)
                          .arg(Current)
                          .arg(TokenStart)
                          .arg(TagPos);
    }

protected:
    void DoTag() override { Check("DoTag"); }
    void DoTagBegin() override { Check("DoTagBegin"); }
    void DoTagEnd() override { Check("DoTagEnd"); }
    void DoTextBegin() override { Check("DoTextBegin"); }
    void DoText() override { Check("DoText"); }
    void DoAttributeBegin() override { Check("DoAttributeBegin"); }
    void DoAttributeName() override { Check("DoAttributeName"); }
    void DoAttributeValue() override { Check("DoAttributeValue"); }
    void DoAttributeEnd() override { Check("DoAttributeEnd"); }
};

TEST(THTMLWalk, RandomInputAlwaysEnds) {
    const QStringList fragments = {"<",  ">",     "<!--", "-->", "\"",  "'",  "=",
                                   "a",  " ",     "</",   "<?",  "<!",  "\n", "é",
                                   "\r", "<br/>", "-",    "b=",  "<p ", "\t"};
    for (quint32 seed = 1; seed <= 400; ++seed) {
        QRandomGenerator random(seed);
        QString text;
        const int length = random.bounded(60);
        for (int i = 0; i < length; ++i) {
            if (seed % 2)
                text += QChar(char16_t(random.bounded(256)));
            else
                text += fragments[random.bounded(fragments.size())];
        }
        TCheckingWalk walk;
        walk.Text = text;
        ASSERT_NO_THROW(walk.Walk(text)) << "seed " << seed;
        ASSERT_TRUE(walk.Failure.isEmpty())
            << "seed " << seed << ": " << walk.Failure.toStdString();
        ASSERT_EQ(walk.Current, text.size()) << "seed " << seed;
    }
}

} // namespace
