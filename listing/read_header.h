// Stepping through an archive's header one entry per call, for the host's listing.
#pragma once

#include <cstdint>

#include "listing/listing_state.h"
#include "pbo/outcome.h"

namespace qp {

// What the host learns of one entry.
struct HeaderInfo {
    char file_name[kNameBufferSize];  // whole, since longer names are damage
    std::uint32_t pack_size;          // the bytes the entry takes in the data area
    std::uint32_t unp_size;           // its size once extracted: the original size when compressed
    std::uint32_t file_time;          // DOS date/time
    std::uint32_t unix_time;          // the record's timestamp itself
};

// Describes the next file entry (ok) or reports the end of the header (end_of_archive). Records
// the entry's data offset, size and record in `state` for extraction. Everything is read through
// the state's reader, which wraps the handle the host passes as `file`. A name or extension
// string too long to read whole (1023 characters or more), or an archive of 4 GiB or more, is
// bad_archive, for this call and every later one of the pass.
Outcome ReadHeader(ListingState& state, FileHandle file, HeaderInfo& info);

// Copies a name into the name buffer, cutting it to 1023 bytes and a NUL.
void CopyName(char (&target)[kNameBufferSize], const char* name);

}  // namespace qp
