#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TCppTokenKind {
    cpAssembler = 0, // kept for the colours dialog; no token is given it
    cpCharacter = 1,
    cpComment = 2,
    cpFloat = 3,
    cpHexadecimal = 4,
    cpIdentifier = 5,
    cpIllegalChar = 6,
    cpLineEnd = 7,
    cpNumber = 8,
    cpOctal = 9,
    cpPreprocessor = 10,
    cpReservedWord = 11,
    cpSpace = 12,
    cpString = 13,
    cpSymbol = 14,
};

// Cross-line states; the numbers are the ones stored per line.
enum TCppRangeState : std::intptr_t {
    cprNormal = 0,
    cprComment = 1,      // inside /* ... */
    cprString = 2,       // a string continued by a backslash at the line end
    cprPreprocessor = 3, // a directive continued by a backslash at the line end
};

// The C/C++ highlighter: reserved words compared exactly, preprocessor directives, numbers told
// apart by their form, and strings and directives continued over line ends by a backslash.
class TGlyphCppHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphCppHighlighter();

    QString LanguageTitle() const override;
    void Advance() override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    TGlyphHighlighterAttributes* AsmAttri() const { return asm_; }
    TGlyphHighlighterAttributes* CharAttri() const { return char_; }
    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* FloatAttri() const { return float_; }
    TGlyphHighlighterAttributes* HexAttri() const { return hex_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* InvalidAttri() const { return invalid_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* OctalAttri() const { return octal_; }
    TGlyphHighlighterAttributes* DirecAttri() const { return directive_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }

private:
    void CommentRule();
    void StringRule();
    void DirectiveRule();
    bool CommentStartsAt(int pos) const;

    void IdentProc();
    void NumberProc();
    void PointProc();
    void StringProc();
    void CharProc();
    void SlashProc();
    void HashProc();
    void OperatorProc();
    void SymbolProc();
    void IllegalProc();
    void AboveProc();

    TGlyphHighlighterAttributes* asm_;
    TGlyphHighlighterAttributes* char_;
    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* float_;
    TGlyphHighlighterAttributes* hex_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* invalid_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* octal_;
    TGlyphHighlighterAttributes* directive_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;

    TGlyphHandlerTable<TGlyphCppHighlighter> table_;
};
