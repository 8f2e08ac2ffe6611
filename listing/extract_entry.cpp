// Copying a stored entry chunk by chunk and decoding a compressed one, straight into the file.
#include "listing/extract_entry.h"

#include <algorithm>
#include <memory>
#include <new>

#include "listing/decode_entry.h"

namespace qp {
namespace {

constexpr std::uint32_t kChunkSize = 1024;  // the progress step of a stored entry
constexpr std::uint32_t kBlockSize = 1024 * kChunkSize;

Outcome CreateDestination(const char* destination, FileHandle& file) {
    const OpenResult created = OpenFile(destination, OpenMode::create_always);
    file = created.handle;
    return created.handle != nullptr ? Outcome::ok : Outcome::create_failed;
}

// Gives a whole file the entry's time and closes it; a failure of either counts only when
// everything before it went well. Whatever did not end well is removed, so that no partial file
// passes for the entry.
Outcome FinishDestination(FileHandle file, const char* destination, std::int32_t timestamp,
                          Outcome outcome) {
    if (outcome == Outcome::ok && timestamp != 0 &&
        SetModificationTime(file, timestamp) != IoStatus::ok) {
        outcome = Outcome::write_failed;
    }
    const IoStatus closed = CloseFile(file);
    if (outcome == Outcome::ok && closed != IoStatus::ok) outcome = Outcome::close_failed;
    if (outcome != Outcome::ok) RemoveFile(destination);
    return outcome;
}

// Reports what the 1024-byte chunks of `count` bytes, of which `written` reached the target,
// would each have reported: every chunk written whole its size, the one the write stopped in
// the part of it written, even none. False when a report was answered with stop.
bool ReportChunks(const char* destination, std::uint32_t written, std::uint32_t count,
                  Progress& progress) {
    for (std::uint32_t at = 0; at < count; at += kChunkSize) {
        const std::uint32_t chunk = std::min(count - at, kChunkSize);
        const std::uint32_t done = written > at ? std::min(written - at, chunk) : 0;
        if (!Report(progress, destination, static_cast<int>(done))) return false;
        if (done != chunk) return true;
    }
    return true;
}

// Copies through a block of many chunks, one read and one write per block; the host still sees
// one report per 1024-byte chunk. Without memory for the block, a single chunk is the block.
DataWritten CopyChunks(ArchiveReader& reader, std::uint32_t size, FileHandle target,
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
            const bool go_on = ReportChunks(destination, written.bytes, read.bytes, progress);
            if (written.bytes != read.bytes) return {Outcome::write_failed, written.status};
            if (!go_on) return {Outcome::aborted, IoStatus::ok};
        }
        // A short read would otherwise leave the loop waiting for bytes that never come.
        if (read.bytes != wanted) return {Outcome::read_failed, read.status};
        remaining -= read.bytes;
    }
    return {Outcome::ok, IoStatus::ok};
}

DataWritten Decode(ArchiveReader& reader, std::uint32_t size, std::uint32_t original_size,
                   FileHandle target, DecodeBuffers& buffers) {
    std::uint64_t decoded = 0;
    IoStatus status = IoStatus::ok;
    const Outcome outcome =
        DecodeEntry(reader.input.file, size, original_size, target, buffers, decoded, status);
    return {outcome, status};
}

}  // namespace

Outcome CopyStoredEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                        const char* destination, std::int32_t timestamp, Progress& progress) {
    FileHandle target = nullptr;
    if (CreateDestination(destination, target) != Outcome::ok) return Outcome::create_failed;
    Outcome outcome = Outcome::read_failed;
    if (SeekTo(reader.input.file, position) == IoStatus::ok) {
        outcome = CopyChunks(reader, size, target, destination, progress).outcome;
    }
    return FinishDestination(target, destination, timestamp, outcome);
}

Outcome UnpackEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                    const char* destination, std::uint32_t original_size, std::int32_t timestamp) {
    const std::unique_ptr<DecodeBuffers> buffers = NewDecodeBuffers();
    if (!buffers) return Outcome::no_memory;
    FileHandle target = nullptr;
    if (CreateDestination(destination, target) != Outcome::ok) return Outcome::create_failed;
    Outcome outcome = Outcome::read_failed;
    if (SeekTo(reader.input.file, position) == IoStatus::ok) {
        outcome = Decode(reader, size, original_size, target, *buffers).outcome;
    }
    return FinishDestination(target, destination, timestamp, outcome);
}

DataWritten WriteEntryData(ArchiveReader& reader, std::uint32_t position, const EntryRecord& record,
                           FileHandle target, const char* report_name, Progress& progress) {
    const IoStatus sought = SeekTo(reader.input.file, position);
    if (sought != IoStatus::ok) return {Outcome::read_failed, sought};
    if (record.method != kMethodCompressed) {
        return CopyChunks(reader, record.data_size, target, report_name, progress);
    }
    const std::unique_ptr<DecodeBuffers> buffers = NewDecodeBuffers();
    if (!buffers) return {Outcome::no_memory, IoStatus::ok};
    return Decode(reader, record.data_size, record.original_size, target, *buffers);
}

}  // namespace qp
