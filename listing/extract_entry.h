// The extraction workers: copying a stored entry and decoding a compressed one to a file.
#pragma once

#include <cstdint>

#include "listing/listing_state.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

// Both workers take an entry whose data the caller has found inside the archive. They create (or
// replace) the destination, position the archive at the entry's absolute data position and leave
// the archive position wherever the reads ended; the caller puts it back. A file extracted whole
// gets `timestamp` as its modification time, unless that is 0. A failed step ends the work with
// its outcome, and the destination is removed: an extraction leaves the whole entry or nothing.

// Copies `size` bytes, reporting under `destination` the bytes written of each 1024-byte chunk
// (the last may be shorter). A read that ends early reports what it delivered and returns
// read_failed; a write that fails reports the part of its chunk written and returns write_failed;
// a report answered with stop is the last one, and gives aborted.
Outcome CopyStoredEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                        const char* destination, std::int32_t timestamp, Progress& progress);

// Decodes the `size` packed bytes into the destination through fixed buffers, whatever the
// sizes. A stream that ends before `original_size` bytes is bad_data. Without memory for the
// buffers it is no_memory, before the destination is created. Reports no progress.
Outcome UnpackEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                    const char* destination, std::uint32_t original_size, std::int32_t timestamp);

// An entry's data written to a file: the outcome, and the system's reason when a read or a write
// failed.
struct DataWritten {
    Outcome outcome;
    IoStatus status;
};

// The work of both workers for a caller that creates the destination itself: writes the data
// `record` describes at `position` into `target`, a file open for writing, decoding it when it is
// compressed, with the reports of CopyStoredEntry under `report_name` for stored data. The
// caller closes `target` (and removes it when this fails) and gives it the entry's time.
DataWritten WriteEntryData(ArchiveReader& reader, std::uint32_t position, const EntryRecord& record,
                           FileHandle target, const char* report_name, Progress& progress);

}  // namespace qp
