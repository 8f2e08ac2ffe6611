// Sorting and joining byte ranges; pure, no I/O.
#include "editing/merge_ranges.h"

#include <algorithm>
#include <cstdint>

namespace qp {
namespace {

std::uint64_t End(const ByteRange& range) {
    return static_cast<std::uint64_t>(range.offset) + range.size;
}

}  // namespace

std::vector<ByteRange> MergeRanges(std::vector<ByteRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
    std::vector<ByteRange> merged;
    for (const ByteRange& range : ranges) {
        if (range.size == 0) continue;
        if (!merged.empty() && End(merged.back()) >= range.offset) {
            ByteRange& current = merged.back();
            current.size =
                static_cast<std::uint32_t>(std::max(End(current), End(range)) - current.offset);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

}  // namespace qp
