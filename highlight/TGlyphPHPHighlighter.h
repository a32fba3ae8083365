#pragma once

#include "highlight/GlyphLanguageSupport.h"

enum TPHPTokenKind {
    ptComment = 0,
    ptIdentifier = 1,
    ptInvalidSymbol = 2,
    ptLineEnd = 3,
    ptNumber = 4,
    ptReservedWord = 5,
    ptSpace = 6,
    ptString = 7,
    ptSymbol = 8,
    ptUnknown = 9, // drawn as an identifier
    ptVariable = 10,
};

// Cross-line states; the numbers are the ones stored per line.
enum TPHPRangeState : std::intptr_t {
    prNormal = 0,
    prSingleQuoted = 1, // inside '...'
    prDoubleQuoted = 2, // inside "..."
    prComment = 3,      // inside /* ... */
};

// The PHP highlighter: reserved words compared without regard to case, $variables, and strings
// and block comments that span lines.
class TGlyphPHPHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphPHPHighlighter();

    QString LanguageTitle() const override;
    void Advance() override;

    // A PHP file is an HTML page with PHP blocks: given `page` (an HTML highlighter with PHP
    // among its embedded languages), the file is scanned as that page, starting in HTML, and
    // only the blocks are PHP. Null: the whole text is PHP.
    void SetPage(TGlyphCustomHighlighter* page) { page_ = page; }
    TGlyphCustomHighlighter* Page() const { return page_; }

    bool AtLineEnd() const override;
    TState State() const override;
    QString TokenText() const override;
    TGlyphHighlighterAttributes* TokenAttribute() const override;
    int TokenKind() const override;
    int TokenStart() const override;
    int TokenLength() const override;
    void StartLine(const QString& text, int lineNumber) override;
    bool CanResumeLine() const override;
    TState ResumeState() const override;
    void ResumeLine(const QString& text, int lineNumber, int offset) override;
    void ReleaseLine() override;
    void RestoreState(TState state) override;
    void ResetState() override;
    const TGlyphCustomHighlighter* TokenLanguage() const override;

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* InvalidSymbolAttri() const { return invalid_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }
    TGlyphHighlighterAttributes* VariableAttri() const { return variable_; }

private:
    void CommentRule();
    void StringRule(char16_t quote);

    void IdentProc();
    void NumberProc();
    void StringProc();
    void SlashProc();
    void HashProc();
    void VariableProc();
    void OperatorProc();
    void SymbolProc();
    void InvalidProc();
    void UnknownProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* invalid_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;
    TGlyphHighlighterAttributes* variable_;

    TGlyphHandlerTable<TGlyphPHPHighlighter> table_;
    TGlyphCustomHighlighter* page_ = nullptr;
};
