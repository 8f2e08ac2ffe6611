// Encoding and reading of the 20-byte entry record.
#include "pbo/entry_record.h"

#include "pbo/little_endian.h"

namespace qp {

EntryRecord DecodeRecord(const std::uint8_t* bytes) {
    return {LoadLittle32(bytes), LoadLittle32(bytes + 4), LoadLittle32(bytes + 8),
            static_cast<std::int32_t>(LoadLittle32(bytes + 12)), LoadLittle32(bytes + 16)};
}

void EncodeRecord(const EntryRecord& record, std::uint8_t* bytes) {
    StoreLittle32(record.method, bytes);
    StoreLittle32(record.original_size, bytes + 4);
    StoreLittle32(record.reserved, bytes + 8);
    StoreLittle32(static_cast<std::uint32_t>(record.timestamp), bytes + 12);
    StoreLittle32(record.data_size, bytes + 16);
}

bool ReadRecord(FileHandle file, EntryRecord& record) {
    std::uint8_t bytes[kRecordSize];
    if (ReadBytes(file, bytes, kRecordSize).bytes != kRecordSize) return false;
    record = DecodeRecord(bytes);
    return true;
}

bool ReadRecord(BufferedReader& reader, EntryRecord& record) {
    // A record inside the window is decoded where it lies: a header walk reads one per entry.
    if (reader.held - reader.next >= kRecordSize) {
        record = DecodeRecord(reader.bytes + reader.next);
        reader.next += kRecordSize;
        return true;
    }
    std::uint8_t bytes[kRecordSize];
    if (ReadBuffered(reader, bytes, kRecordSize) != kRecordSize) return false;
    record = DecodeRecord(bytes);
    return true;
}

bool SizeClaimPossible(const EntryRecord& record) {
    return record.method != kMethodCompressed || record.original_size <= 9ull * record.data_size;
}

}  // namespace qp
