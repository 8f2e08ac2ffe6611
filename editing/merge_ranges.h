// Turning the ranges collected for a deletion into the sorted, disjoint list that is cut.
#pragma once

#include <vector>

#include "editing/delete_files.h"

namespace qp {

// Sorts the ranges by offset and joins those that overlap or touch, so that each range of the
// result ends before the next one begins. Ranges of no bytes have nothing to cut and are left out.
std::vector<ByteRange> MergeRanges(std::vector<ByteRange> ranges);

}  // namespace qp
