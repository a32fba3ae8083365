#include "app/InsertCommands.h"
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "editor/TGlyphEditView.h"
#include "htmltools/TFormDOMTableInsert.h"
#include "htmltools/TFormSelectActiveX.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::string Str(const QString& text) {
    return text.toStdString();
}

// Runs Act on the dialog of class T as soon as it is the modal one.
template <class T> void WhenModal(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start();
}

void Click(QPushButton* button) {
    EXPECT_TRUE(button->isEnabled()) << Str(button->objectName());
    QTest::mouseClick(button, Qt::LeftButton);
}

class InsertCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* name :
             {"web/page.htm", "web/img/pic.png", "web/img/50%s.png", "web/say \"hi\".htm",
              "web/docs/what?.txt", "web/applets/App.class", "notes.txt"}) {
            QDir().mkpath(QFileInfo(Path(name)).absolutePath());
            QFile file(Path(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        SetCommandLineArgs({"glyphon"});
        form_ = std::make_unique<TFormGlyphon>();
        form_->resize(1400, 600); // room for the whole tool bar
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->DocumentFileName.isEmpty(); }, 5000));
    }

    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::unique_ptr<TFormGlyphon> form_;
};

// One insertion: the command (an item's name, "TBStyle" or "TBSize" with the item's index, or
// "Shift+Enter"), the document it runs in, the text and selection before, the answers to its
// dialogs, and the text and caret after.
struct TInsertCase {
    QString Command;
    int Index = 0;
    QString Document; // opened from the test folder; empty for a new document
    QStringList Before;
    TBufferCoord Anchor, Caret;
    std::function<void(ScriptedPrompts&, const QString& folder)> Answer;
    QStringList After;
    TBufferCoord CaretAfter;
};

TEST_F(InsertCommands, EveryCommandAndDropDownItemInsertsItsTemplateAndUndoesInOneStep) {
    using P = ScriptedPrompts&;
    const auto none = [](P, const QString&) {};
    const auto file = [](const char* name) {
        return [name](P p, const QString& folder) { p.AnswerFile(folder + '/' + name); };
    };
    const auto input = [](const char* text) {
        return [text](P p, const QString&) { p.AnswerInput(text); };
    };
    const auto table = [](P, const QString&) {
        WhenModal<TFormDOMTableInsert>([](TFormDOMTableInsert& wizard) {
            wizard.Edit3->setText("2");
            wizard.Edit4->setText("1");
            Click(wizard.ButtonOK);
        });
    };
    const QString page = "web/page.htm";
    const QStringList word = {"a word here"};
    const TBufferCoord w1{3, 1}, w2{7, 1};
    const auto wrapped = [](const QString& inner) { return QStringList{"a " + inner + " here"}; };
    const QString tableLine = "<TABLE width=\"100%\" height=\"\" cellSpacing=\"2\" "
                              "cellPadding=\"1\" border=\"1\">";

    const TInsertCase cases[] = {
        // Header, Style and Paragraph submenus.
        {"MIInsertHead", 0, page, word, w1, w2, none, wrapped("<HEAD>word</HEAD>"), {13, 1}},
        {"MIInsertTitle", 0, page, word, w1, w2, none, wrapped("<TITLE>word</TITLE>"), {14, 1}},
        {"MIInsertMeta",
         0,
         page,
         {},
         {1, 1},
         {1, 1},
         none,
         {"<META name=\"\" content=\"\">"},
         {13, 1}},
        {"MIInsertBold", 0, page, {}, {1, 1}, {1, 1}, none, {"<B></B>"}, {4, 1}},
        {"MIInsertBold", 0, page, word, w1, w2, none, wrapped("<B>word</B>"), {10, 1}},
        {"MIInsertBold",
         0,
         page,
         {"one two", "three"},
         {5, 1},
         {6, 2},
         none,
         {"one <B>two", "three</B>"},
         {6, 2}},
        {"MIInsertItalic", 0, page, word, w1, w2, none, wrapped("<I>word</I>"), {10, 1}},
        {"MIInsertUnderline", 0, page, word, w1, w2, none, wrapped("<U>word</U>"), {10, 1}},
        {"MIInsertStrikeout",
         0,
         page,
         word,
         w1,
         w2,
         none,
         wrapped("<STRIKE>word</STRIKE>"),
         {15, 1}},
        {"MIAlignLeft", 0, page, word, w1, w2, none, wrapped("<P align=left>word</P>"), {21, 1}},
        {"MIAlignCenter",
         0,
         page,
         word,
         w1,
         w2,
         none,
         wrapped("<P align=center>word</P>"),
         {23, 1}},
        {"MIAlignRight", 0, page, word, w1, w2, none, wrapped("<P align=right>word</P>"), {22, 1}},
        // The formatting buttons do what their menu items do.
        {"TBBold", 0, page, word, w1, w2, none, wrapped("<B>word</B>"), {10, 1}},
        {"TBItalic", 0, page, word, w1, w2, none, wrapped("<I>word</I>"), {10, 1}},
        {"TBUnderline", 0, page, word, w1, w2, none, wrapped("<U>word</U>"), {10, 1}},
        {"TBStrikeout", 0, page, word, w1, w2, none, wrapped("<STRIKE>word</STRIKE>"), {15, 1}},
        {"TBLeft", 0, page, word, w1, w2, none, wrapped("<P align=left>word</P>"), {21, 1}},
        {"TBCenter", 0, page, word, w1, w2, none, wrapped("<P align=center>word</P>"), {23, 1}},
        {"TBRight", 0, page, word, w1, w2, none, wrapped("<P align=right>word</P>"), {22, 1}},
        // The Insert menu's own items, in menu order.
        {"MIOpenTag", 0, page, word, w1, w2, none, wrapped("<word>"), {8, 1}},
        {"MICloseTag", 0, page, word, w1, w2, none, wrapped("</word>"), {9, 1}},
        {"MIHTMLColor",
         0,
         page,
         {"c=#ff8000;"},
         {3, 1},
         {10, 1},
         [](P p, const QString&) { p.AnswerColor(QColor(0x12, 0xAB, 0xEF)); },
         {"c=12ABEF;"},
         {9, 1}},
        {"MIImage",
         0,
         "",
         {},
         {1, 1},
         {1, 1},
         file("web/img/pic.png"),
         {"<IMG src=\"" + QString("%1/web/img/pic.png") + "\">"},
         {0, 1}},
        {"MIImage",
         0,
         page,
         word,
         w1,
         w2,
         file("web/img/pic.png"),
         wrapped("<IMG src=\"img/pic.png\">word"),
         {30, 1}},
        {"MIImage",
         0,
         page,
         {},
         {1, 1},
         {1, 1},
         file("web/img/50%s.png"),
         {"<IMG src=\"img/50%s.png\">"},
         {25, 1}},
        {"MIImage",
         0,
         page,
         {"keep"},
         {1, 1},
         {5, 1},
         [](P p, const QString&) { p.CancelFile(); },
         {"keep"},
         {5, 1}},
        {"MILineBreak", 0, page, word, w1, w2, none, wrapped("<BR>word"), {11, 1}},
        {"MIFullLineBreak", 0, page, word, w1, w2, none, wrapped("<BR clear=all>word"), {21, 1}},
        {"MIHorizontalRule", 0, page, word, w1, w2, none, wrapped("<HR>word"), {11, 1}},
        {"MIBulletedList", 0, page, word, w1, w2, none, wrapped("<UL><LI>word</LI></UL>"), {15, 1}},
        {"MINumberedList", 0, page, word, w1, w2, none, wrapped("<OL><LI>word</LI></OL>"), {15, 1}},
        {"MIAnchor",
         0,
         page,
         word,
         w1,
         w2,
         input("top"),
         wrapped("<A name=\"top\">word</A>"),
         {21, 1}},
        {"MIAnchor",
         0,
         page,
         {"X"},
         {1, 1},
         {2, 1},
         input("a?b"),
         {"<A name=\"aXb\">X</A>"},
         {12, 1}},
        {"MIAnchor",
         0,
         page,
         {},
         {1, 1},
         {1, 1},
         input("50%d \"x\""),
         {"<A name=\"50%d &quot;x&quot;\"></A>"},
         {30, 1}},
        {"MIAnchor",
         0,
         page,
         {"keep"},
         {1, 1},
         {5, 1},
         [](P p, const QString&) { p.CancelInput(); },
         {"keep"},
         {5, 1}},
        {"MIHyperlink",
         0,
         page,
         word,
         w1,
         w2,
         file("web/say \"hi\".htm"),
         wrapped("<A href=\"say &quot;hi&quot;.htm\">word</A>"),
         {40, 1}},
        {"MILinkToFile",
         0,
         page,
         {},
         {1, 1},
         {1, 1},
         file("web/docs/what?.txt"),
         {"<A href=\"docs/what%3F.txt\">what&#63;.txt</A>"},
         {45, 1}},
        {"MIMailTo",
         0,
         page,
         {},
         {1, 1},
         {1, 1},
         none,
         {"<A href=\"mailto:\">Email Me</A>"},
         {17, 1}},
        {"MIJavaApplet",
         0,
         page,
         {"word"},
         {1, 1},
         {5, 1},
         file("web/applets/App.class"),
         {"<APPLET code=\"applets/App.class\" width=100 height=100 align=bottom>", "word</APPLET>"},
         {5, 2}},
        {"MIEmbeddedPlugin",
         0,
         page,
         word,
         w1,
         w2,
         file("web/img/pic.png"),
         wrapped("<EMBED src=\"img/pic.png\" width=100 height=100>word"),
         {53, 1}},
        // No controls are registered on this system: OK stays disabled and Cancel inserts
        // nothing.
        {"MIActiveXControl",
         0,
         page,
         {"keep"},
         {1, 1},
         {5, 1},
         [](P, const QString&) {
             WhenModal<TFormSelectActiveX>([](TFormSelectActiveX& chooser) {
                 EXPECT_EQ(chooser.ListView->topLevelItemCount(), 0);
                 EXPECT_FALSE(chooser.ButtonOK->isEnabled());
                 Click(chooser.ButtonCancel);
             });
         },
         {"keep"},
         {5, 1}},
        {"MIIFrame", 0, page, {}, {1, 1}, {1, 1}, none, {"<IFRAME src=\"\"></IFRAME>"}, {14, 1}},
        {"MIDIVElement", 0, page, word, w1, w2, none, wrapped("<DIV>word</DIV>"), {12, 1}},
        {"MITable",
         0,
         page,
         {"ab"},
         {2, 1},
         {2, 1},
         table,
         {"a" + tableLine, "<TR>", "<TD>&nbsp;</TD>", "<TD>&nbsp;</TD>", "</TR>", "</TABLE>", "b"},
         {1, 7}},
        {"MITable",
         0,
         page,
         {"keep"},
         {1, 1},
         {5, 1},
         [](P, const QString&) {
             WhenModal<TFormDOMTableInsert>(
                 [](TFormDOMTableInsert& wizard) { Click(wizard.ButtonCancel); });
         },
         {"keep"},
         {5, 1}},
        {"MIMarquee", 0, page, word, w1, w2, none, wrapped("<MARQUEE>word</MARQUEE>"), {16, 1}},
        // The Style drop-down, item by item.
        {"TBStyle", 0, page, word, w1, w2, none, wrapped("<P>word</P>"), {10, 1}},
        {"TBStyle", 1, page, word, w1, w2, none, wrapped("<PRE>word</PRE>"), {12, 1}},
        {"TBStyle", 2, page, word, w1, w2, none, wrapped("<ADDRESS>word</ADDRESS>"), {16, 1}},
        {"TBStyle", 3, page, word, w1, w2, none, wrapped("<H1>word</H1>"), {11, 1}},
        {"TBStyle", 4, page, word, w1, w2, none, wrapped("<H2>word</H2>"), {11, 1}},
        {"TBStyle", 5, page, word, w1, w2, none, wrapped("<H3>word</H3>"), {11, 1}},
        {"TBStyle", 6, page, word, w1, w2, none, wrapped("<H4>word</H4>"), {11, 1}},
        {"TBStyle", 7, page, word, w1, w2, none, wrapped("<H5>word</H5>"), {11, 1}},
        {"TBStyle", 8, page, word, w1, w2, none, wrapped("<H6>word</H6>"), {11, 1}},
        {"TBStyle", 9, page, word, w1, w2, none, wrapped("<OL><LI>word</LI></OL>"), {15, 1}},
        {"TBStyle", 10, page, word, w1, w2, none, wrapped("<UL><LI>word</LI></UL>"), {15, 1}},
        {"TBStyle", 11, page, word, w1, w2, none, wrapped("<DL><DT>word</DT></DL>"), {15, 1}},
        {"TBStyle", 12, page, word, w1, w2, none, wrapped("<DD>word</DD>"), {11, 1}},
        // The Size drop-down: the item's place is the FONT size.
        {"TBSize", 0, page, word, w1, w2, none, wrapped("<FONT size=1>word</FONT>"), {20, 1}},
        {"TBSize", 1, page, word, w1, w2, none, wrapped("<FONT size=2>word</FONT>"), {20, 1}},
        {"TBSize", 2, page, word, w1, w2, none, wrapped("<FONT size=3>word</FONT>"), {20, 1}},
        {"TBSize", 3, page, word, w1, w2, none, wrapped("<FONT size=4>word</FONT>"), {20, 1}},
        {"TBSize", 4, page, word, w1, w2, none, wrapped("<FONT size=5>word</FONT>"), {20, 1}},
        {"TBSize", 5, page, word, w1, w2, none, wrapped("<FONT size=6>word</FONT>"), {20, 1}},
        {"TBSize", 6, page, word, w1, w2, none, wrapped("<FONT size=7>word</FONT>"), {20, 1}},
        // Shift+Enter writes a line break tag in every language; the main window's key table
        // gives the key nothing more to do.
        {"Shift+Enter", 0, "notes.txt", {"ab"}, {2, 1}, {2, 1}, none, {"a<BR>b"}, {6, 1}},
        {"Shift+Enter", 0, page, word, w1, w2, none, {"a <BR> here"}, {7, 1}},
    };

    TFormGlyphon& form = *form_;
    for (const TInsertCase& c : cases) {
        SCOPED_TRACE(Str(c.Command + ' ' + QString::number(c.Index) + " in " + c.Document + " on " +
                         c.Before.join('|')));
        if (c.Document.isEmpty()) {
            form.GlyphEdit.SetModified(false);
            form.NewDocument();
        } else if (form.DocumentFileName != Path(c.Document)) {
            form.GlyphEdit.SetModified(false);
            form.OpenDocument(Path(c.Document), false);
        }
        // The HTML tools are there, and work, exactly while the document is HTML.
        const bool html = !c.Document.endsWith(".txt");
        EXPECT_EQ(form.TBStyleItem->isVisible() && form.TBStyle->isEnabled(), html);
        EXPECT_EQ(form.TBBold->isVisible() && form.TBBold->isEnabled(), html);
        form.GlyphEdit.SetText(c.Before.join("\r\n"));
        form.GlyphEdit.ClearUndoHistory();
        form.GlyphEdit.SetSelectionAnchor(c.Anchor);
        form.GlyphEdit.SetSelectionActiveEnd(c.Caret);
        form.GlyphEdit.SetCaretXY(c.Caret);

        ScriptedPrompts prompts;
        c.Answer(prompts, dir_.path());
        if (c.Command == "TBStyle" || c.Command == "TBSize") {
            QComboBox* box = c.Command == "TBStyle" ? form.TBStyle : form.TBSize;
            ASSERT_TRUE(box->isVisible() && box->isEnabled());
            emit box->activated(c.Index);
        } else if (c.Command == "Shift+Enter") {
            QTest::keyClick(form.GlyphEditView, Qt::Key_Return, Qt::ShiftModifier);
        } else {
            QAction* item = form.findChild<QAction*>(c.Command);
            ASSERT_NE(item, nullptr);
            form.ClickMenuItem(item);
        }

        QStringList after = c.After;
        after.replaceInStrings("%1", dir_.path());
        EXPECT_EQ(form.GlyphEdit.Lines().Lines(), after);
        // A caret column 0 stands for the end of the line.
        const TBufferCoord caret{c.CaretAfter.X ? c.CaretAfter.X
                                                : int(after.at(c.CaretAfter.Y - 1).size()) + 1,
                                 c.CaretAfter.Y};
        EXPECT_EQ(form.GlyphEdit.CaretXY().X, caret.X);
        EXPECT_EQ(form.GlyphEdit.CaretXY().Y, caret.Y);
        // The colour dialog opens on the selected colour.
        if (c.Command == "MIHTMLColor") {
            ASSERT_FALSE(prompts.Records().isEmpty());
            EXPECT_EQ(prompts.Records().last().Color, QColor(0xFF, 0x80, 0x00));
        }
        if (after != c.Before) {
            EXPECT_FALSE(form.GlyphEdit.HasSelection());
            form.GlyphEdit.Undo();
            EXPECT_EQ(form.GlyphEdit.Lines().Lines(), c.Before);
        }
    }
}

TEST(DocumentRelativePath, WritesTheChosenFileFromTheDocumentsFolder) {
    const struct {
        const char* Document;
        const char* File;
        const char* Expected;
    } cases[] = {
        {"/srv/web/page.htm", "/srv/web/pic.png", "pic.png"},
        {"/srv/web/page.htm", "/srv/web/img/pic.png", "img/pic.png"},
        {"/srv/web/a/b/page.htm", "/srv/web/pic.png", "../../pic.png"},
        {"/srv/web/a/page.htm", "/srv/web/img/pic.png", "../img/pic.png"},
        {"Untitled.htm", "/srv/web/img/pic.png", "/srv/web/img/pic.png"},
        {"/srv/web/page.htm", "/tmp/pic.png", "/tmp/pic.png"},
        {"/srv/my web/page.htm", "/srv/my web/my pics/a b.png", "my pics/a b.png"},
        {"/srv/Bücher/seite.htm", "/srv/Bilder/Straße.png", "../Bilder/Straße.png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentRelativePath(QString::fromUtf8(c.Document), QString::fromUtf8(c.File)),
                  QString::fromUtf8(c.Expected))
            << c.Document << " -> " << c.File;
}

} // namespace
