#pragma once

#include "editor/TGlyphEditLineChars.h"

#include <QtGlobal>
#include <exception>
#include <functional>
#include <vector>

class QIODevice;

// The shared chunks that loaded lines point into. A loaded file's bytes are read once into
// memory mapped for them and cut into chunks of ChunkSize bytes; a line whose characters are
// its bytes (plain ASCII, or Latin-1 that a single-byte file reads as such) points into its
// chunk instead of copying them. Each chunk counts the lines that point into it and is handed
// back to the system when the last of them is edited, deleted or dropped. Used from the
// user-interface thread; the counts are atomic so that a copy of a line may die elsewhere.
namespace TGlyphEditLineChunks {
constexpr qsizetype ChunkSize = qsizetype(1) << 20;

// Counts one more line pointing into `chunk`, or one fewer (freeing the chunk at none).
void AddLine(int chunk);
void DropLine(int chunk);
const char* ChunkData(int chunk);
// The chunks alive now and the bytes they hold, for tests and measurements.
int LiveChunks();
qsizetype LiveBytes();
} // namespace TGlyphEditLineChunks

// The bytes of a file being loaded, in chunks that lines can share. What no line took when
// this goes (all of it, when a load fails) is handed back at once.
class TGlyphLoadedBytes {
public:
    TGlyphLoadedBytes() = default;
    ~TGlyphLoadedBytes();
    TGlyphLoadedBytes(const TGlyphLoadedBytes&) = delete;
    TGlyphLoadedBytes& operator=(const TGlyphLoadedBytes&) = delete;

    // Reads the whole device (from where it stands) into fresh memory; throws std::bad_alloc
    // when there is no room, and reports a failed read as false, keeping nothing. A large file
    // is read on a thread of its own while `arrived(count)` is called here as its first
    // `count` bytes come in, the last time with Size(): the caller can work on what is in
    // while the rest is read. A read that fails wins over an exception from `arrived`. When
    // the file grew while it was read, `arrived` never sees all of what Data() then holds.
    bool Read(QIODevice& device, const std::function<void(qsizetype)>& arrived = {});
    // Takes bytes that are already in memory.
    void Assign(const char* bytes, qsizetype size);

    const char* Data() const { return data_; }
    qsizetype Size() const { return size_; }

    // The characters of the `size` bytes at `offset`, each byte the character of its code:
    // shared with the chunk where they lie in one chunk and are shorter than a long line, else
    // in a block of their own.
    TGlyphEditLineChars Share(qsizetype offset, qsizetype size);

private:
    void Map(qsizetype size, bool populate);
    qint64 ReadAside(QIODevice& device, qint64 size, const std::function<void(qsizetype)>& arrived,
                     std::exception_ptr& failure);
    void Release();

    char* data_ = nullptr;
    qsizetype size_ = 0;
    qsizetype mapped_ = 0;
    std::vector<int> chunks_;       // registered chunk numbers, in order; -1 where none was free
    std::vector<qint64> lineCount_; // lines handed out per chunk, counted in bulk at the end
};
