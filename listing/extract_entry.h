// The extraction workers: copying a stored entry and decoding a compressed one to a file.
#pragma once

#include <cstdint>

#include "listing/listing_state.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

// Both workers create (or replace) the destination first, position the archive at the entry's
// absolute data position and leave the archive position wherever the reads ended; the caller
// puts it back. A failed step ends the work with its outcome; a file already created then stays,
// holding what was written so far.

// Copies `size` bytes, reporting under `destination` the bytes written of each 1024-byte chunk
// (the last may be shorter). A read that ends early writes what it delivered and returns
// read_failed; a write that fails reports the part of its chunk written and returns write_failed.
Outcome CopyStoredEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                        const char* destination, Progress& progress);

// Reads the `size` packed bytes whole, decodes them and writes `original_size` bytes. When the
// stream ends before the output is full, the rest of the file is zero and the outcome bad_data.
// Sizes the buffers cannot hold give no_memory before the destination is created.
Outcome UnpackEntry(ArchiveReader& reader, std::uint32_t position, std::uint32_t size,
                    const char* destination, std::uint32_t original_size);

}  // namespace qp
