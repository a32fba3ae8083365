#include "highlight/TGlyphJavaHighlighter.h"

using namespace GlyphLanguage;

namespace {

const char* const kJavaReservedWords[] = {
    "abstract",     "assert",   "boolean",    "break",    "byte",       "case",    "catch",
    "char",         "class",    "const",      "continue", "default",    "do",      "double",
    "else",         "extends",  "false",      "final",    "finally",    "float",   "for",
    "goto",         "if",       "implements", "import",   "instanceof", "int",     "interface",
    "long",         "native",   "new",        "null",     "package",    "private", "protected",
    "public",       "return",   "short",      "static",   "strictfp",   "super",   "switch",
    "synchronized", "this",     "throw",      "throws",   "transient",  "true",    "try",
    "void",         "volatile", "while"};

bool IsJavaNumberChar(char16_t c) {
    return IsHexDigit(c) || c == u'-' || c == u'.' || c == u'L' || c == u'l' || c == u'X' ||
           c == u'x';
}

} // namespace

TGlyphJavaHighlighter::TGlyphJavaHighlighter()
    : TGlyphLanguageHighlighter(jvLineEnd, jvSpace, 3, TGlyphKeywordTable::CaseSensitive),
      table_(&TGlyphJavaHighlighter::InvalidProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    documentation_ = AddAttribute(QStringLiteral("Documentation"));
    documentation_->SetStyle(fsItalic);
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    invalid_ = AddAttribute(QStringLiteral("Invalid symbol"));
    number_ = AddAttribute(QStringLiteral("Number"));
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("Java files (*.java)|*.java"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(jvComment, comment_);
    SetKindAttribute(jvDocumentation, documentation_);
    SetKindAttribute(jvIdentifier, identifier_);
    SetKindAttribute(jvInvalidSymbol, invalid_);
    SetKindAttribute(jvNumber, number_);
    SetKindAttribute(jvReservedWord, key_);
    SetKindAttribute(jvSpace, space_);
    SetKindAttribute(jvString, string_);
    SetKindAttribute(jvSymbol, symbol_);

    AddKeywords(kJavaReservedWords, jvReservedWord);
    SetReservedKind(jvReservedWord);

    using H = TGlyphJavaHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u"\"'", &H::StringProc);
    table_.Set(u'/', &H::SlashProc);
    table_.Set(u'.', &H::PointProc);
    table_.Set(u"&|+-%*^", &H::OperatorProc);
    table_.Set(u"()[]{},;:?!~<=>", &H::SymbolProc);
    table_.SetAbove(&H::AboveProc);
}

TGlyphCharSet TGlyphJavaHighlighter::WordChars() const {
    return LanguageWordChars(u"$");
}

QString TGlyphJavaHighlighter::LanguageTitle() const {
    return QStringLiteral("Java");
}

void TGlyphJavaHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(true);
}

void TGlyphJavaHighlighter::Advance() {
    BeginToken();
    if (state_ != jvrNormal && !AtLineBreak(pos_)) {
        CommentRule();
    } else {
        table_.Dispatch(*this, line_, pos_);
    }
}

void TGlyphJavaHighlighter::CommentRule() {
    kind_ = state_ == jvrDocumentation ? jvDocumentation : jvComment;
    if (SkipPast(u"*/")) {
        state_ = jvrNormal;
    }
}

// Java names may hold a $ after their first character.
void TGlyphJavaHighlighter::IdentProc() {
    WordToken(WordEnd(pos_, u'$'), jvIdentifier);
}

// A number runs over digits, hexadecimal letters, L, X, dots and minus signs (so 1-2 is one
// number) and ends before two dots.
void TGlyphJavaHighlighter::NumberProc() {
    kind_ = jvNumber;
    ++pos_;
    while (!line_.AtEnd(pos_) && IsJavaNumberChar(line_[pos_])) {
        if (line_[pos_] == u'.' && line_[pos_ + 1] == u'.') {
            break;
        }
        ++pos_;
    }
}

void TGlyphJavaHighlighter::StringProc() {
    kind_ = jvString;
    QuotedString(true);
}

// /* opens a comment, /** a documentation comment (but /**/ is an empty comment), // comments
// out the rest of the line.
void TGlyphJavaHighlighter::SlashProc() {
    const char16_t next = line_[pos_ + 1];
    if (next == u'*') {
        const bool documentation = line_[pos_ + 2] == u'*' && line_[pos_ + 3] != u'/';
        state_ = documentation ? jvrDocumentation : jvrComment;
        pos_ += documentation ? 3 : 2;
        CommentRule();
    } else if (next == u'/') {
        RestOfLine(jvComment);
    } else {
        OperatorToken(jvSymbol);
    }
}

void TGlyphJavaHighlighter::PointProc() {
    if (IsAsciiDigit(line_[pos_ + 1])) {
        NumberProc();
    } else {
        OperatorToken(jvSymbol);
    }
}

void TGlyphJavaHighlighter::OperatorProc() {
    OperatorToken(jvSymbol);
}

void TGlyphJavaHighlighter::SymbolProc() {
    OneChar(jvSymbol);
}

void TGlyphJavaHighlighter::InvalidProc() {
    OneChar(jvInvalidSymbol);
}

void TGlyphJavaHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        InvalidProc();
    }
}
