// Deleting entries from an archive by cutting their header entries and data.
#pragma once

#include <cstdint>
#include <vector>

#include "pbo/outcome.h"

namespace qp {

struct ByteRange {
    std::int32_t offset;
    std::int32_t size;
};

struct DeleteMap {
    std::vector<ByteRange> ranges;  // sorted, disjoint and not touching
    Outcome outcome;
};

DeleteMap BuildDeleteMap(const char* packed_file, const char* delete_list);
Outcome DeleteFiles(const char* packed_file, const char* delete_list);

}  // namespace qp
