#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <array>
#include <bit>
#include <cstdint>

// The characters of one line, behind one pointer-sized field, in one of four forms:
// - none: an empty line costs nothing;
// - shared: the line's bytes as they were loaded, one byte a character, pointing into a large
//   chunk of the loaded file that many lines share (TGlyphEditLineChunks); a line that is never
//   edited costs no block of its own, and a chunk goes once no line points into it;
// - a block of its own with its size and capacity: one byte a character (Latin-1) when every
//   character is below 256, else UTF-16 code units; a shared line gets one when it is edited;
// - a QString for a very long line (LongLine characters and more), so that handing it out as
//   text costs no conversion of megabytes.
// Edits change the characters in place: typing in a long line moves memory but never rebuilds
// the line.
class TGlyphEditLineChars {
public:
    static constexpr qsizetype LongLine = 4096;

    TGlyphEditLineChars() = default;
    explicit TGlyphEditLineChars(QStringView text);
    // Shares the text of a long line instead of copying it.
    explicit TGlyphEditLineChars(const QString& text);
    // Latin-1 bytes as they are (each byte is the character of that code).
    static TGlyphEditLineChars FromLatin1(const char* bytes, qsizetype size);
    // Points at `size` loaded bytes (below LongLine) at `offset` of the shared chunk `chunk`,
    // whose reference the caller has already counted for this line.
    static TGlyphEditLineChars FromChunk(int chunk, qsizetype offset, qsizetype size);
    TGlyphEditLineChars(const TGlyphEditLineChars& other);
    TGlyphEditLineChars(TGlyphEditLineChars&& other) noexcept : halves_(other.halves_) {
        other.halves_ = {};
    }
    TGlyphEditLineChars& operator=(const TGlyphEditLineChars& other);
    TGlyphEditLineChars& operator=(TGlyphEditLineChars&& other) noexcept;
    ~TGlyphEditLineChars();

    qsizetype Size() const;
    // UTF-16 code units rather than Latin-1 bytes.
    bool IsWide() const { return LongText() || (BlockOf() && BlockOf()->Wide); }
    // Whether the characters still point into a shared chunk of the loaded file.
    bool IsShared() const { return (Bits() & TagMask) == ChunkTag; }
    char16_t At(qsizetype i) const;
    QString ToString() const;
    // The characters into `text`, in the room it already has when no one else holds it: a
    // reader that goes over many lines one at a time allocates once.
    void CopyTo(QString& text) const;
    // `from` and `count` must lie inside the line.
    QString Mid(qsizetype from, qsizetype count) const;
    bool Contains(char16_t c) const;
    // Replaces `count` characters at `from` by `text` in place (both inside the line).
    void Replace(qsizetype from, qsizetype count, QStringView text);
    // Calls f(pointer, size) with const uchar* for a Latin-1 line, const char16_t* otherwise.
    template <typename F> decltype(auto) Visit(F&& f) const {
        if (const QString* text = LongText())
            return f(reinterpret_cast<const char16_t*>(text->utf16()), text->size());
        if (IsWide())
            return f(WideData(), Size());
        return f(reinterpret_cast<const uchar*>(NarrowData()), Size());
    }

private:
    struct Block {
        std::uint32_t Size;
        std::uint32_t Capacity : 31;
        std::uint32_t Wide : 1;
    };
    // The low two bits tell the form: 0 a Block* (or nothing), 1 a QString*, 2 a shared
    // line, whose size, offset in its chunk and chunk number fill the bits above them.
    static constexpr std::uintptr_t TagMask = 3;
    static constexpr std::uintptr_t LongTag = 1;
    static constexpr std::uintptr_t ChunkTag = 2;
    static constexpr int SizeShift = 2;
    static constexpr int SizeBits = 12; // LongLine - 1 at most
    static constexpr int OffsetShift = SizeShift + SizeBits;
    static constexpr int OffsetBits = 20; // within a chunk of TGlyphEditLineChunks::ChunkSize
    static constexpr int ChunkShift = OffsetShift + OffsetBits;
    static_assert(sizeof(std::uintptr_t) == 8, "a shared line packs its place into 64 bits");

    static Block* Allocate(qsizetype capacity, bool wide);
    // The 64 bits are kept as two 32-bit halves: a line record then needs only 4-byte alignment
    // and packs to 12 bytes in its array. A load or store of both is still one move.
    std::uintptr_t Bits() const { return std::bit_cast<std::uintptr_t>(halves_); }
    void SetBits(std::uintptr_t bits) { halves_ = std::bit_cast<Halves>(bits); }
    Block* BlockOf() const {
        const std::uintptr_t bits = Bits();
        return bits & TagMask ? nullptr : reinterpret_cast<Block*>(bits);
    }
    QString* LongText() const {
        const std::uintptr_t bits = Bits();
        return (bits & TagMask) == LongTag ? reinterpret_cast<QString*>(bits & ~TagMask) : nullptr;
    }
    int ChunkOf() const { return int(Bits() >> ChunkShift); }
    qsizetype SharedSize() const {
        return qsizetype((Bits() >> SizeShift) & ((1 << SizeBits) - 1));
    }
    const char* SharedData() const;
    void SetBlock(Block* block) { SetBits(reinterpret_cast<std::uintptr_t>(block)); }
    void SetLong(QString text);
    void Release();
    // The characters a shared line points at, in a block of its own.
    void Unshare();
    const char* NarrowData() const;
    char* BlockNarrowData() const { return reinterpret_cast<char*>(BlockOf() + 1); }
    char16_t* WideData() const { return reinterpret_cast<char16_t*>(BlockOf() + 1); }
    void Widen(qsizetype capacity);
    void Narrow();
    void Reserve(qsizetype size);
    void ReplaceInBlock(qsizetype from, qsizetype count, QStringView text);

    using Halves = std::array<std::uint32_t, 2>;
    Halves halves_{};
};
static_assert(sizeof(TGlyphEditLineChars) == 8 && alignof(TGlyphEditLineChars) == 4);
Q_DECLARE_TYPEINFO(TGlyphEditLineChars, Q_RELOCATABLE_TYPE);
