#include "highlight/TGlyphHTMLHighlighter.h"

#include "highlight/GlyphLanguageSupport.h"
#include "highlight/GlyphVocabulary.h"
#include "highlight/TGlyphKeywordTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Character references, in the order they are tried: the first entry that matches wins.
constexpr const char16_t* kEntities[] = {
    u"&Alpha;",  u"&Beta;",     u"&Gamma;",   u"&Delta;",  u"&Epsilon;", u"&Zeta;",
    u"&Eta;",    u"&Theta;",    u"&Iota;",    u"&Kappa;",  u"&Lambda;",  u"&Mu;",
    u"&Nu;",     u"&Xi;",       u"&Omicron;", u"&Pi;",     u"&Rho;",     u"&Sigma;",
    u"&Tau;",    u"&Upsilon;",  u"&Phi;",     u"&Chi;",    u"&Psi;",     u"&Omega;",
    u"&alpha;",  u"&beta;",     u"&gamma;",   u"&delta;",  u"&epsilon;", u"&zeta;",
    u"&eta;",    u"&theta;",    u"&iota;",    u"&kappa;",  u"&lambda;",  u"&mu;",
    u"&nu;",     u"&xi;",       u"&omicron;", u"&pi;",     u"&rho;",     u"&sigmaf;",
    u"&sigma;",  u"&tau;",      u"&upsilon;", u"&phi;",    u"&chi;",     u"&psi;",
    u"&omega;",  u"&thetasym;", u"&upsih;",   u"&piv;",    u"&bull;",    u"&hellip;",
    u"&prime;",  u"&Prime;",    u"&oline;",   u"&frasl;",  u"&weierp;",  u"&image;",
    u"&real;",   u"&trade;",    u"&alefsym;", u"&larr;",   u"&uarr;",    u"&rarr;",
    u"&darr;",   u"&harr;",     u"&crarr;",   u"&lArr;",   u"&uArr;",    u"&rArr;",
    u"&dArr;",   u"&hArr;",     u"&forall;",  u"&part;",   u"&exist;",   u"&empty;",
    u"&nabla;",  u"&isin;",     u"&notin;",   u"&ni;",     u"&prod;",    u"&sum;",
    u"&minus;",  u"&lowast;",   u"&radic;",   u"&prop;",   u"&infin;",   u"&ang;",
    u"&and;",    u"&or;",       u"&cap;",     u"&cup;",    u"&int;",     u"&there4;",
    u"&sim;",    u"&cong;",     u"&asymp;",   u"&ne;",     u"&equiv;",   u"&le;",
    u"&ge;",     u"&sub;",      u"&sup;",     u"&nsub;",   u"&sube;",    u"&supe;",
    u"&oplus;",  u"&otimes;",   u"&perp;",    u"&sdot;",   u"&lceil;",   u"&rceil;",
    u"&lfloor;", u"&rfloor;",   u"&lang;",    u"&rang;",   u"&loz;",     u"&spades;",
    u"&clubs;",  u"&hearts;",   u"&diams;",   u"&lsquo;",  u"&rsquo;",   u"&sbquo;",
    u"&ldquo;",  u"&rdquo;",    u"&bdquo;",   u"&dagger;", u"&Dagger;",  u"&permil;",
    u"&lsaquo;", u"&rsaquo;",   u"&quot;",    u"&amp;",    u"&lt;",      u"&gt;",
    u"&ndash;",  u"&mdash;",    u"&nbsp;",    u"&thinsp;", u"&ensp;",    u"&emsp;",
    u"&iexcl;",  u"&cent;",     u"&pound;",   u"&curren;", u"&yen;",     u"&brvbar;",
    u"&brkbar;", u"&sect;",     u"&uml;",     u"&die;",    u"&copy;",    u"&ordf;",
    u"&laquo;",  u"&not;",      u"&shy;",     u"&reg;",    u"&macr;",    u"&hibar;",
    u"&deg;",    u"&plusmn;",   u"&sup2;",    u"&sup3;",   u"&acute;",   u"&micro;",
    u"&para;",   u"&middot;",   u"&cedil;",   u"&sup1;",   u"&ordm;",    u"&raquo;",
    u"&frac14;", u"&frac12;",   u"&frac34;",  u"&iquest;", u"&Agrave;",  u"&Aacute;",
    u"&Acirc;",  u"&Atilde;",   u"&Auml;",    u"&Aring;",  u"&AElig;",   u"&Ccedil;",
    u"&Egrave;", u"&Eacute;",   u"&Ecirc;",   u"&Euml;",   u"&Igrave;",  u"&Iacute;",
    u"&Icirc;",  u"&Iuml;",     u"&ETH;",     u"&Ntilde;", u"&Ograve;",  u"&Oacute;",
    u"&Ocirc;",  u"&Otilde;",   u"&Ouml;",    u"&times;",  u"&Oslash;",  u"&Ugrave;",
    u"&Uacute;", u"&Ucirc;",    u"&Uuml;",    u"&Yacute;", u"&THORN;",   u"&szlig;",
    u"&agrave;", u"&aacute;",   u"&acirc;",   u"&atilde;", u"&auml;",    u"&aring;",
    u"&aelig;",  u"&ccedil;",   u"&egrave;",  u"&eacute;", u"&ecirc;",   u"&euml;",
    u"&igrave;", u"&iacute;",   u"&icirc;",   u"&iuml;",   u"&eth;",     u"&ntilde;",
    u"&ograve;", u"&oacute;",   u"&ocirc;",   u"&otilde;", u"&ouml;",    u"&divide;",
    u"&oslash;", u"&ugrave;",   u"&uacute;",  u"&ucirc;",  u"&uuml;",    u"&yacute;",
    u"&thorn;",  u"&yuml;",     u"&euro;",    u"&OElig;",  u"&oelig;",   u"&scaron;",
    u"&Scaron;", u"&fnof;",     u"&circ;",
};
constexpr int kEntityCount = int(std::size(kEntities));
static_assert(kEntityCount == 249);

// Tag names with an opening form; all but kNoClosingTags also have a closing form /NAME.
constexpr const char16_t* kTags[] = {
    u"!DOCTYPE", u"A",         u"ABBR",     u"ACRONYM",  u"ADDRESS", u"APPLET",   u"AREA",
    u"B",        u"BASE",      u"BASEFONT", u"BGSOUND",  u"BIG",     u"BLINK",    u"BLOCKQUOTE",
    u"BODY",     u"BR",        u"BUTTON",   u"CAPTION",  u"CENTER",  u"CITE",     u"CODE",
    u"COL",      u"COLGROUP",  u"COMMENT",  u"DD",       u"DEL",     u"DFN",      u"DIR",
    u"DIV",      u"DL",        u"DT",       u"EM",       u"EMBED",   u"FIELDSET", u"FONT",
    u"FORM",     u"FRAME",     u"FRAMESET", u"H1",       u"H2",      u"H3",       u"H4",
    u"H5",       u"H6",        u"HEAD",     u"HR",       u"HTML",    u"I",        u"IFRAME",
    u"ILAYER",   u"IMG",       u"INPUT",    u"INS",      u"ISINDEX", u"KBD",      u"KEYGEN",
    u"LABEL",    u"LAYER",     u"LEGEND",   u"LI",       u"LINK",    u"LISTING",  u"MAP",
    u"MARQUEE",  u"MENU",      u"META",     u"MULTICOL", u"NEXTID",  u"NOBR",     u"NOEMBED",
    u"NOFRAMES", u"NOLAYER",   u"NOSCRIPT", u"OBJECT",   u"OL",      u"OPTION",   u"P",
    u"PARAM",    u"PLAINTEXT", u"PRE",      u"Q",        u"S",       u"SAMP",     u"SCRIPT",
    u"SELECT",   u"SERVER",    u"SMALL",    u"SPACER",   u"SPAN",    u"STRIKE",   u"STRONG",
    u"STYLE",    u"SUB",       u"SUP",      u"TABLE",    u"TBODY",   u"TD",       u"TEXTAREA",
    u"TFOOT",    u"TH",        u"THEAD",    u"TITLE",    u"TR",      u"TT",       u"U",
    u"UL",       u"VAR",       u"WBR",      u"XMP",
};
static_assert(std::size(kTags) == 109);

constexpr const char16_t* kNoClosingTags[] = {
    u"!DOCTYPE", u"AREA",   u"BASE",  u"BASEFONT",  u"BGSOUND", u"BR",     u"COL",
    u"FRAME",    u"HR",     u"IMG",   u"INPUT",     u"ISINDEX", u"KEYGEN", u"LINK",
    u"META",     u"NEXTID", u"PARAM", u"PLAINTEXT", u"SPACER",  u"WBR",
};
static_assert(std::size(kNoClosingTags) == 20);

TGlyphKeywordTable MakeTagTable() {
    TGlyphKeywordTable t(TGlyphKeywordTable::IgnoreCase);
    for (const char16_t* name : kTags) {
        t.Add(QStringView(name), htKnownTag);
    }
    for (const char16_t* name : kTags) {
        const QStringView n(name);
        if (std::find(std::begin(kNoClosingTags), std::end(kNoClosingTags), n) ==
            std::end(kNoClosingTags)) {
            t.Add(QString(u'/' + n.toString()), htKnownTag);
        }
    }
    // Every element of today's HTML, obsolete ones too: pages still hold them.
    for (const TGlyphVocabularyElement& element : TGlyphVocabulary::Get().Elements()) {
        t.Add(element.Name, htKnownTag);
        if (!element.Void)
            t.Add(QString(u'/' + element.Name), htKnownTag);
    }
    return t;
}

// Made on first use; asked for at every tag name, so the making stays out of the caller.
[[gnu::always_inline]] inline const TGlyphKeywordTable& TagTable() {
    static const TGlyphKeywordTable table = MakeTagTable();
    return table;
}

constexpr char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}
constexpr bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
constexpr bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Weight of a character in the letter part of a tag name; 0 for characters that end it.
constexpr int TagLetterWeight(char16_t c) {
    if (IsAsciiLetter(c)) {
        return AsciiLower(c) - u'a' + 1;
    }
    if (c == u'/') {
        return 122;
    }
    if (c == u'!') {
        return 123;
    }
    return 0;
}

// Characters that end a line for the comment, script and string rules.
constexpr bool IsLineBreakChar(char16_t c) {
    return c == 0 || c == 10 || c == 13;
}

// The first place from At on where eight characters in a row are not all free of a > and of
// the characters that end a line; the end of Text when there is none.
int SkipQuietChars(QStringView text, int at) {
    using TChunk = std::uint16_t __attribute__((vector_size(16)));
    const qsizetype last = text.size() - 8;
    const char16_t* data = text.utf16();
    for (; at <= last; at += 8) {
        TChunk chunk;
        std::memcpy(&chunk, data + at, sizeof chunk);
        const TChunk hits = (chunk == u'>') | (chunk == 0) | (chunk == 10) | (chunk == 13);
        std::uint64_t words[2];
        std::memcpy(words, &hits, sizeof words);
        if ((words[0] | words[1]) != 0)
            return at;
    }
    return at;
}

// Characters that continue a blank run; a tab only starts one.
constexpr bool IsBlankRunChar(char16_t c) {
    return (c >= 1 && c <= 8) || c == 11 || c == 12 || (c >= 14 && c <= 32);
}

// Entities grouped by the lower-cased letter after the & and by their length, each list in
// table order, so that a reference is compared only with the entries that can match it.
constexpr int kLongestEntity = 10; // &thetasym;
constexpr bool EachEntityEndsAtItsOnlySemicolon() {
    for (const char16_t* entity : kEntities) {
        int n = 1;
        while (entity[n] != u';' && entity[n] != 0)
            ++n;
        if (entity[n] != u';' || entity[n + 1] != 0 || n + 1 > kLongestEntity)
            return false;
    }
    return true;
}
static_assert(EachEntityEndsAtItsOnlySemicolon());
const std::array<std::array<std::vector<int>, kLongestEntity + 1>, 26>& EntitiesByLetter() {
    static const auto lists = [] {
        std::array<std::array<std::vector<int>, kLongestEntity + 1>, 26> l;
        for (int i = 0; i < kEntityCount; ++i) {
            const QStringView entity(kEntities[i]);
            l[std::size_t(AsciiLower(entity[1].unicode()) - u'a')][std::size_t(entity.size())]
                .push_back(i);
        }
        return l;
    }();
    return lists;
}

bool EntityMatchesAt(QStringView text, int pos, QStringView entity) {
    if (pos + entity.size() > text.size()) {
        return false;
    }
    for (qsizetype i = 0; i < entity.size(); ++i) {
        if (AsciiLower(text[pos + i].unicode()) != AsciiLower(entity[i].unicode())) {
            return false;
        }
    }
    return true;
}

// Whether `name` is the lower-case ASCII `word` in any case. Every tag and attribute name is
// asked about, so names of another length are turned away before Qt's comparison, which folds
// case by Unicode (so that a Kelvin sign still reads as a k), and plain ASCII never needs it.
template <qsizetype N> bool IsNameNoCase(QStringView name, const char16_t (&word)[N]) {
    if (name.size() != N - 1)
        return false;
    for (qsizetype i = 0; i < N - 1; ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 128)
            return name.compare(QStringView(word, N - 1), Qt::CaseInsensitive) == 0;
        if ((c >= u'A' && c <= u'Z' ? c + 32 : c) != word[i])
            return false;
    }
    return true;
}

} // namespace

TGlyphHTMLHighlighter::TGlyphHTMLHighlighter() {
    asp_ = AddAttribute(QStringLiteral("Asp"));
    asp_->SetForeground(GlyphRGB(0, 0, 0));
    asp_->SetBackground(GlyphRGB(255, 255, 0));
    comment_ = AddAttribute(QStringLiteral("Comment"));
    escapeAmpersand_ = AddAttribute(QStringLiteral("Escape ampersand"));
    escapeAmpersand_->SetStyle(fsBold);
    escapeAmpersand_->SetForeground(GlyphRGB(0, 255, 0));
    identifier_ = AddAttribute(QStringLiteral("Identifier"));
    identifier_->SetStyle(fsBold);
    reservedWord_ = AddAttribute(QStringLiteral("Reserved word"));
    reservedWord_->SetStyle(fsBold);
    reservedWord_->SetForeground(0xFF0080);
    space_ = AddAttribute(QStringLiteral("Space"));
    symbol_ = AddAttribute(QStringLiteral("Symbol"));
    symbol_->SetStyle(fsBold);
    text_ = AddAttribute(QStringLiteral("Text"));
    unknownWord_ = AddAttribute(QStringLiteral("Unknown word"));
    unknownWord_->SetStyle(fsBold);
    unknownWord_->SetForeground(GlyphRGB(255, 0, 0));
    value_ = AddAttribute(QStringLiteral("Value"));
    value_->SetForeground(0xFF8000);
    ConnectAttributes();

    SetDefaultFilter(QStringLiteral("HTML Document (*.htm,*.html)|*.htm;*.html"));
}

TGlyphHighlighterAttributes* TGlyphHTMLHighlighter::StandardAttribute(int index) const {
    switch (index) {
    case SYN_ATTR_COMMENT:
        return comment_;
    case SYN_ATTR_IDENTIFIER:
        return identifier_;
    case SYN_ATTR_KEYWORD:
        return reservedWord_;
    case SYN_ATTR_WHITESPACE:
        return space_;
    case SYN_ATTR_SYMBOL:
        return symbol_;
    default:
        return nullptr;
    }
}

TGlyphCharSet TGlyphHTMLHighlighter::WordChars() const {
    return TGlyphCharSet(u"_", TGlyphCharSet::LettersAbove)
        .AddRange(u'0', u'9')
        .AddRange(u'A', u'Z')
        .AddRange(u'a', u'z')
        .AddRange(192, 255)
        .Remove(215)
        .Remove(247);
}

void TGlyphHTMLHighlighter::ApplyMainWindowSettings() {
    BeginUpdate();
    escapeAmpersand_->SetForeground(0x000000);
    comment_->SetForeground(0x008000);
    identifier_->SetForeground(0x0000FF);
    identifier_->SetStyle(0);
    reservedWord_->SetForeground(0x800080);
    value_->SetForeground(0xFF0000);
    EndUpdate();
}

QString TGlyphHTMLHighlighter::LanguageTitle() const {
    return QStringLiteral("HTML document");
}

bool TGlyphHTMLHighlighter::AtLineEnd() const {
    return !running_ && kind_ == htLineEnd;
}

// An entity found ahead is found again by the text rule, so between tokens the scanner stands
// in text: the entity state is never stored.
TGlyphCustomHighlighter::TState TGlyphHTMLHighlighter::State() const {
    return embedding_ ? PackState(false) : StoredState(state_);
}

TGlyphCustomHighlighter::TState TGlyphHTMLHighlighter::ResumeState() const {
    return embedding_ ? PackState(true) : StoredState(state_);
}

TGlyphCustomHighlighter::TState TGlyphHTMLHighlighter::StoredState(TState state) {
    return state == hsEntity ? hsText : state;
}

bool TGlyphHTMLHighlighter::IsStoredHtmlState(TState state) {
    switch (state) {
    case hsServerScript:
    case hsComment:
    case hsTagName:
    case hsTagBody:
    case hsText:
    case hsValue:
        return true;
    default:
        return false;
    }
}

QString TGlyphHTMLHighlighter::TokenText() const {
    if (running_)
        return running_->TokenText();
    return line_.Text().mid(tokenStart_, pos_ - tokenStart_);
}

TGlyphHighlighterAttributes* TGlyphHTMLHighlighter::TokenAttribute() const {
    if (running_) {
        TGlyphHighlighterAttributes* own = running_->TokenAttribute();
        for (const auto& [scanner, source] : embedded_[runningIndex_].Colours) {
            if (scanner == own)
                return source;
        }
        return own;
    }
    switch (kind_) {
    case htEntity:
        return escapeAmpersand_;
    case htServerScript:
        return asp_;
    case htComment:
        return comment_;
    case htAttributeName:
        return identifier_;
    case htKnownTag:
        return reservedWord_;
    case htSpace:
        return space_;
    case htQuotedValue:
    case htValue:
        return value_;
    case htSymbol:
        return symbol_;
    case htText:
        return text_;
    case htUnknownTag:
        return unknownWord_;
    case htLineEnd:
        break;
    }
    return nullptr;
}

int TGlyphHTMLHighlighter::TokenKind() const {
    return running_ ? running_->TokenKind() : kind_;
}

int TGlyphHTMLHighlighter::TokenStart() const {
    return running_ ? running_->TokenStart() : tokenStart_;
}

int TGlyphHTMLHighlighter::TokenLength() const {
    return running_ ? running_->TokenLength() : pos_ - tokenStart_;
}

void TGlyphHTMLHighlighter::StartLine(const QString& text, int) {
    line_.Set(text);
    pos_ = 0;
    entityIndex_ = -1;
    ForgetSearches();
    Advance();
}

// Between tokens the scanner carries only its state and the entity the text rule found ahead,
// and that entity is found again at the place where the text stopped.
bool TGlyphHTMLHighlighter::CanResumeLine() const {
    return true;
}

void TGlyphHTMLHighlighter::ResumeLine(const QString& text, int, int offset) {
    line_.Set(text);
    pos_ = std::clamp(offset, 0, line_.Length());
    entityIndex_ = -1;
    ForgetSearches();
    Advance();
}

void TGlyphHTMLHighlighter::ReleaseLine() {
    line_.Set(QString());
    running_ = nullptr;
    for (TEmbeddedScanner& part : embedded_) {
        if (part.Scanner)
            part.Scanner->ReleaseLine();
    }
}

// A rule that only changes the state (an entity found ahead, an & inside a tag, a tag name that
// starts with another character) makes no token of its own: every caller's token loop would
// pay for it, and one that steps by token length would never move. The scan goes on instead.
//
// Most of a page is plain HTML: its tokens are read in one loop with every rule inlined, and
// only a style sheet, script or PHP block that is open goes through the steps of its part.
[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::NextToken() {
    if (!embedding_) {
        do {
            ScanHtmlToken();
        } while (pos_ == tokenStart_ && kind_ != htLineEnd);
        return;
    }
    for (;;) {
        if (running_ || inPhp_ || embed_ != emNone) {
            if (PartStep())
                return;
            continue;
        }
        HtmlPageToken();
        if (pos_ > tokenStart_ || kind_ == htLineEnd)
            return;
    }
}

void TGlyphHTMLHighlighter::Advance() {
    NextToken();
}

void TGlyphHTMLHighlighter::SkipTokensBefore(int offset) {
    while (running_ ? running_->TokenStart() + running_->TokenLength() < offset
                    : kind_ != htLineEnd && pos_ < offset) {
        NextToken();
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::ScanHtmlToken() {
    tokenStart_ = pos_;
    switch (state_) {
    case hsServerScript:
        ServerScriptRule();
        break;
    case hsComment:
        CommentRule();
        break;
    case hsText:
        TextRule();
        break;
    default:
        CharProc();
        break;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::CharProc() {
    if (line_.AtEnd(pos_)) {
        LineEndProc();
        return;
    }
    switch (const char16_t c = line_[pos_]) {
    case 0:
        NulProc();
        break;
    case 10:
        LFProc();
        break;
    case 13:
        CRProc();
        break;
    case u'"':
        QuoteProc();
        break;
    case u'&':
        AmpProc();
        break;
    case u'<':
        LessProc();
        break;
    case u'=':
        EqualProc();
        break;
    case u'>':
        GreaterProc();
        break;
    default:
        if (c <= 32)
            SpaceProc();
        else
            WordProc();
        break;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::TextRule() {
    const char16_t first = line_[pos_];
    if (line_.AtEnd(pos_) || first < 32 || first == u'<') {
        CharProc();
        return;
    }
    kind_ = htText;
    // Letters and most symbols sort above <, &, and the control characters that end text.
    const QStringView text = QStringView(line_.Text()).left(line_.Length());
    int p = pos_;
    for (; p < text.size(); ++p) {
        const char16_t c = text[p].unicode();
        if (c > u'<')
            continue;
        if (c < 32 || c == u'<') {
            break;
        }
        if (c == u'&') {
            if (line_[p + 1] == u'#') {
                // A numeric reference with its ; is a token of its own; without the ; the
                // digits stay text and end the run.
                int q = p + 2;
                while (IsDigit(line_[q])) {
                    ++q;
                }
                if (line_[q] == u';') {
                    state_ = hsEntity;
                    entityIndex_ = -1;
                } else {
                    p = q;
                }
                break;
            }
            const int entity = MatchEntity(line_.Text(), p);
            if (entity >= 0) {
                entityIndex_ = entity;
                state_ = hsEntity;
                break;
            }
        }
    }
    pos_ = p;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::CommentRule() {
    BlockRule(htComment, u'-');
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::ServerScriptRule() {
    BlockRule(htServerScript, u'%');
}

// Comments end at a > after two hyphens, server scripts at a > after a %; the characters of
// the opener count, so <!--> and <%> are complete.
[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::BlockRule(THtmlTokenKind kind,
                                                                    char16_t closer) {
    if (line_.AtEnd(pos_) || IsLineBreakChar(line_[pos_])) {
        CharProc();
        return;
    }
    kind_ = kind;
    // A comment may run to the end of a very long line: it is passed over eight characters at a
    // time while none of them is a > or ends the line, the rest one at a time.
    const QStringView text = QStringView(line_.Text()).left(line_.Length());
    int p = pos_;
    for (bool done = false; !done;) {
        p = SkipQuietChars(text, p);
        done = p >= text.size();
        for (const qsizetype stop = std::min(text.size(), qsizetype(p) + 8); !done && p < stop;) {
            const char16_t c = text[p].unicode();
            if (c > u'>') {
                ++p;
                continue;
            }
            done = IsLineBreakChar(c);
            if (done)
                break;
            ++p;
            done = c == u'>' && line_[p - 2] == closer && (closer != u'-' || line_[p - 3] == u'-');
            if (done)
                state_ = hsText;
        }
    }
    pos_ = p;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::LineEndProc() {
    kind_ = htLineEnd;
}

// A NUL inside the line is a character like any control character: one blank.
[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::NulProc() {
    kind_ = htSpace;
    ++pos_;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::SpaceProc() {
    kind_ = htSpace;
    ++pos_;
    while (IsBlankRunChar(line_[pos_])) {
        ++pos_;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::LFProc() {
    kind_ = htSpace;
    ++pos_;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::CRProc() {
    kind_ = htSpace;
    ++pos_;
    if (line_[pos_] == 10) {
        ++pos_;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::QuoteProc() {
    if (state_ == hsValue) {
        kind_ = htValue;
        state_ = hsTagBody;
    } else {
        kind_ = htQuotedValue;
    }
    ++pos_;
    while (!line_.AtEnd(pos_) && !IsLineBreakChar(line_[pos_]) && line_[pos_] != u'"') {
        ++pos_;
    }
    if (line_[pos_] == u'"') {
        ++pos_;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::AmpProc() {
    if (entityIndex_ >= 0) {
        kind_ = htEntity;
        pos_ += int(QStringView(kEntities[entityIndex_]).size());
    } else if (line_[pos_ + 1] == u'#') {
        pos_ += 2;
        while (IsDigit(line_[pos_])) {
            ++pos_;
        }
        if (line_[pos_] == u';') {
            ++pos_;
            kind_ = htEntity;
        } else {
            kind_ = htText;
        }
    } else {
        // An & inside a tag hands the rest of the line to the text rule; the kind is set only so
        // that the empty step is never taken for the line end.
        kind_ = htText;
    }
    entityIndex_ = -1;
    state_ = hsText;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::LessProc() {
    if (line_[pos_ + 1] == u'!' && line_[pos_ + 2] == u'-' && line_[pos_ + 3] == u'-') {
        pos_ += 4;
        kind_ = htComment;
        state_ = hsComment;
    } else if (line_[pos_ + 1] == u'%') {
        pos_ += 2;
        kind_ = htServerScript;
        state_ = hsServerScript;
    } else {
        ++pos_;
        kind_ = htSymbol;
        state_ = hsTagName;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::EqualProc() {
    ++pos_;
    kind_ = htSymbol;
    state_ = hsValue;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::GreaterProc() {
    ++pos_;
    kind_ = htSymbol;
    state_ = hsText;
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::WordProc() {
    if (state_ == hsTagName) {
        TagNameProc();
        return;
    }
    if (state_ == hsValue) {
        state_ = hsTagBody;
        kind_ = htValue;
        ++pos_;
        while (line_[pos_] > 32 && line_[pos_] != u'>') {
            ++pos_;
        }
        return;
    }
    kind_ = htAttributeName;
    ++pos_;
    for (char16_t c = line_[pos_]; c > 32 && c != u'"' && c != u'=' && c != u'>'; c = line_[pos_]) {
        ++pos_;
    }
}

// The tag name is its letters (with / and !) followed by its digits; anything else is left to
// the tag body, so a name starting with another character only moves on to the tag body.
[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::TagNameProc() {
    state_ = hsTagBody;
    // The name's hash (TagHash) is summed as it is read, and stops growing once too large.
    int p = pos_;
    int hash = 0;
    for (int weight = TagLetterWeight(line_[p]); weight > 0; weight = TagLetterWeight(line_[p])) {
        if (hash <= MaxTagHash)
            hash += weight;
        ++p;
    }
    for (; IsDigit(line_[p]); ++p) {
        if (hash <= MaxTagHash)
            hash += line_[p] - u'0';
    }
    tagNameLength_ = p - pos_;
    const QStringView name = line_.View(pos_, tagNameLength_);
    const int first = line_[pos_] == u'/' ? pos_ + 1 : pos_;
    if (p > first && IsAsciiLetter(line_[first]) && line_[p] == u'-') {
        // A name with a hyphen is a custom element, valid in any page: the whole name is one
        // known tag.
        while (IsAsciiLetter(line_[p]) || IsDigit(line_[p]) || line_[p] == u'-')
            ++p;
        pos_ = p;
        kind_ = htKnownTag;
        return;
    }
    pos_ = p;
    if (hash > MaxTagHash) {
        kind_ = htAttributeName;
    } else {
        kind_ = TagTable().Contains(name) ? htKnownTag : htUnknownTag;
    }
}

[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::HtmlPageToken() {
    tokenStart_ = pos_;
    if (AtPhpOpen(pos_) && state_ != hsComment && state_ != hsServerScript) {
        OpenPhp();
        return;
    }
    // A quoted style="" or on...="" value is CSS or JavaScript between its quotes; any other
    // quoted value is split only around the PHP blocks in it.
    if (state_ == hsValue && line_[pos_] == u'"') {
        const int embed = attribute_ == atStyle   ? emCssValue
                          : attribute_ == atEvent ? emJsValue
                          : PhpInValue(pos_ + 1)  ? emPlainValue
                                                  : emNone;
        if (embed != emNone) {
            ++pos_;
            kind_ = htValue;
            state_ = hsTagBody;
            attribute_ = atOther;
            embed_ = embed;
            embeddedState_ = 0;
            return;
        }
    }
    const TState before = state_;
    ScanHtmlToken();
    // Text, blanks, entities and comments say nothing about the tag being read.
    constexpr unsigned noted = 1U << htKnownTag | 1U << htUnknownTag | 1U << htAttributeName |
                               1U << htValue | 1U << htSymbol | 1U << htQuotedValue;
    if ((noted >> kind_) & 1U)
        NoteHtmlToken(before);
}

// Follows the tag being read: its name, the attribute before each =, the script type; its >
// opens the content of <style> and <script> in their languages. Most tokens are text, blanks
// and symbols, so the token's text is read only for names and values.
[[gnu::always_inline]] inline void TGlyphHTMLHighlighter::NoteHtmlToken(TState before) {
    const auto token = [this] { return line_.View(tokenStart_, pos_ - tokenStart_); };
    switch (kind_) {
    case htKnownTag:
    case htUnknownTag:
    case htAttributeName:
        if (before == hsTagName) {
            tag_ = TagKindOf(token());
            scriptType_ = stUnset;
            attribute_ = atOther;
        } else {
            attribute_ = AttributeKindOf(token());
        }
        break;
    case htValue:
        if (tag_ == tagScript && attribute_ == atType)
            scriptType_ = ScriptTypeOf(token(), atType);
        else if (tag_ == tagScript && attribute_ == atLanguage && scriptType_ == stUnset)
            scriptType_ = ScriptTypeOf(token(), atLanguage);
        attribute_ = atOther;
        break;
    case htSymbol:
        if (pos_ - tokenStart_ != 1)
            break;
        if (line_[tokenStart_] == u'>') {
            if (tag_ == tagStyle)
                embed_ = emCssBlock;
            else if (tag_ == tagScript)
                embed_ = scriptType_ == stVBScript ? emVbsBlock
                         : scriptType_ == stOther  ? emRawScript
                                                   : emJsBlock;
            embeddedState_ = 0;
            tag_ = tagOther;
            scriptType_ = stUnset;
            attribute_ = atOther;
        } else if (line_[tokenStart_] == u'<') {
            tag_ = tagOther;
            attribute_ = atOther;
        }
        break;
    case htQuotedValue:
        attribute_ = atOther;
        break;
    default:
        break;
    }
}

int TGlyphHTMLHighlighter::TagKindOf(QStringView name) {
    if (IsNameNoCase(name, u"script"))
        return tagScript;
    if (IsNameNoCase(name, u"style"))
        return tagStyle;
    return tagOther;
}

int TGlyphHTMLHighlighter::AttributeKindOf(QStringView name) {
    if (IsNameNoCase(name, u"type"))
        return atType;
    if (IsNameNoCase(name, u"language"))
        return atLanguage;
    if (IsNameNoCase(name, u"style"))
        return atStyle;
    if (name.size() > 2 && IsNameNoCase(name.first(2), u"on") &&
        std::all_of(name.begin(), name.end(), [](QChar c) { return IsAsciiLetter(c.unicode()); }))
        return atEvent;
    return atOther;
}

// The script a type="" or language="" value names; browsers run a script of no type or of a
// JavaScript type, and leave any other type as data.
int TGlyphHTMLHighlighter::ScriptTypeOf(QStringView value, int attribute) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    value = value.trimmed();
    if (value.contains(u"vbscript", Qt::CaseInsensitive) ||
        value.compare(u"vbs", Qt::CaseInsensitive) == 0)
        return stVBScript;
    if (attribute == atLanguage || value.isEmpty() ||
        value.contains(u"javascript", Qt::CaseInsensitive) ||
        value.contains(u"ecmascript", Qt::CaseInsensitive) ||
        value.contains(u"jscript", Qt::CaseInsensitive) ||
        value.compare(u"module", Qt::CaseInsensitive) == 0)
        return stJScript;
    return stOther;
}

int TGlyphHTMLHighlighter::TagHash(QStringView name) {
    int hash = 0;
    for (QChar ch : name) {
        const char16_t c = ch.unicode();
        hash += IsDigit(c) ? c - u'0' : TagLetterWeight(c);
        if (hash > MaxTagHash) {
            return MaxTagHash + 1; // long names need no exact sum, and cannot overflow
        }
    }
    return hash;
}

bool TGlyphHTMLHighlighter::IsKnownTag(QStringView name) {
    return TagHash(name) <= MaxTagHash && TagTable().Contains(name);
}

int TGlyphHTMLHighlighter::MatchEntity(QStringView text, int pos) {
    if (pos < 0 || pos + 1 >= text.size() || text[pos] != u'&') {
        return -1;
    }
    const char16_t letter = AsciiLower(text[pos + 1].unicode());
    if (letter < u'a' || letter > u'z') {
        return -1;
    }
    // Every entry ends at its only ;, so only the entries as long as the text up to the first ;
    // can match.
    const QStringView ahead =
        text.sliced(pos, std::min<qsizetype>(kLongestEntity, text.size() - pos));
    const qsizetype semicolon = ahead.indexOf(u';');
    if (semicolon < 0) {
        return -1;
    }
    for (int i : EntitiesByLetter()[std::size_t(letter - u'a')][std::size_t(semicolon + 1)]) {
        if (EntityMatchesAt(text, pos, QStringView(kEntities[i]))) {
            return i;
        }
    }
    return -1;
}

int TGlyphHTMLHighlighter::EntityCount() {
    return kEntityCount;
}

QString TGlyphHTMLHighlighter::EntityAt(int index) {
    if (index < 0 || index >= kEntityCount) {
        return {};
    }
    return QString::fromUtf16(kEntities[index]);
}
