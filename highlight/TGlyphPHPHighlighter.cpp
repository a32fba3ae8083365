#include "highlight/TGlyphPHPHighlighter.h"

using namespace GlyphLanguage;

namespace {

const char* const kPHPReservedWords[] = {"__FILE__",
                                         "__LINE__",
                                         "and",
                                         "array",
                                         "break",
                                         "case",
                                         "cfunction",
                                         "class",
                                         "const",
                                         "continue",
                                         "default",
                                         "die",
                                         "do",
                                         "double",
                                         "echo",
                                         "else",
                                         "elseif",
                                         "empty",
                                         "endfor",
                                         "endif",
                                         "endswitch",
                                         "endwhile",
                                         "eval",
                                         "exit",
                                         "extends",
                                         "false",
                                         "float",
                                         "for",
                                         "function",
                                         "global",
                                         "highlight_file",
                                         "highlight_string",
                                         "if",
                                         "include",
                                         "int",
                                         "integer",
                                         "isset",
                                         "list",
                                         "new",
                                         "object",
                                         "old_function",
                                         "or",
                                         "print",
                                         "real",
                                         "require",
                                         "return",
                                         "show_source",
                                         "static",
                                         "string",
                                         "switch",
                                         "true",
                                         "unset",
                                         "var",
                                         "while",
                                         "xor"};

bool IsPHPNumberChar(char16_t c) {
    return IsHexDigit(c) || c == u'-' || c == u'L' || c == u'l' || c == u'X' || c == u'x';
}

} // namespace

TGlyphPHPHighlighter::TGlyphPHPHighlighter()
    : TGlyphLanguageHighlighter(ptLineEnd, ptSpace, 4, TGlyphKeywordTable::IgnoreCase),
      table_(&TGlyphPHPHighlighter::SymbolProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    invalid_ = AddAttribute(QStringLiteral("Invalid symbol"));
    number_ = AddAttribute(QStringLiteral("Number"));
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    variable_ = AddAttribute(QStringLiteral("Variable"));
    ConnectAttributes();
    SetDefaultFilter(
        QStringLiteral("PHP files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(ptComment, comment_);
    SetKindAttribute(ptIdentifier, identifier_);
    SetKindAttribute(ptInvalidSymbol, invalid_);
    SetKindAttribute(ptNumber, number_);
    SetKindAttribute(ptReservedWord, key_);
    SetKindAttribute(ptSpace, space_);
    SetKindAttribute(ptString, string_);
    SetKindAttribute(ptSymbol, symbol_);
    SetKindAttribute(ptUnknown, identifier_);
    SetKindAttribute(ptVariable, variable_);

    AddKeywords(kPHPReservedWords, ptReservedWord);
    SetReservedKind(ptReservedWord);

    using H = TGlyphPHPHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u"\"'", &H::StringProc);
    table_.Set(u'/', &H::SlashProc);
    table_.Set(u'#', &H::HashProc);
    table_.Set(u'$', &H::VariableProc);
    table_.Set(u"&|+-%*^", &H::OperatorProc);
    table_.Set(u'@', &H::InvalidProc);
    table_.Set(u"\\`", &H::UnknownProc);
    table_.SetRange(127, 255, &H::UnknownProc);
    table_.SetAbove(&H::AboveProc);
}

QString TGlyphPHPHighlighter::LanguageTitle() const {
    return QStringLiteral("PHP");
}

void TGlyphPHPHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(false);
}

// In a page every reading goes to the page's scanner.
bool TGlyphPHPHighlighter::AtLineEnd() const {
    return page_ ? page_->AtLineEnd() : TGlyphLanguageHighlighter::AtLineEnd();
}
TGlyphCustomHighlighter::TState TGlyphPHPHighlighter::State() const {
    return page_ ? page_->State() : TGlyphLanguageHighlighter::State();
}
QString TGlyphPHPHighlighter::TokenText() const {
    return page_ ? page_->TokenText() : TGlyphLanguageHighlighter::TokenText();
}
TGlyphHighlighterAttributes* TGlyphPHPHighlighter::TokenAttribute() const {
    return page_ ? page_->TokenAttribute() : TGlyphLanguageHighlighter::TokenAttribute();
}
int TGlyphPHPHighlighter::TokenKind() const {
    return page_ ? page_->TokenKind() : TGlyphLanguageHighlighter::TokenKind();
}
int TGlyphPHPHighlighter::TokenStart() const {
    return page_ ? page_->TokenStart() : TGlyphLanguageHighlighter::TokenStart();
}
int TGlyphPHPHighlighter::TokenLength() const {
    return page_ ? page_->TokenLength() : TGlyphLanguageHighlighter::TokenLength();
}
void TGlyphPHPHighlighter::StartLine(const QString& text, int lineNumber) {
    if (page_)
        page_->StartLine(text, lineNumber);
    else
        TGlyphLanguageHighlighter::StartLine(text, lineNumber);
}
bool TGlyphPHPHighlighter::CanResumeLine() const {
    return page_ ? page_->CanResumeLine() : TGlyphLanguageHighlighter::CanResumeLine();
}
TGlyphCustomHighlighter::TState TGlyphPHPHighlighter::ResumeState() const {
    return page_ ? page_->ResumeState() : TGlyphLanguageHighlighter::ResumeState();
}
void TGlyphPHPHighlighter::ResumeLine(const QString& text, int lineNumber, int offset) {
    if (page_)
        page_->ResumeLine(text, lineNumber, offset);
    else
        TGlyphLanguageHighlighter::ResumeLine(text, lineNumber, offset);
}
void TGlyphPHPHighlighter::ReleaseLine() {
    if (page_)
        page_->ReleaseLine();
    TGlyphLanguageHighlighter::ReleaseLine();
}
void TGlyphPHPHighlighter::RestoreState(TState state) {
    if (page_)
        page_->RestoreState(state);
    else
        TGlyphLanguageHighlighter::RestoreState(state);
}
void TGlyphPHPHighlighter::ResetState() {
    if (page_)
        page_->ResetState();
    else
        TGlyphLanguageHighlighter::ResetState();
}
const TGlyphCustomHighlighter* TGlyphPHPHighlighter::TokenLanguage() const {
    return page_ ? page_->TokenLanguage() : this;
}

void TGlyphPHPHighlighter::Advance() {
    if (page_) {
        page_->Advance();
        return;
    }
    BeginToken();
    if (state_ == prNormal || AtLineBreak(pos_)) {
        table_.Dispatch(*this, line_, pos_);
    } else if (state_ == prComment) {
        CommentRule();
    } else {
        StringRule(state_ == prSingleQuoted ? u'\'' : u'"');
    }
}

void TGlyphPHPHighlighter::CommentRule() {
    kind_ = ptComment;
    if (SkipPast(u"*/")) {
        state_ = prNormal;
    }
}

// The rest of a string from the position: up to its closing quote, which a backslash escapes
// (as it escapes another backslash), or over the line end into the next line.
void TGlyphPHPHighlighter::StringRule(char16_t quote) {
    kind_ = ptString;
    while (!AtLineBreak(pos_)) {
        const char16_t c = line_[pos_];
        ++pos_;
        if (c == quote) {
            state_ = prNormal;
            return;
        }
        if (c == u'\\' && (line_[pos_] == quote || line_[pos_] == u'\\')) {
            ++pos_;
        }
    }
}

void TGlyphPHPHighlighter::IdentProc() {
    WordToken(WordEnd(pos_), ptIdentifier);
}

// Numbers as in Java, but a dot is always a symbol of its own.
void TGlyphPHPHighlighter::NumberProc() {
    kind_ = ptNumber;
    ++pos_;
    while (!line_.AtEnd(pos_) && IsPHPNumberChar(line_[pos_])) {
        ++pos_;
    }
}

void TGlyphPHPHighlighter::StringProc() {
    const char16_t quote = line_[pos_];
    state_ = quote == u'\'' ? prSingleQuoted : prDoubleQuoted;
    ++pos_;
    StringRule(quote);
}

void TGlyphPHPHighlighter::SlashProc() {
    const char16_t next = line_[pos_ + 1];
    if (next == u'*') {
        kind_ = ptComment;
        state_ = prComment;
        pos_ += 2;
        CommentRule();
    } else if (next == u'/') {
        RestOfLine(ptComment);
    } else {
        OperatorToken(ptSymbol);
    }
}

void TGlyphPHPHighlighter::HashProc() {
    RestOfLine(ptComment);
}

// $ and the letters, digits and underscores after it are a variable; a lone $ is a symbol.
void TGlyphPHPHighlighter::VariableProc() {
    const int end = WordEnd(pos_ + 1);
    if (end == pos_ + 1) {
        OneChar(ptSymbol);
        return;
    }
    kind_ = ptVariable;
    pos_ = end;
}

void TGlyphPHPHighlighter::OperatorProc() {
    OperatorToken(ptSymbol);
}

void TGlyphPHPHighlighter::SymbolProc() {
    OneChar(ptSymbol);
}

void TGlyphPHPHighlighter::InvalidProc() {
    OneChar(ptInvalidSymbol);
}

void TGlyphPHPHighlighter::UnknownProc() {
    OneChar(ptUnknown);
}

void TGlyphPHPHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        UnknownProc();
    }
}
