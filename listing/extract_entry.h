// The extraction workers: an entry's data, copied or decoded, into a file that takes the
// destination's place only once it is whole.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "listing/decode_entry.h"
#include "listing/listing_state.h"
#include "pbo/outcome.h"

namespace qp {

// An entry's data written to a file: the outcome, the system's reason when a transfer failed,
// the packed bytes read from the entry's first on, and whether bad_data is a sum that differs.
struct DataWritten {
    Outcome outcome;
    IoStatus status;
    std::uint32_t read;
    bool sum_differs = false;
};

// Writes the data `record` describes at `position` into `target`, a file open for writing.
// Stored data is reported per 1024-byte chunk (the last may be shorter), compressed data at
// least every kDecodeReportStep bytes decoded, both as bytes written under `watch.report_name`.
// A read that ends early reports what it delivered and gives read_failed; a write that fails
// reports the part of its chunk written and gives write_failed; a report answered with stop is
// the last one, and gives aborted; compressed data that ends early or does not match its sum is
// bad_data.
DataWritten WriteEntryData(ArchiveReader& reader, std::uint32_t position, const EntryRecord& record,
                           FileHandle target, const DataWatch& watch);

// Extracts the entry to `destination`: writes its data into a part file beside it, gives the
// file the entry's time (unless that is 0) and puts it in the destination's place. Part files
// that killed extractions left in the folder are removed first, once for each folder `cleaned`
// names. Whatever fails, the destination stays as it was and no part file is left. A destination
// whose file name is empty, "." or ".." is create_failed with not_regular.
DataWritten ExtractEntryTo(ArchiveReader& reader, std::uint32_t position, const EntryRecord& record,
                           const std::string& destination, std::set<std::string>& cleaned,
                           const DataWatch& watch);

}  // namespace qp
