// Copying a stored entry chunk by chunk and decoding a compressed entry in memory.
#include "listing/extract_entry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "pbo/lzss.h"

namespace qp {
namespace {

constexpr std::uint32_t kChunkSize = 1024;  // the progress step of a stored entry
constexpr std::uint32_t kBlockSize = 1024 * kChunkSize;
// The decoder counts in signed 32 bits; larger entries cannot be held in memory here anyway.
constexpr std::uint32_t kLargestBuffer = 0x7FFFFFFF;

Outcome CreateDestination(const char* destination, FileHandle& file) {
    const OpenResult created = OpenFile(destination, OpenMode::create_always);
    file = created.handle;
    return created.handle != nullptr ? Outcome::ok : Outcome::create_failed;
}

// Closes the destination; a failure to close counts only when everything before it went well.
Outcome CloseDestination(FileHandle file, Outcome outcome) {
    const IoStatus closed = CloseFile(file);
    if (outcome == Outcome::ok && closed != IoStatus::ok) return Outcome::close_failed;
    return outcome;
}

// Reports what the 1024-byte chunks of `count` bytes, of which `written` reached the target,
// would each have reported: every chunk written whole its size, the one the write stopped in
// the part of it written, even none.
void ReportChunks(const char* destination, std::uint32_t written, std::uint32_t count,
                  Progress& progress) {
    for (std::uint32_t at = 0; at < count; at += kChunkSize) {
        const std::uint32_t chunk = std::min(count - at, kChunkSize);
        const std::uint32_t done = written > at ? std::min(written - at, chunk) : 0;
        Report(progress, destination, static_cast<int>(done));
        if (done != chunk) return;
    }
}

// Copies through a block of many chunks, one read and one write per block; the host still sees
// one report per 1024-byte chunk. Without memory for the block, a single chunk is the block.
Outcome CopyChunks(ArchiveReader& reader, std::uint32_t size, FileHandle target,
                   const char* destination, Progress& progress) {
    std::uint8_t chunk[kChunkSize];
    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kBlockSize]);
    std::uint8_t* const buffer = block ? block.get() : chunk;
    const std::uint32_t buffer_size = block ? kBlockSize : kChunkSize;
    std::uint32_t remaining = size;
    while (remaining != 0) {
        const std::uint32_t wanted = std::min(remaining, buffer_size);
        const Transfer read = ReadBytes(reader.input.file, buffer, wanted);
        if (read.bytes > 0) {
            const Transfer written = WriteBytes(target, buffer, read.bytes);
            ReportChunks(destination, written.bytes, read.bytes, progress);
            if (written.bytes != read.bytes) return Outcome::write_failed;
        }
        // A short read would otherwise leave the loop waiting for bytes that never come.
        if (read.bytes != wanted) return Outcome::read_failed;
        remaining -= read.bytes;
    }
    return Outcome::ok;
}

// Decodes `size` packed bytes into `output` (original_size bytes), zeroing whatever the stream
// does not cover.
Outcome Decode(const std::uint8_t* packed, std::uint32_t size, std::uint8_t* output,
               std::uint32_t original_size) {
    // An input length of 0 would let the decoder read without bound, so empty data decodes to
    // nothing instead.
    const std::int32_t produced =
        size == 0 ? 0
                  : LzssDecodeCounted(packed, output, static_cast<std::int32_t>(size),
                                      static_cast<std::int32_t>(original_size))
                        .produced;
    const auto decoded = static_cast<std::uint32_t>(produced);
    if (decoded == original_size) return Outcome::ok;
    std::memset(output + decoded, 0, original_size - decoded);
    return Outcome::bad_data;
}

// A buffer of `size` bytes, or null when it cannot be had.
std::unique_ptr<std::uint8_t[]> Allocate(std::uint32_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
}

}  // namespace

Outcome CopyStoredEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                        const char* destination, Progress& progress) {
    FileHandle target = nullptr;
    if (CreateDestination(destination, target) != Outcome::ok) return Outcome::create_failed;
    Outcome outcome = Outcome::read_failed;
    if (SeekTo(reader.input.file, position) == IoStatus::ok) {
        outcome = CopyChunks(reader, size, target, destination, progress);
    }
    return CloseDestination(target, outcome);
}

Outcome UnpackEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                    const char* destination, std::uint32_t original_size) {
    if (size > kLargestBuffer || original_size > kLargestBuffer) return Outcome::no_memory;
    const std::unique_ptr<std::uint8_t[]> output = Allocate(original_size);
    const std::unique_ptr<std::uint8_t[]> packed = Allocate(size);
    if (!output || !packed) return Outcome::no_memory;

    FileHandle target = nullptr;
    if (CreateDestination(destination, target) != Outcome::ok) return Outcome::create_failed;
    Outcome outcome = Outcome::read_failed;
    if (SeekTo(reader.input.file, position) == IoStatus::ok &&
        ReadBytes(reader.input.file, packed.get(), size).bytes == size) {
        outcome = Decode(packed.get(), size, output.get(), original_size);
    }
    // Damaged data is still written whole, at the original size: the user gets what could be
    // decoded, and the result says it is damaged.
    if (outcome == Outcome::ok || outcome == Outcome::bad_data) {
        if (WriteBytes(target, output.get(), original_size).bytes != original_size) {
            outcome = Outcome::write_failed;
        }
    }
    return CloseDestination(target, outcome);
}

}  // namespace qp
