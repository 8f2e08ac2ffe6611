// The progress a removal reports as it moves the bytes behind its range, and those reports
// replayed for a series of removals done in one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "editing/delete_files.h"
#include "pbo/progress.h"

namespace qp {

// A removal whose tail (the bytes behind its range) is 1 MiB or more reports after every 1 MiB
// moved: `moved` bytes so far of the whole tail, which is taken once in single precision.
int RemovalPercent(std::uint32_t moved, float tail);

// The reports that cutting `ranges` one after the other, front to back, would make, each cut
// with its own tail, handed out in that order.
struct RemovalReplay {
    Progress* progress;                    // where the reports go
    const char* name;                      // the reports' name
    const std::vector<ByteRange>* ranges;  // sorted and disjoint, offsets in the uncut file
    std::uint32_t file_size;               // the uncut file's size
    std::size_t cut;                       // the cut whose reports come next
    std::uint32_t moved;                   // that cut's tail bytes reported so far
    double work_before;                    // tail bytes of the cuts before `cut`
    double work;                           // tail bytes of all cuts
};

RemovalReplay StartReplay(Progress& progress, const char* name,
                          const std::vector<ByteRange>& ranges, std::uint32_t file_size);

// Makes every report that the cuts would have made by the time they had moved `fraction` (0 to
// 1) of all the tail bytes they move; a fraction of 1 or more makes all that are left.
void ReplayUpTo(RemovalReplay& replay, double fraction);

}  // namespace qp
