// Deleting entries from an archive by cutting their header entries and data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editing/edit_result.h"
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

// The ranges of the archive that deleting the listed entries cuts, read from the archive as it
// stands. An entry is named by its name (the last of a duplicated name goes) or by a folder item.
DeleteMap BuildDeleteMap(const char* packed_file, const char* delete_list, Progress& progress);

// Deletes the listed entries (through a symbolic link, from the file it leads to). The archive is
// held for the whole edit (another editor or a reader gets in_use) and written again without them
// in one step, so that it is never seen half edited; a cancel leaves it as it was. Where no copy
// fits beside it the deletion fails, saying why, and the archive is as it was. With `in_place`
// the ranges are cut where they lie instead, needing no room for a copy: a crash in the middle can
// damage the archive, and a cancel is answered once it is whole again. With `unmatched`, every
// item that names no entry (a folder item with no entry below it too) is added to it, and when
// there is any, nothing is deleted: the result is then ok with the archive as it was, and the
// caller decides what that means.
EditResult DeleteEntries(const char* packed_file, const char* delete_list, Progress& progress,
                         std::vector<std::string>* unmatched = nullptr, bool in_place = false);
// The same, for the host.
Outcome DeleteFiles(const char* packed_file, const char* delete_list, Progress& progress,
                    bool in_place = false);

}  // namespace qp
