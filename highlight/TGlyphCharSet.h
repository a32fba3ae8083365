#pragma once

#include <QChar>
#include <QStringView>
#include <bitset>

// A set of characters for word and word-break tests. Code units below 256 are members one by
// one; every character above 255 is classified by its Unicode category, so the set keeps the
// role it has for the 8-bit range (letters, anything printable, or nothing) over all of Unicode.
class TGlyphCharSet {
public:
    enum TAbove {
        NoneAbove,        // no character above 255 is a member
        LettersAbove,     // letters, marks and numbers above 255 (word characters)
        PrintableAbove,   // every character above 255 that is not white space
        PunctuationAbove, // punctuation and symbols above 255
    };

    TGlyphCharSet() = default;
    // The characters of `chars` (each below 256) and the rule for characters above 255.
    explicit TGlyphCharSet(QStringView chars, TAbove above = NoneAbove);

    // Every code unit from `first` to `last` (both below 256).
    TGlyphCharSet& AddRange(char16_t first, char16_t last);
    TGlyphCharSet& Add(char16_t c);
    TGlyphCharSet& Remove(char16_t c);
    TGlyphCharSet& SetAbove(TAbove above);

    bool Contains(QChar c) const { return Contains(c.unicode()); }
    bool Contains(char16_t c) const { return c < 256 ? low_[c] : ContainsAbove(c); }
    TAbove Above() const { return above_; }

    bool operator==(const TGlyphCharSet& other) const = default;

private:
    bool ContainsAbove(char16_t c) const;

    std::bitset<256> low_;
    TAbove above_ = NoneAbove;
};
