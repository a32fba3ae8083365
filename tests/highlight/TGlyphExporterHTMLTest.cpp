#include "highlight/TGlyphExporterHTML.h"
#include "common/GlyphErrors.h"
#include "highlight/TGlyphCppHighlighter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace {

constexpr TGlyphColor Red = 0x0000FF;
constexpr TGlyphColor Blue = 0xFF0000;
constexpr TGlyphColor Yellow = 0x00FFFF;
constexpr TGlyphColor White = 0xFFFFFF;

TGlyphExportLines LinesOf(const QStringList& lines) {
    return {int(lines.size()), [lines](int i) { return lines.at(i); }};
}

// A C++ highlighter whose attributes all draw in the page's own colours until a case sets one.
struct PlainCpp {
    TGlyphCppHighlighter H;
    PlainCpp() {
        for (int i = 0; i < H.AttributeCount(); ++i) {
            H.AttributeAt(i)->SetForeground(clNone);
            H.AttributeAt(i)->SetBackground(clNone);
            H.AttributeAt(i)->SetStyle(0);
        }
    }
};

struct TExportCase {
    const char* Name;
    QStringList Lines;
    std::function<void(TGlyphCppHighlighter&, TGlyphExporterHTML&)> Setup;
    QByteArray Body; // what lies between the font tag of the page and its footer
};

// The document form without html and body: "<pre>\r\n<code><font  size=3 face=...>" body footer.
QByteArray BodyOf(const QByteArray& output) {
    const QByteArray head = "<pre>\r\n<code><font  size=3 face=\"Courier New, monospace\">";
    const QByteArray foot = "</font>\r\n</code></pre>\r\n";
    if (!output.startsWith(head) || !output.endsWith(foot))
        return "unexpected frame: " + output;
    return output.mid(head.size(), output.size() - head.size() - foot.size());
}

void PrintTo(const TExportCase& c, std::ostream* out) {
    *out << c.Name;
}

class ExportCases : public ::testing::TestWithParam<TExportCase> {};

TEST_P(ExportCases, WritesTheBody) {
    PlainCpp cpp;
    TGlyphExporterHTML exporter;
    exporter.Color = White;
    exporter.WholeDocument = true;
    exporter.CreateHTMLFragment = true;
    exporter.SetHighlighter(&cpp.H);
    if (GetParam().Setup)
        GetParam().Setup(cpp.H, exporter);
    ASSERT_TRUE(exporter.ExportLines(LinesOf(GetParam().Lines)));
    EXPECT_EQ(BodyOf(exporter.Output()).toStdString(), GetParam().Body.toStdString());
}

const auto RedBoldKeys = [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) {
    h.KeyAttri()->SetForeground(Red);
    h.KeyAttri()->SetStyle(fsBold);
};

const TExportCase kExportCases[] = {
    {"ReservedCharactersEverywhere",
     {"a<b && \"x\" // <&>", "\tx"},
     nullptr,
     "a&lt;b &amp;&amp; &quot;x&quot; // &lt;&amp;&gt;\r\n\tx\r\n"},
    {"NamedReferencesAndCopies",
     {QString::fromUtf8("// ÷¬¶\u00AD€™é\u00A0中")},
     nullptr,
     QString::fromUtf8("// &divide;¬¶&shy;&euro;&trade;&eacute;\u00A0中\r\n").toUtf8()},
    {"ReferencesAndWideCharactersAtEveryPlaceOfALongToken",
     {QString::fromUtf8("// abcdefgh<bcdefgh&cdefghi\"defghijk>efghij÷fghijklm😀nopqrstu€"
                        "abcdefg😀h😀ij😀klm😀nopq😀rstuv😀wxyzab😀cdefghi😀jk<<<<<<<<<")},
     nullptr,
     QString::fromUtf8("// abcdefgh&lt;bcdefgh&amp;cdefghi&quot;defghijk&gt;efghij&divide;"
                       "fghijklm😀nopqrstu&euro;abcdefg😀h😀ij😀klm😀nopq😀rstuv😀wxyzab😀"
                       "cdefghi😀jk&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;\r\n")
         .toUtf8()},
    {"AllFourStylesNest",
     {"int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) {
         h.KeyAttri()->SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
         h.IdentifierAttri()->SetStyle(fsUnderline);
     },
     "<b><i><u><strike>int </strike></u></i></b><u>x\r\n</u>"},
    {"BlanksBetweenLikeTokensWriteNothing",
     {"int  int"},
     RedBoldKeys,
     "<font color=\"#FF0000\"><b>int  int\r\n</b></font>"},
    {"BlanksStayInTheRunBeforeThem",
     {"int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) {
         h.KeyAttri()->SetForeground(Red);
         h.IdentifierAttri()->SetForeground(Blue);
     },
     "<font color=\"#FF0000\">int </font><font color=\"#0000FF\">x\r\n</font>"},
    {"BoldItalicToItalic",
     {"int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) {
         h.KeyAttri()->SetStyle(fsBold | fsItalic);
         h.IdentifierAttri()->SetStyle(fsItalic);
     },
     "<b><i>int </i></b><i>x\r\n</i>"},
    {"ItalicToBoldItalic",
     {"int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) {
         h.KeyAttri()->SetStyle(fsItalic);
         h.IdentifierAttri()->SetStyle(fsBold | fsItalic);
     },
     "<i>int </i><b><i>x\r\n</i></b>"},
    {"ForegroundNoneIsTheFontColour",
     {"int x", "x int"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) { h.KeyAttri()->SetForeground(Red); },
     "<font color=\"#FF0000\">int </font>x\r\nx <font color=\"#FF0000\">int\r\n</font>"},
    {"TheFontColourGivenExplicitlyWritesNoTag",
     {"int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) { h.KeyAttri()->SetForeground(0); },
     "int x\r\n"},
    {"NoSpanWithoutUseBackground",
     {"int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML&) { h.KeyAttri()->SetBackground(Yellow); },
     "int x\r\n"},
    {"SpansClosedAndOpenedWithUseBackground",
     {"x int x"},
     [](TGlyphCppHighlighter& h, TGlyphExporterHTML& e) {
         h.KeyAttri()->SetBackground(Yellow);
         h.KeyAttri()->SetForeground(Red);
         e.UseBackground = true;
     },
     // The blank keeps the open red: only its background changes.
     "x <span style=\"background-color: #FFFF00\"><font color=\"#FF0000\">int</font></span>"
     "<font color=\"#FF0000\"> </font>x\r\n"},
};
INSTANTIATE_TEST_SUITE_P(Runs, ExportCases, ::testing::ValuesIn(kExportCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ExportRange, NothingToExportKeepsThePreviousOutput) {
    PlainCpp cpp;
    TGlyphExporterHTML exporter;
    exporter.SetHighlighter(&cpp.H);
    ASSERT_TRUE(exporter.ExportLines(LinesOf({"x"})));
    const QByteArray previous = exporter.Output();
    EXPECT_FALSE(exporter.ExportLines(LinesOf({""})));
    EXPECT_FALSE(exporter.ExportLines(LinesOf({})));
    EXPECT_FALSE(exporter.ExportRange(LinesOf({"abc"}), {3, 1}, {2, 1}));
    EXPECT_EQ(exporter.Output(), previous);
    ASSERT_TRUE(exporter.ExportRange(LinesOf({"int abc", "def"}), {5, 1}, {2, 2}));
    EXPECT_TRUE(exporter.Output().contains("<pre><code>abc\r\nd\r\n</code></pre>"));
}

// The tags of a change of run are made once per export and copied after that: a second export
// with other colours must make them anew.
TEST(ExportRange, ASecondExportHasTheNewColours) {
    PlainCpp cpp;
    TGlyphExporterHTML exporter;
    exporter.WholeDocument = true;
    exporter.SetHighlighter(&cpp.H);
    const TGlyphExportLines lines = LinesOf({"int x int x", "int x"});
    for (const auto& [key, tag] : {std::pair{Red, "<font color=\"#FF0000\">"},
                                   std::pair{Blue, "<font color=\"#0000FF\">"}}) {
        cpp.H.KeyAttri()->SetForeground(key);
        ASSERT_TRUE(exporter.ExportLines(lines));
        EXPECT_EQ(exporter.Output().count(tag), 3) << exporter.Output().toStdString();
        EXPECT_EQ(exporter.Output().count("<font color="), 3);
    }
}

// The descriptor counts bytes from its own start; with html and body a body of S bytes gives
// 105, 154, 178 + S and 212 + S.
TEST(ExportClipboardForm, DescriptorOffsetsFitTheOutput) {
    PlainCpp cpp;
    TGlyphExporterHTML exporter;
    exporter.SetHighlighter(&cpp.H);
    ASSERT_TRUE(exporter.ExportLines(LinesOf({QString(1798, u'a')})));
    const QByteArray out = exporter.Output();
    EXPECT_TRUE(out.startsWith("Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000002012\r\n"
                               "StartFragment:0000000154\r\nEndFragment:0000001978\r\n"));
    EXPECT_EQ(out.size(), 2012);
    EXPECT_EQ(out.mid(154 - 20, 20), "<!--StartFragment-->");
    EXPECT_EQ(out.mid(1978, 18), "<!--EndFragment-->");
    EXPECT_TRUE(exporter.ClipboardHtml().startsWith("<html>\r\n<head></head>\r\n<body>"));
    EXPECT_TRUE(exporter.ClipboardHtml().endsWith("</body>\r\n</html>"));
}

// The page a user saves: well formed enough that Tidy reports no error, coloured as asked.
TEST(ExportDocumentForm, PageIsCompleteAndTidyFindsNoErrors) {
    PlainCpp cpp;
    cpp.H.KeyAttri()->SetForeground(Red);
    cpp.H.KeyAttri()->SetStyle(fsBold | fsUnderline);
    cpp.H.StringAttri()->SetForeground(Blue);
    TGlyphExporterHTML exporter;
    exporter.Color = White;
    exporter.WholeDocument = true;
    exporter.SetTitle("a <b>.cpp");
    exporter.SetHighlighter(&cpp.H);
    ASSERT_TRUE(exporter.ExportLines(
        LinesOf({"int main() {", "  return \"<x>\" == 0; // int", "}", "", "int"})));
    const QByteArray page = exporter.Output();
    EXPECT_TRUE(page.startsWith("<html>\r\n<head>\r\n"));
    EXPECT_TRUE(page.contains("<title>a &lt;b&gt;.cpp</title>"));
    EXPECT_TRUE(page.contains("<body text=\"#000000\" bgcolor=\"#FFFFFF\">\r\n<pre>"));
    EXPECT_TRUE(page.endsWith("</font>\r\n</code></pre>\r\n</body>\r\n</html>"));

    TidyDoc doc = tidyCreate();
    TidyBuffer errors{};
    tidySetErrorBuffer(doc, &errors);
    tidyParseString(doc, page.constData());
    const uint errorCount = tidyErrorCount(doc);
    const std::string report = errors.bp ? reinterpret_cast<const char*>(errors.bp) : "";
    tidyBufFree(&errors);
    tidyRelease(doc);
    EXPECT_EQ(errorCount, 0u) << report;
}

// Written through its fixed block, a page of several blocks is byte for byte the page made in
// memory; an export that does not happen leaves the old file as it was.
TEST(ExportToFile, WritesThePageMadeInMemory) {
    QTemporaryDir dir;
    PlainCpp cpp;
    cpp.H.KeyAttri()->SetForeground(Red);
    cpp.H.StringAttri()->SetStyle(fsItalic);
    const TGlyphExportLines lines =
        LinesOf(QStringList(60000, QStringLiteral("int x = \"<&>\u00e9\"; // \U0001F600 note")));
    TGlyphExporterHTML exporter;
    exporter.SetHighlighter(&cpp.H);
    exporter.WholeDocument = true;
    ASSERT_TRUE(exporter.ExportLines(lines));
    const QByteArray inMemory = exporter.Output();
    ASSERT_GT(inMemory.size(), 3 * 1024 * 1024);

    const QString page = dir.filePath("page.htm");
    exporter.WholeDocument = false; // the file is the document form whatever the setting
    ASSERT_TRUE(exporter.ExportRangeToFile(page, lines, {1, 1}, {INT_MAX, INT_MAX}));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == inMemory);
    file.close();
    EXPECT_FALSE(exporter.WholeDocument);

    int calls = 0;
    exporter.OnProgress = [&](int, int) { return ++calls < 3; };
    EXPECT_FALSE(exporter.ExportRangeToFile(page, lines, {1, 1}, {INT_MAX, INT_MAX}));
    exporter.OnProgress = nullptr;
    EXPECT_FALSE(exporter.ExportRangeToFile(page, LinesOf({""}), {1, 1}, {INT_MAX, INT_MAX}));
    EXPECT_EQ(QFileInfo(page).size(), inMemory.size());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"page.htm"}));
    EXPECT_THROW(exporter.ExportRangeToFile(dir.filePath("no/such/folder/page.htm"), lines, {1, 1},
                                            {INT_MAX, INT_MAX}),
                 EGlyphFileError);
}

TEST(ExportProgress, StoppingLeavesNoOutput) {
    PlainCpp cpp;
    TGlyphExporterHTML exporter;
    exporter.SetHighlighter(&cpp.H);
    int calls = 0;
    exporter.OnProgress = [&](int done, int total) {
        EXPECT_LT(done, total);
        return ++calls < 2;
    };
    EXPECT_FALSE(exporter.ExportLines(LinesOf(QStringList(20000, "int x;"))));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(exporter.Output().isEmpty());
}

} // namespace
