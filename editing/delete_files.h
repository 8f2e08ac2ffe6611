// Deleting entries from an archive by cutting their header entries and data.
#pragma once

#include <cstdint>
#include <vector>

#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

// Unsigned, like every offset of the layout: archives of 2 GiB or more sort and cut correctly.
struct ByteRange {
    std::uint32_t offset;
    std::uint32_t size;
};

struct DeleteMap {
    std::vector<ByteRange> ranges;  // sorted, disjoint and not touching
    Outcome outcome;
    // The archive has no header extension and every entry goes: an archive without entries must
    // open with an extension, or its end-of-header entry reads as one, so an empty one is added.
    bool add_extension = false;
};

DeleteMap BuildDeleteMap(const char* packed_file, const char* delete_list, Progress& progress);
Outcome DeleteFiles(const char* packed_file, const char* delete_list, Progress& progress);

}  // namespace qp
