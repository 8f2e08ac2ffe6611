// Copying a stored entry chunk by chunk and decoding a compressed one, into a part file that is
// put in the destination's place when whole.
#include "listing/extract_entry.h"

#include <algorithm>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <system_error>

#include "listing/part_file.h"

namespace qp {
namespace {

constexpr std::uint32_t kChunkSize = 1024;  // the progress step of a stored entry
constexpr std::uint32_t kBlockSize = 1024 * kChunkSize;
// Blocks smaller than this are hashed where they are read: starting a thread costs about as much
// as hashing them, and an archive of many small entries would start one per entry.
constexpr std::uint32_t kHashedInPlace = 256 * kChunkSize;

// Reports what the 1024-byte chunks of `count` bytes, of which `written` reached the target,
// would each have reported: every chunk written whole its size, the one the write stopped in
// the part of it written, even none. False when a report was answered with stop.
bool ReportChunks(const DataWatch& watch, std::uint32_t written, std::uint32_t count) {
    if (watch.progress == nullptr) return true;
    for (std::uint32_t at = 0; at < count; at += kChunkSize) {
        const std::uint32_t chunk = std::min(count - at, kChunkSize);
        const std::uint32_t done = written > at ? std::min(written - at, chunk) : 0;
        if (!Report(*watch.progress, watch.report_name, static_cast<int>(done))) return false;
        if (done != chunk) return true;
    }
    return true;
}

// Feeds the blocks read to the archive's digest on another thread, one block at a time, so that
// hashing a block overlaps writing it and reading the next.
struct BackgroundHash {
    Sha1* sha1;
    std::future<void> pending;  // the block being hashed; waited for when it is destroyed
};

void HashBlock(BackgroundHash& hash, const std::uint8_t* bytes, std::uint32_t count) {
    if (hash.pending.valid()) hash.pending.wait();
    if (count < kHashedInPlace) {
        UpdateSha1(*hash.sha1, bytes, count);
        return;
    }
    try {
        hash.pending =
            std::async(std::launch::async, UpdateSha1, std::ref(*hash.sha1), bytes, count);
    } catch (const std::system_error&) {
        UpdateSha1(*hash.sha1, bytes, count);
    }
}

// Copies through a block of many chunks, one read and one write per block; the host still sees
// one report per 1024-byte chunk. Without memory for the block, a single chunk is the block.
// With a digest to feed, two blocks take turns: one is read into while the other is hashed.
DataWritten CopyChunks(ArchiveReader& reader, std::uint32_t size, FileHandle target,
                       const DataWatch& watch) {
    std::uint8_t chunk[kChunkSize];
    const int blocks = watch.hash != nullptr ? 2 : 1;
    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow)
                                                    std::uint8_t[blocks * kBlockSize]);
    const std::uint32_t buffer_size = block ? kBlockSize : kChunkSize;
    BackgroundHash hash{watch.hash, {}};
    std::uint32_t done = 0;
    for (int turn = 0; done != size; turn = (turn + 1) % blocks) {
        std::uint8_t* const buffer = block ? block.get() + turn * kBlockSize : chunk;
        // The single chunk is read into again only once its hash is done.
        if (!block && hash.pending.valid()) hash.pending.wait();
        const std::uint32_t wanted = std::min(size - done, buffer_size);
        const Transfer read = ReadBytes(reader.input.file, buffer, wanted);
        if (read.bytes > 0) {
            if (watch.hash != nullptr) HashBlock(hash, buffer, read.bytes);
            const Transfer written = WriteBytes(target, buffer, read.bytes);
            const bool go_on = ReportChunks(watch, written.bytes, read.bytes);
            if (written.bytes != read.bytes) {
                return {Outcome::write_failed, written.status, done + read.bytes};
            }
            if (!go_on) return {Outcome::aborted, IoStatus::ok, done + read.bytes};
        }
        // A short read would otherwise leave the loop waiting for bytes that never come.
        if (read.bytes != wanted) return {Outcome::read_failed, read.status, done + read.bytes};
        done += read.bytes;
    }
    return {Outcome::ok, IoStatus::ok, size};
}

}  // namespace

DataWritten WriteEntryData(ArchiveReader& reader, std::uint32_t position, const EntryRecord& record,
                           FileHandle target, const DataWatch& watch) {
    const IoStatus sought = SeekTo(reader.input.file, position);
    if (sought != IoStatus::ok) return {Outcome::read_failed, sought, 0};
    if (record.method != kMethodCompressed) {
        return CopyChunks(reader, record.data_size, target, watch);
    }
    const std::unique_ptr<DecodeBuffers> buffers = NewDecodeBuffers();
    if (!buffers) return {Outcome::no_memory, IoStatus::ok, 0};
    const Decoded decoded = DecodeEntry(reader.input.file, record.data_size, record.original_size,
                                        target, *buffers, watch);
    return {decoded.outcome, decoded.status, decoded.read, decoded.sum_differs};
}

DataWritten ExtractEntryTo(ArchiveReader& reader, std::uint32_t position, const EntryRecord& record,
                           const std::string& destination, std::set<std::string>& cleaned,
                           const DataWatch& watch) {
    RemoveAbandonedPartsOnce(destination, cleaned);
    PartFile part;
    const IoStatus started = StartPartFile(destination, part);
    if (started != IoStatus::ok) return {Outcome::create_failed, started, 0};
    DataWritten written = WriteEntryData(reader, position, record, part.handle, watch);
    if (written.outcome == Outcome::ok && record.timestamp != 0) {
        const IoStatus timed = SetModificationTime(part.handle, record.timestamp);
        if (timed != IoStatus::ok) written = {Outcome::write_failed, timed, written.read, false};
    }
    const bool whole = written.outcome == Outcome::ok;
    const IoStatus finished = FinishPartFile(part, whole);
    if (whole && finished != IoStatus::ok) {
        // The close is what failed when the file took the destination's place anyway.
        written = {part.placed ? Outcome::close_failed : Outcome::create_failed, finished,
                   written.read, false};
    }
    return written;
}

}  // namespace qp
