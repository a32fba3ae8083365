#include "editor/TGlyphEditLineChunks.h"

#include <QFileDevice>
#include <QIODevice>
#include <atomic>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

// Chunk numbers fit the bits a shared line keeps for them; the table's pages cost memory only
// once used.
constexpr int MaxChunks = 1 << 16;
// What the loader holds of each chunk until it counts the lines it handed out, so that a line
// dropped before then (a load refused half-way) never frees a chunk under the loader.
constexpr qint64 LoaderHold = qint64(1) << 40;

struct TSlot {
    std::atomic<qint64> Refs{0};
    char* Base = nullptr;
    qsizetype Length = 0;
};

TSlot Slots[MaxChunks];
std::mutex SlotsMutex;
std::vector<int> FreeSlots;
int UnusedSlot = 0;
int Live = 0;
qsizetype LiveBytesHeld = 0;

// A free chunk number for the bytes, or -1 when the table is full.
int Register(char* base, qsizetype length) {
    std::lock_guard lock(SlotsMutex);
    int slot = -1;
    if (!FreeSlots.empty()) {
        slot = FreeSlots.back();
        FreeSlots.pop_back();
    } else if (UnusedSlot < MaxChunks) {
        slot = UnusedSlot++;
    } else {
        return -1;
    }
    Slots[slot].Base = base;
    Slots[slot].Length = length;
    Slots[slot].Refs.store(LoaderHold, std::memory_order_relaxed);
    ++Live;
    LiveBytesHeld += length;
    return slot;
}

void Free(int slot) {
    std::lock_guard lock(SlotsMutex);
    munmap(Slots[slot].Base, size_t(Slots[slot].Length));
    --Live;
    LiveBytesHeld -= Slots[slot].Length;
    Slots[slot].Base = nullptr;
    Slots[slot].Length = 0;
    FreeSlots.push_back(slot);
}

void Drop(int slot, qint64 count) {
    if (Slots[slot].Refs.fetch_sub(count, std::memory_order_acq_rel) == count)
        Free(slot);
}

qsizetype PageRounded(qsizetype size) {
    const qsizetype page = sysconf(_SC_PAGESIZE);
    return (size + page - 1) / page * page;
}

} // namespace

namespace TGlyphEditLineChunks {

void AddLine(int chunk) {
    Slots[chunk].Refs.fetch_add(1, std::memory_order_relaxed);
}

void DropLine(int chunk) {
    Drop(chunk, 1);
}

const char* ChunkData(int chunk) {
    return Slots[chunk].Base;
}

int LiveChunks() {
    std::lock_guard lock(SlotsMutex);
    return Live;
}

qsizetype LiveBytes() {
    std::lock_guard lock(SlotsMutex);
    return LiveBytesHeld;
}

} // namespace TGlyphEditLineChunks

using TGlyphEditLineChunks::ChunkSize;

namespace {
// A file is read aside in pieces of this size, once it holds a few of them.
constexpr qint64 ReadPiece = qint64(1) << 20;
constexpr qint64 ReadAsideFrom = 4 * ReadPiece;
} // namespace

TGlyphLoadedBytes::~TGlyphLoadedBytes() {
    Release();
}

// Fresh memory of its own, so that each chunk can go back to the system on its own.
void TGlyphLoadedBytes::Map(qsizetype size, bool populate) {
    Release();
    if (size == 0)
        return;
    const qsizetype mapped = PageRounded(size);
    void* data =
        mmap(nullptr, size_t(mapped), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        throw std::bad_alloc();
    // A read on this thread writes every page at once: they are made in one go rather than a
    // fault at a time. (A read aside makes them a piece at a time, off this thread.)
    if (populate)
        madvise(data, size_t(mapped), MADV_POPULATE_WRITE);
    data_ = static_cast<char*>(data);
    size_ = size;
    mapped_ = mapped;
    for (qsizetype from = 0; from < mapped; from += ChunkSize)
        chunks_.push_back(Register(data_ + from, std::min(ChunkSize, mapped - from)));
    lineCount_.assign(chunks_.size(), 0);
}

// Each chunk keeps the lines that point into it; the rest goes now.
void TGlyphLoadedBytes::Release() {
    for (std::size_t k = 0; k < chunks_.size(); ++k) {
        if (chunks_[k] >= 0)
            Drop(chunks_[k], LoaderHold - lineCount_[k]);
        else
            munmap(data_ + qsizetype(k) * ChunkSize,
                   size_t(std::min(ChunkSize, mapped_ - qsizetype(k) * ChunkSize)));
    }
    chunks_.clear();
    lineCount_.clear();
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}

void TGlyphLoadedBytes::Assign(const char* bytes, qsizetype size) {
    Map(size, true);
    if (size > 0)
        std::memcpy(data_, bytes, size_t(size));
}

// A file is read straight into the chunks; a device of unknown size (or one that grew while it
// was read) goes through one buffer first.
bool TGlyphLoadedBytes::Read(QIODevice& device, const std::function<void(qsizetype)>& arrived) {
    const auto* file = qobject_cast<QFileDevice*>(&device);
    if (device.isSequential()) {
        const QByteArray bytes = device.readAll();
        if (file && file->error() != QFileDevice::NoError)
            return false;
        Assign(bytes.constData(), bytes.size());
        if (arrived)
            arrived(size_);
        return true;
    }
    const qint64 size = std::max<qint64>(device.size() - device.pos(), 0);
    const bool aside = arrived && size >= ReadAsideFrom;
    Map(qsizetype(size), !aside);
    std::exception_ptr failure;
    qint64 got = 0;
    if (aside) {
        got = ReadAside(device, size, arrived, failure);
    } else {
        while (got < size) {
            const qint64 n = device.read(data_ + got, size - got);
            if (n <= 0)
                break;
            got += n;
        }
    }
    const QByteArray rest = device.readAll();
    if ((file && file->error() != QFileDevice::NoError) || got < size) {
        Release();
        return false;
    }
    if (failure)
        std::rethrow_exception(failure);
    if (!rest.isEmpty()) {
        const QByteArray whole = QByteArray(data_, size_) + rest;
        Assign(whole.constData(), whole.size());
    } else if (arrived && !aside) {
        arrived(size_);
    }
    return true;
}

// Reads on a thread of its own, a piece at a time, while `arrived` works here on what is in.
// An exception from `arrived` ends the calls but not the read: whether the read fails decides
// which error the user sees. Answers how many bytes were read.
qint64 TGlyphLoadedBytes::ReadAside(QIODevice& device, qint64 size,
                                    const std::function<void(qsizetype)>& arrived,
                                    std::exception_ptr& failure) {
    // The bytes read so far, with Ended added once the reader stops.
    constexpr qint64 Ended = qint64(1) << 62;
    std::atomic<qint64> progress{0};
    const std::jthread reader([&] {
        qint64 got = 0;
        while (got < size) {
            // Each piece's pages are made in one go before the read writes them.
            madvise(data_ + got, size_t(std::min(ReadPiece, qint64(mapped_) - got)),
                    MADV_POPULATE_WRITE);
            const qint64 n = device.read(data_ + got, std::min(ReadPiece, size - got));
            if (n <= 0)
                break;
            got += n;
            progress.store(got, std::memory_order_release);
            progress.notify_one();
        }
        progress.store(got | Ended, std::memory_order_release);
        progress.notify_one();
    });
    // What has arrived is told a piece at a time, so that the places where the work is cut
    // do not depend on how far ahead the reader is.
    qint64 seen = 0;
    qint64 told = 0;
    while (!(seen & Ended)) {
        progress.wait(seen, std::memory_order_acquire);
        seen = progress.load(std::memory_order_acquire);
        const qint64 got = seen & ~Ended;
        while (!failure && told < got) {
            told = std::min(told + ReadPiece, got);
            try {
                arrived(qsizetype(told));
            } catch (...) {
                failure = std::current_exception();
            }
        }
    }
    return seen & ~Ended;
}

TGlyphEditLineChars TGlyphLoadedBytes::Share(qsizetype offset, qsizetype size) {
    if (size == 0)
        return {};
    const qsizetype k = offset / ChunkSize;
    if (size >= TGlyphEditLineChars::LongLine || (offset + size - 1) / ChunkSize != k ||
        chunks_[std::size_t(k)] < 0)
        return TGlyphEditLineChars::FromLatin1(data_ + offset, size);
    ++lineCount_[std::size_t(k)];
    return TGlyphEditLineChars::FromChunk(chunks_[std::size_t(k)], offset - k * ChunkSize, size);
}
