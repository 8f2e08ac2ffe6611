// The listing as one JSON object, for scripts.
#pragma once

#include <cstdint>

#include "cli/name_patterns.h"
#include "cli/output.h"
#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "pbo/progress.h"
#include "platform/file.h"

namespace qp::cli {

// One listing's walk over the entries: the names that pick them, the command's progress, which
// an interrupt stops, and what is said of the first entry whose data cannot give its size.
struct ListingPass {
    NamePicker picker;
    Progress& progress;
    std::string damage;
};
// Whether to list the entry met; `go_on` is false once an interrupt came.
bool ListsEntry(ListingPass& pass, const MetEntry& entry, bool& go_on);

// {"header": [{"key": ..., "value": ...}, ...], "entries": [{"name", "size", "packed_size",
// "method", "timestamp", "time", "data_offset"}, ...], "data_start", "error"}, one entry a line,
// from the header of `file` (a file of `file_size` bytes) and its pairs, of the entries the pass
// picks. A name that is not UTF-8 also comes as "name_bytes", its bytes in hex. "error" is null,
// or the damage found, with the entries read before it; offsets are null when the header is cut
// before the data area is known. Returns the walk, whose damage the caller reports.
HeaderWalk PutJsonListing(Output& out, FileHandle file, const ExtensionPairs& pairs,
                          std::uint32_t file_size, ListingPass& pass);

}  // namespace qp::cli
