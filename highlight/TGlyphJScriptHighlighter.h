#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TJsTokenKind {
    jtComment = 0,
    jtIdentifier = 1,
    jtReservedWord = 2,
    jtLineEnd = 3,
    jtNumber = 4,
    jtSpace = 5,
    jtString = 6,
    jtSymbol = 7,
    jtUnknown = 8, // no attribute: drawn in the editor's own colours
    jtNonReservedKeyword = 9,
    jtEvent = 10,
};

// Cross-line states; the numbers are the ones stored per line.
enum TJsRangeState : std::intptr_t {
    jrNormal = 0,
    jrBlockComment = 1,
};

// The JavaScript highlighter: reserved words, the names of the browser object model
// ("Non-reserved keyword") and event handler names, each compared exactly.
class TGlyphJScriptHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphJScriptHighlighter();

    QString LanguageTitle() const override;
    void Advance() override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    // The keyword hash: letters 1 to 26 regardless of case, underscore 31, digits 0. Words
    // hashing above MaxKeywordHash are not looked up.
    static int KeywordHash(QStringView word) { return LetterWeightHash(word); }
    static constexpr int MaxKeywordHash = 252;

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* EventAttri() const { return event_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* NonReservedKeyAttri() const { return nonReservedKey_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }

private:
    void BlockCommentRule();

    void IdentProc();
    void NumberProc();
    void StringProc();
    void SlashProc();
    void OperatorProc();
    void SymbolProc();
    void UnknownProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* event_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* nonReservedKey_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;

    TGlyphHandlerTable<TGlyphJScriptHighlighter> table_;
};
