#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <memory>
#include <vector>

// The languages the program colours, in the order the main window holds them (its file-type
// filter lists them in this order).
enum TGlyphLanguageId {
    glHTML,
    glJScript,
    glJava,
    glCss,
    glPHP,
    glPerl,
    glVBScript,
    glCpp,
    glGeneral,
    glLanguageCount,
};

// One language: what the main window, the tests and the tools need to know of it without
// making its highlighter.
struct TGlyphLanguageEntry {
    TGlyphLanguageId Id;
    // A short name for listings and test names.
    const char* Name;
    // The class name its colours are stored under.
    const char* ClassName;
    // The open-dialog filter of the main window's instance: the files it colours.
    const char* Filter;
    // A document in it is an HTML page: the HTML commands apply, and its embedded parts are
    // drawn in their own languages' colours.
    bool Page;
    // It colours a part of an HTML page.
    bool InPage;
    // A new highlighter as its class makes it.
    std::unique_ptr<TGlyphCustomHighlighter> (*Make)();
    // Gives `h` (made by Make) the colours and settings the main window gives its instance.
    void (*ApplyMainWindowSettings)(TGlyphCustomHighlighter& h);
};

// Every language, in the main window's order; entry i has the id i.
const std::vector<TGlyphLanguageEntry>& GlyphLanguageCatalogue();
const TGlyphLanguageEntry& LanguageEntry(TGlyphLanguageId id);

// The order in which a file's extension is tried against the filters: the main window's with
// CSS before Java; the general language, last, takes every file no other one lists.
const std::vector<TGlyphLanguageId>& LanguageChoiceOrder();

// A highlighter of the language as the main window holds it: Make, its settings and its filter.
std::unique_ptr<TGlyphCustomHighlighter>
MakeMainWindowHighlighter(const TGlyphLanguageEntry& entry);
