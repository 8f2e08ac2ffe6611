// The listing as one JSON object, for scripts.
#pragma once

#include <string>

#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "tools/cli/output.h"

namespace qp::cli {

// {"header": [{"key": ..., "value": ...}, ...], "entries": [{"name", "size", "packed_size",
// "method", "timestamp", "time", "data_offset"}, ...], "data_start", "error"}: one entry a line.
// "error" is null, or the damage found, with the entries read before it; offsets are null when
// the header is cut before the data area is known.
void AppendJsonListing(Output& out, const HeaderWalk& walk, const ExtensionPairs& pairs,
                       const std::string& damage);

}  // namespace qp::cli
