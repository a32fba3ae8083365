#include "highlight/TGlyphCssHighlighter.h"

#include "highlight/GlyphVocabulary.h"

using namespace GlyphLanguage;

namespace {

const char* const kCssKeys[] = {"ascent",
                                "azimuth",
                                "b-box",
                                "background",
                                "background-attachment",
                                "background-color",
                                "background-image",
                                "background-position",
                                "background-position-x",
                                "background-position-y",
                                "baseline",
                                "behavior",
                                "border",
                                "border-bottom",
                                "border-bottom-color",
                                "border-bottom-style",
                                "border-bottom-width",
                                "border-collapse",
                                "border-color",
                                "border-left",
                                "border-left-color",
                                "border-left-style",
                                "border-left-width",
                                "border-right",
                                "border-right-color",
                                "border-right-style",
                                "border-right-width",
                                "border-spacing",
                                "border-style",
                                "border-top",
                                "border-top-color",
                                "border-top-style",
                                "border-top-width",
                                "border-width",
                                "bottom",
                                "cap-height",
                                "caption-side",
                                "centerline",
                                "clear",
                                "clip",
                                "cm",
                                "color",
                                "content",
                                "counter",
                                "counter-increment",
                                "counter-reset",
                                "cue",
                                "cue-after",
                                "cue-before",
                                "cursor",
                                "definition-src",
                                "deg",
                                "descent",
                                "direction",
                                "display",
                                "elevation",
                                "em",
                                "empty-cells",
                                "ex",
                                "filter",
                                "float",
                                "font",
                                "font-family",
                                "font-size",
                                "font-size-adjust",
                                "font-stretch",
                                "font-style",
                                "font-variant",
                                "font-weight",
                                "grad",
                                "height",
                                "Hz",
                                "ime-mode",
                                "in",
                                "kHz",
                                "layout-grid",
                                "layout-grid-line",
                                "layout-grid-mode",
                                "layout-grid-type",
                                "left",
                                "letter-spacing",
                                "line-break",
                                "line-height",
                                "list-style",
                                "list-style-image",
                                "list-style-position",
                                "list-style-type",
                                "margin",
                                "margin-bottom",
                                "margin-left",
                                "margin-right",
                                "margin-top",
                                "marker-offset",
                                "marks",
                                "mathline",
                                "max-height",
                                "max-width",
                                "min-height",
                                "min-width",
                                "mm",
                                "ms",
                                "orphans",
                                "outline",
                                "outline-color",
                                "outline-style",
                                "outline-width",
                                "overflow",
                                "overflow-x",
                                "overflow-y",
                                "padding",
                                "padding-bottom",
                                "padding-left",
                                "padding-right",
                                "padding-top",
                                "page",
                                "page-break-after",
                                "page-break-before",
                                "page-break-inside",
                                "panose-1",
                                "pause",
                                "pause-after",
                                "pause-before",
                                "pc",
                                "pitch",
                                "pitch-range",
                                "play-during",
                                "position",
                                "pt",
                                "px",
                                "quotes",
                                "rad",
                                "richness",
                                "right",
                                "ruby-align",
                                "ruby-overhang",
                                "ruby-position",
                                "run-in",
                                "s",
                                "scrollbar-3d-light-color",
                                "scrollbar-arrow-color",
                                "scrollbar-base-color",
                                "scrollbar-dark-shadow-color",
                                "scrollbar-face-color",
                                "scrollbar-highlight-color",
                                "scrollbar-shadow-color",
                                "size",
                                "slope",
                                "speak",
                                "speak-header",
                                "speak-numeral",
                                "speak-punctuation",
                                "speech-rate",
                                "src",
                                "stemh",
                                "stemv",
                                "stress",
                                "table-layout",
                                "text-align",
                                "text-autospace",
                                "text-decoration",
                                "text-indent",
                                "text-justify",
                                "text-kashida-space",
                                "text-shadow",
                                "text-transform",
                                "text-underline-position",
                                "top",
                                "top-line",
                                "unicode-bidi",
                                "unicode-range",
                                "units-per-em",
                                "vertical-align",
                                "visibility",
                                "voice-family",
                                "volume",
                                "white-space",
                                "widows",
                                "width",
                                "widths",
                                "word-break",
                                "word-spacing",
                                "word-wrap",
                                "writing-mode",
                                "x-height",
                                "z-index",
                                "zoom"};

} // namespace

TGlyphCssHighlighter::TGlyphCssHighlighter()
    : TGlyphLanguageHighlighter(ctLineEnd, ctSpace, 2,
                                TGlyphKeywordTable::IgnoreCase | TGlyphKeywordTable::DigitsEqual),
      table_(&TGlyphCssHighlighter::UnknownProc) {
    comment_ = AddAttribute(QStringLiteral("Comment"));
    comment_->SetStyle(fsItalic);
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    key_ = AddAttribute(QStringLiteral("Key"));
    key_->SetStyle(fsBold);
    number_ = AddAttribute(QStringLiteral("Number"));
    space_ = AddAttribute(QStringLiteral("Space"));
    string_ = AddAttribute(QStringLiteral("String"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    ConnectAttributes();
    SetDefaultFilter(QStringLiteral("Cascading Stylesheets (*.css)|*.css"));

    SetStandardAttributes({comment_, identifier_, key_, string_, space_, symbol_});
    SetKindAttribute(ctComment, comment_);
    SetKindAttribute(ctIdentifier, identifier_);
    SetKindAttribute(ctKey, key_);
    SetKindAttribute(ctNumber, number_);
    SetKindAttribute(ctSpace, space_);
    SetKindAttribute(ctString, string_);
    SetKindAttribute(ctSymbol, symbol_);
    SetKindAttribute(ctUnknown, identifier_);

    AddKeywords(kCssKeys, ctKey);
    // The properties of today's CSS (flexbox, grid, transitions ...) beside the list above.
    for (const TGlyphVocabularyAttribute& property : TGlyphVocabulary::Get().CssProperties())
        keywords_.Add(property.Name, ctKey);
    SetReservedKind(ctKey);

    using H = TGlyphCssHighlighter;
    SetCommonHandlers(table_);
    table_.SetRange(u'A', u'Z', &H::IdentProc);
    table_.SetRange(u'a', u'z', &H::IdentProc);
    table_.Set(u'_', &H::IdentProc);
    table_.SetRange(u'0', u'9', &H::NumberProc);
    table_.Set(u'-', &H::MinusProc);
    table_.Set(u"#$", &H::ColorProc);
    table_.Set(u"{}", &H::BraceProc);
    table_.Set(u'\'', &H::StringProc);
    table_.Set(u'/', &H::SlashProc);
    table_.Set(u"()", &H::SymbolProc);
    table_.SetAbove(&H::AboveProc);
}

QString TGlyphCssHighlighter::LanguageTitle() const {
    return QStringLiteral("Cascading style sheets");
}

void TGlyphCssHighlighter::ApplyMainWindowSettings() {
    ApplyFormColours(false);
}

void TGlyphCssHighlighter::Advance() {
    BeginToken();
    if (state_ == ctrComment && !AtLineBreak(pos_)) {
        CommentRule();
    } else {
        table_.Dispatch(*this, line_, pos_);
    }
}

void TGlyphCssHighlighter::CommentRule() {
    kind_ = ctComment;
    if (SkipPast(u"*/")) {
        state_ = ctrNormal;
    }
}

// Property names hold hyphens and digits: border-top-width, panose-1.
void TGlyphCssHighlighter::IdentProc() {
    WordToken(WordEnd(pos_, u'-'), ctIdentifier);
}

void TGlyphCssHighlighter::NumberProc() {
    kind_ = ctNumber;
    ++pos_;
    NumberRule();
}

// Digits, dots and exponents; a number ends before two dots and before the units em and ex,
// which are keys of their own.
void TGlyphCssHighlighter::NumberRule() {
    for (;; ++pos_) {
        const char16_t c = line_[pos_];
        if (line_.AtEnd(pos_)) {
            return;
        }
        if (c == u'.' && line_[pos_ + 1] == u'.') {
            return;
        }
        if (c == u'e' || c == u'E') {
            const char16_t unit = line_[pos_ + 1];
            if (unit == u'm' || unit == u'M' || unit == u'x' || unit == u'X') {
                return;
            }
        } else if (!IsAsciiDigit(c) && c != u'.') {
            return;
        }
    }
}

// A minus after a blank (or at the start of the line) and before a digit, a letter or a dot
// with one of those after it begins a number; any other minus is punctuation.
void TGlyphCssHighlighter::MinusProc() {
    const bool afterBlank = pos_ == 0 || IsBlankRunChar(line_[pos_ - 1]);
    char16_t next = line_[pos_ + 1];
    if (next == u'.') {
        next = line_[pos_ + 2];
    }
    if (afterBlank && !line_.AtEnd(pos_ + 1) && (IsAsciiDigit(next) || IsAsciiLetter(next))) {
        NumberProc();
    } else {
        UnknownProc();
    }
}

// # or $ before hexadecimal digits is a colour value, coloured as a number.
void TGlyphCssHighlighter::ColorProc() {
    if (!IsHexDigit(line_[pos_ + 1])) {
        UnknownProc();
        return;
    }
    kind_ = ctNumber;
    ++pos_;
    while (IsHexDigit(line_[pos_])) {
        ++pos_;
    }
}

// Braces are coloured as strings, together with any digits right after them.
void TGlyphCssHighlighter::BraceProc() {
    kind_ = ctString;
    ++pos_;
    while (IsAsciiDigit(line_[pos_])) {
        ++pos_;
    }
}

void TGlyphCssHighlighter::StringProc() {
    kind_ = ctString;
    QuotedString(false);
}

void TGlyphCssHighlighter::SlashProc() {
    if (line_[pos_ + 1] != u'*') {
        UnknownProc();
        return;
    }
    state_ = ctrComment;
    pos_ += 2;
    CommentRule();
}

void TGlyphCssHighlighter::SymbolProc() {
    OneChar(ctSymbol);
}

void TGlyphCssHighlighter::UnknownProc() {
    OneChar(ctUnknown);
}

void TGlyphCssHighlighter::AboveProc() {
    if (IsWordStartAbove(line_[pos_])) {
        IdentProc();
    } else {
        UnknownProc();
    }
}
