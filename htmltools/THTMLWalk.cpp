#include "htmltools/THTMLWalk.h"

namespace {

bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

void THTMLWalk::Walk(const QString& text) {
    source_ = text;
    Current = 0;
    TokenStart = 0;
    while (Step()) {
    }
}

bool THTMLWalk::Step() {
    if (AtEnd())
        return false;
    if (!AtTagStart()) {
        ReadText();
        return true;
    }
    TagPos = CurrentPos();
    if (AtCommentStart())
        ReadComment();
    else
        ReadTag();
    return true;
}

bool THTMLWalk::IsTag(QStringView name) const {
    return TagName.compare(name, Qt::CaseInsensitive) == 0;
}

bool THTMLWalk::AtBlank() const {
    const char16_t c = At(Current);
    return c >= 1 && c <= 32;
}

bool THTMLWalk::AtTagEnd() const {
    return AtEnd() || At(Current) == u'>';
}

bool THTMLWalk::AtTagStart() const {
    if (At(Current) != u'<')
        return false;
    const char16_t next = At(Current + 1);
    return next == u'!' || next == u'/' || next == u'?' || IsAsciiLetter(next);
}

bool THTMLWalk::AtCommentStart() const {
    return At(Current) == u'<' && At(Current + 1) == u'!' && At(Current + 2) == u'-' &&
           At(Current + 3) == u'-';
}

void THTMLWalk::SkipBlanks() {
    while (AtBlank())
        ++Current;
}

void THTMLWalk::ReadText() {
    DoTextBegin();
    TokenStart = Current;
    do
        ++Current;
    while (!AtEnd() && !AtTagStart());
    TextRun = Token();
    DoText();
}

// A comment reports nothing; its end may overlap its start, so "<!-->" is a whole comment.
void THTMLWalk::ReadComment() {
    TokenStart = Current;
    const qsizetype close = Source().indexOf(u"-->", Current);
    Current = close < 0 ? source_.size() : close + 3;
}

void THTMLWalk::ReadTag() {
    DoTagBegin();
    ++Current;
    TokenStart = Current;
    while (!AtBlank() && !AtTagEnd())
        ++Current;
    TagName = Token();
    DoTag();
    SkipBlanks();
    while (!AtTagEnd())
        ReadAttribute();
    if (!AtEnd())
        ++Current;
    DoTagEnd();
}

// Every pass consumes at least one character: the loop in ReadTag stops on neither a blank nor
// a tag end, so either the name or the "=" takes it.
void THTMLWalk::ReadAttribute() {
    DoAttributeBegin();
    TokenStart = Current;
    while (!AtBlank() && !AtTagEnd() && At(Current) != u'=')
        ++Current;
    AttrName = Token();
    AttrValue = {};
    DoAttributeName();
    SkipBlanks();
    if (At(Current) == u'=') {
        ++Current;
        SkipBlanks();
        const char16_t quote = At(Current);
        if (quote == u'"' || quote == u'\'') {
            ++Current;
            TokenStart = Current;
            while (!AtEnd() && At(Current) != quote)
                ++Current;
            AttrValue = Token();
            DoAttributeValue();
            if (!AtEnd())
                ++Current;
        } else {
            TokenStart = Current;
            while (!AtBlank() && !AtTagEnd())
                ++Current;
            AttrValue = Token();
            DoAttributeValue();
        }
        SkipBlanks();
    }
    DoAttributeEnd();
}
