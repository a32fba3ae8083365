#pragma once

#include "highlight/TGlyphCustomHighlighter.h"
#include "highlight/TGlyphHandlerTable.h"

// Cross-line states; the numbers are the ones stored per line.
enum THtmlScanState : std::intptr_t {
    hsEntity = 0,       // a recognised character reference starts at the position
    hsServerScript = 1, // inside <% ... %>
    hsComment = 2,      // inside <!-- ... -->
    hsTagName = 3,      // after <, expecting the tag name
    hsTagBody = 4,      // inside a tag after its name
    hsText = 5,         // outside tags; the state of the first line
    hsValue = 7,        // inside a tag after =, expecting a value
};

enum THtmlTokenKind {
    htEntity = 0,
    htServerScript = 1,
    htComment = 2,
    htAttributeName = 3,
    htKnownTag = 4,
    htLineEnd = 5,
    htSpace = 6,
    htQuotedValue = 7,
    htSymbol = 8,
    htText = 9,
    htUnknownTag = 10,
    htValue = 11,
};

// The HTML highlighter: a single-pass, line-at-a-time scanner that tells known tag names from
// unknown ones through its tag table and recognises character references through its entity
// table.
class TGlyphHTMLHighlighter : public TGlyphCustomHighlighter {
public:
    TGlyphHTMLHighlighter();

    TGlyphHighlighterAttributes* StandardAttribute(int index) const override;
    TGlyphCharSet WordChars() const override;
    QString LanguageTitle() const override;
    bool AtLineEnd() const override;
    TState State() const override;
    QString TokenText() const override;
    TGlyphHighlighterAttributes* TokenAttribute() const override;
    int TokenKind() const override;
    int TokenStart() const override;
    int TokenLength() const override;
    void Advance() override;
    void StartLine(const QString& text, int lineNumber) override;
    bool CanResumeLine() const override;
    void ResumeLine(const QString& text, int lineNumber, int offset) override;
    void ReleaseLine() override;
    void RestoreState(TState state) override;
    void ResetState() override;

    TGlyphHighlighterAttributes* AspAttri() const { return asp_; }
    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* EscapeAmpersandAttri() const { return escapeAmpersand_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* ReservedWordAttri() const { return reservedWord_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }
    TGlyphHighlighterAttributes* TextAttri() const { return text_; }
    TGlyphHighlighterAttributes* UnknownWordAttri() const { return unknownWord_; }
    TGlyphHighlighterAttributes* ValueAttri() const { return value_; }

    // The tag-name hash: letters count 1 to 26 regardless of case, / 122, ! 123, a digit its
    // value. Names hashing above MaxTagHash are not looked up.
    static int TagHash(QStringView name);
    static constexpr int MaxTagHash = 243;
    // Whether `name` is in the tag table (opening or closing form).
    static bool IsKnownTag(QStringView name);
    // Index of the entity-table entry that matches the text at `pos`, or -1.
    static int MatchEntity(QStringView text, int pos);
    static int EntityCount();
    static QString EntityAt(int index);

private:
    // Rules by state.
    void TextRule();
    void CommentRule();
    void ServerScriptRule();
    void BlockRule(THtmlTokenKind kind, char16_t closer);

    // Handlers of the dispatch table.
    void LineEndProc();
    void NulProc();
    void SpaceProc();
    void LFProc();
    void CRProc();
    void QuoteProc();
    void AmpProc();
    void LessProc();
    void EqualProc();
    void GreaterProc();
    void WordProc();
    void TagNameProc();

    TGlyphHighlighterAttributes* asp_;
    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* escapeAmpersand_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* reservedWord_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* symbol_;
    TGlyphHighlighterAttributes* text_;
    TGlyphHighlighterAttributes* unknownWord_;
    TGlyphHighlighterAttributes* value_;

    TGlyphScanLine line_;
    int pos_ = 0;
    int tokenStart_ = 0;
    THtmlTokenKind kind_ = htLineEnd;
    TState state_ = hsText;
    int entityIndex_ = -1;  // entity found ahead by the text rule
    int tagNameLength_ = 0; // length of the last hashed tag name
    TGlyphHandlerTable<TGlyphHTMLHighlighter> table_;
};
