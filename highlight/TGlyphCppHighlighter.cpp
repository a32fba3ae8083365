#include "highlight/TGlyphCppHighlighter.h"

using namespace GlyphLanguage;

namespace {

const char* const kCppReservedWords[] = {
    "__asm",       "__automated",  "__cdecl",    "__classid",   "__closure",
    "__declspec",  "__dispid",     "__except",   "__export",    "__fastcall",
    "__finally",   "__import",     "__int16",    "__int32",     "__int64",
    "__int8",      "__pascal",     "__property", "__published", "__rtti",
    "__stdcall",   "__thread",     "__try",      "_asm",        "_cdecl",
    "_export",     "_fastcall",    "_import",    "_pascal",     "_stdcall",
    "asm",         "auto",         "bool",       "break",       "case",
    "catch",       "cdecl",        "char",       "class",       "const",
    "const_cast",  "continue",     "default",    "delete",      "do",
    "double",      "dynamic_cast", "else",       "enum",        "explicit",
    "extern",      "false",        "float",      "for",         "friend",
    "goto",        "if",           "inline",     "int",         "long",
    "mutable",     "namespace",    "new",        "operator",    "pascal",
    "private",     "protected",    "public",     "register",    "reinterpret_cast",
    "return",      "short",        "signed",     "sizeof",      "static",
    "static_cast", "struct",       "switch",     "template",    "this",
    "throw",       "true",         "try",        "typedef",     "typeid",
    "typename",    "union",        "unsigned",   "using",       "virtual",
    "void",        "volatile",     "wchar_t",    "while"};

bool IsOctalDigit(char16_t c) {
    return c >= u'0' && c <= u'7';
}

} // namespace

TGlyphCppHighlighter::TGlyphCppHighlighter()
    : TGlyphLanguageHighlighter(cpLineEnd, cpSpace, 4, TGlyphKeywordTable::CaseSensitive),
      table_(&TGlyphCppHighlighter::SymbolProc) {
    asm_ = AddAttribute(QStringLiteral("Assembler"));
    char_ = AddAttribute(QStringLiteral("Character"));
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    float_ = AddAttribute(QStringLiteral("Float"));
    hex_ = AddAttribute(QStringLiteral("Hexadecimal"));
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    invalid_ = AddAttribute(QStringLiteral("Illegal char"));
    number_ = AddAttribute(QStringLiteral("Number"));
    octal_ = AddAttribute(QStringLiteral("Octal"));
    directive_ = AddAttribute(QStringLiteral("Preprocessor"));
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(cpAssembler, asm_);
    SetKindAttribute(cpCharacter, char_);
    SetKindAttribute(cpComment, comment_);
    SetKindAttribute(cpFloat, float_);
    SetKindAttribute(cpHexadecimal, hex_);
    SetKindAttribute(cpIdentifier, identifier_);
    SetKindAttribute(cpIllegalChar, invalid_);
    SetKindAttribute(cpNumber, number_);
    SetKindAttribute(cpOctal, octal_);
    SetKindAttribute(cpPreprocessor, directive_);
    SetKindAttribute(cpReservedWord, key_);
    SetKindAttribute(cpSpace, space_);
    SetKindAttribute(cpString, string_);
    SetKindAttribute(cpSymbol, symbol_);

    AddKeywords(kCppReservedWords, cpReservedWord);
    SetReservedKind(cpReservedWord);

    using H = TGlyphCppHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u'.', &H::PointProc);
    table_.Set(u'"', &H::StringProc);
    table_.Set(u'\'', &H::CharProc);
    table_.Set(u'/', &H::SlashProc);
    table_.Set(u'#', &H::HashProc);
    table_.Set(u"&|+-%*^", &H::OperatorProc);
    table_.Set(u"$\\`", &H::IllegalProc);
    table_.SetRange(127, 255, &H::IllegalProc);
    table_.SetAbove(&H::AboveProc);
}

QString TGlyphCppHighlighter::LanguageTitle() const {
    return QStringLiteral("C++");
}

void TGlyphCppHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(true);
}

void TGlyphCppHighlighter::Advance() {
    BeginToken();
    if (state_ == cprNormal || AtLineBreak(pos_)) {
        table_.Dispatch(*this, line_, pos_);
        return;
    }
    switch (state_) {
    case cprComment:
        CommentRule();
        break;
    case cprString:
        StringRule();
        break;
    case cprPreprocessor:
        if (CommentStartsAt(pos_)) {
            // The continued directive ends where a comment begins.
            state_ = cprNormal;
            table_.Dispatch(*this, line_, pos_);
        } else {
            DirectiveRule();
        }
        break;
    default:
        // A state this highlighter never stores: start the line afresh.
        state_ = cprNormal;
        table_.Dispatch(*this, line_, pos_);
        break;
    }
}

void TGlyphCppHighlighter::CommentRule() {
    kind_ = cpComment;
    if (SkipPast(u"*/")) {
        state_ = cprNormal;
    }
}

// The rest of a string from the position: to the closing quote, or to the line end, where a
// last backslash carries it into the next line.
void TGlyphCppHighlighter::StringRule() {
    kind_ = cpString;
    state_ = cprNormal;
    while (!AtLineBreak(pos_)) {
        const char16_t c = line_[pos_];
        ++pos_;
        if (c == u'"') {
            return;
        }
        if (c == u'\\') {
            if (AtLineBreak(pos_)) {
                state_ = cprString;
                return;
            }
            ++pos_;
        }
    }
}

// A directive runs to the line end, stopping before a comment; a backslash as the last
// character carries it into the next line.
void TGlyphCppHighlighter::DirectiveRule() {
    kind_ = cpPreprocessor;
    state_ = cprNormal;
    while (!AtLineBreak(pos_)) {
        if (CommentStartsAt(pos_)) {
            return;
        }
        ++pos_;
    }
    if (line_[pos_ - 1] == u'\\') {
        state_ = cprPreprocessor;
    }
}

bool TGlyphCppHighlighter::CommentStartsAt(int pos) const {
    return line_[pos] == u'/' && (line_[pos + 1] == u'/' || line_[pos + 1] == u'*');
}

void TGlyphCppHighlighter::IdentProc() {
    WordToken(WordEnd(pos_), cpIdentifier);
}

// Numbers by form: 0x1F hexadecimal, 017 octal, 1.5 and 1e5 float, 12 decimal, each with its
// suffixes (u, l, f). A malformed number (0x alone, 08, 1e) or one that runs straight into a
// name (12ab) is an illegal character run.
void TGlyphCppHighlighter::NumberProc() {
    const int start = pos_;
    bool malformed = false;
    if (line_[pos_] == u'0' && (line_[pos_ + 1] == u'x' || line_[pos_ + 1] == u'X')) {
        pos_ += 2;
        const int digits = pos_;
        while (IsHexDigit(line_[pos_])) {
            ++pos_;
        }
        malformed = pos_ == digits;
        kind_ = cpHexadecimal;
        while (QStringView(u"uUlL").contains(QChar(line_[pos_]))) {
            ++pos_;
        }
    } else {
        bool isFloat = false;
        while (IsAsciiDigit(line_[pos_])) {
            ++pos_;
        }
        if (line_[pos_] == u'.' && line_[pos_ + 1] != u'.') {
            isFloat = true;
            ++pos_;
            while (IsAsciiDigit(line_[pos_])) {
                ++pos_;
            }
        }
        if (line_[pos_] == u'e' || line_[pos_] == u'E') {
            int q = pos_ + 1;
            if (line_[q] == u'+' || line_[q] == u'-') {
                ++q;
            }
            if (IsAsciiDigit(line_[q])) {
                isFloat = true;
                pos_ = q;
                while (IsAsciiDigit(line_[pos_])) {
                    ++pos_;
                }
            } else {
                malformed = true;
            }
        }
        if (isFloat) {
            kind_ = cpFloat;
            if (QStringView(u"fFlL").contains(QChar(line_[pos_]))) {
                ++pos_;
            }
        } else {
            if (line_[start] == u'0' && pos_ - start > 1) {
                kind_ = cpOctal;
                for (int i = start + 1; i < pos_; ++i) {
                    malformed = malformed || !IsOctalDigit(line_[i]);
                }
            } else {
                kind_ = cpNumber;
            }
            while (QStringView(u"uUlL").contains(QChar(line_[pos_]))) {
                ++pos_;
            }
        }
    }
    if (!line_.AtEnd(pos_) && IsWordPartChar(line_[pos_])) {
        malformed = true;
        pos_ = WordEnd(pos_);
    }
    if (malformed) {
        kind_ = cpIllegalChar;
    }
}

// .5 is a number; . and ... are symbols.
void TGlyphCppHighlighter::PointProc() {
    if (IsAsciiDigit(line_[pos_ + 1])) {
        NumberProc();
    } else {
        OperatorToken(cpSymbol);
    }
}

void TGlyphCppHighlighter::StringProc() {
    ++pos_;
    StringRule();
}

void TGlyphCppHighlighter::CharProc() {
    kind_ = cpCharacter;
    QuotedString(true);
}

void TGlyphCppHighlighter::SlashProc() {
    const char16_t next = line_[pos_ + 1];
    if (next == u'*') {
        kind_ = cpComment;
        state_ = cprComment;
        pos_ += 2;
        CommentRule();
    } else if (next == u'/') {
        RestOfLine(cpComment);
    } else {
        OperatorToken(cpSymbol);
    }
}

// # begins a directive only as the first character of the line that is not blank.
void TGlyphCppHighlighter::HashProc() {
    if (OnlyBlanksBefore()) {
        ++pos_;
        DirectiveRule();
    } else {
        IllegalProc();
    }
}

void TGlyphCppHighlighter::OperatorProc() {
    OperatorToken(cpSymbol);
}

void TGlyphCppHighlighter::SymbolProc() {
    OneChar(cpSymbol);
}

void TGlyphCppHighlighter::IllegalProc() {
    OneChar(cpIllegalChar);
}

void TGlyphCppHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        IllegalProc();
    }
}
