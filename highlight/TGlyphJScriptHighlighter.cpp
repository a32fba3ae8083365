#include "highlight/TGlyphJScriptHighlighter.h"

using namespace GlyphLanguage;

namespace {

const char* const kJScriptReservedWords[] = {
    "abstract",  "boolean",    "break",        "byte",        "callee",     "case",     "catch",
    "char",      "class",      "const",        "constructor", "continue",   "debugger", "default",
    "delete",    "do",         "double",       "else",        "enum",       "export",   "extends",
    "false",     "final",      "finally",      "float",       "for",        "function", "goto",
    "if",        "implements", "import",       "in",          "instanceof", "int",      "interface",
    "long",      "NaN",        "native",       "new",         "null",       "package",  "private",
    "protected", "prototype",  "public",       "return",      "short",      "start",    "static",
    "super",     "switch",     "synchronized", "this",        "throw",      "throws",   "transient",
    "true",      "try",        "typeof",       "var",         "void",       "while",    "with"};

const char* const kJScriptNonReservedWords[] = {"abs",
                                                "acos",
                                                "action",
                                                "alert",
                                                "align",
                                                "alinkColor",
                                                "All",
                                                "all",
                                                "Anchor",
                                                "anchor",
                                                "anchors",
                                                "appCodeName",
                                                "Applet",
                                                "applets",
                                                "appName",
                                                "appVersion",
                                                "Area",
                                                "Arguments",
                                                "arguments",
                                                "Array",
                                                "asin",
                                                "atan",
                                                "atan2",
                                                "back",
                                                "background",
                                                "bgColor",
                                                "big",
                                                "blink",
                                                "blur",
                                                "body",
                                                "bold",
                                                "Boolean",
                                                "border",
                                                "bottom",
                                                "Button",
                                                "call",
                                                "caller",
                                                "captureEvents",
                                                "ceil",
                                                "charAt",
                                                "charCodeAt",
                                                "Checkbox",
                                                "checked",
                                                "clear",
                                                "clearInterval",
                                                "clearTimeout",
                                                "click",
                                                "close",
                                                "closed",
                                                "color",
                                                "complete",
                                                "concat",
                                                "confirm",
                                                "cookie",
                                                "cos",
                                                "current",
                                                "Date",
                                                "defaultChecked",
                                                "defaultSelected",
                                                "defaultStatus",
                                                "defaultValue",
                                                "description",
                                                "display",
                                                "document",
                                                "domain",
                                                "E",
                                                "elements",
                                                "Embed",
                                                "embeds",
                                                "enabledPlugin",
                                                "encoding",
                                                "escape",
                                                "eval",
                                                "event",
                                                "exp",
                                                "fgColor",
                                                "filename",
                                                "FileUpload",
                                                "find",
                                                "fixed",
                                                "Float",
                                                "floor",
                                                "focus",
                                                "fontcolor",
                                                "fontsize",
                                                "Form",
                                                "form",
                                                "forms",
                                                "forward",
                                                "Frame",
                                                "frames",
                                                "fromCharCode",
                                                "Function",
                                                "getDate",
                                                "getDay",
                                                "getElementById",
                                                "getFullYear",
                                                "getHours",
                                                "getMilliseconds",
                                                "getMinutes",
                                                "getMonth",
                                                "getSeconds",
                                                "getTime",
                                                "getTimezoneOffset",
                                                "getUTCDate",
                                                "getUTCDay",
                                                "getUTCFullYear",
                                                "getUTCHours",
                                                "getUTCMilliseconds",
                                                "getUTCMinutes",
                                                "getUTCMonth",
                                                "getUTCSeconds",
                                                "getYear",
                                                "Global",
                                                "go",
                                                "handleEvent",
                                                "hash",
                                                "height",
                                                "Hidden",
                                                "History",
                                                "history",
                                                "home",
                                                "host",
                                                "hostname",
                                                "href",
                                                "hspace",
                                                "Image",
                                                "images",
                                                "index",
                                                "indexOf",
                                                "Infinity",
                                                "innerHeight",
                                                "innerWidth",
                                                "input",
                                                "isFinite",
                                                "isNaN",
                                                "italics",
                                                "java",
                                                "javaEnabled",
                                                "join",
                                                "lastIndexOf",
                                                "lastModified",
                                                "Layer",
                                                "layers",
                                                "left",
                                                "length",
                                                "Link",
                                                "link",
                                                "linkColor",
                                                "links",
                                                "LN10",
                                                "LN2",
                                                "Location",
                                                "location",
                                                "locationbar",
                                                "log",
                                                "LOG10E",
                                                "LOG2E",
                                                "logon",
                                                "lowsrc",
                                                "match",
                                                "Math",
                                                "max",
                                                "MAX_VALUE",
                                                "menubar",
                                                "method",
                                                "MimeType",
                                                "mimeTypes",
                                                "min",
                                                "MIN_VALUE",
                                                "moveBy",
                                                "moveTo",
                                                "name",
                                                "Navigator",
                                                "navigator",
                                                "NEGATIVE_INFINITY",
                                                "netscape",
                                                "next",
                                                "Null",
                                                "Number",
                                                "Object",
                                                "open",
                                                "opener",
                                                "Option",
                                                "options",
                                                "outerHeight",
                                                "outerWidth",
                                                "Packages",
                                                "pageX",
                                                "pageXOffset",
                                                "pageY",
                                                "pageYOffset",
                                                "parent",
                                                "parse",
                                                "parseFloat",
                                                "parseInt",
                                                "Password",
                                                "pathname",
                                                "personalbar",
                                                "PI",
                                                "platform",
                                                "Plugin",
                                                "plugins",
                                                "port",
                                                "POSITIVE_INFINITY",
                                                "pow",
                                                "previous",
                                                "print",
                                                "prompt",
                                                "protocol",
                                                "Radio",
                                                "random",
                                                "referrer",
                                                "refresh",
                                                "RegExp",
                                                "releaseEvents",
                                                "reload",
                                                "replace",
                                                "Reset",
                                                "reset",
                                                "resizeBy",
                                                "resizeTo",
                                                "reverse",
                                                "right",
                                                "round",
                                                "routeEvent",
                                                "screen",
                                                "scroll",
                                                "scrollbars",
                                                "scrollBy",
                                                "scrollTo",
                                                "search",
                                                "Select",
                                                "select",
                                                "selected",
                                                "selectedIndex",
                                                "self",
                                                "setDate",
                                                "setFullYear",
                                                "setHours",
                                                "setInterval",
                                                "setMilliseconds",
                                                "setMinutes",
                                                "setMonth",
                                                "setSeconds",
                                                "setTime",
                                                "setTimeout",
                                                "setUTCDate",
                                                "setUTCFullYear",
                                                "setUTCHours",
                                                "setUTCMilliseconds",
                                                "setUTCMinutes",
                                                "setUTCMonth",
                                                "setUTCSeconds",
                                                "setYear",
                                                "sin",
                                                "slice",
                                                "small",
                                                "sort",
                                                "split",
                                                "sqrt",
                                                "SQRT1_2",
                                                "SQRT2",
                                                "src",
                                                "status",
                                                "statusbar",
                                                "stop",
                                                "strike",
                                                "String",
                                                "style",
                                                "sub",
                                                "Submit",
                                                "submit",
                                                "substr",
                                                "substring",
                                                "suffixes",
                                                "sup",
                                                "tags",
                                                "taint",
                                                "taintEnabled",
                                                "tan",
                                                "target",
                                                "Text",
                                                "text",
                                                "Textarea",
                                                "title",
                                                "toGMTString",
                                                "toLocaleString",
                                                "toLowerCase",
                                                "toolbar",
                                                "top",
                                                "toSource",
                                                "toString",
                                                "toUpperCase",
                                                "toUTCString",
                                                "type",
                                                "Undefined",
                                                "undefined",
                                                "unescape",
                                                "untaint",
                                                "unwatch",
                                                "URL",
                                                "userAgent",
                                                "UTC",
                                                "value",
                                                "valueOf",
                                                "visibility",
                                                "vlinkColor",
                                                "vspace",
                                                "watch",
                                                "width",
                                                "Window",
                                                "window",
                                                "write",
                                                "writeln",
                                                "zIndex"};

const char* const kJScriptEvents[] = {
    "onAbort",     "onBlur",     "onChange", "onClick",  "onDblClick",  "onError",     "onFocus",
    "onKeyDown",   "onKeyPress", "onKeyUp",  "onLoad",   "onMouseDown", "onMouseMove", "onMouseOut",
    "onMouseOver", "onMouseUp",  "onReset",  "onSelect", "onSubmit",    "onUnload"};

} // namespace

TGlyphJScriptHighlighter::TGlyphJScriptHighlighter()
    : TGlyphLanguageHighlighter(jtLineEnd, jtSpace, 2, TGlyphKeywordTable::CaseSensitive),
      table_(&TGlyphJScriptHighlighter::SymbolProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    event_ = AddAttribute(QStringLiteral("Event"));
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    nonReservedKey_ = AddAttribute(QStringLiteral("Non-reserved keyword"));
    number_ = AddAttribute(QStringLiteral("Number"));
    key_ = AddAttribute(QStringLiteral("Reserved word"));
    key_->SetStyle(fsBold);
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("Javascript Files (*.js)|*.js"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(jtComment, comment_);
    SetKindAttribute(jtIdentifier, identifier_);
    SetKindAttribute(jtReservedWord, key_);
    SetKindAttribute(jtNumber, number_);
    SetKindAttribute(jtSpace, space_);
    SetKindAttribute(jtString, string_);
    SetKindAttribute(jtSymbol, symbol_);
    SetKindAttribute(jtNonReservedKeyword, nonReservedKey_);
    SetKindAttribute(jtEvent, event_);

    AddKeywords(kJScriptReservedWords, jtReservedWord);
    AddKeywords(kJScriptNonReservedWords, jtNonReservedKeyword);
    AddKeywords(kJScriptEvents, jtEvent);
    keywords_.SetHashLimit(&KeywordHash, MaxKeywordHash);
    SetReservedKind(jtReservedWord);

    using H = TGlyphJScriptHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u"\"'", &H::StringProc);
    table_.Set(u'/', &H::SlashProc);
    table_.Set(u"&|+-%*.", &H::OperatorProc);
    table_.Set(u"#$@\\^`", &H::UnknownProc);
    table_.SetRange(127, 255, &H::UnknownProc);
    table_.SetAbove(&H::AboveProc);
}

QString TGlyphJScriptHighlighter::LanguageTitle() const {
    return QStringLiteral("Javascript");
}

void TGlyphJScriptHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(false);
}

void TGlyphJScriptHighlighter::Advance() {
    BeginToken();
    if (state_ == jrBlockComment && !AtLineBreak(pos_)) {
        BlockCommentRule();
    } else {
        table_.Dispatch(*this, line_, pos_);
    }
}

void TGlyphJScriptHighlighter::BlockCommentRule() {
    kind_ = jtComment;
    if (SkipPast(u"*/")) {
        state_ = jrNormal;
    }
}

void TGlyphJScriptHighlighter::IdentProc() {
    WordToken(WordEnd(pos_), jtIdentifier);
}

// A number takes digits, dots and, after a leading 0x, hexadecimal digits; two dots end it, so
// a range like 1..2 stays two numbers.
void TGlyphJScriptHighlighter::NumberProc() {
    kind_ = jtNumber;
    const int start = pos_;
    bool hex = false;
    ++pos_;
    while (!line_.AtEnd(pos_)) {
        const char16_t c = line_[pos_];
        if (c == u'x' || c == u'X') {
            // Valid only as the second character of 0x, and only before a hexadecimal digit.
            if (pos_ != start + 1 || line_[start] != u'0' || !IsHexDigit(line_[pos_ + 1])) {
                break;
            }
            hex = true;
        } else if (!IsAsciiDigit(c) && !(hex && IsHexDigit(c)) &&
                   !(c == u'.' && line_[pos_ + 1] != u'.')) {
            break;
        }
        ++pos_;
    }
}

// Strings end on their line. Three equal quotes in a row open a string at the third.
void TGlyphJScriptHighlighter::StringProc() {
    kind_ = jtString;
    const char16_t quote = line_[pos_];
    if (line_[pos_ + 1] == quote && line_[pos_ + 2] == quote) {
        pos_ += 2;
    }
    QuotedString(true);
}

void TGlyphJScriptHighlighter::SlashProc() {
    const char16_t next = line_[pos_ + 1];
    if (next == u'*') {
        state_ = jrBlockComment;
        pos_ += 2;
        BlockCommentRule();
    } else if (next == u'/') {
        RestOfLine(jtComment);
    } else {
        OperatorToken(jtSymbol);
    }
}

void TGlyphJScriptHighlighter::OperatorProc() {
    OperatorToken(jtSymbol);
}

void TGlyphJScriptHighlighter::SymbolProc() {
    OneChar(jtSymbol);
}

void TGlyphJScriptHighlighter::UnknownProc() {
    OneChar(jtUnknown);
}

void TGlyphJScriptHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        UnknownProc();
    }
}
