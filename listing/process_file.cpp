// ProcessFile: the destination path, the data-area start and the choice of worker.
#include "listing/process_file.h"

#include <cstring>

#include "listing/extract_entry.h"

namespace qp {
namespace {

// DestPath followed directly by DestName, with no separator; false when it does not fit.
bool JoinDestination(const char* dest_path, const char* dest_name,
                     char (&destination)[kNameBufferSize]) {
    const std::size_t path_length = dest_path != nullptr ? std::strlen(dest_path) : 0;
    const std::size_t name_length = dest_name != nullptr ? std::strlen(dest_name) : 0;
    if (path_length + name_length >= kNameBufferSize) return false;
    if (path_length != 0) std::memcpy(destination, dest_path, path_length);
    if (name_length != 0) std::memcpy(destination + path_length, dest_name, name_length);
    destination[path_length + name_length] = '\0';
    return true;
}

// The host's extraction pass extracts each entry before the header has been read to its end, so
// the data area of this archive may not be known yet. The current entry's record has been read:
// walk the remaining names and records up to the end-of-header entry, whose record the data area
// follows. The caller puts the position back.
Outcome FindDataStart(ListingState& state) {
    BufferedReader& input = state.reader->input;
    CStringBuffer strings{};
    for (;;) {
        const char* name = ReadCString(input, strings);
        if (strings.hit_end) return Outcome::bad_archive;
        EntryRecord record{};
        if (!ReadRecord(input, record)) return Outcome::bad_archive;
        if (name[0] == '\0') break;
    }
    state.data_start = static_cast<std::int32_t>(ReaderPosition(input));
    state.data_start_known = true;
    return Outcome::ok;
}

Outcome ExtractCurrentEntry(ListingState& state, const char* destination, Progress& progress) {
    if (!state.data_start_known) {
        const Outcome found = FindDataStart(state);
        if (found != Outcome::ok) return found;
    }
    ArchiveReader& reader = *state.reader;
    // Offsets of the layout are 32-bit and wrap around as such.
    const std::uint32_t position = static_cast<std::uint32_t>(state.data_start) +
                                   static_cast<std::uint32_t>(state.current_offset);
    if (state.current_compressed) {
        return UnpackEntry(reader, position, state.current_size, destination,
                           state.current_record.original_size);
    }
    return CopyStoredEntry(reader, position, state.current_size, destination, progress);
}

}  // namespace

Outcome ProcessFile(ListingState& state, int operation, const char* dest_path,
                    const char* dest_name, Progress& progress) {
    if (operation != kExtractEntry) return Outcome::ok;
    // Without an entry described in this pass there is nothing to extract.
    if (!state.reader || state.reader->input.file == nullptr || !state.header_seen) {
        return Outcome::bad_archive;
    }
    char destination[kNameBufferSize];
    if (!JoinDestination(dest_path, dest_name, destination)) return Outcome::create_failed;

    const std::uint32_t noted = Position(*state.reader);
    const Outcome outcome = ExtractCurrentEntry(state, destination, progress);
    // The workers moved the handle; the reader's window still holds what it read, and is kept
    // when the noted position lies in it.
    if (SeekReader(state.reader->input, noted) != IoStatus::ok && outcome == Outcome::ok) {
        return Outcome::read_failed;
    }
    return outcome;
}

}  // namespace qp
