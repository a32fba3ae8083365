#include "htmltools/THTMLWalk.h"

#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Writes down every notification with what it has just read, and checks on each that the
// positions and views lie inside the text and that the walk has not run away.
class TRecordingWalk : public THTMLWalk {
public:
    QStringList Events;
    QString Text;

    void Note(const QString& event) {
        Events << event;
        const auto inside = [&](QStringView v) {
            return v.isEmpty() ||
                   (v.data() >= Text.constData() && v.end() <= Text.constData() + Text.size());
        };
        // Each notification of a piece stands for at least one character of it, or is one of
        // the three of a tag.
        if (Events.size() > 4 * Text.size() + 3 || Current > Text.size() || TokenStart > Current ||
            TagPos < 0 || TagPos > Text.size() || !inside(TagName) || !inside(AttrName) ||
            !inside(AttrValue) || !inside(TextRun))
            throw std::runtime_error(("bad state at " + event).toStdString());
    }

protected:
    void DoTagBegin() override { Note(QString("<%1").arg(TagPos)); }
    void DoTag() override { Note("tag " + TagName.toString()); }
    void DoAttributeBegin() override { Note(QString("attr@%1").arg(CurrentPos())); }
    void DoAttributeName() override { Note("name " + AttrName.toString()); }
    void DoAttributeValue() override { Note("value " + AttrValue.toString()); }
    void DoAttributeEnd() override { Note("/attr"); }
    void DoTagEnd() override { Note(QString(">%1").arg(CurrentPos())); }
    void DoTextBegin() override { Note(QString("text@%1").arg(CurrentPos())); }
    void DoText() override { Note("text " + TextRun.toString()); }
};

QString Walked(const QString& text) {
    TRecordingWalk walk;
    walk.Text = text;
    walk.Walk(text);
    return walk.Events.join(" | ").replace(QChar(0), "\\0");
}

TEST(THTMLWalk, ReportsPiecesInOrder) {
    const struct {
        QString input;
        QString events;
    } cases[] = {
        {"", ""},
        {"a < b", "text@1 | text a < b"},
        {"</P>", "<1 | tag /P | >5"},
        {"<br/>", "<1 | tag br/ | >6"},
        {"<br />", "<1 | tag br | attr@5 | name / | /attr | >7"},
        {"<!DOCTYPE html>", "<1 | tag !DOCTYPE | attr@11 | name html | /attr | >16"},
        {"<?php 1 ?>", "<1 | tag ?php | attr@7 | name 1 | /attr | attr@9 | name ? | /attr | >11"},
        {"<!-- a > b -->", ""},
        {"<!-->x", "text@6 | text x"},
        {"<!--->x", "text@7 | text x"},
        {"a<!-- never closed <b>", "text@1 | text a"},
        {"<a title=\"x > y\" href=z>",
         "<1 | tag a | attr@4 | name title | value x > y | /attr | attr@18 | name href | value z "
         "| /attr | >25"},
        {"<a t='open>", "<1 | tag a | attr@4 | name t | value open> | /attr | >12"},
        {"<a href=>", "<1 | tag a | attr@4 | name href | value  | /attr | >10"},
        {"<input checked>", "<1 | tag input | attr@8 | name checked | /attr | >16"},
        {"<a href = \"x\">", "<1 | tag a | attr@4 | name href | value x | /attr | >15"},
        {"<b", "<1 | tag b | >3"},
        {"one\r\n<B>two", "text@1 | text one\r\n | <6 | tag B | >9 | text@9 | text two"},
        {QString("a#b<i>c").replace('#', QChar(0)),
         "text@1 | text a\\0b | <4 | tag i | >7 | text@7 | text c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Walked(c.input).toStdString(), c.events.toStdString()) << c.input.toStdString();
}

TEST(THTMLWalk, RandomInputAlwaysEnds) {
    const QStringList fragments = {"<",  ">",  "<!--", "-->", "\"", "'",  "=",   "a",  " ",    "</",
                                   "<?", "<!", "\n",   "é",   "-",  "b=", "<p ", "\t", "<br/>"};
    for (quint32 seed = 1; seed <= 400; ++seed) {
        QRandomGenerator random(seed);
        QString text;
        for (int i = random.bounded(60); i > 0; --i) {
            text += seed % 2 ? QString(QChar(char16_t(random.bounded(256))))
                             : fragments[random.bounded(fragments.size())];
        }
        TRecordingWalk walk;
        walk.Text = text;
        ASSERT_NO_THROW(walk.Walk(text)) << "seed " << seed;
        ASSERT_EQ(walk.Current, text.size()) << "seed " << seed;
    }
}

} // namespace
