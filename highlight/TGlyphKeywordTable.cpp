#include "highlight/TGlyphKeywordTable.h"

#include <QChar>
#include <array>

namespace {

// Longest word folded on the stack; the keyword lists stay far below it, and a longer word is
// only ever compared when a keyword is that long.
constexpr int kStackWord = 128;

} // namespace

TGlyphKeywordTable::TGlyphKeywordTable(unsigned match) : match_(match) {
    Rehash(64);
}

char16_t TGlyphKeywordTable::FoldChar(char16_t c) const {
    if ((match_ & DigitsEqual) && c >= u'0' && c <= u'9') {
        return u'0';
    }
    if (match_ & IgnoreCase) {
        if (c < 128) {
            return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        }
        if (!QChar::isSurrogate(c)) {
            return QChar(c).toCaseFolded().unicode();
        }
    }
    return c;
}

bool TGlyphKeywordTable::Fold(QStringView word, char16_t* out, int capacity) const {
    if (word.size() > capacity) {
        return false;
    }
    const char16_t* s = word.utf16();
    for (qsizetype i = 0; i < word.size(); ++i) {
        out[i] = FoldChar(s[i]);
    }
    return true;
}

std::size_t TGlyphKeywordTable::HashOf(const char16_t* s, int n) {
    std::size_t h = HashStart;
    for (int i = 0; i < n; ++i) {
        h = HashStep(h, s[i]);
    }
    return h;
}

int TGlyphKeywordTable::Lookup(const char16_t* key, int n) const {
    return Lookup(key, n, HashOf(key, n));
}

int TGlyphKeywordTable::Lookup(const char16_t* key, int n, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const int e = slots_[i];
        if (e < 0) {
            return -1;
        }
        const QString& k = entries_[std::size_t(e)].Key;
        if (k.size() == n &&
            std::equal(key, key + n, reinterpret_cast<const char16_t*>(k.constData()))) {
            return e;
        }
    }
}

void TGlyphKeywordTable::Rehash(std::size_t slotCount) {
    slots_.assign(slotCount, -1);
    const std::size_t mask = slotCount - 1;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const QString& k = entries_[e].Key;
        std::size_t i =
            HashOf(reinterpret_cast<const char16_t*>(k.constData()), int(k.size())) & mask;
        while (slots_[i] >= 0) {
            i = (i + 1) & mask;
        }
        slots_[i] = int(e);
    }
}

void TGlyphKeywordTable::Add(QStringView word, int kind) {
    QString key(word.size(), Qt::Uninitialized);
    Fold(word, reinterpret_cast<char16_t*>(key.data()), int(word.size()));
    if (Lookup(reinterpret_cast<const char16_t*>(key.constData()), int(key.size())) >= 0) {
        return;
    }
    entries_.push_back({key, kind});
    longest_ = std::max(longest_, int(key.size()));
    // Keep the slots at most half full so that probing stays short.
    if (entries_.size() * 2 > slots_.size()) {
        Rehash(slots_.size() * 2);
        return;
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t i =
        HashOf(reinterpret_cast<const char16_t*>(key.constData()), int(key.size())) & mask;
    while (slots_[i] >= 0) {
        i = (i + 1) & mask;
    }
    slots_[i] = int(entries_.size() - 1);
}

void TGlyphKeywordTable::Add(const QStringList& words, int kind) {
    for (const QString& w : words) {
        Add(QStringView(w), kind);
    }
}

void TGlyphKeywordTable::SetHashLimit(TWordHash hash, int maxHash) {
    wordHash_ = hash;
    maxHash_ = maxHash;
}

int TGlyphKeywordTable::Find(QStringView word, int notFound) const {
    const int e = FindEntry(word);
    return e < 0 ? notFound : entries_[std::size_t(e)].Kind;
}

bool TGlyphKeywordTable::Contains(QStringView word) const {
    return FindEntry(word) >= 0;
}

int TGlyphKeywordTable::FindEntry(QStringView word) const {
    const int n = int(word.size());
    if (n > longest_) {
        return -1;
    }
    if (wordHash_ && wordHash_(word) > maxHash_) {
        return -1;
    }
    const char16_t* s = word.utf16();
    // Every identifier of a scanned line is asked about: the word is folded and hashed in one
    // pass, ASCII without a call, and a table that folds nothing hashes the word as it is.
    if (match_ == CaseSensitive) {
        return Lookup(s, n);
    }
    std::array<char16_t, kStackWord> stack;
    std::vector<char16_t> heap;
    char16_t* key = stack.data();
    if (n > kStackWord) {
        heap.resize(std::size_t(n));
        key = heap.data();
    }
    const bool digitsEqual = match_ & DigitsEqual;
    const bool ignoreCase = match_ & IgnoreCase;
    std::size_t hash = HashStart;
    for (int i = 0; i < n; ++i) {
        char16_t c = s[i];
        if (c >= 128)
            c = FoldChar(c);
        else if (digitsEqual && c >= u'0' && c <= u'9')
            c = u'0';
        else if (ignoreCase && c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
        key[i] = c;
        hash = HashStep(hash, c);
    }
    return Lookup(key, n, hash);
}
