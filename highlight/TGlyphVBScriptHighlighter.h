#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TVBScriptTokenKind {
    vtComment = 0,
    vtIdentifier = 1,
    vtLineEnd = 2,
    vtNumber = 3,
    vtReservedWord = 4,
    vtSpace = 5,
    vtString = 6,
    vtSymbol = 7,
    vtUnknown = 8, // drawn as an identifier
};

// The VBScript highlighter: reserved words compared without regard to case, ' comments,
// "strings" and #dates#. Nothing spans lines, so the state is always 0.
class TGlyphVBScriptHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphVBScriptHighlighter();

    QString LanguageTitle() const override;
    void Advance() override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }

private:
    void IdentProc();
    void NumberProc();
    void StringProc();
    void CommentProc();
    void LowerProc();
    void GreaterProc();
    void SymbolProc();
    void UnknownProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;

    TGlyphHandlerTable<TGlyphVBScriptHighlighter> table_;
};
