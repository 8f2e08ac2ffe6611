// The 20-byte fixed part of a header entry and the special values of the archive layout.
#pragma once

#include <cstdint>

#include "pbo/buffered_reader.h"
#include "platform/file.h"

namespace qp {

constexpr std::uint32_t kMethodStored = 0;
constexpr std::uint32_t kMethodCompressed = 0x43707273;  // the bytes "srpC", read as "Cprs"
constexpr std::uint32_t kMethodVersion = 0x56657273;     // the bytes "sreV", read as "Vers"
constexpr std::uint32_t kRecordSize = 20;
// A header entry is the name, its NUL and the record.
constexpr std::uint32_t kEntryOverhead = kRecordSize + 1;

// Five little-endian 32-bit fields, in this order on disk.
struct EntryRecord {
    std::uint32_t method;
    std::uint32_t original_size;
    std::uint32_t reserved;
    std::int32_t timestamp;  // seconds since 1970-01-01 00:00:00 UTC
    std::uint32_t data_size;
};

EntryRecord DecodeRecord(const std::uint8_t* bytes);
void EncodeRecord(const EntryRecord& record, std::uint8_t* bytes);

// Reads a record at the current position. False when the file ends before all 20 bytes: the
// record is then cut short and `record` is left unchanged.
bool ReadRecord(FileHandle file, EntryRecord& record);
bool ReadRecord(BufferedReader& reader, EntryRecord& record);

// Whether an entry's data can give the size it claims once extracted: a compressed stream gives
// at most 9 bytes for each of its bytes (a back-reference's 2 bytes give 18), so a larger
// original size is damage, whatever the stream holds. Stored data is its own size.
bool SizeClaimPossible(const EntryRecord& record);

// The trailer that archives written here end with: a zero byte and 20 characters, no NUL.
constexpr char kTrailerText[] = "quillpack trailer id";
constexpr std::uint32_t kTrailerSize = 21;

}  // namespace qp
