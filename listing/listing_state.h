// The state that carries one listing or extraction pass from call to call, and its reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "pbo/buffered_reader.h"
#include "pbo/cstring.h"
#include "pbo/entry_record.h"
#include "platform/file.h"

namespace qp {

// Names as read: every name the walk can read whole (up to 1022 characters) fits. The host's
// older records take 259 characters; its functions cut names to fit them.
constexpr int kNameBufferSize = 1024;
// The longest destination the host's ANSI functions can name: 259 characters (Windows' MAX_PATH).
constexpr std::size_t kMaxAnsiDestination = 259;

// Reads through the handle of the archive being listed. It never closes the handle: the host
// owns it and closes it through CloseArchive.
struct ArchiveReader {
    BufferedReader input;  // wraps the host's handle; its position is the listing's
    CStringBuffer strings;
};

const char* ReadCString(ArchiveReader& reader);
// Where the listing stands in the archive: the handle itself may have read ahead.
std::uint32_t Position(const ArchiveReader& reader);

struct ListingState {
    // Set once the pass has read a named entry, or found the header damaged: a pass that ends
    // with this set and data_start_known clear did not reach the end of the header.
    bool header_seen = false;
    std::unique_ptr<ArchiveReader> reader;
    // Data offsets are summed in 64 bits: sizes whose sum passes 4 GiB must not wrap around to
    // offsets inside the file.
    std::int64_t running_offset = 0;
    std::int32_t data_start = 0;
    // Whether data_start belongs to the archive of this pass: the host's extraction pass never
    // reaches the end of the header before it extracts, so extraction may have to find it.
    bool data_start_known = false;
    SizeResult archive_size{0, IoStatus::not_found};  // taken when the pass begins
    bool damaged = false;  // the header cannot be read on; the pass describes no more entries
    EntryRecord current_record{};  // the current entry's whole record, for stored entries too
    char current_name[kNameBufferSize] = {};
    std::int64_t current_offset = 0;
    // The folders extracted into in this pass, rid of what killed extractions left in them.
    std::set<std::string> cleaned_folders;
};

// Starts a pass over an opened archive (the handle may be null when the open failed) and takes
// its size: the archive is open without sharing, so the size holds for the whole pass.
void BeginPass(ListingState& state, FileHandle file);

}  // namespace qp
