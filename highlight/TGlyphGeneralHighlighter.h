#pragma once

#include "highlight/GlyphLanguageSupport.h"

#include <QStringList>

enum TGeneralTokenKind {
    gtComment = 0,
    gtIdentifier = 1,
    gtLineEnd = 2,
    gtNumber = 3,
    gtPreprocessor = 4,
    gtReservedWord = 5,
    gtSpace = 6,
    gtString = 7,
    gtSymbol = 8,
    gtUnknown = 9, // no attribute
};

// Cross-line states; the numbers are the ones stored per line.
enum TGeneralRangeState : std::intptr_t {
    grNormal = 0,
    grAnsiComment = 1,   // inside (* ... *)
    grPascalComment = 2, // inside { ... }
    grCComment = 3,      // inside /* ... */
};

// The comment styles the general highlighter can recognise.
enum TGeneralCommentStyle : unsigned {
    csAnsiStyle = 1, // (* ... *)
    csPasStyle = 2,  // { ... }
    csCStyle = 4,    // /* ... */ and // to the line end
    csAsmStyle = 8,  // ; to the line end
    csBasStyle = 16, // ' to the line end
};
using TGeneralCommentStyles = unsigned;

// The highlighter for every other kind of file: a keyword list of the user's (compared without
// regard to case), a choice of comment styles, an optional preprocessor line, a string delimiter
// and a settable set of identifier characters. Changing a setting notifies the attached editors.
class TGlyphGeneralHighlighter : public TGlyphLanguageHighlighter {
public:
    TGlyphGeneralHighlighter();

    TGlyphCharSet WordChars() const override;
    TGlyphHighlighterCapabilities Features() const override;
    QString LanguageTitle() const override;
    void Advance() override;
    // The keyword list travels with the attributes, as the text value "KeyWords" of the key
    // (one word per line).
    bool LoadAttributes(QSettings& root, const QString& key) override;
    bool SaveAttributes(QSettings& root, const QString& key) const override;
    void Assign(const TGlyphCustomHighlighter& other) override;

    // The settings, colours and disabled state the main window gives its instance: no
    // comments, no preprocessor lines, every character from ! up part of a word.
    void ApplyMainWindowSettings();

    QStringList KeyWords() const { return keyWordList_; }
    void SetKeyWords(const QStringList& words);
    TGeneralCommentStyles Comments() const { return comments_; }
    void SetComments(TGeneralCommentStyles styles);
    bool DetectPreprocessor() const { return detectPreprocessor_; }
    void SetDetectPreprocessor(bool detect);
    const TGlyphCharSet& IdentifierChars() const { return identifierChars_; }
    void SetIdentifierChars(const TGlyphCharSet& chars);
    QChar StringDelimiter() const { return stringDelimiter_; }
    void SetStringDelimiter(QChar delimiter);

    TGlyphHighlighterAttributes* CommentAttri() const { return comment_; }
    TGlyphHighlighterAttributes* IdentifierAttri() const { return identifier_; }
    TGlyphHighlighterAttributes* NumberAttri() const { return number_; }
    TGlyphHighlighterAttributes* PreprocessorAttri() const { return preprocessor_; }
    TGlyphHighlighterAttributes* KeyAttri() const { return key_; }
    TGlyphHighlighterAttributes* SpaceAttri() const { return space_; }
    TGlyphHighlighterAttributes* StringAttri() const { return string_; }
    TGlyphHighlighterAttributes* SymbolAttri() const { return symbol_; }

private:
    void BuildTable();
    void CommentRule();
    void BlockComment(TGeneralRangeState state, int openerLength);

    void IdentProc();
    void NumberProc();
    void StringProc();
    void AnsiProc();
    void PascalProc();
    void SlashProc();
    void LineCommentProc();
    void HashProc();
    void FallbackProc();
    void SymbolProc();
    void UnknownProc();
    void AboveProc();

    TGlyphHighlighterAttributes* comment_;
    TGlyphHighlighterAttributes* identifier_;
    TGlyphHighlighterAttributes* number_;
    TGlyphHighlighterAttributes* preprocessor_;
    TGlyphHighlighterAttributes* key_;
    TGlyphHighlighterAttributes* space_;
    TGlyphHighlighterAttributes* string_;
    TGlyphHighlighterAttributes* symbol_;

    QStringList keyWordList_;
    TGeneralCommentStyles comments_ = csCStyle;
    bool detectPreprocessor_ = true;
    TGlyphCharSet identifierChars_;
    QChar stringDelimiter_ = QLatin1Char('\'');

    TGlyphHandlerTable<TGlyphGeneralHighlighter> table_;
};
