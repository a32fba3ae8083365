#pragma once

#include "highlight/TGlyphCustomHighlighter.h"
#include "highlight/TGlyphHandlerTable.h"

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TGlyphLanguageHighlighter;

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

// The highlighters whose colours the parts of a page in other languages are drawn in: the
// content of <style> and style="" values (CSS), of <script> and on...="" values (JavaScript),
// of <script type="text/vbscript"> (VBScript) and of <?php ?>, <? ?> and <?= ?> (PHP).
struct TGlyphEmbeddedLanguages {
    TGlyphCustomHighlighter* Css = nullptr;
    TGlyphCustomHighlighter* JScript = nullptr;
    TGlyphCustomHighlighter* VBScript = nullptr;
    TGlyphCustomHighlighter* PHP = nullptr;
};

// Where the highlighter of an embedded language comes from.
using TGlyphLanguageSource = std::function<TGlyphCustomHighlighter*()>;
struct TGlyphEmbeddedLanguageSources {
    TGlyphLanguageSource Css;
    TGlyphLanguageSource JScript;
    TGlyphLanguageSource VBScript;
    TGlyphLanguageSource PHP;
};

// The HTML highlighter: a single-pass, line-at-a-time scanner that tells known tag names from
// unknown ones through its tag table and recognises character references through its entity
// table. Given embedded languages, it hands the parts of a page written in them to scanners of
// those languages and colours their tokens with those languages' attributes.
class TGlyphHTMLHighlighter : public TGlyphCustomHighlighter {
public:
    TGlyphHTMLHighlighter();
    ~TGlyphHTMLHighlighter() override;

    // Colours the embedded parts of a page with `languages` (each of the classes named there;
    // a null one: that language's own default colours). Without a call the whole page is HTML.
    void SetEmbeddedLanguages(const TGlyphEmbeddedLanguages& languages);
    // The same, with each language's highlighter asked for only when a page first holds a part
    // in that language, so that its owner can make it then; an empty source or a null answer:
    // that language's own default colours.
    void SetEmbeddedLanguageSources(const TGlyphEmbeddedLanguageSources& sources);
    bool EmbedsLanguages() const { return embedding_; }

    // The colours the main window gives its instance.
    void ApplyMainWindowSettings();

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
    void SkipTokensBefore(int offset) override;
    void StartLine(const QString& text, int lineNumber) override;
    bool CanResumeLine() const override;
    TState ResumeState() const override;
    void ResumeLine(const QString& text, int lineNumber, int offset) override;
    void ReleaseLine() override;
    void RestoreState(TState state) override;
    void ResetState() override;
    const TGlyphCustomHighlighter* TokenLanguage() const override;

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
    // The steps of the HTML scan are defined inline in TGlyphHTMLHighlighter.cpp, so that each
    // token loop of the class (Advance, SkipTokensBefore) is one function.
    //
    // The next token, as Advance.
    inline void NextToken();
    // One HTML token from the position, by the rules of the tag and entity tables.
    inline void ScanHtmlToken();
    // The rule for the character at the position, or for the line end.
    inline void CharProc();
    // One token of a page's HTML outside its other parts, and what it says about the tag read.
    inline void HtmlPageToken();
    inline void NoteHtmlToken(TState before);
    // Rules by state.
    inline void TextRule();
    inline void CommentRule();
    inline void ServerScriptRule();
    inline void BlockRule(THtmlTokenKind kind, char16_t closer);
    // Rules by the character at the position.
    inline void LineEndProc();
    inline void NulProc();
    inline void SpaceProc();
    inline void LFProc();
    inline void CRProc();
    inline void QuoteProc();
    inline void AmpProc();
    inline void LessProc();
    inline void EqualProc();
    inline void GreaterProc();
    inline void WordProc();
    inline void TagNameProc();

    // ---- Pages with parts in other languages (GlyphHTMLEmbedding.cpp) ----
    // Which part of a page the position is in, besides the HTML state.
    enum TEmbed {
        emNone = 0,
        emCssBlock = 1,   // inside <style>
        emJsBlock = 2,    // inside <script> of JavaScript
        emVbsBlock = 3,   // inside <script type="text/vbscript">
        emRawScript = 4,  // inside <script> of any other type: text up to </script>
        emCssValue = 5,   // inside style="..."
        emJsValue = 6,    // inside on...="..."
        emPlainValue = 7, // inside another quoted value that holds PHP
    };
    enum TEmbeddedIndex { eiCss = 0, eiJScript = 1, eiVBScript = 2, eiPHP = 3 };
    // A part's scanner and colours are made the first time a page holds such a part.
    struct TEmbeddedScanner {
        std::unique_ptr<TGlyphLanguageHighlighter> (*MakeScanner)() = nullptr;
        TGlyphLanguageSource FindSource;
        std::unique_ptr<TGlyphLanguageHighlighter> Scanner;
        const TGlyphCustomHighlighter* Source = nullptr;
        // The scanner's attributes and the source's of the same name.
        std::vector<std::pair<TGlyphHighlighterAttributes*, TGlyphHighlighterAttributes*>> Colours;
    };
    // A search forward along the current line, remembered while the scan moves forward, so that
    // a hostile line with many short parts and no end is still read once.
    struct TFound {
        int From = -1;
        int At = -1;
    };

    // The tag being read, the type of its script and the attribute before its =.
    enum TTagKind { tagOther = 0, tagScript = 1, tagStyle = 2 };
    enum TScriptType { stUnset = 0, stVBScript = 1, stOther = 2, stJScript = 3 };
    enum TAttributeKind { atOther = 0, atType = 1, atLanguage = 2, atStyle = 3, atEvent = 4 };
    static int TagKindOf(QStringView name);
    static int AttributeKindOf(QStringView name);
    static int ScriptTypeOf(QStringView value, int attribute);

    bool PartStep();
    void PhpToken();
    void EmbeddedToken();
    void OpenPhp();
    bool AtPhpOpen(int pos) const { return line_[pos] == u'<' && line_[pos + 1] == u'?'; }
    void Run(TEmbeddedIndex index, TState state, int end);
    static void Prepare(TEmbeddedScanner& part);
    void FinishRun();
    int PhpEnd(int pos, TState state) const;
    int BlockEnd(int pos);
    int QuoteEnd(int pos);
    int ValueEnd(int pos);
    int FindCloser(TFound& memo, int pos, QStringView name);
    int PhpOpenBefore(int pos, int end) const;
    bool PhpInValue(int pos) const;
    TState PackState(bool resume) const;
    // The fields of a page's state, as stored.
    struct TPageState {
        TState Html = 0;
        int Tag = 0;
        int ScriptType = 0;
        int Attribute = 0;
        int Embed = 0;
        TState Embedded = 0;
        bool InPhp = false;
        TState Php = 0;
    };
    static TState Pack(const TPageState& page);
    static TPageState Unpack(TState state);
    static bool IsStoredPageState(TState state);
    // The states of plain HTML that a line may be stored with, and the one stored for `state`.
    static bool IsStoredHtmlState(TState state);
    static TState StoredState(TState state);
    void ForgetSearches();

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

    // The embedded parts; all of this stays unused without embedded languages.
    bool embedding_ = false;
    std::array<TEmbeddedScanner, 4> embedded_;
    int tag_ = 0;        // the tag being read: 0 another, 1 <script>, 2 <style>
    int scriptType_ = 0; // of that <script>: 0 not given, 1 VBScript, 2 another, 3 JavaScript
    int attribute_ = 0;  // the attribute before =: 0 another, 1 type, 2 language, 3 style, 4 on...
    int embed_ = emNone;
    TState embeddedState_ = 0; // the state of the embedded part's scanner between its runs
    bool inPhp_ = false;
    TState phpState_ = 0;
    // The embedded scanner that reads the current token, and where its run ends.
    TGlyphLanguageHighlighter* running_ = nullptr;
    TEmbeddedIndex runningIndex_ = eiCss;
    int runEnd_ = 0;
    TFound scriptCloser_;
    TFound styleCloser_;
    TFound valueEnd_;
};
