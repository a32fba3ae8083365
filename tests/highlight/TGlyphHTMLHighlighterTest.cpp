#include "highlight/TGlyphHTMLHighlighter.h"

#include "highlight/GlyphHighlightScan.h"
#include "highlight/GlyphVocabulary.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <ostream>
#include <random>

void PrintTo(const QString& s, std::ostream* os);
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

using TState = TGlyphCustomHighlighter::TState;

const char* KindName(int kind) {
    static const char* names[] = {"entity", "asp",  "comment", "attr", "tag",  "eol",
                                  "space",  "qval", "symbol",  "text", "utag", "value"};
    return kind >= 0 && kind < 12 ? names[kind] : "?";
}

// A line's tokens as "[text:kind]" pieces, control characters shown as \t, \r, \n, \0.
QString Describe(const QString& text, const TGlyphScannedLine& line) {
    QString out;
    for (const TGlyphToken& t : line.Tokens) {
        QString piece = text.mid(t.Start, t.Length);
        piece.replace(u'\t', QStringLiteral("\\t"))
            .replace(u'\r', QStringLiteral("\\r"))
            .replace(u'\n', QStringLiteral("\\n"))
            .replace(QChar(0), QStringLiteral("\\0"));
        out += QStringLiteral("[%1:%2]").arg(piece, QLatin1String(KindName(t.Kind)));
    }
    return out;
}

// ---------------------------------------------------------------- tokens of one line

struct TLineCase {
    const char* name;
    TState start;
    QString line;
    QString tokens;
    TState end;
};

std::ostream& operator<<(std::ostream& os, const TLineCase& c) {
    return os << c.name;
}

class HtmlLine : public ::testing::TestWithParam<TLineCase> {};

TEST_P(HtmlLine, GivesTheseTokensAndEndState) {
    TGlyphHTMLHighlighter h;
    const TLineCase& c = GetParam();
    const TGlyphScannedLine scanned = ScanLine(h, c.line, 0, c.start);
    EXPECT_EQ(Describe(c.line, scanned), c.tokens);
    EXPECT_EQ(scanned.EndState, c.end);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, HtmlLine,
    ::testing::Values(
        TLineCase{
            "TableWithAttribute", hsText, "<TABLE border=1>text",
            "[<:symbol][TABLE:tag][ :space][border:attr][=:symbol][1:value][>:symbol][text:text]",
            hsText},
        TLineCase{"MisspelledTagIsUnknown", hsText, "<tabel>", "[<:symbol][tabel:utag][>:symbol]",
                  hsText},
        TLineCase{"ClosingUpperCase", hsText, "</TABLE>", "[<:symbol][/TABLE:tag][>:symbol]",
                  hsText},
        TLineCase{"ClosingLowerCase", hsText, "</table>", "[<:symbol][/table:tag][>:symbol]",
                  hsText},
        TLineCase{"NoClosingBreak", hsText, "</BR>", "[<:symbol][/BR:utag][>:symbol]", hsText},
        TLineCase{"HeadingSeven", hsText, "<h7>", "[<:symbol][h7:utag][>:symbol]", hsText},
        TLineCase{"TodaysElements", hsText, "<section><video></figcaption>",
                  "[<:symbol][section:tag][>:symbol][<:symbol][video:tag][>:symbol]"
                  "[<:symbol][/figcaption:tag][>:symbol]",
                  hsText},
        TLineCase{"VoidElementHasNoClosingForm", hsText, "</source>",
                  "[<:symbol][/source:utag][>:symbol]", hsText},
        TLineCase{"CustomElementIsOneKnownTag", hsText, "<my-card2 a></my-card2>",
                  "[<:symbol][my-card2:tag][ :space][a:attr][>:symbol][<:symbol]"
                  "[/my-card2:tag][>:symbol]",
                  hsText},
        TLineCase{"HeadingOne", hsText, "<h1>", "[<:symbol][h1:tag][>:symbol]", hsText},
        TLineCase{"DigitsEndTheName", hsText, "<H1a>", "[<:symbol][H1:tag][a:attr][>:symbol]",
                  hsText},
        TLineCase{"Doctype", hsText, "<!DOCTYPE html>",
                  "[<:symbol][!DOCTYPE:tag][ :space][html:attr][>:symbol]", hsText},
        TLineCase{"ClosingBlockquoteAtTheLargestHash", hsText, "</blockquote>",
                  "[<:symbol][/blockquote:tag][>:symbol]", hsText},
        TLineCase{"NameAboveTheLargestHash", hsText, "<zzzzzzzzzz>",
                  "[<:symbol][zzzzzzzzzz:attr][>:symbol]", hsText},
        TLineCase{"NameStartingWithAPunctuationMark", hsText, "<?xml v?>",
                  "[<:symbol][?xml:attr][ :space][v?:attr][>:symbol]", hsText},
        TLineCase{"BlankBeforeTheName", hsText, "< b>", "[<:symbol][ :space][b:tag][>:symbol]",
                  hsText},
        TLineCase{"DoubleQuotedValue", hsText, "<a href=\"x y\">",
                  "[<:symbol][a:tag][ :space][href:attr][=:symbol][\"x y\":value][>:symbol]",
                  hsText},
        TLineCase{"QuotedValueRunsIntoTheNextAttribute", hsText, "<a b=\"1\"c=2>",
                  "[<:symbol][a:tag][ "
                  ":space][b:attr][=:symbol][\"1\":value][c:attr][=:symbol][2:value][>:symbol]",
                  hsText},
        TLineCase{"BlankAfterEquals", hsText, "<a b= \"x\">",
                  "[<:symbol][a:tag][ :space][b:attr][=:symbol][ :space][\"x\":value][>:symbol]",
                  hsText},
        TLineCase{"QuotedStringWithoutEquals", hsText, "<a \"x\">",
                  "[<:symbol][a:tag][ :space][\"x\":qval][>:symbol]", hsText},
        TLineCase{
            "SingleQuotesAreAnUnquotedValue", hsText, "<a href='x y'>",
            "[<:symbol][a:tag][ :space][href:attr][=:symbol]['x:value][ :space][y':attr][>:symbol]",
            hsText},
        TLineCase{"UnclosedQuoteEndsWithTheLine", hsText, "<a title=\"abc",
                  "[<:symbol][a:tag][ :space][title:attr][=:symbol][\"abc:value]", hsTagBody},
        TLineCase{"InsideTheTagOnTheNextLine", hsTagBody, "def\">", "[def:attr][\">:qval]",
                  hsTagBody},
        TLineCase{"TagNameOnTheNextLine", hsTagName, "div class=x>",
                  "[div:tag][ :space][class:attr][=:symbol][x:value][>:symbol]", hsText},
        TLineCase{"ValueOnTheNextLine", hsValue, "  big>", "[  :space][big:value][>:symbol]",
                  hsText},
        TLineCase{"AttributeNameKeepsLessThan", hsTagBody, "a<b", "[a<b:attr]", hsTagBody},
        TLineCase{"LessThanInTheBodyOpensATag", hsTagBody, " <p>",
                  "[ :space][<:symbol][p:tag][>:symbol]", hsText},
        TLineCase{"AmpersandInATagSwitchesToText", hsText, "<a &b c>d",
                  "[<:symbol][a:tag][ :space][&b c>d:text]", hsText},
        TLineCase{"NumericReferenceInATag", hsTagBody, "&#65;x>", "[&#65;:entity][x>:text]",
                  hsText},
        TLineCase{"NumericWithoutSemicolonInATag", hsTagBody, "&#65x", "[&#65:text][x:text]",
                  hsText},
        TLineCase{"AmpersandAtTheStartOfATagLine", hsTagBody, "&x", "[&x:text]", hsText},
        TLineCase{"TabOnlyStartsABlankRun", hsTagBody, "\t\t  \tb",
                  "[\\t:space][\\t  :space][\\t:space][b:attr]", hsTagBody},
        TLineCase{"ControlsContinueABlankRun", hsTagBody,
                  QString::fromLatin1(" \x01\x0b\x0c\x1f") + "b",
                  "[ \x01\x0b\x0c\x1f:space][b:attr]", hsTagBody}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Text, HtmlLine,
    ::testing::Values(
        TLineCase{"Empty", hsText, "", "", hsText},
        TLineCase{"EmptyKeepsTheState", hsComment, "", "", hsComment},
        TLineCase{"PlainTextWithBlanks", hsText, "Hello, world > \"x\"",
                  "[Hello, world > \"x\":text]", hsText},
        TLineCase{"TabsSplitText", hsText, "a\tb", "[a:text][\\t:space][b:text]", hsText},
        TLineCase{"NamedReference", hsText, "a &copy; b", "[a :text][&copy;:entity][ b:text]",
                  hsText},
        TLineCase{"NamedReferenceAnyCase", hsText, "&COPY;", "[&COPY;:entity]", hsText},
        TLineCase{"UnknownNameIsText", hsText, "&foo; x", "[&foo; x:text]", hsText},
        TLineCase{"NameWithoutSemicolonIsText", hsText, "&copy x", "[&copy x:text]", hsText},
        TLineCase{"NumericReference", hsText, "&#169;", "[&#169;:entity]", hsText},
        TLineCase{"NumericWithoutSemicolon", hsText, "a&#169 b", "[a&#169:text][ b:text]", hsText},
        TLineCase{"HashWithoutDigits", hsText, "&#;x", "[&#;:entity][x:text]", hsText},
        TLineCase{"LongestNameTriedInTableOrder", hsText, "&sigmaf;&sigma;",
                  "[&sigmaf;:entity][&sigma;:entity]", hsText},
        TLineCase{"ReferencesBackToBack", hsText, "x&lt;&gt;y",
                  "[x:text][&lt;:entity][&gt;:entity][y:text]", hsText},
        TLineCase{"BareAmpersand", hsText, "a & b", "[a & b:text]", hsText},
        TLineCase{"AmpersandAtTheEnd", hsText, "a&", "[a&:text]", hsText},
        TLineCase{"NonLatinText", hsText,
                  QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                                    "e &euro; \xe6\x97\xa5</p>"),
                  QString::fromUtf8(
                      "[Gr\xc3\xbc\xc3\x9f"
                      "e :text][&euro;:entity][ \xe6\x97\xa5:text][<:symbol][/p:tag][>:symbol]"),
                  hsText},
        TLineCase{"CarriageReturnAndLineFeed", hsText, "a\r\nb\rc\nd",
                  "[a:text][\\r\\n:space][b:text][\\r:space][c:text][\\n:space][d:text]", hsText},
        TLineCase{"NulIsOneBlank", hsText, QString("a") + QChar(0) + QChar(0) + "b",
                  "[a:text][\\0:space][\\0:space][b:text]", hsText}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Blocks, HtmlLine,
    ::testing::Values(
        TLineCase{"CommentOnOneLine", hsText, "a<!-- b -->c",
                  "[a:text][<!--:comment][ b -->:comment][c:text]", hsText},
        TLineCase{"ShortestComment", hsText, "<!-->x", "[<!--:comment][>:comment][x:text]", hsText},
        TLineCase{"ThreeHyphensCloseToo", hsText, "<!--->x", "[<!--:comment][->:comment][x:text]",
                  hsText},
        TLineCase{"CommentLeftOpen", hsText, "<!-- open", "[<!--:comment][ open:comment]",
                  hsComment},
        TLineCase{"CommentContinues", hsComment, "still <b> in", "[still <b> in:comment]",
                  hsComment},
        TLineCase{"CommentClosesAtTheLineStart", hsComment, "-->x", "[-->:comment][x:text]",
                  hsText},
        TLineCase{"GreaterThanAloneDoesNotClose", hsComment, ">x", "[>x:comment]", hsComment},
        TLineCase{"CommentBreaksAtCarriageReturn", hsComment, "a\rb-->",
                  "[a:comment][\\r:space][b-->:comment]", hsText},
        TLineCase{"CommentBreaksAtNulAndLineFeedPastAnOpenGreaterThan", hsComment,
                  QString("a") + QChar(0) + "b->c\nd-->",
                  "[a:comment][\\0:space][b->c:comment][\\n:space][d-->:comment]", hsText},
        TLineCase{"ScriptOnOneLine", hsText, "<% x = 1 %>y", "[<%:asp][ x = 1 %>:asp][y:text]",
                  hsText},
        TLineCase{"ShortestScript", hsText, "<%>y", "[<%:asp][>:asp][y:text]", hsText},
        TLineCase{"ScriptLeftOpen", hsText, "<% if", "[<%:asp][ if:asp]", hsServerScript},
        TLineCase{"ScriptContinues", hsServerScript, "end %>", "[end %>:asp]", hsText},
        TLineCase{"CommentOpenerInsideATag", hsTagBody, "<!--x", "[<!--:comment][x:comment]",
                  hsComment},
        TLineCase{"UnknownStateIsTakenAsText", 6, "a=b", "[a=b:text]", hsText},
        TLineCase{"EntityStateAtTheLineStart", hsEntity, "&amp;x", "[&amp;:entity][x:text]",
                  hsText}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- documents

// ---------------------------------------------------------------- pages in several languages

// A page's lines as "[text:attribute]" pieces, the attribute prefixed with the language of the
// part that holds it ("js:String"); HTML tokens carry no prefix.
QStringList DescribePage(TGlyphCustomHighlighter& h, const QStringList& lines) {
    static const QHash<QString, QString> prefix{{"Javascript", "js:"},
                                                {"Cascading style sheets", "css:"},
                                                {"PHP", "php:"},
                                                {"MS VBScript", "vbs:"}};
    QStringList out;
    h.ResetState();
    for (int i = 0; i < lines.size(); ++i) {
        QString line;
        h.StartLine(lines[i], i);
        for (; !h.AtLineEnd(); h.Advance()) {
            const TGlyphHighlighterAttributes* a = h.TokenAttribute();
            line += QStringLiteral("[%1:%2%3]")
                        .arg(lines[i].mid(h.TokenStart(), h.TokenLength()),
                             prefix.value(h.TokenLanguage()->LanguageTitle()),
                             a ? a->Name() : QStringLiteral("-"));
        }
        out << line;
    }
    return out;
}

struct TPageCase {
    const char* name;
    QStringList lines;
    QStringList tokens;
};

std::ostream& operator<<(std::ostream& os, const TPageCase& c) {
    return os << c.name;
}

class HtmlPage : public ::testing::TestWithParam<TPageCase> {};

TEST_P(HtmlPage, ColoursEachPartInItsLanguage) {
    TGlyphHTMLHighlighter h;
    h.SetEmbeddedLanguages({});
    EXPECT_EQ(DescribePage(h, GetParam().lines), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, HtmlPage,
    ::testing::Values(
        TPageCase{"StyleWithAttributes",
                  {"<style type=\"text/css\" media=all>p { color: red }</style>x"},
                  {"[<:Symbol][style:Reserved word][ :Space][type:Identifier][=:Symbol]"
                   "[\"text/css\":Value][ :Space][media:Identifier][=:Symbol][all:Value]"
                   "[>:Symbol][p:css:Identifier][ :css:Space][{:css:String][ :css:Space]"
                   "[color:css:Key][::css:Identifier][ :css:Space][red:css:Identifier]"
                   "[ :css:Space][}:css:String][<:Symbol][/style:Reserved word][>:Symbol]"
                   "[x:Text]"}},
        TPageCase{"ScriptEndsInsideAString",
                  {"<script>var s = \"</script>\";"},
                  {"[<:Symbol][script:Reserved word][>:Symbol][var:js:Reserved word]"
                   "[ :js:Space][s:js:Identifier][ :js:Space][=:js:Symbol][ :js:Space]"
                   "[\":js:String][<:Symbol][/script:Reserved word][>:Symbol][\";:Text]"}},
        TPageCase{"ScriptCommentOverLines",
                  {"<SCRIPT language=\"JavaScript\">/* a", "b */ x</Script>"},
                  {"[<:Symbol][SCRIPT:Reserved word][ :Space][language:Identifier][=:Symbol]"
                   "[\"JavaScript\":Value][>:Symbol][/* a:js:Comment]",
                   "[b */:js:Comment][ :js:Space][x:js:Identifier][<:Symbol]"
                   "[/Script:Reserved word][>:Symbol]"}},
        TPageCase{"VBScriptByType",
                  {"<script type='text/vbscript'>Dim x 'c", "</script>"},
                  {"[<:Symbol][script:Reserved word][ :Space][type:Identifier][=:Symbol]"
                   "['text/vbscript':Value][>:Symbol][Dim:vbs:Reserved word][ :vbs:Space]"
                   "[x:vbs:Identifier][ :vbs:Space]['c:vbs:Comment]",
                   "[<:Symbol][/script:Reserved word][>:Symbol]"}},
        TPageCase{"OtherScriptTypeIsText",
                  {"<script type=text/template><b>{{x}}</b></script>"},
                  {"[<:Symbol][script:Reserved word][ :Space][type:Identifier][=:Symbol]"
                   "[text/template:Value][>:Symbol][<b>{{x}}</b>:Text][<:Symbol]"
                   "[/script:Reserved word][>:Symbol]"}},
        TPageCase{"StyleAndEventValues",
                  {"<p style=\"color:red\" onclick=\"f('a')\">"},
                  {"[<:Symbol][p:Reserved word][ :Space][style:Identifier][=:Symbol][\":Value]"
                   "[color:css:Key][::css:Identifier][red:css:Identifier][\":Value][ :Space]"
                   "[onclick:Identifier][=:Symbol][\":Value][f:js:Identifier][(:js:Symbol]"
                   "['a':js:String][):js:Symbol][\":Value][>:Symbol]"}},
        TPageCase{"PhpBlockAndCloserInAString",
                  {"<b><?php echo '?>'; // c ?>x", "<?= $a ?><? /* ?> */ ?>"},
                  {"[<:Symbol][b:Reserved word][>:Symbol][<?php:Symbol][ :php:Space]"
                   "[echo:php:Reserved word][ :php:Space]['?>':php:String][;:php:Symbol]"
                   "[ :php:Space][// c :php:Comment][?>:Symbol][x:Text]",
                   "[<?=:Symbol][ :php:Space][$a:php:Variable][ :php:Space][?>:Symbol]"
                   "[<?:Symbol][ :php:Space][/* ?> */:php:Comment][ :php:Space][?>:Symbol]"}},
        TPageCase{"PhpInsideValuesAndScripts",
                  {"<a href=\"<?= $u ?>\">", "<script>x = <?= $n ?>;</script>"},
                  {"[<:Symbol][a:Reserved word][ :Space][href:Identifier][=:Symbol][\":Value]"
                   "[<?=:Symbol][ :php:Space][$u:php:Variable][ :php:Space][?>:Symbol]"
                   "[\":Value][>:Symbol]",
                   "[<:Symbol][script:Reserved word][>:Symbol][x:js:Identifier][ :js:Space]"
                   "[=:js:Symbol][ :js:Space][<?=:Symbol][ :php:Space][$n:php:Variable]"
                   "[ :php:Space][?>:Symbol][;:js:Symbol][<:Symbol][/script:Reserved word]"
                   "[>:Symbol]"}},
        TPageCase{"PhpAfterAValueOrPartWayIn",
                  {"<a href=\"x\">t <?= $u ?>", "<i title=\"a <? $b ?>\">"},
                  {"[<:Symbol][a:Reserved word][ :Space][href:Identifier][=:Symbol][\"x\":Value]"
                   "[>:Symbol][t :Text][<?=:Symbol][ :php:Space][$u:php:Variable][ :php:Space]"
                   "[?>:Symbol]",
                   "[<:Symbol][i:Reserved word][ :Space][title:Identifier][=:Symbol][\":Value]"
                   "[a :Value][<?:Symbol][ :php:Space][$b:php:Variable][ :php:Space][?>:Symbol]"
                   "[\":Value][>:Symbol]"}},
        TPageCase{"UnclosedPhpAtTheEnd",
                  {"<?php $s = 'open", "still'; <style>", "<script"},
                  {"[<?php:Symbol][ :php:Space][$s:php:Variable][ :php:Space][=:php:Symbol]"
                   "[ :php:Space]['open:php:String]",
                   "[still':php:String][;:php:Symbol][ :php:Space][<:php:Symbol]"
                   "[style:php:Identifier][>:php:Symbol]",
                   "[<:php:Symbol][script:php:Identifier]"}},
        TPageCase{"UnclosedStyleAtTheEnd",
                  {"<style>/* a", "b", "<script"},
                  {"[<:Symbol][style:Reserved word][>:Symbol][/* a:css:Comment]", "[b:css:Comment]",
                   "[<script:css:Comment]"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HtmlDocument, CommentOverFourLinesLeavesTheNextLineInText) {
    TGlyphHTMLHighlighter h;
    const QStringList lines{"<p>a <!-- one", "two <b>", "three", "four --> <i>", "<b>x</b>"};
    const QList<TGlyphScannedLine> scanned = ScanLines(h, lines);
    const QList<TState> starts{hsText, hsComment, hsComment, hsComment, hsText};
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(scanned[i].StartState, starts[i]) << i;
    }
    EXPECT_EQ(Describe(lines[1], scanned[1]), QStringLiteral("[two <b>:comment]"));
    EXPECT_EQ(Describe(lines[3], scanned[3]),
              QStringLiteral("[four -->:comment][ :text][<:symbol][i:tag][>:symbol]"));
    EXPECT_EQ(Describe(lines[4], scanned[4]),
              QStringLiteral("[<:symbol][b:tag][>:symbol][x:text][<:symbol][/b:tag][>:symbol]"));
}

TEST(HtmlDocument, TagSpreadOverLines) {
    TGlyphHTMLHighlighter h;
    const QStringList lines{"<img", "  src=\"a.png\"", "  alt=", "   big", ">after"};
    QStringList described;
    for (const TGlyphScannedLine& l : ScanLines(h, lines)) {
        described << QString::number(l.EndState);
    }
    EXPECT_EQ(described, QStringList({"4", "4", "7", "4", "5"}));
}

TEST(HtmlDocument, RealLookingPage) {
    TGlyphHTMLHighlighter h;
    const QStringList lines{
        "<html>",
        "<head><title>Caf&eacute; &amp; Bar</title></head>",
        "<body bgcolor=\"#FFFFFF\">",
        "<%= Request(\"x\") %>",
        "<p align=center>Price: &euro;5 &#8364;</p>",
        "</body></html>",
    };
    const QList<TGlyphScannedLine> s = ScanLines(h, lines);
    const QStringList expected{
        "[<:symbol][html:tag][>:symbol]",
        "[<:symbol][head:tag][>:symbol][<:symbol][title:tag][>:symbol][Caf:text][&eacute;:entity]"
        "[ :text][&amp;:entity][ Bar:text][<:symbol][/title:tag][>:symbol][<:symbol][/head:tag]"
        "[>:symbol]",
        "[<:symbol][body:tag][ :space][bgcolor:attr][=:symbol][\"#FFFFFF\":value][>:symbol]",
        "[<%:asp][= Request(\"x\") %>:asp]",
        "[<:symbol][p:tag][ :space][align:attr][=:symbol][center:value][>:symbol][Price: :text]"
        "[&euro;:entity][5 :text][&#8364;:entity][<:symbol][/p:tag][>:symbol]",
        "[<:symbol][/body:tag][>:symbol][<:symbol][/html:tag][>:symbol]",
    };
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(Describe(lines[i], s[i]), expected[i]) << "line " << i + 1;
    }
}

// Opening a comment on the first line of a long page changes the start state of every line
// after it; closing it gives every line its old state back.
TEST(HtmlDocument, CommentOnTheFirstLineRecoloursEveryFollowingLine) {
    TGlyphHTMLHighlighter h;
    QStringList lines;
    for (int i = 0; i < 1000; ++i) {
        lines << QStringLiteral("<p class=c%1>line %1 &amp; more</p>").arg(i);
    }
    const QList<TState> before = ScanLineStates(h, lines);
    for (TState s : before) {
        ASSERT_EQ(s, hsText);
    }
    lines[0] = QStringLiteral("<!--") + lines[0];
    const QList<TState> open = ScanLineStates(h, lines);
    for (int i = 1; i < 1000; ++i) {
        ASSERT_EQ(open[i], hsComment) << i;
    }
    const TGlyphScannedLine last = ScanLine(h, lines[999], 999, open[999]);
    ASSERT_EQ(last.Tokens.size(), 1);
    EXPECT_EQ(last.Tokens[0].Attribute, h.CommentAttri());

    lines[0] += QStringLiteral("-->");
    EXPECT_EQ(ScanLineStates(h, lines), before);
}

// ---------------------------------------------------------------- tables and attributes

TEST(HtmlTables, EveryTagNameIsKnownInAnyCase) {
    const QStringList opening =
        QStringLiteral(
            "!DOCTYPE A ABBR ACRONYM ADDRESS APPLET AREA B BASE BASEFONT BGSOUND BIG BLINK "
            "BLOCKQUOTE "
            "BODY BR BUTTON CAPTION CENTER CITE CODE COL COLGROUP COMMENT DD DEL DFN DIR DIV DL DT "
            "EM "
            "EMBED FIELDSET FONT FORM FRAME FRAMESET H1 H2 H3 H4 H5 H6 HEAD HR HTML I IFRAME "
            "ILAYER "
            "IMG INPUT INS ISINDEX KBD KEYGEN LABEL LAYER LEGEND LI LINK LISTING MAP MARQUEE MENU "
            "META "
            "MULTICOL NEXTID NOBR NOEMBED NOFRAMES NOLAYER NOSCRIPT OBJECT OL OPTION P PARAM "
            "PLAINTEXT "
            "PRE Q S SAMP SCRIPT SELECT SERVER SMALL SPACER SPAN STRIKE STRONG STYLE SUB SUP TABLE "
            "TBODY TD TEXTAREA TFOOT TH THEAD TITLE TR TT U UL VAR WBR XMP")
            .split(u' ');
    const QStringList noClosing = QStringLiteral("!DOCTYPE AREA BASE BASEFONT BGSOUND BR COL FRAME "
                                                 "HR IMG INPUT ISINDEX KEYGEN LINK META "
                                                 "NEXTID PARAM PLAINTEXT SPACER WBR")
                                      .split(u' ');
    ASSERT_EQ(opening.size(), 109);
    ASSERT_EQ(noClosing.size(), 20);
    int closing = 0;
    for (const QString& name : opening) {
        EXPECT_TRUE(TGlyphHTMLHighlighter::IsKnownTag(name)) << name.toStdString();
        EXPECT_TRUE(TGlyphHTMLHighlighter::IsKnownTag(name.toLower())) << name.toStdString();
        const bool closes = !noClosing.contains(name);
        EXPECT_EQ(TGlyphHTMLHighlighter::IsKnownTag(u'/' + name), closes) << name.toStdString();
        closing += closes;
    }
    EXPECT_EQ(closing, 89);
    for (const char* unknown : {"tabel", "h7", "h0", "/br", "xyz", "", "/", "!", "bodyx"}) {
        EXPECT_FALSE(TGlyphHTMLHighlighter::IsKnownTag(QString::fromLatin1(unknown))) << unknown;
    }
}

// Every element of today's HTML is a known tag with its closing form, obsolete ones too.
TEST(HtmlTables, EveryElementOfTheVocabularyIsKnown) {
    const TGlyphVocabulary& vocabulary = TGlyphVocabulary::Get();
    for (const char* name : {"header", "nav", "main", "article", "section", "figure", "picture",
                             "video", "template", "details", "dialog", "search", "slot"})
        EXPECT_TRUE(vocabulary.Element(QString::fromLatin1(name))) << name;
    int voids = 0;
    for (const TGlyphVocabularyElement& element : vocabulary.Elements()) {
        EXPECT_TRUE(TGlyphHTMLHighlighter::IsKnownTag(element.Name)) << element.Name.toStdString();
        const QString closing = u'/' + element.Name;
        if (!element.Void &&
            TGlyphHTMLHighlighter::TagHash(closing) <= TGlyphHTMLHighlighter::MaxTagHash) {
            EXPECT_TRUE(TGlyphHTMLHighlighter::IsKnownTag(closing)) << element.Name.toStdString();
        }
        voids += element.Void && !element.Obsolete && element.Name != u"!doctype";
    }
    EXPECT_EQ(voids, 13) << "area base br col embed hr img input link meta source track wbr";
}

struct THashCase {
    const char* name;
    int hash;
};

class TagHash : public ::testing::TestWithParam<THashCase> {};

TEST_P(TagHash, AddsOneWeightPerCharacter) {
    EXPECT_EQ(TGlyphHTMLHighlighter::TagHash(QString::fromLatin1(GetParam().name)),
              GetParam().hash);
}

INSTANTIATE_TEST_SUITE_P(HtmlTables, TagHash,
                         ::testing::Values(THashCase{"a", 1}, THashCase{"Z", 26},
                                           THashCase{"h7", 15}, THashCase{"H1", 9},
                                           THashCase{"/", 122}, THashCase{"!", 123},
                                           THashCase{"!DOCTYPE", 211},
                                           THashCase{"/BLOCKQUOTE", 243},
                                           THashCase{"zzzzzzzzzz", 244}),
                         [](const auto& info) {
                             // Appending to a string, rather than "H" + a temporary, keeps GCC
                             // 12's optimiser from a false -Wrestrict on the inlined copy.
                             std::string name = "H";
                             name += std::to_string(info.index);
                             return name;
                         });

TEST(HtmlTables, EntitiesMatchInTableOrderWithoutRegardToCase) {
    ASSERT_EQ(TGlyphHTMLHighlighter::EntityCount(), 249);
    for (int i = 0; i < TGlyphHTMLHighlighter::EntityCount(); ++i) {
        const QString e = TGlyphHTMLHighlighter::EntityAt(i);
        ASSERT_TRUE(e.startsWith(u'&') && e.endsWith(u';')) << e.toStdString();
        const int found = TGlyphHTMLHighlighter::MatchEntity(e.toUpper(), 0);
        ASSERT_GE(found, 0) << e.toStdString();
        EXPECT_LE(found, i) << "an earlier entry of the same spelling wins";
        EXPECT_EQ(TGlyphHTMLHighlighter::EntityAt(found).toLower(), e.toLower());
    }
    EXPECT_EQ(TGlyphHTMLHighlighter::MatchEntity(u"&alpha;", 0), 0) << "&Alpha; comes first";
    EXPECT_EQ(TGlyphHTMLHighlighter::MatchEntity(u"x&amp;", 1),
              TGlyphHTMLHighlighter::MatchEntity(u"&AMP;", 0));
    EXPECT_EQ(TGlyphHTMLHighlighter::MatchEntity(u"&amp", 0), -1);
    EXPECT_EQ(TGlyphHTMLHighlighter::MatchEntity(u"&", 0), -1);
    EXPECT_EQ(TGlyphHTMLHighlighter::EntityAt(249), QString());
}

struct TAttributeCase {
    const char* name;
    TGlyphColor foreground;
    TGlyphColor background;
    TGlyphFontStyles style;
};

TEST(HtmlAttributes, NewInstanceColoursInNameOrder) {
    TGlyphHTMLHighlighter h;
    const QList<TAttributeCase> expected{
        {"Asp", 0x000000, 0x00FFFF, 0},
        {"Comment", clNone, clNone, 0},
        {"Escape ampersand", 0x00FF00, clNone, fsBold},
        {"Identifier", clNone, clNone, fsBold},
        {"Reserved word", 0xFF0080, clNone, fsBold},
        {"Space", clNone, clNone, 0},
        {"Symbol", clNone, clNone, fsBold},
        {"Text", clNone, clNone, 0},
        {"Unknown word", 0x0000FF, clNone, fsBold},
        {"Value", 0xFF8000, clNone, 0},
    };
    ASSERT_EQ(h.AttributeCount(), expected.size());
    for (int i = 0; i < h.AttributeCount(); ++i) {
        const TGlyphHighlighterAttributes* a = h.AttributeAt(i);
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(a->Name(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(a->Foreground(), expected[i].foreground);
        EXPECT_EQ(a->Background(), expected[i].background);
        EXPECT_EQ(a->Style(), expected[i].style);
        EXPECT_TRUE(a->IsForegroundDefault() && a->IsBackgroundDefault() && a->IsStyleDefault());
    }
}

TEST(HtmlAttributes, EveryKindHasItsAttribute) {
    TGlyphHTMLHighlighter h;
    // One line that produces every kind but the line end.
    const QString line = QStringLiteral("x&amp;<a b=c \"d\" e=\"f\"><zz><%s%><!--c-->");
    const TGlyphScannedLine s = ScanLine(h, line, 0, hsText);
    const QHash<int, QString> names{{htEntity, "Escape ampersand"},
                                    {htServerScript, "Asp"},
                                    {htComment, "Comment"},
                                    {htAttributeName, "Identifier"},
                                    {htKnownTag, "Reserved word"},
                                    {htSpace, "Space"},
                                    {htQuotedValue, "Value"},
                                    {htSymbol, "Symbol"},
                                    {htText, "Text"},
                                    {htUnknownTag, "Unknown word"},
                                    {htValue, "Value"}};
    QSet<int> seen;
    for (const TGlyphToken& t : s.Tokens) {
        ASSERT_NE(t.Attribute, nullptr) << KindName(t.Kind);
        EXPECT_EQ(t.Attribute->Name(), names.value(t.Kind)) << KindName(t.Kind);
        seen.insert(t.Kind);
    }
    EXPECT_EQ(seen.size(), 11) << Describe(line, s).toStdString();
    h.ResetState();
    h.StartLine(QString(), 0);
    EXPECT_TRUE(h.AtLineEnd());
    EXPECT_EQ(h.TokenKind(), htLineEnd);
    EXPECT_EQ(h.TokenAttribute(), nullptr);
    EXPECT_EQ(h.TokenText(), QString());
}

TEST(HtmlAttributes, LanguageFacts) {
    TGlyphHTMLHighlighter h;
    EXPECT_EQ(h.LanguageTitle(), QStringLiteral("HTML document"));
    EXPECT_EQ(h.DefaultFilter(), QStringLiteral("HTML Document (*.htm,*.html)|*.htm;*.html"));
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_COMMENT), h.CommentAttri());
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_IDENTIFIER), h.IdentifierAttri());
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_KEYWORD), h.ReservedWordAttri());
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_STRING), nullptr);
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_WHITESPACE), h.SpaceAttri());
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_SYMBOL), h.SymbolAttri());
    EXPECT_EQ(h.StandardAttribute(6), nullptr);
    h.ResetState();
    EXPECT_EQ(h.State(), hsText);

    const TGlyphCharSet word = h.WordChars();
    for (int c = 0; c < 256; ++c) {
        const bool expected = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                              (c >= 'a' && c <= 'z') || c == '_' ||
                              (c >= 192 && c != 215 && c != 247);
        EXPECT_EQ(word.Contains(char16_t(c)), expected) << c;
    }
    EXPECT_TRUE(word.Contains(u'\u0416'));
}

// ---------------------------------------------------------------- invariants

// Lines built from HTML fragments, random code units and long runs, so that every rule and
// every unterminated construct turns up.
class TDocumentMaker {
public:
    explicit TDocumentMaker(quint32 seed) : random_(seed) {}

    QString Line() {
        QString s;
        const int pieces = random_.bounded(0, 12);
        for (int i = 0; i < pieces; ++i) {
            s += Piece();
        }
        return s;
    }

    QStringList Document(int lines) {
        QStringList doc;
        for (int i = 0; i < lines; ++i) {
            doc << Line();
        }
        return doc;
    }

    // One random edit of a document: a character typed, deleted or a line split or joined.
    // Answers the changed line and the number of lines added (1) or removed (-1) after it.
    std::pair<int, int> Mutate(QStringList& doc) {
        const int i = random_.bounded(int(doc.size()));
        QString& line = doc[i];
        const int at = random_.bounded(int(line.size()) + 1);
        switch (random_.bounded(5)) {
        case 0:
            line.insert(at, Piece());
            return {i, 0};
        case 1:
            line.remove(at, random_.bounded(1, 4));
            return {i, 0};
        case 2:
            doc.insert(i + 1, line.mid(at));
            doc[i].truncate(at);
            return {i, 1};
        case 3:
            if (i + 1 < doc.size()) {
                doc[i] += doc.takeAt(i + 1);
                return {i, -1};
            }
            return {i, 0};
        default:
            line = Line();
            return {i, 0};
        }
    }

    quint32 Bounded(quint32 n) { return random_.bounded(n); }

private:
    QString Piece() {
        static const QStringList fragments{
            "<",     ">",   "=",     "\"",    "&",    "#",     ";",        "<!--",
            "-->",   "--",  "<%",    "%>",    "%",    "</",    "<p>",      "<TABLE ",
            "href=", "'v'", "&amp;", "&#12;", "&#",   "&copy", "&sigmaf;", " ",
            "\t",    "\r",  "\n",    "\r\n",  "text", "h1",    "!DOCTYPE", "/br"};
        switch (random_.bounded(6)) {
        case 0: {
            QString s;
            const int n = random_.bounded(1, 6);
            for (int i = 0; i < n; ++i) {
                s += QChar(char16_t(random_.bounded(256)));
            }
            return s;
        }
        case 1:
            return QString(QChar(char16_t(random_.bounded(0x20, 0xFFFF))));
        default:
            return fragments[random_.bounded(int(fragments.size()))];
        }
    }

    QRandomGenerator random_;
};

// Tokens must cover the line from 0 to its length, each starting where the previous ended.
void ExpectCovered(const QString& line, const TGlyphScannedLine& s,
                   const TGlyphHTMLHighlighter& h) {
    int next = 0;
    for (const TGlyphToken& t : s.Tokens) {
        ASSERT_EQ(t.Start, next) << Describe(line, s).toStdString();
        ASSERT_GT(t.Length, 0);
        ASSERT_NE(t.Kind, htLineEnd);
        ASSERT_GE(t.Kind, 0);
        ASSERT_LE(t.Kind, htValue);
        ASSERT_NE(t.Attribute, nullptr);
        next = t.Start + t.Length;
    }
    ASSERT_EQ(next, line.size()) << Describe(line, s).toStdString();
    const QList<TState> known{hsServerScript, hsComment, hsTagName, hsTagBody, hsText, hsValue};
    ASSERT_TRUE(known.contains(s.EndState)) << s.EndState;
    Q_UNUSED(h);
}

quint32 Seed() {
    return QRandomGenerator::global()->generate();
}

TEST(HtmlInvariants, TokensCoverRandomLinesFromEveryState) {
    const quint32 seed = Seed();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    TDocumentMaker maker(seed);
    TGlyphHTMLHighlighter h;
    const QList<TState> states{hsEntity, hsServerScript, hsComment, hsTagName, hsTagBody, hsText,
                               6,        hsValue,        -1,        12345};
    for (int i = 0; i < 3000; ++i) {
        const QString line = maker.Line();
        const TState start = states[int(maker.Bounded(quint32(states.size())))];
        const TGlyphScannedLine s = ScanLine(h, line, i, start);
        ASSERT_NO_FATAL_FAILURE(ExpectCovered(line, s, h)) << "line " << i;
    }
}

TEST(HtmlInvariants, VeryLongAndUnterminatedLinesEnd) {
    TGlyphHTMLHighlighter h;
    const QStringList lines{QString(200000, u'a'),
                            QStringLiteral("<") + QString(200000, u'z'),
                            QStringLiteral("<!--") + QString(200000, u'-'),
                            QStringLiteral("<%") + QString(200000, u'%'),
                            QStringLiteral("<a b=\"") + QString(200000, u'x'),
                            QString(50000, u'&'),
                            QStringLiteral("&#") + QString(200000, u'9'),
                            QString(100000, u'\t'),
                            QStringLiteral("<a ") + QString(100000, u'=')};
    for (const QString& line : lines) {
        for (TState start : {hsText, hsTagName, hsTagBody, hsValue, hsComment}) {
            const TGlyphScannedLine s = ScanLine(h, line, 0, start);
            ASSERT_NO_FATAL_FAILURE(ExpectCovered(line, s, h)) << line.left(8).toStdString();
        }
    }
}

// Scanning with the state carried from line to line equals scanning each line alone, in any
// order, from the state stored for it.
TEST(HtmlInvariants, StoredStatesReproduceTheCarriedScan) {
    const quint32 seed = Seed();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    TDocumentMaker maker(seed);
    TGlyphHTMLHighlighter carried;
    TGlyphHTMLHighlighter restored;
    for (int round = 0; round < 20; ++round) {
        const QStringList doc = maker.Document(200);
        const QList<TGlyphScannedLine> full = ScanLines(carried, doc);
        const QList<TState> table = ScanLineStates(carried, doc);
        QList<int> order(doc.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(seed + round));
        for (int i : order) {
            const TGlyphScannedLine alone = ScanLine(restored, doc[i], i, table[i]);
            ASSERT_EQ(Describe(doc[i], alone), Describe(doc[i], full[i])) << "line " << i;
            for (int t = 0; t < alone.Tokens.size(); ++t) {
                // Two instances, so the attributes are told apart by name.
                ASSERT_EQ(alone.Tokens[t].Attribute->Name(), full[i].Tokens[t].Attribute->Name());
            }
            ASSERT_EQ(alone.EndState, full[i].EndState) << "line " << i;
            if (i + 1 < doc.size()) {
                ASSERT_EQ(alone.EndState, table[i + 1]);
            }
        }
    }
}

// The editor's re-scan: from the changed line on, until a line's stored start state already
// equals the one just computed. After any edits the states equal a full scan from the top.
QList<TState> Rescan(TGlyphHTMLHighlighter& h, const QStringList& doc, QList<TState> stored,
                     int from, int& scannedLines) {
    from = std::clamp(from, 0, int(doc.size()) - 1);
    if (from == 0) {
        stored[0] = ResetStateOf(h);
    }
    TState state = stored[from];
    for (int i = from; i < doc.size(); ++i) {
        if (i > from && stored[i] == state) {
            break;
        }
        stored[i] = state;
        state = ScanLine(h, doc[i], i, state).EndState;
        ++scannedLines;
    }
    return stored;
}

TEST(HtmlInvariants, RescanAfterRandomEditsEqualsAFullScan) {
    const quint32 seed = Seed();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    TDocumentMaker maker(seed);
    TGlyphHTMLHighlighter h;
    QStringList doc = maker.Document(300);
    QList<TState> stored = ScanLineStates(h, doc);
    int scanned = 0;
    for (int edit = 0; edit < 500; ++edit) {
        const auto [first, added] = maker.Mutate(doc);
        // New lines get the "not scanned" mark, as new lines in the buffer do.
        if (added > 0) {
            stored.insert(first + 1, -1);
        } else if (added < 0) {
            stored.remove(first + 1);
        }
        stored = Rescan(h, doc, stored, first, scanned);
        ASSERT_EQ(stored, ScanLineStates(h, doc)) << "after edit " << edit;
    }
}

TEST(HtmlInvariants, TypingInsideALineRescansOnlyThatLine) {
    TGlyphHTMLHighlighter h;
    QStringList doc;
    for (int i = 0; i < 100; ++i) {
        doc << QStringLiteral("<td>cell %1</td>").arg(i);
    }
    QList<TState> stored = ScanLineStates(h, doc);
    doc[50].insert(6, u'x');
    int scanned = 0;
    stored = Rescan(h, doc, stored, 50, scanned);
    EXPECT_EQ(scanned, 1);
    doc[50].insert(0, QStringLiteral("<!--"));
    scanned = 0;
    stored = Rescan(h, doc, stored, 50, scanned);
    EXPECT_EQ(scanned, 50) << "the rest of the page turned into a comment";
    EXPECT_EQ(stored, ScanLineStates(h, doc));
}

} // namespace
