#pragma once

#include "highlight/TGlyphCustomHighlighter.h"
#include "highlight/TGlyphHandlerTable.h"
#include "highlight/TGlyphKeywordTable.h"

#include <QString>
#include <array>
#include <cstddef>
#include <vector>

namespace GlyphLanguage {

// Character classes of the language scanners. Code units below 128 follow the ASCII tables;
// above, letters and digits are classified by Unicode, so Latin-1 letters (192 to 255 except
// the multiplication and division signs) and letters of other scripts continue a word.
inline bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
inline bool IsAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
inline bool IsHexDigit(char16_t c) {
    return IsAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
inline bool IsLineBreakChar(char16_t c) {
    return c == 10 || c == 13;
}
// The characters of a blank run: 1 to 9, 11, 12 and 14 to 32.
inline bool IsBlankRunChar(char16_t c) {
    return c >= 1 && c <= 32 && c != 10 && c != 13;
}
// Letters, digits and the underscore: the characters a word is made of.
inline bool IsWordPartChar(char16_t c) {
    if (c < 128) {
        return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'_';
    }
    const QChar ch(c);
    return ch.isLetterOrNumber() || ch.isMark() || ch.isSurrogate();
}
// A character above 255 that starts a word: a letter of any script.
inline bool IsWordStartAbove(char16_t c) {
    const QChar ch(c);
    return ch.isLetter() || ch.isSurrogate();
}

} // namespace GlyphLanguage

// The word characters of every language but the general one: digits, letters, underscore and
// the characters 192 to 255 except 215 and 247; `extra` adds a language's own.
TGlyphCharSet LanguageWordChars(QStringView extra = {});

// The hash of JavaScript's keyword table: a letter counts its place in the alphabet (A and a
// both 1), the underscore 31, anything else 0.
int LetterWeightHash(QStringView word);

// The common part of the language highlighters: the current line, the position, the token
// start, the token kind and the cross-line state, the handlers every language shares (line end,
// blanks, line breaks) and the map from token kind to attribute. Each language adds its own
// dispatch table, keyword table and rules, and its Advance.
class TGlyphLanguageHighlighter : public TGlyphCustomHighlighter {
public:
    bool AtLineEnd() const override { return kind_ == lineEndKind_; }
    TState State() const override { return state_; }
    QString TokenText() const override;
    TGlyphHighlighterAttributes* TokenAttribute() const override;
    int TokenKind() const override { return kind_; }
    int TokenStart() const override { return tokenStart_; }
    int TokenLength() const override { return pos_ - tokenStart_; }
    void StartLine(const QString& text, int lineNumber) override;
    // Between tokens a language carries its state and whether only blanks came before on the
    // line; ResumeState packs both, so a long line can be continued at any token boundary.
    bool CanResumeLine() const override { return true; }
    TState ResumeState() const override;
    void ResumeLine(const QString& text, int lineNumber, int offset) override;
    // ResumeLine with the line ending at `end` for the scanner: the language's part of a page
    // that holds several.
    void ResumeLineUntil(const QString& text, int offset, int end);
    void ReleaseLine() override;
    void RestoreState(TState state) override;
    void ResetState() override;
    bool IsReservedWord(const QString& word) const override;
    TGlyphHighlighterAttributes* StandardAttribute(int index) const override;
    TGlyphCharSet WordChars() const override;

    // The keyword table of the language.
    const TGlyphKeywordTable& Keywords() const { return keywords_; }

protected:
    // The kind of the line end and the kind of blanks (a NUL inside the line is a blank too);
    // `stateCount` cross-line states numbered from 0; the keyword comparison.
    TGlyphLanguageHighlighter(int lineEndKind, int spaceKind, int stateCount,
                              unsigned keywordMatch);

    // Begins the next token at the position; every Advance starts with it.
    void BeginToken() {
        if (pos_ > 0 && kind_ != spaceKind_) {
            blanksOnly_ = false;
        }
        tokenStart_ = pos_;
    }
    // Whether only blanks precede the current token on its line (a # that opens a directive).
    bool OnlyBlanksBefore() const { return blanksOnly_; }

    // The attribute a token kind is drawn with (null: the editor's own colours).
    void SetKindAttribute(int kind, TGlyphHighlighterAttributes* attribute);
    // The attributes StandardAttribute answers: comment, identifier, keyword, string, whitespace
    // and symbol, any of them null.
    void SetStandardAttributes(const std::array<TGlyphHighlighterAttributes*, 6>& attributes) {
        standard_ = attributes;
    }
    // What the main window's form gives every language: comments green, strings blue and,
    // with `systemSpace`, blanks in the window colour.
    void ApplyFormColours(bool systemSpace);
    // The kind IsReservedWord answers true for.
    void SetReservedKind(int kind) { reservedKind_ = kind; }
    template <std::size_t N> void AddKeywords(const char* const (&words)[N], int kind) {
        for (const char* word : words) {
            keywords_.Add(QString::fromLatin1(word), kind);
        }
    }

    // Handlers every language puts into its dispatch table.
    void LineEndProc(); // the end of the line: the line-end kind
    void SpaceProc();   // a run of blanks, or a NUL inside the line as one blank
    void CRProc();      // CR, or CR LF, as one blank token
    void LFProc();      // LF as one blank token

    // Puts the shared handlers into `table`: blanks, CR, LF, NUL and the line end.
    template <class T> static void SetCommonHandlers(TGlyphHandlerTable<T>& table) {
        table.SetLineEnd(&T::LineEndProc);
        table.Set(0, &T::SpaceProc);
        table.SetRange(1, 32, &T::SpaceProc);
        table.Set(10, &T::LFProc);
        table.Set(13, &T::CRProc);
    }

    // True when the position is at the end of the line or at a line-break character, where a
    // construct that spans lines hands over to the common handlers.
    bool AtLineBreak(int pos) const {
        return line_.AtEnd(pos) || GlyphLanguage::IsLineBreakChar(line_[pos]);
    }
    // The end of the run of word characters (letters, digits, underscore and `extra`, when not
    // 0) from `pos`.
    int WordEnd(int pos, char16_t extra = 0) const {
        while (!line_.AtEnd(pos) &&
               (GlyphLanguage::IsWordPartChar(line_[pos]) || (extra && line_[pos] == extra))) {
            ++pos;
        }
        return pos;
    }
    // Looks the word from the position to `end` up and makes it the token: its keyword kind or
    // `identifierKind`.
    void WordToken(int end, int identifierKind) {
        kind_ = keywords_.Find(line_.View(pos_, end - pos_), identifierKind);
        pos_ = end;
    }
    // Scans one token to the end of the line (or to a line-break character) with `kind`.
    void RestOfLine(int kind);
    // Moves the position past the first `closer` before the line break and answers true; without
    // one, moves it to the line break and answers false.
    bool SkipPast(QStringView closer);
    // A quoted string from the opening quote at the position to the matching quote on the same
    // line, which it includes; with `escapes`, a backslash takes the character after it along.
    // Answers false when the line ends first.
    bool QuotedString(bool escapes);
    // The operators of the C family that JavaScript knows, as one token of `kind`: & && &=
    // | || |= + ++ += - -- -= -> % %= * *= / /= ^ ^= . ... and any other character alone.
    void OperatorToken(int kind);
    // The token is the single character at the position, of `kind`.
    void OneChar(int kind) {
        kind_ = kind;
        ++pos_;
    }

    TGlyphScanLine line_;
    int pos_ = 0;
    int tokenStart_ = 0;
    int kind_ = 0;
    TState state_ = 0;
    TGlyphKeywordTable keywords_;

private:
    // The bit of ResumeState that says a token other than blanks came before on the line; far
    // above every language's state numbers.
    static constexpr TState AfterNonBlank = TState(1) << 24;
    // Whether only blanks precede the next token, once the token just read is counted.
    bool BlanksOnlyBeforeNext() const { return blanksOnly_ && !(pos_ > 0 && kind_ != spaceKind_); }

    int lineEndKind_;
    int spaceKind_;
    int stateCount_;
    bool blanksOnly_ = true;
    int reservedKind_ = -1;
    std::vector<TGlyphHighlighterAttributes*> kindAttributes_;
    std::array<TGlyphHighlighterAttributes*, 6> standard_ = {};
};
