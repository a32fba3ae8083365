#pragma once

// Random source text for every highlighter, for property tests that compare a scan continued
// inside a line with a scan of the whole line: pieces of each language (openers and closers of
// comments and strings, escapes, numbers, keywords, directives, blanks, NUL and line-break
// characters) put together at random.

#include "highlight/GlyphLanguageCatalogue.h"
#include "highlight/TGlyphCppHighlighter.h"
#include "highlight/TGlyphCssHighlighter.h"
#include "highlight/TGlyphGeneralHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "highlight/TGlyphJScriptHighlighter.h"
#include "highlight/TGlyphJavaHighlighter.h"
#include "highlight/TGlyphPHPHighlighter.h"
#include "highlight/TGlyphPerlHighlighter.h"
#include "highlight/TGlyphVBScriptHighlighter.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// A PHP file: an HTML page whose PHP blocks the PHP highlighter colours.
class TPhpPageSample : public TGlyphPHPHighlighter {
public:
    TPhpPageSample() {
        page_.SetEmbeddedLanguages({nullptr, nullptr, nullptr, this});
        SetPage(&page_);
    }

private:
    TGlyphHTMLHighlighter page_;
};

inline std::unique_ptr<TGlyphCustomHighlighter> MakeMixedPage() {
    auto page = std::make_unique<TGlyphHTMLHighlighter>();
    page->SetEmbeddedLanguages({});
    return page;
}

// The states a page's lines can start in: plain HTML and inside each kind of embedded part.
inline QList<TGlyphCustomHighlighter::TState> MixedPageStarts() {
    const auto page = MakeMixedPage();
    QList<TGlyphCustomHighlighter::TState> starts{hsText};
    for (const char* opener : {"<style>/*", "<script>", "<script>/*", "<?php '", "<?php /*",
                               "<script type=\"text/vbscript\">", "<a href=x", "<style><?= \""}) {
        page->ResetState();
        page->StartLine(QString::fromUtf8(opener), 0);
        page->ScanToLineEnd();
        starts << page->State();
    }
    return starts;
}

struct TLanguageSample {
    const char* Name;
    std::function<std::unique_ptr<TGlyphCustomHighlighter>()> Make;
    QStringList Pieces;
    // Every state a line of the language can start in.
    QList<TGlyphCustomHighlighter::TState> Starts;
};

inline const std::vector<TLanguageSample>& LanguageSamples() {
    static const QStringList common = {" ", "\t", "\r", "\n", "\r\n", QString(QChar(0)),
                                       "é", "ж",  "€",  "x",  "12",   "  "};
    const auto with = [](QStringList pieces) { return pieces + common; };
    // Pieces of a page in several languages: the openers and closers of each part, and what
    // opens strings and comments inside them.
    static const QStringList mixed = {"<style>",
                                      "</style>",
                                      "<STYLE media=x>",
                                      "<script>",
                                      "</script>",
                                      "</SCRIPT >",
                                      "<script type=\"text/vbscript\">",
                                      "<script type=x>",
                                      "<script language=vbs>",
                                      "<p style=\"",
                                      "<b onclick=\"",
                                      "\"",
                                      "'",
                                      "<?php ",
                                      "<?=",
                                      "<?",
                                      "?>",
                                      "/*",
                                      "*/",
                                      "//",
                                      "#",
                                      "color:red;",
                                      "var s",
                                      "Dim x",
                                      "$x",
                                      "\\",
                                      "<",
                                      ">",
                                      "=",
                                      "<!--",
                                      "-->",
                                      "<%",
                                      "%>",
                                      "&amp;",
                                      "text"};
    static const std::vector<TLanguageSample> samples = {
        {"HTML",
         LanguageEntry(glHTML).Make,
         with({"<p class=\"row\">",
               "text ",
               "&amp;",
               "&#38;",
               "&#12",
               "<!-- c -->",
               "<!--",
               "-->",
               "<!-->",
               "<%",
               "%>",
               "<%>",
               "\"",
               "=",
               ">",
               "<",
               "<b>",
               "</div>",
               "&lt",
               "<a href=x>",
               "-",
               "!",
               "&",
               "value=\"",
               "<h1 id=",
               "&copy;",
               "word"}),
         {hsText, hsComment, hsTagBody, hsValue, hsTagName, hsServerScript}},
        {"Mixed page", MakeMixedPage, with(mixed), MixedPageStarts()},
        {"PHP page", [] { return std::make_unique<TPhpPageSample>(); }, with(mixed),
         MixedPageStarts()},
        {"JavaScript",
         LanguageEntry(glJScript).Make,
         with({"var",  "document",   "Document", "onClick", "if", "=",   "0x1F", "0x",  "12.5",
               "1..2", "\"a\\\"b\"", "'s'",      "\"",      "'",  "'''", "\\",   "/*",  "*/",
               "//",   "/",          "/=",       "&&",      "||", "++",  "->",   "...", ".",
               "$",    "@",          "#",        "(",       "){", ";"}),
         {jrNormal, jrBlockComment}},
        {"CSS",
         LanguageEntry(glCss).Make,
         with({"color",   "COLOR", "border-top-width",
               ":",       ";",     "{",
               "}",       "{12",   "1.5em",
               "2ex",     "1..2",  "-2px",
               "-.5",     "-a",    "-",
               "#FF0000", "$ab",   "#",
               "'s'",     "'",     "\"",
               "/*",      "*/",    "/",
               "(",       ")",     "panose-1"}),
         {ctrNormal, ctrComment}},
        {"PHP",
         LanguageEntry(glPHP).Make,
         with({"$name", "$",  "echo", "ECHO", "'", "\"",  "\\'", "\\\"", "\\\\",     "\\",
               "#",     "//", "/*",   "*/",   "@", "1.5", ".",   "`",    "function", "0x1F"}),
         {prNormal, prSingleQuoted, prDoubleQuoted, prComment}},
        {"Java",
         LanguageEntry(glJava).Make,
         with({"/**", "/**/", "/*", "*/", "//", "\"s\\\"\"", "\"", "'c'", "'", "1-2", "0x1FL", ".5",
               "..", ".", "class", "a$b", "#", "@", "\\"}),
         {jvrNormal, jvrComment, jvrDocumentation}},
        {"C++",
         LanguageEntry(glCpp).Make,
         with({"#include", "#",    "\\",   "\"",  "\"s\\\"\"", "'a'", "'",    "/*",
               "*/",       "//",   "0x1F", "0x",  "017",       "08",  "1.5f", "1e5",
               "1e",       "12ab", ".5",   "...", "int",       "$",   "`"}),
         {cprNormal, cprComment, cprString, cprPreprocessor}},
        {"Perl",
         LanguageEntry(glPerl).Make,
         with({"$ARGV",    "$argv", "$_", "$_a", "$^W", "$^",     "$1",   "$",    "%h",
               "%=",       "%",     "@a", "@",   "x=",  "x",      "1e-5", "0x1F", "#",
               "\"\\\"\"", "'\\'",  "'",  "\"",  "eq",  "strict", "`"}),
         {0}},
        {"VBScript",
         LanguageEntry(glVBScript).Make,
         with({"Dim", "dim", "'", "\"", "\"s\"", "#1/1/2000#", "#", "<>", "<=", ">=", "<", ">",
               "1.5E3", "&", "_", "?"}),
         {0}},
        {"General",
         [] {
             auto general = std::make_unique<TGlyphGeneralHighlighter>();
             general->SetComments(csAnsiStyle | csPasStyle | csCStyle | csAsmStyle);
             return general;
         },
         with({"'", "'s'", "(*", "*)", "(", "{", "}", "/*", "*/", "//", "/", ";", "#", "12.5", "..",
               "word", "*"}),
         {grNormal, grAnsiComment, grPascalComment, grCComment}},
    };
    return samples;
}

// Pieces of `pieces` put together at random until the text is at least `length` long.
inline QString RandomSampleText(QRandomGenerator& rng, const QStringList& pieces, int length) {
    QString text;
    while (text.size() < length)
        text += pieces[rng.bounded(int(pieces.size()))];
    return text;
}
