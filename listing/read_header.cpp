// The header walk behind ReadHeader: extension, file entries, end-of-header entry.
#include "listing/read_header.h"

#include <cstring>

#include "pbo/entry_time.h"

namespace qp {

void CopyName(char (&target)[kNameBufferSize], const char* name) {
    const std::size_t length = std::strlen(name);
    const std::size_t kept = length < kNameBufferSize ? length : kNameBufferSize - 1;
    std::memcpy(target, name, kept);
    target[kept] = '\0';
}

Outcome ReadHeader(ListingState& state, FileHandle, HeaderInfo& info) {
    if (!state.reader) return Outcome::end_of_archive;  // no archive was ever opened
    ArchiveReader& reader = *state.reader;
    CopyName(state.current_name, ReadCString(reader));
    if (state.current_name[0] == '\0') {
        EntryRecord record{};
        const bool whole = ReadRecord(reader.input, record);
        if (state.header_seen) {
            // The end-of-header entry: the data area starts right after its record. When the
            // file ended first, the position recorded is the end of the file, which is not
            // known to be the data area.
            state.data_start = static_cast<std::int32_t>(Position(reader));
            state.data_start_known = whole;
            return Outcome::end_of_archive;
        }
        // The header extension: skip its key/value strings up to the empty one.
        while (ReadCString(reader)[0] != '\0') {
        }
        CopyName(state.current_name, ReadCString(reader));
        if (state.current_name[0] == '\0') return Outcome::end_of_archive;
    }
    state.header_seen = true;
    EntryRecord record{};
    if (!ReadRecord(reader.input, record)) return Outcome::end_of_archive;

    CopyName(info.file_name, state.current_name);
    info.unp_size = record.data_size;
    info.file_time = DosTimeFromUnix(record.timestamp);
    info.unix_time = record.timestamp;
    state.current_compressed = record.method == kMethodCompressed;
    if (state.current_compressed) state.current_record = record;
    state.current_offset = state.running_offset;
    state.current_size = record.data_size;
    // 32-bit wrap-around, as the offsets of the layout are 32-bit.
    state.running_offset = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(state.running_offset) + record.data_size);
    return Outcome::ok;
}

}  // namespace qp
