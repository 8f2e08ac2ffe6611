// The listing as one JSON object, for scripts.
#pragma once

#include <cstdint>

#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "platform/file.h"
#include "cli/output.h"

namespace qp::cli {

// {"header": [{"key": ..., "value": ...}, ...], "entries": [{"name", "size", "packed_size",
// "method", "timestamp", "time", "data_offset"}, ...], "data_start", "error"}, one entry a line,
// from the header of `file` (a file of `file_size` bytes) and its pairs. "error" is null, or the
// damage found, with the entries read before it; offsets are null when the header is cut before
// the data area is known. Returns the walk, whose damage the caller reports.
HeaderWalk PutJsonListing(Output& out, FileHandle file, const ExtensionPairs& pairs,
                          std::uint32_t file_size);

}  // namespace qp::cli
