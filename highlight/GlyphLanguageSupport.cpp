#include "highlight/GlyphLanguageSupport.h"

#include <algorithm>

using namespace GlyphLanguage;

TGlyphCharSet LanguageWordChars(QStringView extra) {
    return TGlyphCharSet(extra, TGlyphCharSet::LettersAbove)
        .Add(u'_')
        .AddRange(u'0', u'9')
        .AddRange(u'A', u'Z')
        .AddRange(u'a', u'z')
        .AddRange(192, 255)
        .Remove(215)
        .Remove(247);
}

int LetterWeightHash(QStringView word) {
    int hash = 0;
    for (QChar ch : word) {
        const char16_t c = ch.unicode();
        if (c >= u'a' && c <= u'z') {
            hash += c - u'a' + 1;
        } else if (c >= u'A' && c <= u'Z') {
            hash += c - u'A' + 1;
        } else if (c == u'_') {
            hash += 31;
        }
    }
    return hash;
}

TGlyphLanguageHighlighter::TGlyphLanguageHighlighter(int lineEndKind, int spaceKind, int stateCount,
                                                     unsigned keywordMatch)
    : kind_(lineEndKind), keywords_(keywordMatch), lineEndKind_(lineEndKind), spaceKind_(spaceKind),
      stateCount_(stateCount) {}

QString TGlyphLanguageHighlighter::TokenText() const {
    return line_.Text().mid(tokenStart_, pos_ - tokenStart_);
}

TGlyphHighlighterAttributes* TGlyphLanguageHighlighter::TokenAttribute() const {
    if (kind_ < 0 || std::size_t(kind_) >= kindAttributes_.size()) {
        return nullptr;
    }
    return kindAttributes_[std::size_t(kind_)];
}

void TGlyphLanguageHighlighter::ReleaseLine() {
    line_.Set(QString());
}

void TGlyphLanguageHighlighter::StartLine(const QString& text, int) {
    line_.Set(text);
    pos_ = 0;
    blanksOnly_ = true;
    Advance();
}

TGlyphCustomHighlighter::TState TGlyphLanguageHighlighter::ResumeState() const {
    return BlanksOnlyBeforeNext() ? state_ : state_ | AfterNonBlank;
}

void TGlyphLanguageHighlighter::ResumeLine(const QString& text, int, int offset) {
    ResumeLineUntil(text, offset, int(text.size()));
}

void TGlyphLanguageHighlighter::ResumeLineUntil(const QString& text, int offset, int end) {
    line_.Set(text);
    line_.SetEnd(end);
    pos_ = std::clamp(offset, 0, line_.Length());
    // The tokens before are already counted in the restored blanks flag.
    kind_ = spaceKind_;
    Advance();
}

// A value the language never stores (the -1 of a line not scanned yet, or a stale number) is
// taken as the normal state rather than as a construct that never ends. A ResumeState value
// also brings back the blanks flag for ResumeLine.
void TGlyphLanguageHighlighter::RestoreState(TState state) {
    const bool afterNonBlank = state >= 0 && (state & AfterNonBlank) != 0;
    if (afterNonBlank)
        state &= ~AfterNonBlank;
    state_ = state >= 0 && state < stateCount_ ? state : 0;
    blanksOnly_ = !afterNonBlank;
}

void TGlyphLanguageHighlighter::ResetState() {
    state_ = 0;
}

bool TGlyphLanguageHighlighter::IsReservedWord(const QString& word) const {
    return reservedKind_ >= 0 && keywords_.Find(word, -1) == reservedKind_;
}

TGlyphHighlighterAttributes* TGlyphLanguageHighlighter::StandardAttribute(int index) const {
    if (index < 0 || std::size_t(index) >= standard_.size()) {
        return nullptr;
    }
    return standard_[std::size_t(index)];
}

TGlyphCharSet TGlyphLanguageHighlighter::WordChars() const {
    return LanguageWordChars();
}

void TGlyphLanguageHighlighter::ApplyFormColours(bool systemSpace) {
    if (TGlyphHighlighterAttributes* comment = standard_[SYN_ATTR_COMMENT]) {
        comment->SetForeground(0x008000);
    }
    if (TGlyphHighlighterAttributes* string = standard_[SYN_ATTR_STRING]) {
        string->SetForeground(0xFF0000);
    }
    if (TGlyphHighlighterAttributes* space = standard_[SYN_ATTR_WHITESPACE]; space && systemSpace) {
        space->SetForeground(clWindow);
    }
}

void TGlyphLanguageHighlighter::SetKindAttribute(int kind, TGlyphHighlighterAttributes* attribute) {
    if (kind < 0) {
        return;
    }
    if (std::size_t(kind) >= kindAttributes_.size()) {
        kindAttributes_.resize(std::size_t(kind) + 1, nullptr);
    }
    kindAttributes_[std::size_t(kind)] = attribute;
}

void TGlyphLanguageHighlighter::LineEndProc() {
    kind_ = lineEndKind_;
}

void TGlyphLanguageHighlighter::SpaceProc() {
    kind_ = spaceKind_;
    ++pos_;
    while (!line_.AtEnd(pos_) && IsBlankRunChar(line_[pos_])) {
        ++pos_;
    }
}

void TGlyphLanguageHighlighter::CRProc() {
    kind_ = spaceKind_;
    ++pos_;
    if (line_[pos_] == 10) {
        ++pos_;
    }
}

void TGlyphLanguageHighlighter::LFProc() {
    kind_ = spaceKind_;
    ++pos_;
}

void TGlyphLanguageHighlighter::RestOfLine(int kind) {
    kind_ = kind;
    while (!AtLineBreak(pos_)) {
        ++pos_;
    }
}

bool TGlyphLanguageHighlighter::SkipPast(QStringView closer) {
    while (!AtLineBreak(pos_)) {
        if (line_.View(pos_, closer.size()) == closer) {
            pos_ += int(closer.size());
            return true;
        }
        ++pos_;
    }
    return false;
}

bool TGlyphLanguageHighlighter::QuotedString(bool escapes) {
    const char16_t quote = line_[pos_];
    ++pos_;
    while (!AtLineBreak(pos_)) {
        const char16_t c = line_[pos_];
        if (c == quote) {
            ++pos_;
            return true;
        }
        if (escapes && c == u'\\' && !AtLineBreak(pos_ + 1)) {
            ++pos_;
        }
        ++pos_;
    }
    return false;
}

void TGlyphLanguageHighlighter::OperatorToken(int kind) {
    kind_ = kind;
    const char16_t c = line_[pos_];
    const char16_t next = line_[pos_ + 1];
    ++pos_;
    switch (c) {
    case u'&':
    case u'|':
    case u'+':
        if (next == c || next == u'=') {
            ++pos_;
        }
        break;
    case u'-':
        if (next == u'-' || next == u'=' || next == u'>') {
            ++pos_;
        }
        break;
    case u'%':
    case u'*':
    case u'/':
    case u'^':
        if (next == u'=') {
            ++pos_;
        }
        break;
    case u'.':
        if (next == u'.' && line_[pos_ + 1] == u'.') {
            pos_ += 2;
        }
        break;
    default:
        break;
    }
}
