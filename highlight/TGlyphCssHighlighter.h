#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TCssTokenKind {
    ctComment = 0,
    ctIdentifier = 1,
    ctKey = 2,
    ctLineEnd = 3,
    ctNumber = 4,
    ctSpace = 5,
    ctString = 6,
    ctSymbol = 7,
    ctUnknown = 8, // punctuation, drawn as an identifier
};

// Cross-line states; the numbers are the ones stored per line.
enum TCssRangeState : std::intptr_t {
    ctrNormal = 0,
    ctrComment = 1, // inside /* ... */
};

// The cascading style sheet highlighter: property names and units ("Key"), compared without
// regard to case, colour values, and braces coloured as strings.
class TGlyphCssHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphCssHighlighter();

    QString LanguageTitle() const override;
    void Advance() override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }

private:
    void CommentRule();
    void NumberRule();

    void IdentProc();
    void NumberProc();
    void MinusProc();
    void ColorProc();
    void BraceProc();
    void StringProc();
    void SlashProc();
    void SymbolProc();
    void UnknownProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;

    TGlyphHandlerTable<TGlyphCssHighlighter> table_;
};
