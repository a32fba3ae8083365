#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TJavaTokenKind {
    jvComment = 0,
    jvDocumentation = 1,
    jvIdentifier = 2,
    jvInvalidSymbol = 3,
    jvLineEnd = 4,
    jvNumber = 5,
    jvReservedWord = 6,
    jvSpace = 7,
    jvString = 8,
    jvSymbol = 9,
};

// Cross-line states; the numbers are the ones stored per line.
enum TJavaRangeState : std::intptr_t {
    jvrNormal = 0,
    jvrComment = 1,       // inside /* ... */
    jvrDocumentation = 2, // inside /** ... */
};

// The Java highlighter: reserved words compared exactly, block and documentation comments that
// span lines, strings and characters that end on their line.
class TGlyphJavaHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphJavaHighlighter();

    TGlyphCharSet WordChars() const override;
    QString LanguageTitle() const override;
    void Advance() override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* DocumentAttri() const { return documentation_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* InvalidAttri() const { return invalid_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }

private:
    void CommentRule();

    void IdentProc();
    void NumberProc();
    void StringProc();
    void SlashProc();
    void PointProc();
    void OperatorProc();
    void SymbolProc();
    void InvalidProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* documentation_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* invalid_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;

    TGlyphHandlerTable<TGlyphJavaHighlighter> table_;
};
