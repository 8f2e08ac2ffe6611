// Entry data read into memory: stored bytes as they are, compressed ones decoded in one step.
#include "listing/entry_bytes.h"

#include <algorithm>
#include <memory>
#include <new>

#include "listing/check_entry.h"
#include "pbo/little_endian.h"
#include "pbo/lzss.h"
#include "pbo/lzss_stream.h"

namespace qp {
namespace {

// The most an LZSS stream gives for each byte: 144 bytes for 17, a flag byte and eight
// back-references of 18 bytes, rounded up.
constexpr std::uint32_t kMostDecodedPerByte = 9;

const std::uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

bool ReadPacked(FileHandle archive, std::uint32_t position, std::uint32_t size,
                std::string& packed) {
    packed.resize(size);
    return ReadAt(archive, position, packed.data(), size).bytes == size;
}

}  // namespace

std::string EntryStart(FileHandle archive, std::uint32_t position, const EntryRecord& record,
                       std::uint32_t count) {
    const bool compressed = record.method == kMethodCompressed;
    // Each byte decoded takes at most a literal and a flag byte.
    std::string packed;
    if (!ReadPacked(archive, position, std::min(record.data_size, compressed ? 2 * count : count),
                    packed)) {
        return {};
    }
    if (!compressed || packed.empty()) return packed;
    std::string start(std::min(count, record.original_size), '\0');
    const LzssCounts counts = LzssDecodeCounted(
        Bytes(packed), reinterpret_cast<std::uint8_t*>(start.data()),
        static_cast<std::int32_t>(packed.size()), static_cast<std::int32_t>(start.size()));
    start.resize(static_cast<std::size_t>(counts.produced));
    return start;
}

Outcome ReadEntryWhole(FileHandle archive, std::uint32_t position, const EntryRecord& record,
                       std::string& bytes) {
    const bool compressed = record.method == kMethodCompressed;
    const SizeResult archive_size = FileSize32(archive);
    if (archive_size.status != IoStatus::ok) return Outcome::read_failed;
    if (!DataInside(position, record.data_size, archive_size.size) ||
        (compressed && record.original_size / kMostDecodedPerByte > record.data_size)) {
        return Outcome::bad_data;
    }
    std::string packed;
    const auto stream = std::unique_ptr<LzssStream>(new (std::nothrow) LzssStream);
    try {
        if (!ReadPacked(archive, position, record.data_size, packed)) return Outcome::read_failed;
        bytes.assign(compressed ? record.original_size : 0, '\0');
    } catch (const std::bad_alloc&) {
        return Outcome::no_memory;
    }
    if (!compressed) {
        bytes = std::move(packed);
        return Outcome::ok;
    }
    if (!stream) return Outcome::no_memory;
    StartLzssStream(*stream, record.data_size, record.original_size);
    const LzssStep step =
        LzssDecodeStep(*stream, Bytes(packed), record.data_size,
                       reinterpret_cast<std::uint8_t*>(bytes.data()), record.original_size);
    if (step.produced != record.original_size) return Outcome::bad_data;
    // Only an entry with exactly 4 bytes left after its stream carries a sum, as extraction
    // reads it.
    if (record.data_size - step.consumed == 4) {
        const std::uint32_t sum = LoadLittle32(packed, step.consumed);
        if (sum != stream->sum && sum != stream->signed_sum) return Outcome::bad_data;
    }
    return Outcome::ok;
}

}  // namespace qp
