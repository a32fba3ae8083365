#include "highlight/TGlyphCharSet.h"

TGlyphCharSet::TGlyphCharSet(QStringView chars, TAbove above) : above_(above) {
    for (QChar c : chars) {
        Add(c.unicode());
    }
}

TGlyphCharSet& TGlyphCharSet::AddRange(char16_t first, char16_t last) {
    for (char16_t c = first; c <= last && c < 256; ++c) {
        low_.set(c);
    }
    return *this;
}

TGlyphCharSet& TGlyphCharSet::Add(char16_t c) {
    if (c < 256) {
        low_.set(c);
    }
    return *this;
}

TGlyphCharSet& TGlyphCharSet::Remove(char16_t c) {
    if (c < 256) {
        low_.reset(c);
    }
    return *this;
}

TGlyphCharSet& TGlyphCharSet::SetAbove(TAbove above) {
    above_ = above;
    return *this;
}

bool TGlyphCharSet::ContainsAbove(char16_t c) const {
    const QChar ch(c);
    switch (above_) {
    case LettersAbove:
        return ch.isLetterOrNumber() || ch.isMark() || ch.isSurrogate();
    case PrintableAbove:
        return !ch.isSpace() && ch.category() != QChar::Other_Control;
    case PunctuationAbove:
        return ch.isPunct() || ch.isSymbol();
    case NoneAbove:
        break;
    }
    return false;
}
