// The parts of an HTML page written in other languages: style sheets, scripts and PHP blocks.
// The HTML scanner reads the page; where a part in another language begins, a scanner of that
// language reads it up to the place where the part ends, which is found first, and its tokens
// are drawn with that language's attributes.
//
// Everything a line carries into the next one, and a token boundary into the next token, is in
// the state: the HTML state, the tag being read (and its script type and last attribute name),
// the embedded part with its scanner's state, and an open PHP block with the PHP scanner's state.
#include "highlight/TGlyphHTMLHighlighter.h"

#include "highlight/GlyphLanguageSupport.h"
#include "highlight/TGlyphCssHighlighter.h"
#include "highlight/TGlyphJScriptHighlighter.h"
#include "highlight/TGlyphPHPHighlighter.h"
#include "highlight/TGlyphVBScriptHighlighter.h"

#include <algorithm>

using GlyphLanguage::IsLineBreakChar;

namespace {

// Where each field sits in a state; the HTML state keeps the low bits, so a line of plain HTML
// stores the same numbers as without embedded languages.
constexpr int TagShift = 4;
constexpr int ScriptTypeShift = 6;
constexpr int AttributeShift = 8;
constexpr int EmbedShift = 12;
constexpr int EmbeddedStateShift = 16;
constexpr int PhpShift = 24;
constexpr int PhpStateShift = 25;
// The embedded languages' states are small numbers; the bit above them that a language keeps
// between tokens only matters to directives, which none of them has.
constexpr std::intptr_t InnerStateMask = 0xFF;

template <class T> std::unique_ptr<TGlyphLanguageHighlighter> MakeScanner() {
    return std::make_unique<T>();
}

} // namespace

TGlyphHTMLHighlighter::~TGlyphHTMLHighlighter() = default;

void TGlyphHTMLHighlighter::SetEmbeddedLanguages(const TGlyphEmbeddedLanguages& languages) {
    const auto fixed = [](TGlyphCustomHighlighter* h) { return [h] { return h; }; };
    SetEmbeddedLanguageSources({fixed(languages.Css), fixed(languages.JScript),
                                fixed(languages.VBScript), fixed(languages.PHP)});
}

void TGlyphHTMLHighlighter::SetEmbeddedLanguageSources(
    const TGlyphEmbeddedLanguageSources& sources) {
    const TGlyphLanguageSource* found[] = {&sources.Css, &sources.JScript, &sources.VBScript,
                                           &sources.PHP};
    std::unique_ptr<TGlyphLanguageHighlighter> (*makers[])() = {
        MakeScanner<TGlyphCssHighlighter>, MakeScanner<TGlyphJScriptHighlighter>,
        MakeScanner<TGlyphVBScriptHighlighter>, MakeScanner<TGlyphPHPHighlighter>};
    for (std::size_t i = 0; i < embedded_.size(); ++i) {
        TEmbeddedScanner& part = embedded_[i];
        part.MakeScanner = makers[i];
        part.FindSource = *found[i];
        part.Scanner.reset();
        part.Source = nullptr;
        part.Colours.clear();
    }
    embedding_ = true;
    ResetState();
}

// A page without a part in some language never makes its scanner nor asks for its colours.
void TGlyphHTMLHighlighter::Prepare(TEmbeddedScanner& part) {
    if (part.Scanner)
        return;
    part.Scanner = part.MakeScanner();
    const TGlyphCustomHighlighter* source = part.FindSource ? part.FindSource() : nullptr;
    part.Source = source ? source : part.Scanner.get();
    for (int a = 0; a < part.Scanner->AttributeCount(); ++a) {
        TGlyphHighlighterAttributes* own = part.Scanner->AttributeAt(a);
        TGlyphHighlighterAttributes* colours = part.Source->AttributeByName(own->Name());
        part.Colours.emplace_back(own, colours ? colours : own);
    }
}

const TGlyphCustomHighlighter* TGlyphHTMLHighlighter::TokenLanguage() const {
    return running_ ? embedded_[runningIndex_].Source : this;
}

// ---- States ----

TGlyphCustomHighlighter::TState TGlyphHTMLHighlighter::Pack(const TPageState& page) {
    TState packed = page.Html | TState(page.Tag) << TagShift |
                    TState(page.ScriptType) << ScriptTypeShift |
                    TState(page.Attribute) << AttributeShift | TState(page.Embed) << EmbedShift;
    if (page.Embed != emNone)
        packed |= (page.Embedded & InnerStateMask) << EmbeddedStateShift;
    if (page.InPhp)
        packed |= TState(1) << PhpShift | (page.Php & InnerStateMask) << PhpStateShift;
    return packed;
}

TGlyphHTMLHighlighter::TPageState TGlyphHTMLHighlighter::Unpack(TState state) {
    return {state & 0xF,
            int(state >> TagShift) & 3,
            int(state >> ScriptTypeShift) & 3,
            int(state >> AttributeShift) & 7,
            int(state >> EmbedShift) & 7,
            (state >> EmbeddedStateShift) & InnerStateMask,
            ((state >> PhpShift) & 1) != 0,
            (state >> PhpStateShift) & InnerStateMask};
}

// Whether the page scanner ever stores `state`: each field within its values, an embedded
// part's state one of its language's, and the fields in combinations the scanner makes (the
// content of a block follows the > of its tag, a value's the = of its attribute; < forgets the
// tag; no PHP block opens inside a comment or a <% block).
bool TGlyphHTMLHighlighter::IsStoredPageState(TState state) {
    const TPageState page = Unpack(state);
    if (state < 0 || Pack(page) != state || !IsStoredHtmlState(page.Html) || page.Tag > tagStyle ||
        page.Attribute > atEvent)
        return false;
    if (page.Html == hsTagName && (page.Tag != tagOther || page.Attribute != atOther))
        return false;
    TState embeddedStates = 1;
    switch (page.Embed) {
    case emCssBlock:
    case emCssValue:
        embeddedStates = ctrComment + 1;
        break;
    case emJsBlock:
    case emJsValue:
        embeddedStates = jrBlockComment + 1;
        break;
    default:
        break;
    }
    if (page.Embedded >= embeddedStates)
        return false;
    if (page.Embed != emNone &&
        page.Html != (page.Embed >= emCssValue ? TState(hsTagBody) : TState(hsText)))
        return false;
    return !page.InPhp ||
           (page.Php <= prComment && page.Html != hsComment && page.Html != hsServerScript);
}

TGlyphCustomHighlighter::TState TGlyphHTMLHighlighter::PackState(bool resume) const {
    TPageState page{StoredState(state_), tag_,   scriptType_, attribute_, embed_,
                    embeddedState_,      inPhp_, phpState_};
    if (running_) {
        const TState live = resume ? running_->ResumeState() : running_->State();
        (runningIndex_ == eiPHP ? page.Php : page.Embedded) = live;
    }
    return Pack(page);
}

// A number the scanner never stores (the -1 of a line not scanned yet, a stale number, another
// language's state after a switch of highlighter) is taken as the start of a page rather than
// as a construct the scanner may never leave.
void TGlyphHTMLHighlighter::RestoreState(TState state) {
    entityIndex_ = -1;
    running_ = nullptr;
    tag_ = scriptType_ = attribute_ = 0;
    embed_ = emNone;
    embeddedState_ = phpState_ = 0;
    inPhp_ = false;
    state_ = hsText;
    // A state of plain HTML (every field of the page zero) is the common case on any page.
    if (!embedding_ || (state & ~TState(0xF)) == 0) {
        if (IsStoredHtmlState(state))
            state_ = state;
        return;
    }
    if (!IsStoredPageState(state))
        return;
    const TPageState page = Unpack(state);
    state_ = page.Html;
    tag_ = page.Tag;
    scriptType_ = page.ScriptType;
    attribute_ = page.Attribute;
    embed_ = page.Embed;
    embeddedState_ = page.Embedded;
    inPhp_ = page.InPhp;
    phpState_ = page.Php;
}

void TGlyphHTMLHighlighter::ResetState() {
    RestoreState(hsText);
}

void TGlyphHTMLHighlighter::ForgetSearches() {
    scriptCloser_ = styleCloser_ = valueEnd_ = {};
    running_ = nullptr;
}

// ---- Tokens ----

// One step of a page scan inside a style sheet, a script or a PHP block: true where the scan
// stands on a token, false where it only moved on (a run ended, the part closed, a state changed)
// and the next step decides. Advance explains the steps that only change the state.
bool TGlyphHTMLHighlighter::PartStep() {
    if (!running_) {
        tokenStart_ = pos_;
        if (inPhp_)
            PhpToken();
        else
            EmbeddedToken();
        if (!running_)
            return pos_ > tokenStart_ || kind_ == htLineEnd;
    } else {
        running_->Advance();
    }
    if (!running_->AtLineEnd())
        return true;
    FinishRun();
    return false;
}

void TGlyphHTMLHighlighter::Run(TEmbeddedIndex index, TState state, int end) {
    Prepare(embedded_[index]);
    running_ = embedded_[index].Scanner.get();
    runningIndex_ = index;
    runEnd_ = end;
    running_->RestoreState(state);
    running_->ResumeLineUntil(line_.Text(), pos_, end);
}

void TGlyphHTMLHighlighter::FinishRun() {
    const TState state = running_->State();
    if (runningIndex_ == eiPHP)
        phpState_ = state;
    else
        embeddedState_ = state;
    pos_ = std::max(runEnd_, pos_);
    running_ = nullptr;
}

// <?php, <?= and <? open a PHP block; the opener is a symbol of the page.
void TGlyphHTMLHighlighter::OpenPhp() {
    kind_ = htSymbol;
    pos_ += 2;
    if (line_.View(pos_, 3).compare(u"php", Qt::CaseInsensitive) == 0)
        pos_ += 3;
    else if (line_[pos_] == u'=')
        ++pos_;
    inPhp_ = true;
    phpState_ = 0;
}

void TGlyphHTMLHighlighter::PhpToken() {
    const int end = PhpEnd(pos_, phpState_);
    if (pos_ < end) {
        Run(eiPHP, phpState_, end);
        return;
    }
    if (line_.AtEnd(pos_)) {
        kind_ = htLineEnd;
        return;
    }
    // ?> ends the block and the page goes on where it was.
    pos_ += 2;
    kind_ = htSymbol;
    inPhp_ = false;
    phpState_ = 0;
}

// Where a PHP block ends: the first ?> outside strings and block comments (a line comment ends
// there too), or the end of the line. Follows the PHP scanner's rules for strings and comments.
int TGlyphHTMLHighlighter::PhpEnd(int pos, TState state) const {
    int p = pos;
    while (!line_.AtEnd(p)) {
        const char16_t c = line_[p];
        const char16_t next = line_[p + 1];
        if (state == prSingleQuoted || state == prDoubleQuoted) {
            const char16_t quote = state == prSingleQuoted ? u'\'' : u'"';
            if (c == quote)
                state = prNormal;
            else if (c == u'\\' && (next == quote || next == u'\\'))
                ++p;
            ++p;
        } else if (state == prComment) {
            if (c == u'*' && next == u'/') {
                state = prNormal;
                ++p;
            }
            ++p;
        } else if (c == u'?' && next == u'>') {
            return p;
        } else if (c == u'\'' || c == u'"') {
            state = c == u'\'' ? prSingleQuoted : prDoubleQuoted;
            ++p;
        } else if (c == u'/' && next == u'*') {
            state = prComment;
            p += 2;
        } else if (c == u'#' || (c == u'/' && next == u'/')) {
            for (; !line_.AtEnd(p) && !IsLineBreakChar(line_[p]); ++p) {
                if (line_[p] == u'?' && line_[p + 1] == u'>')
                    return p;
            }
        } else {
            ++p;
        }
    }
    return line_.Length();
}

int TGlyphHTMLHighlighter::FindCloser(TFound& memo, int pos, QStringView name) {
    if (memo.From < 0 || pos < memo.From || (memo.At >= 0 && pos > memo.At)) {
        memo.From = pos;
        memo.At = -1;
        const QStringView text = QStringView(line_.Text()).left(line_.Length());
        for (qsizetype p = text.indexOf(u"</", pos); p >= 0; p = text.indexOf(u"</", p + 2)) {
            if (text.mid(p + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
                memo.At = int(p);
                break;
            }
        }
    }
    return memo.At < 0 ? line_.Length() : memo.At;
}

// The first <? from `pos` before `end`, or `end`: a PHP block is looked for only as far as the
// part it would interrupt reaches, so that a page without PHP is not read to its end at every
// place a scan starts.
int TGlyphHTMLHighlighter::PhpOpenBefore(int pos, int end) const {
    if (pos >= end)
        return end;
    const qsizetype at = QStringView(line_.Text()).left(end).indexOf(u"<?", pos);
    return at < 0 ? end : int(at);
}

// A <style> or <script> ends at its end tag wherever it stands (in a string or comment of the
// script too, as in browsers); a PHP block inside it interrupts it.
int TGlyphHTMLHighlighter::BlockEnd(int pos) {
    const int closer = embed_ == emCssBlock ? FindCloser(styleCloser_, pos, u"style")
                                            : FindCloser(scriptCloser_, pos, u"script");
    return embedding_ ? PhpOpenBefore(pos, closer) : closer;
}

// A quoted value ends at the next double quote or with the line.
int TGlyphHTMLHighlighter::QuoteEnd(int pos) {
    TFound& memo = valueEnd_;
    if (memo.From < 0 || pos < memo.From || (memo.At >= 0 && pos > memo.At)) {
        memo.From = pos;
        memo.At = -1;
        for (int p = pos; !line_.AtEnd(p); ++p) {
            const char16_t c = line_[p];
            if (c == u'"' || IsLineBreakChar(c)) {
                memo.At = p;
                break;
            }
        }
    }
    return memo.At < 0 ? line_.Length() : memo.At;
}

// Whether a PHP block opens inside the quoted value from `pos`. Every quoted value of a page is
// asked about, so its characters are read once here rather than searched after finding its end.
bool TGlyphHTMLHighlighter::PhpInValue(int pos) const {
    const QStringView value = QStringView(line_.Text()).left(line_.Length()).sliced(pos);
    for (auto c = value.begin(); c != value.end(); ++c) {
        if (*c == u'"' || IsLineBreakChar(c->unicode()))
            return false;
        if (*c == u'<' && c + 1 != value.end() && c[1] == u'?')
            return true;
    }
    return false;
}

// A PHP block inside a value interrupts it.
int TGlyphHTMLHighlighter::ValueEnd(int pos) {
    const int end = QuoteEnd(pos);
    return embedding_ ? PhpOpenBefore(pos, end) : end;
}

void TGlyphHTMLHighlighter::EmbeddedToken() {
    const bool value = embed_ >= emCssValue;
    const int end = value ? ValueEnd(pos_) : BlockEnd(pos_);
    if (pos_ < end) {
        switch (embed_) {
        case emRawScript:
            kind_ = htText;
            pos_ = end;
            return;
        case emPlainValue:
            kind_ = htValue;
            pos_ = end;
            return;
        default:
            break;
        }
        const TEmbeddedIndex index = embed_ == emCssBlock || embed_ == emCssValue ? eiCss
                                     : embed_ == emVbsBlock                       ? eiVBScript
                                                                                  : eiJScript;
        Run(index, embeddedState_, end);
        return;
    }
    if (!line_.AtEnd(pos_) && AtPhpOpen(pos_) && embedding_) {
        OpenPhp();
        return;
    }
    if (value && line_[pos_] == u'"') {
        ++pos_;
        kind_ = htValue;
        embed_ = emNone;
        embeddedState_ = 0;
        return;
    }
    if (!value && line_.AtEnd(pos_)) {
        kind_ = htLineEnd;
        return;
    }
    // The end tag of the block, or the end of the line for a value: HTML goes on from here in
    // the next step.
    embed_ = emNone;
    embeddedState_ = 0;
    if (!value)
        state_ = hsText;
    kind_ = htText;
}
