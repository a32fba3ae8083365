#include "editor/TGlyphEditLineChars.h"

#include "editor/TGlyphEditLineChunks.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Whether every character fits in one byte; checks a block at a time so the loop vectorises.
bool AllLatin1(const char16_t* p, qsizetype n) {
    constexpr qsizetype Step = 32;
    qsizetype i = 0;
    for (; i + Step <= n; i += Step) {
        char16_t bits = 0;
        for (qsizetype k = 0; k < Step; ++k)
            bits |= p[i + k];
        if (bits > 0xFF)
            return false;
    }
    char16_t bits = 0;
    for (; i < n; ++i)
        bits |= p[i];
    return bits <= 0xFF;
}

void CopyNarrowing(const char16_t* from, qsizetype n, char* to) {
    for (qsizetype i = 0; i < n; ++i)
        to[i] = char(from[i]);
}

void CopyWidening(const char* from, qsizetype n, char16_t* to) {
    for (qsizetype i = 0; i < n; ++i)
        to[i] = char16_t(uchar(from[i]));
}

} // namespace

TGlyphEditLineChars::Block* TGlyphEditLineChars::Allocate(qsizetype capacity, bool wide) {
    const qsizetype unit = wide ? 2 : 1;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size_t(capacity * unit)));
    if (!block)
        throw std::bad_alloc();
    block->Size = 0;
    block->Capacity = std::uint32_t(capacity);
    block->Wide = wide ? 1 : 0;
    return block;
}

TGlyphEditLineChars::TGlyphEditLineChars(QStringView text) {
    const qsizetype n = text.size();
    if (n == 0)
        return;
    if (n >= LongLine) {
        SetLong(text.toString());
        return;
    }
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const bool wide = !AllLatin1(units, n);
    SetBlock(Allocate(n, wide));
    BlockOf()->Size = std::uint32_t(n);
    if (wide)
        std::memcpy(WideData(), units, size_t(n) * 2);
    else
        CopyNarrowing(units, n, BlockNarrowData());
}

TGlyphEditLineChars::TGlyphEditLineChars(const QString& text) {
    if (text.size() >= LongLine)
        SetLong(text);
    else
        *this = TGlyphEditLineChars(QStringView(text));
}

TGlyphEditLineChars TGlyphEditLineChars::FromLatin1(const char* bytes, qsizetype size) {
    TGlyphEditLineChars chars;
    if (size == 0)
        return chars;
    if (size >= LongLine) {
        chars.SetLong(QString::fromLatin1(bytes, size));
        return chars;
    }
    chars.SetBlock(Allocate(size, false));
    chars.BlockOf()->Size = std::uint32_t(size);
    std::memcpy(chars.BlockNarrowData(), bytes, size_t(size));
    return chars;
}

TGlyphEditLineChars TGlyphEditLineChars::FromChunk(int chunk, qsizetype offset, qsizetype size) {
    TGlyphEditLineChars chars;
    chars.SetBits(ChunkTag | std::uintptr_t(size) << SizeShift |
                  std::uintptr_t(offset) << OffsetShift | std::uintptr_t(chunk) << ChunkShift);
    return chars;
}

// A copy of a shared line shares the chunk too.
TGlyphEditLineChars::TGlyphEditLineChars(const TGlyphEditLineChars& other) {
    if (other.IsShared()) {
        TGlyphEditLineChunks::AddLine(other.ChunkOf());
        halves_ = other.halves_;
        return;
    }
    if (const QString* text = other.LongText()) {
        SetLong(*text);
        return;
    }
    const qsizetype n = other.Size();
    if (n == 0)
        return;
    SetBlock(Allocate(n, other.IsWide()));
    BlockOf()->Size = std::uint32_t(n);
    std::memcpy(BlockOf() + 1, other.BlockOf() + 1, size_t(n) * (other.IsWide() ? 2 : 1));
}

TGlyphEditLineChars& TGlyphEditLineChars::operator=(const TGlyphEditLineChars& other) {
    if (this != &other)
        *this = TGlyphEditLineChars(other);
    return *this;
}

TGlyphEditLineChars& TGlyphEditLineChars::operator=(TGlyphEditLineChars&& other) noexcept {
    std::swap(halves_, other.halves_);
    return *this;
}

TGlyphEditLineChars::~TGlyphEditLineChars() {
    Release();
}

void TGlyphEditLineChars::Release() {
    if (IsShared())
        TGlyphEditLineChunks::DropLine(ChunkOf());
    else if (QString* text = LongText())
        delete text;
    else
        std::free(BlockOf());
    halves_ = {};
}

void TGlyphEditLineChars::SetLong(QString text) {
    auto* held = new QString(std::move(text));
    SetBits(reinterpret_cast<std::uintptr_t>(held) | LongTag);
}

const char* TGlyphEditLineChars::SharedData() const {
    return TGlyphEditLineChunks::ChunkData(ChunkOf()) +
           ((Bits() >> OffsetShift) & ((1 << OffsetBits) - 1));
}

const char* TGlyphEditLineChars::NarrowData() const {
    if (IsShared())
        return SharedData();
    // An empty line has no block to point into.
    static constexpr char NoChars[1] = {};
    return BlockOf() ? BlockNarrowData() : NoChars;
}

void TGlyphEditLineChars::Unshare() {
    TGlyphEditLineChars own = FromLatin1(SharedData(), SharedSize());
    std::swap(halves_, own.halves_);
}

qsizetype TGlyphEditLineChars::Size() const {
    if (IsShared())
        return SharedSize();
    if (const QString* text = LongText())
        return text->size();
    return BlockOf() ? BlockOf()->Size : 0;
}

char16_t TGlyphEditLineChars::At(qsizetype i) const {
    if (const QString* text = LongText())
        return text->at(i).unicode();
    return IsWide() ? WideData()[i] : char16_t(uchar(NarrowData()[i]));
}

QString TGlyphEditLineChars::ToString() const {
    if (const QString* text = LongText())
        return *text;
    return Mid(0, Size());
}

void TGlyphEditLineChars::CopyTo(QString& text) const {
    if (const QString* longText = LongText()) {
        text = *longText;
        return;
    }
    text.resize(Size());
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    if (IsWide()) {
        std::copy(WideData(), WideData() + Size(), out);
        return;
    }
    // Every line a re-scan reads passes here: Qt's Latin-1 decoding widens into the room the
    // string already has, with no allocation per line.
    thread_local QStringDecoder latin1(QStringConverter::Latin1);
    latin1.appendToBuffer(text.data(), QByteArrayView(NarrowData(), Size()));
}

QString TGlyphEditLineChars::Mid(qsizetype from, qsizetype count) const {
    if (count <= 0)
        return QString();
    if (const QString* text = LongText())
        return text->mid(from, count);
    if (IsWide())
        return QString(reinterpret_cast<const QChar*>(WideData() + from), count);
    return QString::fromLatin1(NarrowData() + from, count);
}

bool TGlyphEditLineChars::Contains(char16_t c) const {
    if (const QString* text = LongText())
        return text->contains(QChar(c));
    const qsizetype n = Size();
    if (n == 0)
        return false;
    if (!IsWide())
        return c <= 0xFF && std::memchr(NarrowData(), int(c), size_t(n)) != nullptr;
    const char16_t* p = WideData();
    return std::find(p, p + n, c) != p + n;
}

// Room for `size` characters in the present form. Longer lines get half as much again, so
// that typing in them reallocates only now and then.
void TGlyphEditLineChars::Reserve(qsizetype size) {
    Block* block = BlockOf();
    if (block && size <= qsizetype(block->Capacity))
        return;
    const qsizetype capacity = size + (size >= 256 ? size / 2 : 8);
    if (!block) {
        SetBlock(Allocate(capacity, false));
        return;
    }
    const qsizetype bytes = sizeof(Block) + capacity * (block->Wide ? 2 : 1);
    auto* grown = static_cast<Block*>(std::realloc(block, size_t(bytes)));
    if (!grown)
        throw std::bad_alloc();
    grown->Capacity = std::uint32_t(capacity);
    SetBlock(grown);
}

void TGlyphEditLineChars::Widen(qsizetype capacity) {
    const qsizetype n = Size();
    Block* wide = Allocate(std::max(capacity, n), true);
    wide->Size = std::uint32_t(n);
    if (BlockOf())
        CopyWidening(BlockNarrowData(), n, reinterpret_cast<char16_t*>(wide + 1));
    std::free(BlockOf());
    SetBlock(wide);
}

void TGlyphEditLineChars::Narrow() {
    const qsizetype n = Size();
    Block* narrow = Allocate(n, false);
    narrow->Size = std::uint32_t(n);
    CopyNarrowing(WideData(), n, reinterpret_cast<char*>(narrow + 1));
    std::free(BlockOf());
    SetBlock(narrow);
}

// A line changes form only when it crosses the long-line size (coming back below half of it,
// so that typing at the border does not convert it to and fro). A shared line takes a block of
// its own first: the chunk's bytes are never written.
void TGlyphEditLineChars::Replace(qsizetype from, qsizetype count, QStringView text) {
    const qsizetype newSize = Size() - count + text.size();
    if (newSize == 0) {
        Release();
        return;
    }
    if (QString* held = LongText()) {
        held->replace(from, count, text.data(), text.size());
        if (newSize < LongLine / 2)
            *this = TGlyphEditLineChars(QStringView(*held));
        return;
    }
    if (newSize >= LongLine) {
        QString whole = ToString();
        whole.replace(from, count, text.data(), text.size());
        Release();
        SetLong(std::move(whole));
        return;
    }
    if (IsShared())
        Unshare();
    ReplaceInBlock(from, count, text);
}

void TGlyphEditLineChars::ReplaceInBlock(qsizetype from, qsizetype count, QStringView text) {
    const qsizetype oldSize = Size();
    const qsizetype newSize = oldSize - count + text.size();
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const bool textWide = !AllLatin1(units, text.size());
    // Characters above 255 leaving a wide line may let it go back to one byte a character.
    bool removedWide = false;
    if (IsWide() && !textWide)
        removedWide = !AllLatin1(WideData() + from, count);
    if (textWide && !IsWide())
        Widen(newSize);
    Reserve(newSize);
    const qsizetype tail = oldSize - from - count;
    if (IsWide()) {
        char16_t* d = WideData();
        std::memmove(d + from + text.size(), d + from + count, size_t(tail) * 2);
        if (!text.isEmpty()) // an empty text may have no characters to point at
            std::memcpy(d + from, units, size_t(text.size()) * 2);
    } else {
        char* d = BlockNarrowData();
        std::memmove(d + from + text.size(), d + from + count, size_t(tail));
        CopyNarrowing(units, text.size(), d + from);
    }
    BlockOf()->Size = std::uint32_t(newSize);
    if (removedWide && AllLatin1(WideData(), newSize))
        Narrow();
}
