#include "app/InsertCommands.h"
#include "app/TFormGlyphon.h"
#include "app/TFormInsertLink.h"

#include "common/CommandLine.h"
#include "editor/TGlyphEditView.h"
#include "htmltools/TFormDOMTableInsert.h"
#include "htmltools/TFormSelectActiveX.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>
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

// Answers the link dialog: Browse..., then closes with Result.
std::function<int(QDialog&)> BrowseThen(int result) {
    return [result](QDialog& dialog) {
        static_cast<TFormInsertLink&>(dialog).ButtonBrowse->click();
        return result;
    };
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
    using TAnswer = std::function<void(ScriptedPrompts&, const QString&)>;
    const TAnswer none = [](ScriptedPrompts&, const QString&) {};
    const auto file = [](const char* name) -> TAnswer {
        return [name](ScriptedPrompts& p, const QString& folder) {
            p.AnswerFile(folder + '/' + name);
        };
    };
    const auto input = [](const char* text) -> TAnswer {
        return [text](ScriptedPrompts& p, const QString&) { p.AnswerInput(text); };
    };
    const TAnswer cancelFile = [](ScriptedPrompts& p, const QString&) { p.CancelFile(); };
    const TAnswer cancelInput = [](ScriptedPrompts& p, const QString&) { p.CancelInput(); };
    const TAnswer colour = [](ScriptedPrompts& p, const QString&) {
        p.AnswerColor(QColor(0x12, 0xAB, 0xEF));
    };
    const TAnswer tableOK = [](ScriptedPrompts&, const QString&) {
        WhenModal<TFormDOMTableInsert>([](TFormDOMTableInsert& wizard) {
            wizard.Edit3->setText("2");
            wizard.Edit4->setText("1");
            Click(wizard.ButtonOK);
        });
    };
    const TAnswer tableCancel = [](ScriptedPrompts&, const QString&) {
        WhenModal<TFormDOMTableInsert>(
            [](TFormDOMTableInsert& wizard) { Click(wizard.ButtonCancel); });
    };
    // No controls are registered on this system: OK stays disabled and Cancel inserts nothing.
    const TAnswer activeXCancel = [](ScriptedPrompts&, const QString&) {
        WhenModal<TFormSelectActiveX>([](TFormSelectActiveX& chooser) {
            EXPECT_EQ(chooser.ListView->topLevelItemCount(), 0);
            EXPECT_FALSE(chooser.ButtonOK->isEnabled());
            Click(chooser.ButtonCancel);
        });
    };
    const QString page = "web/page.htm";
    // The command with "word" selected in "a word here": what replaces it, and the caret column.
    const auto onWord = [&](const QString& command, int index, const QString& inner, int x,
                            const TAnswer& answer = {}) {
        return TInsertCase{command,
                           index,
                           page,
                           {"a word here"},
                           {3, 1},
                           {7, 1},
                           answer ? answer : none,
                           {"a " + inner + " here"},
                           {x, 1}};
    };
    const auto atStart = [&](const QString& command, const QString& after, int x,
                             const TAnswer& answer = {}) {
        return TInsertCase{command, 0,     page, {}, {1, 1}, {1, 1}, answer ? answer : none,
                           {after}, {x, 1}};
    };
    // The command with "word" selected after a tag that sets the document's case.
    const auto afterTag = [&](const QString& command, int index, const QString& tag,
                              const QString& inner, int x, const TAnswer& answer = {}) {
        return TInsertCase{
            command,       index, page, {tag + "word"}, {4, 1}, {8, 1}, answer ? answer : none,
            {tag + inner}, {x, 1}};
    };
    const auto unchanged = [&](const QString& command, const TAnswer& answer) {
        return TInsertCase{command, 0, page, {"keep"}, {1, 1}, {5, 1}, answer, {"keep"}, {5, 1}};
    };
    const QString tableLine = "<TABLE width=\"100%\" height=\"\" cellSpacing=\"2\" "
                              "cellPadding=\"1\" border=\"1\">";

    const TInsertCase cases[] = {
        onWord("MIInsertHead", 0, "<HEAD>word</HEAD>", 13),
        onWord("MIInsertTitle", 0, "<TITLE>word</TITLE>", 14),
        atStart("MIInsertMeta", "<META name=\"\" content=\"\">", 13),
        atStart("MIInsertBold", "<B></B>", 4),
        onWord("MIInsertBold", 0, "<B>word</B>", 10),
        {"MIInsertBold",
         0,
         page,
         {"one two", "three"},
         {5, 1},
         {6, 2},
         none,
         {"one <B>two", "three</B>"},
         {6, 2}},
        onWord("MIInsertItalic", 0, "<I>word</I>", 10),
        onWord("MIInsertUnderline", 0, "<U>word</U>", 10),
        onWord("MIInsertStrikeout", 0, "<STRIKE>word</STRIKE>", 15),
        onWord("MIAlignLeft", 0, "<P align=left>word</P>", 21),
        onWord("MIAlignCenter", 0, "<P align=center>word</P>", 23),
        onWord("MIAlignRight", 0, "<P align=right>word</P>", 22),
        onWord("TBBold", 0, "<B>word</B>", 10),
        onWord("TBItalic", 0, "<I>word</I>", 10),
        onWord("TBUnderline", 0, "<U>word</U>", 10),
        onWord("TBStrikeout", 0, "<STRIKE>word</STRIKE>", 15),
        onWord("TBLeft", 0, "<P align=left>word</P>", 21),
        onWord("TBCenter", 0, "<P align=center>word</P>", 23),
        onWord("TBRight", 0, "<P align=right>word</P>", 22),
        onWord("MIOpenTag", 0, "<word>", 8),
        onWord("MICloseTag", 0, "</word>", 9),
        // The colour dialog opens on the selected colour (checked below).
        {"MIHTMLColor", 0, page, {"c=#ff8000;"}, {3, 1}, {10, 1}, colour, {"c=12ABEF;"}, {9, 1}},
        {"MIImage",
         0,
         "",
         {},
         {1, 1},
         {1, 1},
         file("web/img/pic.png"),
         {"<IMG src=\"%1/web/img/pic.png\" alt=\"\">"},
         {0, 1}},
        onWord("MIImage", 0, "<IMG src=\"img/pic.png\" alt=\"\">word", 37, file("web/img/pic.png")),
        atStart("MIImage", "<IMG src=\"img/50%s.png\" alt=\"\">", 32, file("web/img/50%s.png")),
        unchanged("MIImage", cancelFile),
        onWord("MILineBreak", 0, "<BR>word", 11),
        onWord("MIFullLineBreak", 0, "<BR clear=all>word", 21),
        onWord("MIHorizontalRule", 0, "<HR>word", 11),
        onWord("MIBulletedList", 0, "<UL><LI>word</LI></UL>", 15),
        onWord("MINumberedList", 0, "<OL><LI>word</LI></OL>", 15),
        onWord("MIAnchor", 0, "<A name=\"top\">word</A>", 21, input("top")),
        {"MIAnchor",
         0,
         page,
         {"X"},
         {1, 1},
         {2, 1},
         input("a?b"),
         {"<A name=\"aXb\">X</A>"},
         {12, 1}},
        atStart("MIAnchor", "<A name=\"50%d &quot;x&quot;\"></A>", 30, input("50%d \"x\"")),
        unchanged("MIAnchor", cancelInput),
        onWord("MIHyperlink", 0, "<A href=\"say &quot;hi&quot;.htm\">word</A>", 40,
               [](ScriptedPrompts& p, const QString& folder) {
                   p.AnswerDialog(BrowseThen(QDialog::Accepted));
                   p.AnswerFile(folder + "/web/say \"hi\".htm");
               }),
        unchanged("MIHyperlink",
                  [](ScriptedPrompts& p, const QString&) {
                      p.AnswerDialog(BrowseThen(QDialog::Rejected));
                      p.CancelFile();
                  }),
        atStart("MILinkToFile", "<A href=\"docs/what%3F.txt\">what&#63;.txt</A>", 45,
                file("web/docs/what?.txt")),
        atStart("MIMailTo", "<A href=\"mailto:\">Email Me</A>", 17),
        {"MIJavaApplet",
         0,
         page,
         {"word"},
         {1, 1},
         {5, 1},
         file("web/applets/App.class"),
         {"<APPLET code=\"applets/App.class\" width=100 height=100 align=bottom>", "word</APPLET>"},
         {5, 2}},
        onWord("MIEmbeddedPlugin", 0, "<EMBED src=\"img/pic.png\" width=100 height=100>word", 53,
               file("web/img/pic.png")),
        unchanged("MIActiveXControl", activeXCancel),
        atStart("MIIFrame", "<IFRAME src=\"\"></IFRAME>", 14),
        onWord("MIDIVElement", 0, "<DIV>word</DIV>", 12),
        {"MITable",
         0,
         page,
         {"ab"},
         {2, 1},
         {2, 1},
         tableOK,
         {"a" + tableLine, "<TR>", "<TD>&nbsp;</TD>", "<TD>&nbsp;</TD>", "</TR>", "</TABLE>", "b"},
         {1, 7}},
        unchanged("MITable", tableCancel),
        onWord("MIMarquee", 0, "<MARQUEE>word</MARQUEE>", 16),
        onWord("TBStyle", 0, "<P>word</P>", 10),
        onWord("TBStyle", 1, "<PRE>word</PRE>", 12),
        onWord("TBStyle", 2, "<ADDRESS>word</ADDRESS>", 16),
        onWord("TBStyle", 3, "<H1>word</H1>", 11),
        onWord("TBStyle", 4, "<H2>word</H2>", 11),
        onWord("TBStyle", 5, "<H3>word</H3>", 11),
        onWord("TBStyle", 6, "<H4>word</H4>", 11),
        onWord("TBStyle", 7, "<H5>word</H5>", 11),
        onWord("TBStyle", 8, "<H6>word</H6>", 11),
        onWord("TBStyle", 9, "<OL><LI>word</LI></OL>", 15),
        onWord("TBStyle", 10, "<UL><LI>word</LI></UL>", 15),
        onWord("TBStyle", 11, "<DL><DT>word</DT></DL>", 15),
        onWord("TBStyle", 12, "<DD>word</DD>", 11),
        onWord("TBSize", 0, "<FONT size=1>word</FONT>", 20),
        onWord("TBSize", 1, "<FONT size=2>word</FONT>", 20),
        onWord("TBSize", 2, "<FONT size=3>word</FONT>", 20),
        onWord("TBSize", 3, "<FONT size=4>word</FONT>", 20),
        onWord("TBSize", 4, "<FONT size=5>word</FONT>", 20),
        onWord("TBSize", 5, "<FONT size=6>word</FONT>", 20),
        onWord("TBSize", 6, "<FONT size=7>word</FONT>", 20),
        // Shift+Enter writes a line break tag in every language; the main window's key table
        // gives the key nothing more to do.
        {"Shift+Enter", 0, "notes.txt", {"ab"}, {2, 1}, {2, 1}, none, {"a<BR>b"}, {6, 1}},
        onWord("Shift+Enter", 0, "<BR>", 7),
        // A document that writes its tags in lower case gets its new tags in lower case.
        afterTag("MIInsertBold", 0, "<p>", "<b>word</b>", 11),
        afterTag("MIInsertBold", 0, "<P>", "<B>word</B>", 11),
        afterTag("TBBold", 0, "<p>", "<b>word</b>", 11),
        afterTag("MIAlignLeft", 0, "<p>", "<p align=left>word</p>", 22),
        afterTag("TBStyle", 3, "<p>", "<h1>word</h1>", 12),
        afterTag("TBSize", 3, "<p>", "<font size=4>word</font>", 21),
        afterTag("MIImage", 0, "<p>", "<img src=\"img/pic.png\" alt=\"\">word", 38,
                 file("web/img/pic.png")),
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

TEST_F(InsertCommands, DropDownsInsertOnlyWhatIsChosenInTheOpenList) {
    TFormGlyphon& form = *form_;
    const auto wheel = [](QWidget* w) {
        QWheelEvent notch(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &notch);
    };
    const struct {
        const char* Gesture;
        std::function<void(QComboBox*)> Act;
        QString After; // the page, which held "x"
    } cases[] = {
        {"arrows, type-ahead and the wheel over the closed box",
         [&](QComboBox* box) {
             QTest::keyClick(box, Qt::Key_Down);
             QTest::keyClick(box, Qt::Key_Down);
             QTest::keyClick(box, Qt::Key_H);
             QTest::keyClick(box, Qt::Key_End);
             wheel(box);
         },
         "x"},
        {"opened, moved and chosen with Enter",
         [](QComboBox* box) {
             QTest::keyClick(box, Qt::Key_F4);
             QTest::keyClick(box->view(), Qt::Key_Down);
             QTest::keyClick(box->view(), Qt::Key_Return);
         },
         "<PRE></PRE>x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Gesture);
        form.GlyphEdit.SetText("x");
        form.GlyphEdit.SetCaretXY({1, 1});
        form.TBStyle->setCurrentIndex(0);
        form.TBStyle->setFocus();
        c.Act(form.TBStyle);
        EXPECT_EQ(form.GlyphEdit.Lines().Lines().join('\n'), c.After);
        EXPECT_FALSE(form.TBStyle->view()->isVisible());
        if (c.After != "x") {
            EXPECT_TRUE(form.GlyphEditView->hasFocus());
        }
    }
}

TEST_F(InsertCommands, ARefusedInsertionLeavesTextAndCaretAsTheyWere) {
    TFormGlyphon& form = *form_;
    form.GlyphEdit.SetText("abcd");
    form.GlyphEdit.SetCaretXY({3, 1});
    form.GlyphEdit.SetReadOnly(true);
    form.ClickMenuItem(form.findChild<QAction*>("MIInsertBold"));
    EXPECT_EQ(form.GlyphEdit.Lines().Lines(), QStringList{"abcd"});
    EXPECT_EQ(form.GlyphEdit.CaretX(), 3);
}

TEST_F(InsertCommands, ReplacingTheWholeTextIsOneUndoStep) {
    TFormGlyphon& form = *form_;
    form.GlyphEdit.SetText("one\r\ntwo");
    form.GlyphEdit.ClearUndoHistory();
    form.GlyphEdit.SetCaretXY({2, 2});
    form.ReplaceDocumentText("x\r\ny\r\nz");
    EXPECT_EQ(form.GlyphEdit.Lines().Lines(), (QStringList{"x", "y", "z"}));
    form.GlyphEdit.Undo();
    EXPECT_EQ(form.GlyphEdit.Lines().Lines(), (QStringList{"one", "two"}));
    EXPECT_FALSE(form.GlyphEdit.UndoAvailable());
}

TEST_F(InsertCommands, FileDialogsSayWhatTheyDoAndStartInTheDocumentsFolder) {
    const struct {
        const char* Command;
        QString Caption;
        QString FirstFilter;
    } cases[] = {
        {"MIImage", "Insert Image", "Web Images (*.png *.jpg *.jpeg *.gif *.svg *.webp)"},
        {"MIHyperlink", "Insert Link", "HTML Files (*.htm *.html *.shtml *.asp)"},
        {"MILinkToFile", "Insert Link", "All Files (*)"},
        {"MIJavaApplet", "Insert Java Applet", "Java Applet Files (*.class)"},
        {"MIEmbeddedPlugin", "Insert Embedded Plugin", "All Files (*)"},
    };
    for (const bool untitled : {true, false}) {
        if (!untitled)
            form_->OpenDocument(Path("web/page.htm"), false);
        for (const auto& c : cases) {
            ScriptedPrompts prompts;
            if (QLatin1String(c.Command) == QLatin1String("MIHyperlink"))
                prompts.AnswerDialog(BrowseThen(QDialog::Rejected));
            prompts.CancelFile();
            form_->ClickMenuItem(form_->findChild<QAction*>(c.Command));
            ASSERT_EQ(prompts.PendingAnswers(), 0) << c.Command;
            const TFileDialogRequest& request = prompts.Records().constLast().File;
            EXPECT_EQ(request.Caption, c.Caption) << c.Command;
            EXPECT_EQ(request.Filters.value(0), c.FirstFilter) << c.Command;
            // The picture dialog's first use shows the first type chosen, not the last.
            if (untitled && QLatin1String(c.Command) == QLatin1String("MIImage")) {
                EXPECT_EQ(prompts.Records().constLast().SelectedFilter, c.FirstFilter);
            }
            EXPECT_EQ(request.Folder, untitled ? QDir::homePath() + '/' : Path("web") + '/')
                << c.Command;
        }
    }
}

TEST_F(InsertCommands, HyperlinkTakesATypedAddress) {
    const struct {
        QString typed;
        QString inserted; // nothing: OK stays disabled and nothing goes in
    } cases[] = {
        {"https://example.com/bread", "<A href=\"https://example.com/bread\">word</A>"},
        {" http://example.com/a?b=1&c=2 ",
         "<A href=\"http://example.com/a&#63;b=1&amp;c=2\">word</A>"},
        {"http://example.com/\"onclick=\"x", ""},
        {"mailto:baker@example.com", "<A href=\"mailto:baker@example.com\">word</A>"},
        {"ftp://example.com/pub/", "<A href=\"ftp://example.com/pub/\">word</A>"},
        {"#recipes", "<A href=\"#recipes\">word</A>"},
        {"../other.htm", "<A href=\"../other.htm\">word</A>"},
        {"javascript:alert(1)", ""},
        {"https://", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        form_->GlyphEdit.SetText("word");
        form_->GlyphEdit.SelectAll();
        ScriptedPrompts prompts;
        bool okEnabled = false;
        prompts.AnswerDialog([&](QDialog& dialog) {
            auto& link = static_cast<TFormInsertLink&>(dialog);
            EXPECT_EQ(link.windowTitle(), "Insert Link");
            link.EditAddress->setText(c.typed);
            okEnabled = link.Buttons->button(QDialogButtonBox::Ok)->isEnabled();
            return okEnabled ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        form_->ClickMenuItem(form_->findChild<QAction*>("MIHyperlink"));
        EXPECT_EQ(okEnabled, !c.inserted.isEmpty()) << Str(c.typed);
        EXPECT_EQ(form_->GlyphEdit.Text().trimmed(), c.inserted.isEmpty() ? "word" : c.inserted)
            << Str(c.typed);
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
