#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/SettingsIni.h"
#include "editor/TGlyphEditView.h"
#include "support/MainWindowStart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A document's text with "|" where the caret stands.
QString Shown(const TFormGlyphon& form) {
    QStringList lines = form.GlyphEdit.Lines().Lines();
    const int y = form.GlyphEdit.CaretY();
    while (lines.size() < y)
        lines << QString();
    lines[y - 1].insert(std::min<qsizetype>(form.GlyphEdit.CaretX() - 1, lines[y - 1].size()),
                        u'|');
    return lines.join(u'\n');
}

class TagTyping : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = StartMainWindow();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->GlyphEditView->setFocus();
    }

    // Opens a file of the extension holding Text ("|" marks the caret).
    void Open(const QString& extension, const QString& text) {
        const QString path = dir.filePath(QStringLiteral("page%1%2").arg(++opened).arg(extension));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QString(text).remove(u'|').toUtf8());
        file.close();
        ASSERT_TRUE(RunCommand([&] { form->OpenDocument(path, true); }));
        const QStringList lines = text.split(u'\n');
        for (int y = 0; y < lines.size(); ++y) {
            const qsizetype x = lines[y].indexOf(u'|');
            if (x >= 0)
                form->GlyphEdit.SetCaretXY({int(x) + 1, y + 1});
        }
    }

    QTemporaryDir dir;
    int opened = 0;
    std::unique_ptr<TFormGlyphon> form;
};

struct TTypingCase {
    QString Extension;
    QString Before; // "|" is the caret
    QString Keys;
    QString After;
    QString AfterUndo; // after one Undo
    bool On = true;
};

// What typing gives in the main window, key by key as the user types, and what one Undo
// takes back.
TEST_F(TagTyping, EndTagsCloseAsTheyAreTyped) {
    std::vector<TTypingCase> cases = {
        {".html", "|", "<section class=\"a\">", "<section class=\"a\">|</section>",
         "<section class=\"a\">|"},
        {".html", "|", "<DIV>", "<DIV>|</DIV>", "<DIV>|"},
        {".html", "<p|</p>", ">", "<p>|</p>", "<p|</p>"},
        {".html", "|", "<div/>", "<div/>|", "<div/|"},
        {".html", "|", "<!doctype html>", "<!doctype html>|", "<!doctype html|"},
        {".html", "<main>\n<article><p>x|", "</", "<main>\n<article><p>x</p>|",
         "<main>\n<article><p>x</|"},
        {".html", "<main>\n<article><p>x</p>|", "</", "<main>\n<article><p>x</p></article>|",
         "<main>\n<article><p>x</p></|"},
        {".html", "<ul><li>a<li>b</li></ul><div><ul><li>a|", "</",
         "<ul><li>a<li>b</li></ul><div><ul><li>a</li>|",
         "<ul><li>a<li>b</li></ul><div><ul><li>a</|"},
        {".html", "<div>x|</div>", "</", "<div>x</|</div>", "<div>x<|</div>"},
        // An end tag typed by hand before the one put in for it leaves one; one the user wrote
        // stays.
        {".html", "|", "<p>x</P>", "<p>x</P>|", "<p>x</P>|</p>"},
        {".html", "|", "<div><div>x</div>", "<div><div>x</div>|</div>", "<div><div>x</div|</div>"},
        {".html", "<p>x|</p>", "</p>", "<p>x</p>|</p>", "<p>x</p|</p>"},
        {".html", "<!-- |", "<b>", "<!-- <b>|", "<!-- <b|"},
        {".html", "<!-- a -->|", "<b>", "<!-- a --><b>|</b>", "<!-- a --><b>|"},
        {".html", "<script>|", "<b>", "<script><b>|", "<script><b|"},
        {".html", "<style>p{}</style>|", "<b>", "<style>p{}</style><b>|</b>",
         "<style>p{}</style><b>|"},
        {".html", "<a title=\"|", "<b>", "<a title=\"<b>|", "<a title=\"<b|"},
        {".html", "<% x |", "<b>", "<% x <b>|", "<% x <b|"},
        {".php", "<?php echo '|", "<b>", "<?php echo '<b>|", "<?php echo '<b|"},
        {".php", "<?php echo 1; ?>|", "<b>", "<?php echo 1; ?><b>|</b>", "<?php echo 1; ?><b>|"},
        {".php", "<div><?php if ($a > 1) { ?>|", "</", "<div><?php if ($a > 1) { ?></div>|",
         "<div><?php if ($a > 1) { ?></|"},
        {".html", "|", "<b>", "<b>|", "<b|", false},
        {".txt", "|", "<b>", "<b>|", "<b|"},
        {".css", "|", "<b>", "<b>|", "<b|"},
    };
    for (const char* name : {"area", "base", "br", "col", "embed", "hr", "img", "input", "link",
                             "meta", "source", "track", "wbr"}) {
        const QString tag = QStringLiteral("<%1").arg(name);
        cases.push_back({".html", "|", tag + '>', tag + ">|", tag + '|'});
    }
    for (const TTypingCase& c : cases) {
        const std::string what = (c.Extension + ' ' + c.Before + " + " + c.Keys).toStdString();
        form->MICloseTagsAsYouType->setChecked(c.On);
        Open(c.Extension, c.Before);
        QTest::keyClicks(form->GlyphEditView, c.Keys);
        EXPECT_EQ(Shown(*form).toStdString(), c.After.toStdString()) << what;
        QTest::keyClick(form->GlyphEditView, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Shown(*form).toStdString(), c.AfterUndo.toStdString()) << what << ", after Undo";
    }
}

struct TCompletionCase {
    QString Extension;
    QString Before;    // "|" is the caret
    QString Keys;      // typed; a final "^" is Ctrl+Space
    QStringList First; // the first entries offered, none when the list stays closed
    QString Accepted;  // after Enter
};

// The completion list in the main window: what each context offers first, filtered as the user
// types, with the keyboard focus staying in the editor; Enter inserts the first entry.
TEST_F(TagTyping, CompletionOffersWhatFitsThePlace) {
    const TCompletionCase cases[] = {
        {".html", "|", "<se", {"search", "section", "select"}, "<search|"},
        {".html", "|", "<SE", {"SEARCH", "SECTION", "SELECT"}, "<SEARCH|"},
        {".html", "<p>\n|</p>", "<fig", {"figcaption", "figure"}, "<p>\n<figcaption|</p>"},
        {".html", "<BODY>\n|</BODY>", "<^", {"A", "ABBR", "ADDRESS"}, "<BODY>\n<A|</BODY>"},
        {".html", "|", "<a ", {"href", "target", "download"}, "<a href=\"|\""},
        {".html",
         "<a href=\"x\" |",
         "^",
         {"target", "download", "ping"},
         "<a href=\"x\" target=\"|\""},
        {".html", "<img |", "lo^", {"loading"}, "<img loading=\"|\""},
        {".html", "<input type=|", "\"", {"hidden", "text", "search"}, "<input type=\"hidden|"},
        {".html", "<input type=\"|", "ch^", {"checkbox"}, "<input type=\"checkbox|"},
        {".html", "<a target=\"|", "^", {"_blank", "_self", "_parent"}, "<a target=\"_blank|"},
        {".html", "<p>|", "&hel", {"hellip"}, "<p>&hellip;|"},
        {".html", "<p>|", "&cop", {"copy", "copysr"}, "<p>&copy;|"},
        {".html", "<style>\nbody { |", "dis^", {"display"}, "<style>\nbody { display|"},
        {".html",
         "<style>\nbody { display: |",
         "f^",
         {"flex", "flow-root"},
         "<style>\nbody { display: flex|"},
        {".html",
         "<div style=|",
         "\"",
         {"accent-color", "align-content", "align-items"},
         "<div style=\"accent-color|"},
        {".html",
         "<div style=\"justify-content: |",
         "sp^",
         {"space-between", "space-around", "space-evenly"},
         "<div style=\"justify-content: space-between|"},
        {".php", "<?php ?>\n|</p>", "<art", {"article"}, "<?php ?>\n<article|</p>"},
        {".html", "<!-- |", "<se", {}, "<!-- <se|"},
        {".html", "<script>|", "<se", {}, "<script><se|"},
        {".html", "<p>|", "<se>", {}, "<p><se>|</se></p>"},
        {".txt", "|", "<se^", {}, "<se|"},
    };
    for (const TCompletionCase& c : cases) {
        const std::string what = (c.Extension + ' ' + c.Before + " + " + c.Keys).toStdString();
        Open(c.Extension, c.Before);
        const bool ctrlSpace = c.Keys.endsWith(u'^');
        QTest::keyClicks(form->GlyphEditView, ctrlSpace ? c.Keys.chopped(1) : c.Keys);
        if (ctrlSpace)
            QTest::keyClick(form->GlyphEditView, Qt::Key_Space, Qt::ControlModifier);
        EXPECT_EQ(form->CompletionPopup->isVisible(), !c.First.isEmpty()) << what;
        EXPECT_EQ(form->CompletionPopup->Shown().mid(0, c.First.size()).join(' ').toStdString(),
                  c.First.join(' ').toStdString())
            << what;
        EXPECT_EQ(QApplication::focusWidget(), form->GlyphEditView) << what;
        QTest::keyClick(form->GlyphEditView, Qt::Key_Return);
        if (!c.First.isEmpty()) {
            EXPECT_EQ(Shown(*form).toStdString(), c.Accepted.toStdString()) << what;
        }
        EXPECT_FALSE(form->CompletionPopup->isVisible()) << what;
    }
}

// Esc closes the list; a character that cannot continue a name closes it and is typed; the
// arrow keys move in it; Tab inserts like Enter. Moving or resizing the window closes it.
TEST_F(TagTyping, TheListTakesOnlyItsOwnKeys) {
    Open(".html", "<p>|");
    QTest::keyClicks(form->GlyphEditView, "<d");
    ASSERT_TRUE(form->CompletionPopup->isVisible());
    QTest::keyClick(form->GlyphEditView, Qt::Key_Escape);
    EXPECT_FALSE(form->CompletionPopup->isVisible());
    EXPECT_EQ(Shown(*form), "<p><d|");
    QTest::keyClick(form->GlyphEditView, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(form->CompletionPopup->isVisible());
    QTest::keyClicks(form->GlyphEditView, "*");
    EXPECT_FALSE(form->CompletionPopup->isVisible());
    EXPECT_EQ(Shown(*form), "<p><d*|");
    QTest::keyClick(form->GlyphEditView, Qt::Key_Backspace);
    QTest::keyClick(form->GlyphEditView, Qt::Key_Space, Qt::ControlModifier);
    QTest::keyClick(form->GlyphEditView, Qt::Key_Down);
    QTest::keyClick(form->GlyphEditView, Qt::Key_Tab);
    EXPECT_EQ(Shown(*form), "<p><datalist|") << "the second of data, datalist";
    for (const bool move : {true, false}) {
        QTest::keyClicks(form->GlyphEditView, "><d");
        ASSERT_TRUE(form->CompletionPopup->isVisible());
        if (move)
            form->move(form->pos() + QPoint(20, 20));
        else
            form->resize(form->size() - QSize(20, 20));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->CompletionPopup->isVisible(); }, 2000))
            << (move ? "moved" : "resized");
    }
}

// The switch is an item of the Edit menu, on at first, kept in the settings file.
TEST_F(TagTyping, TheSwitchIsKeptInTheSettings) {
    ASSERT_TRUE(form->MICloseTagsAsYouType->isCheckable());
    EXPECT_TRUE(form->MICloseTagsAsYouType->isChecked());
    EXPECT_TRUE(form->MIEdit->actions().contains(form->MICloseTagsAsYouType));
    EXPECT_EQ(form->MICloseTagsAsYouType->text(), "Close Tags as You Type");
    form->MICloseTagsAsYouType->trigger();
    EXPECT_FALSE(form->MICloseTagsAsYouType->isChecked());
    EXPECT_FALSE(SettingsIni().ReadBool(MainFormClassName(), "CloseTagsAsYouType", true));
    form.reset();
    form = StartMainWindow();
    EXPECT_FALSE(form->MICloseTagsAsYouType->isChecked()) << "a new window reads it back";
    form->MICloseTagsAsYouType->trigger();
}

} // namespace
