#include "app/LanguageSelection.h"

#include <gtest/gtest.h>

namespace {
const QString HtmlFilter = "HTML Document (*.htm,*.html)|*.htm;*.html";
const QString PhpFilter = "PHP files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc";
} // namespace

TEST(LanguageSelection, DocumentExtensionComesFromTheLastDotOfTheNamePart) {
    struct {
        QString file;
        QString extension;
    } cases[] = {
        {"Untitled.htm", ".htm"},
        {"/home/u/site/page.HTML", ".HTML"},
        {"/home/u/archive.tar.gz", ".gz"},
        {"/home/u/my.folder/README", ""},
        {"/home/u/Makefile", ""},
        {"/home/u/.profile", ".profile"},
        {"trailing.", "."},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentExtension(c.file), c.extension) << c.file.toStdString();
}

TEST(LanguageSelection, ExtensionInFilterSplitsAndMatchesWithoutCase) {
    struct {
        QString filter;
        QString extension;
        bool expected;
    } cases[] = {
        {HtmlFilter, ".htm", true},
        {HtmlFilter, ".HTM", true},
        {HtmlFilter, ".Html", true},
        {HtmlFilter, ".shtml", false},
        {HtmlFilter, ".htm,", false},
        {HtmlFilter, "", false},
        {"HTML Document (*.htm,*.html)", ".html", false},
        {PhpFilter, ".inc", true},
        {PhpFilter, ".php3", true},
        {PhpFilter, ".php4", false},
        {"Text|  *.txt", ".txt", true},
        {"Text|\t*.txt;\n*.log", ".log", true},
        {"Quoted|\"*.a;b\"|*.c", ".a;b", true},
        {"Quoted|\"*.a;b\"|*.c", ".a", false},
        {"Single|'*.x|y'", ".x|y", true},
        {"Empty pieces|;;|*.md||", ".md", true},
        {"All|*.*", ".txt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtensionInFilter(c.filter, c.extension), c.expected)
            << c.filter.toStdString() << " / " << c.extension.toStdString();
    }
}
