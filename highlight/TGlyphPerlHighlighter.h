#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TPerlTokenKind {
    plComment = 0,
    plIdentifier = 1,
    plIllegalChar = 2,
    plLineEnd = 3,
    plNumber = 4,
    plOperator = 5,
    plPragma = 6,
    plReservedWord = 7,
    plSpace = 8,
    plString = 9,
    plSymbol = 10,
    plVariable = 11,
};

// The Perl highlighter: reserved words, special variables, word operators and pragmas, all
// compared exactly. Nothing in Perl's rules here spans lines, so the state is always 0.
class TGlyphPerlHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphPerlHighlighter();

    TGlyphCharSet WordChars() const override;
    QString LanguageTitle() const override;
    void Advance() override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* InvalidAttri() const { return invalid_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* OperatorAttri() const { return operator_; }
    TGlyphHighlighterAttributes* PragmaAttri() const { return pragma_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }
    TGlyphHighlighterAttributes* VariableAttri() const { return variable_; }

private:
    bool WordFollows(int pos) const;

    void IdentProc();
    void XProc();
    void DollarProc();
    void PercentProc();
    void AtProc();
    void NumberProc();
    void DoubleQuoteProc();
    void SingleQuoteProc();
    void CommentProc();
    void SymbolProc();
    void IllegalProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* invalid_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* operator_;
    TGlyphHighlighterAttributes* pragma_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;
    TGlyphHighlighterAttributes* variable_;

    TGlyphHandlerTable<TGlyphPerlHighlighter> table_;
};
