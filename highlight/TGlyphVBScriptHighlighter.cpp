#include "highlight/TGlyphVBScriptHighlighter.h"

using namespace GlyphLanguage;

namespace {

const char* const kVBScriptReservedWords[] = {
    "And",        "As",      "Boolean",  "ByRef",    "Byte",       "ByVal",     "Call",
    "Case",       "Class",   "Const",    "Currency", "Debug",      "Dim",       "Do",
    "Double",     "Each",    "Else",     "ElseIf",   "Empty",      "End",       "EndIf",
    "Enum",       "Eqv",     "Erase",    "Error",    "Event",      "Exit",      "Explicit",
    "False",      "For",     "Function", "Get",      "GoTo",       "If",        "Imp",
    "Implements", "In",      "Integer",  "Is",       "Let",        "Like",      "Long",
    "Loop",       "LSet",    "Me",       "Mod",      "New",        "Next",      "Not",
    "Nothing",    "Null",    "On",       "Option",   "Optional",   "Or",        "ParamArray",
    "Preserve",   "Private", "property", "Public",   "RaiseEvent", "Randomize", "ReDim",
    "Rem",        "Resume",  "RSet",     "Select",   "Set",        "Shared",    "Single",
    "Static",     "Stop",    "Sub",      "Then",     "To",         "True",      "Type",
    "TypeOf",     "Until",   "Variant",  "Wend",     "While",      "With",      "Xor"};

} // namespace

TGlyphVBScriptHighlighter::TGlyphVBScriptHighlighter()
    : TGlyphLanguageHighlighter(vtLineEnd, vtSpace, 1, TGlyphKeywordTable::IgnoreCase),
      table_(&TGlyphVBScriptHighlighter::UnknownProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    number_ = AddAttribute(QStringLiteral("Number"));
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("VBScript files (*.vbs)|*.vbs"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(vtComment, comment_);
    SetKindAttribute(vtIdentifier, identifier_);
    SetKindAttribute(vtNumber, number_);
    SetKindAttribute(vtReservedWord, key_);
    SetKindAttribute(vtSpace, space_);
    SetKindAttribute(vtString, string_);
    SetKindAttribute(vtSymbol, symbol_);
    SetKindAttribute(vtUnknown, identifier_);

    AddKeywords(kVBScriptReservedWords, vtReservedWord);
    SetReservedKind(vtReservedWord);

    using H = TGlyphVBScriptHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u"\"#", &H::StringProc);
    table_.Set(u'\'', &H::CommentProc);
    table_.Set(u'<', &H::LowerProc);
    table_.Set(u'>', &H::GreaterProc);
    table_.Set(u"&()*+,-./:;=^{}", &H::SymbolProc);
    table_.SetAbove(&H::AboveProc);
}

QString TGlyphVBScriptHighlighter::LanguageTitle() const {
    return QStringLiteral("MS VBScript");
}

void TGlyphVBScriptHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(false);
}

void TGlyphVBScriptHighlighter::Advance() {
    BeginToken();
    table_.Dispatch(*this, line_, pos_);
}

void TGlyphVBScriptHighlighter::IdentProc() {
    WordToken(WordEnd(pos_), vtIdentifier);
}

void TGlyphVBScriptHighlighter::NumberProc() {
    kind_ = vtNumber;
    ++pos_;
    while (IsAsciiDigit(line_[pos_]) || line_[pos_] == u'.' || line_[pos_] == u'e' ||
           line_[pos_] == u'E') {
        ++pos_;
    }
}

// "strings" and #dates#, both coloured as strings. A doubled quote inside a string ends it and
// opens the next one, which draws the same.
void TGlyphVBScriptHighlighter::StringProc() {
    kind_ = vtString;
    QuotedString(false);
}

void TGlyphVBScriptHighlighter::CommentProc() {
    RestOfLine(vtComment);
}

// < <= <>
void TGlyphVBScriptHighlighter::LowerProc() {
    kind_ = vtSymbol;
    ++pos_;
    if (line_[pos_] == u'=' || line_[pos_] == u'>') {
        ++pos_;
    }
}

// > >=
void TGlyphVBScriptHighlighter::GreaterProc() {
    kind_ = vtSymbol;
    ++pos_;
    if (line_[pos_] == u'=') {
        ++pos_;
    }
}

void TGlyphVBScriptHighlighter::SymbolProc() {
    OneChar(vtSymbol);
}

void TGlyphVBScriptHighlighter::UnknownProc() {
    OneChar(vtUnknown);
}

void TGlyphVBScriptHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        UnknownProc();
    }
}
