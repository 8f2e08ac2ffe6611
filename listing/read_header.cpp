// The header walk behind ReadHeader: extension, file entries, end-of-header entry.
#include "listing/read_header.h"

#include <cstring>

#include "pbo/entry_time.h"

namespace qp {
namespace {

// Everything after a string too long to read whole would be read from its middle, and an archive
// of 4 GiB or more holds data past the reach of 32-bit offsets: either way the pass stops here,
// and stays stopped.
Outcome Damaged(ListingState& state) {
    state.damaged = true;
    state.header_seen = true;
    return Outcome::bad_archive;
}

// Reads the next name into current_name; false when it is too long to be read whole.
bool ReadName(ListingState& state) {
    CopyName(state.current_name, ReadCString(*state.reader));
    return !state.reader->strings.too_long;
}

// Skips the extension's key/value strings up to the empty one; false at a string too long.
bool SkipExtensionStrings(ArchiveReader& reader) {
    for (;;) {
        const char* text = ReadCString(reader);
        if (reader.strings.too_long) return false;
        if (text[0] == '\0') return true;
    }
}

}  // namespace

void CopyName(char (&target)[kNameBufferSize], const char* name) {
    const std::size_t length = std::strlen(name);
    const std::size_t kept = length < kNameBufferSize ? length : kNameBufferSize - 1;
    std::memcpy(target, name, kept);
    target[kept] = '\0';
}

Outcome ReadHeader(ListingState& state, FileHandle, HeaderInfo& info) {
    if (!state.reader) return Outcome::end_of_archive;  // no archive was ever opened
    if (state.damaged) return Outcome::bad_archive;
    if (state.archive_size.status == IoStatus::too_large) return Damaged(state);
    ArchiveReader& reader = *state.reader;
    if (!ReadName(state)) return Damaged(state);
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
        if (!SkipExtensionStrings(reader) || !ReadName(state)) return Damaged(state);
        if (state.current_name[0] == '\0') return Outcome::end_of_archive;
    }
    state.header_seen = true;
    EntryRecord record{};
    if (!ReadRecord(reader.input, record)) return Outcome::end_of_archive;

    CopyName(info.file_name, state.current_name);
    info.pack_size = record.data_size;
    info.unp_size = record.method == kMethodCompressed ? record.original_size : record.data_size;
    info.file_time = DosTimeFromUnix(record.timestamp);
    info.unix_time = record.timestamp;
    state.current_record = record;
    state.current_offset = state.running_offset;
    state.running_offset += record.data_size;
    return Outcome::ok;
}

}  // namespace qp
