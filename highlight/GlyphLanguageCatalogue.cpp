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

namespace {

template <class T>
TGlyphLanguageEntry Entry(TGlyphLanguageId id, const char* name, const char* className,
                          const char* filter, bool page, bool inPage) {
    return {id,
            name,
            className,
            filter,
            page,
            inPage,
            []() -> std::unique_ptr<TGlyphCustomHighlighter> { return std::make_unique<T>(); },
            [](TGlyphCustomHighlighter& h) { static_cast<T&>(h).ApplyMainWindowSettings(); }};
}

} // namespace

const std::vector<TGlyphLanguageEntry>& GlyphLanguageCatalogue() {
    static const std::vector<TGlyphLanguageEntry> catalogue = {
        Entry<TGlyphHTMLHighlighter>(glHTML, "HTML", "TGlyphHTMLHighlighter",
                                     "HTML Document (*.htm,*.html)|*.htm;*.html", true, true),
        Entry<TGlyphJScriptHighlighter>(glJScript, "JavaScript", "TGlyphJScriptHighlighter",
                                        "Javascript files (*.js)|*.js", false, true),
        Entry<TGlyphJavaHighlighter>(glJava, "Java", "TGlyphJavaHighlighter",
                                     "Java files (*.java)|*.java", false, false),
        Entry<TGlyphCssHighlighter>(glCss, "CSS", "TGlyphCssHighlighter",
                                    "Cascading Stylesheets (*.css)|*.css", false, true),
        Entry<TGlyphPHPHighlighter>(
            glPHP, "PHP", "TGlyphPHPHighlighter",
            "PHP files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc", true, true),
        Entry<TGlyphPerlHighlighter>(glPerl, "Perl", "TGlyphPerlHighlighter",
                                     "Perl files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi", false, false),
        Entry<TGlyphVBScriptHighlighter>(glVBScript, "VBScript", "TGlyphVBScriptHighlighter",
                                         "VBScript files (*.vbs)|*.vbs", false, true),
        Entry<TGlyphCppHighlighter>(glCpp, "C++", "TGlyphCppHighlighter",
                                    "C++ files (*.cpp,*.h,*.hpp)|*.cpp;*.h;*.hpp", false, false),
        Entry<TGlyphGeneralHighlighter>(glGeneral, "General", "TGlyphGeneralHighlighter",
                                        "Text Files (*.txt)|*.txt", false, false),
    };
    return catalogue;
}

const TGlyphLanguageEntry& LanguageEntry(TGlyphLanguageId id) {
    return GlyphLanguageCatalogue().at(std::size_t(id));
}

const std::vector<TGlyphLanguageId>& LanguageChoiceOrder() {
    static const std::vector<TGlyphLanguageId> order = {glHTML, glJScript,  glCss, glJava,   glPHP,
                                                        glPerl, glVBScript, glCpp, glGeneral};
    return order;
}

std::unique_ptr<TGlyphCustomHighlighter>
MakeMainWindowHighlighter(const TGlyphLanguageEntry& entry) {
    std::unique_ptr<TGlyphCustomHighlighter> h = entry.Make();
    entry.ApplyMainWindowSettings(*h);
    h->SetDefaultFilter(QString::fromLatin1(entry.Filter));
    return h;
}
