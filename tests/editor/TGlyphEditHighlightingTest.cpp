#include "editor/TGlyphEditHighlighting.h"

#include "editor/TGlyphEdit.h"
#include "highlight/GlyphHighlightScan.h"
#include "highlight/TGlyphCppHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include <QRandomGenerator>
#include <QStringList>
#include <climits>
#include <gtest/gtest.h>

namespace {

QList<TGlyphCustomHighlighter::TState> StoredStates(const TCustomGlyphEdit& edit) {
    QList<TGlyphCustomHighlighter::TState> states;
    for (int i = 0; i < edit.LineCount(); ++i)
        states << edit.Lines().RangeState(i);
    return states;
}

QStringList HtmlPage(int lines) {
    QStringList page;
    for (int i = 0; i < lines; ++i)
        page << QString("<p class=\"c%1\">Line %1 &amp; <b>bold</b></p>").arg(i);
    return page;
}

struct Fixture {
    TGlyphEdit edit;
    TGlyphEditHighlighting link{edit};
    QList<QPair<int, int>> repaints;

    explicit Fixture(TGlyphCustomHighlighter& h, const QStringList& text) {
        edit.SetText(text.join("\n"));
        link.SetHighlighter(&h);
        link.OnRepaint = [this](int first, int last) { repaints << qMakePair(first, last); };
    }

    void Type(const QString& text) {
        for (QChar c : text)
            edit.RunCommand(ecChar, c);
    }

    void ExpectStatesOfAFullScan(TGlyphCustomHighlighter& h, const char* when) {
        EXPECT_EQ(StoredStates(edit), ScanLineStates(h, edit.Lines().Lines())) << when;
    }
};

} // namespace

TEST(EditHighlighting, SettingAHighlighterStoresTheStateOfEveryLine) {
    TGlyphHTMLHighlighter html;
    const QStringList text = {"<!-- open", "still comment", "-->", "<p>", "text"};
    Fixture f(html, text);
    f.ExpectStatesOfAFullScan(html, "after install");
    EXPECT_NE(f.edit.Lines().RangeState(1), f.edit.Lines().RangeState(4));
}

TEST(EditHighlighting, OpeningACommentOnLineOneRecoloursEveryFollowingLineAndClosingRestores) {
    TGlyphHTMLHighlighter html;
    Fixture f(html, HtmlPage(1000));
    const auto before = StoredStates(f.edit);

    f.edit.SetCaretXY({1, 1});
    f.Type("<!--");
    f.ExpectStatesOfAFullScan(html, "after opening the comment");
    EXPECT_NE(StoredStates(f.edit), before);
    EXPECT_TRUE(f.repaints.contains(qMakePair(1, 1000))) << "every following line is repainted";

    f.repaints.clear();
    for (int i = 0; i < 4; ++i)
        f.edit.RunCommand(ecDeleteLastChar);
    EXPECT_EQ(StoredStates(f.edit), before);
    EXPECT_TRUE(f.repaints.contains(qMakePair(1, 1000)));
}

TEST(EditHighlighting, TypingWhereTheEndStateStaysRescansThatLineOnly) {
    TGlyphHTMLHighlighter html;
    Fixture f(html, HtmlPage(50));
    f.edit.SetCaretXY({20, 10});
    f.Type("xyz");
    ASSERT_FALSE(f.repaints.isEmpty());
    for (const auto& r : f.repaints)
        EXPECT_EQ(r, qMakePair(10, 10));
}

TEST(EditHighlighting, LineBreaksAndDeletesKeepStatesEqualToAFullScan) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    const QStringList sources[] = {
        HtmlPage(30) + QStringList{"<!-- a", "b -->", "<script>", "var s = 1;", "</script>"},
        {"/* block", " comment */", "int main() {", "  return \"s\\", "tring\";", "}"},
    };
    TGlyphCustomHighlighter* highlighters[] = {&html, &cpp};
    const QString alphabet = "<>!-/*\"' abc=&;\n\t";
    for (int which = 0; which < 2; ++which) {
        const quint32 seed = 4242 + which;
        QRandomGenerator rng(seed);
        Fixture f(*highlighters[which], sources[which]);
        for (int step = 0; step < 400; ++step) {
            const int y = 1 + rng.bounded(f.edit.LineCount());
            const int x = 1 + rng.bounded(f.edit.LineText(y).size() + 1);
            f.edit.SetCaretXY({x, y});
            switch (rng.bounded(5)) {
            case 0:
                f.edit.RunCommand(ecLineBreak);
                break;
            case 1:
                f.edit.RunCommand(ecDeleteLastChar);
                break;
            case 2:
                f.edit.RunCommand(ecDeleteChar);
                break;
            case 3:
                f.edit.RunCommand(ecUndo);
                break;
            default:
                f.Type(QString(alphabet[rng.bounded(alphabet.size())]));
                break;
            }
            if (f.edit.LineCount() > 0 &&
                StoredStates(f.edit) !=
                    ScanLineStates(*highlighters[which], f.edit.Lines().Lines())) {
                FAIL() << "seed " << seed << ", step " << step;
            }
        }
        f.edit.SetText("<!--\nreplaced whole\n-->");
        f.ExpectStatesOfAFullScan(*highlighters[which], "after replacing the whole text");
    }
}

TEST(EditHighlighting, MatchingBracketSkipsStringsAndComments) {
    TGlyphCppHighlighter cpp;
    Fixture f(cpp, {"f(\")\", /* ) */ x);", "g()"});
    f.edit.SetCaretXY({2, 1});
    f.edit.RunCommand(ecMatchBracket);
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{17, 1}));
    EXPECT_TRUE(f.link.InStringOrComment({4, 1}));
    EXPECT_TRUE(f.link.InStringOrComment({11, 1}));
    EXPECT_FALSE(f.link.InStringOrComment({17, 1}));
    EXPECT_FALSE(f.link.InStringOrComment({1, 9})) << "outside the text";
}

TEST(EditHighlighting, AttributeChangesRepaintEverythingUntilTheHighlighterIsReplaced) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    Fixture f(html, {"<p>"});
    html.StandardAttribute(0)->SetForeground(0x00112233);
    ASSERT_FALSE(f.repaints.isEmpty());
    EXPECT_EQ(f.repaints.last(), qMakePair(1, INT_MAX));
    f.link.SetHighlighter(&cpp);
    f.repaints.clear();
    html.StandardAttribute(0)->SetForeground(0x00445566);
    EXPECT_TRUE(f.repaints.isEmpty()) << "the old highlighter is unhooked";
}

TEST(EditHighlighting, InstallingAHighlighterKeepsTheSelectionAndModifiedFlag) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    Fixture f(html, {"<p>one</p>", "two"});
    f.edit.SetSelectionAnchor({2, 1});
    f.edit.SetSelectionActiveEnd({2, 2});
    ASSERT_TRUE(f.edit.HasSelection());
    f.link.SetHighlighter(&cpp);
    f.link.SetHighlighter(&html);
    EXPECT_TRUE(f.edit.HasSelection());
    EXPECT_EQ(f.edit.SelectedText(), QString("p>one</p>\r\nt"));
    EXPECT_FALSE(f.edit.Modified());
    EXPECT_FALSE(f.edit.UndoAvailable());
}
