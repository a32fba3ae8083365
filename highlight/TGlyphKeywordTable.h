#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

// A keyword lookup by a hash of the word, shared by every language: built once from the
// language's keyword lists, each word with the token kind it gives, then asked per identifier.
//
//   TGlyphKeywordTable keywords(TGlyphKeywordTable::IgnoreCase);
//   keywords.Add({"and", "array", "break"}, tkKey);
//   int kind = keywords.Find(word, tkIdentifier);
//
// Matching: CaseSensitive compares exactly; IgnoreCase folds case (Unicode case folding, which
// for ASCII is A-Z = a-z); DigitsEqual lets any digit 0-9 match any other digit (CSS's
// "panose-1"). Flags combine. The first word added wins when two fold to the same key.
//
// A language whose keyword table has a fixed number of hash values can give its own word hash
// and the largest hash it looks up (SetHashLimit): a word whose hash exceeds the limit is never
// found, even when it is in the list.
class TGlyphKeywordTable {
public:
    enum TMatch : unsigned {
        CaseSensitive = 0,
        IgnoreCase = 1,
        DigitsEqual = 2,
    };
    using TWordHash = int (*)(QStringView word);

    explicit TGlyphKeywordTable(unsigned match = CaseSensitive);

    void Add(QStringView word, int kind);
    void Add(const QStringList& words, int kind);
    void SetHashLimit(TWordHash hash, int maxHash);

    // The kind of `word`, or `notFound`.
    int Find(QStringView word, int notFound) const;
    bool Contains(QStringView word) const;

    int Count() const { return int(entries_.size()); }
    unsigned Match() const { return match_; }

private:
    struct TEntry {
        QString Key; // folded
        int Kind;
    };

    // Folds `word` into `out` (at most `capacity` units); false when it is longer.
    bool Fold(QStringView word, char16_t* out, int capacity) const;
    char16_t FoldChar(char16_t c) const;
    // FNV-1a over the code units: cheap and spreads short words well.
    static constexpr std::size_t HashStart = 2166136261u;
    static constexpr std::size_t HashStep(std::size_t h, char16_t c) { return (h ^ c) * 16777619u; }
    static std::size_t HashOf(const char16_t* s, int n);
    void Rehash(std::size_t slotCount);
    int Lookup(const char16_t* key, int n) const;
    int Lookup(const char16_t* key, int n, std::size_t hash) const;
    int FindEntry(QStringView word) const;

    unsigned match_;
    std::vector<TEntry> entries_;
    std::vector<int> slots_; // open addressing, -1 empty; size a power of two
    int longest_ = 0;
    TWordHash wordHash_ = nullptr;
    int maxHash_ = 0;
};
