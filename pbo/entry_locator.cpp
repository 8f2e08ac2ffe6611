// One read-only walk over an archive's header: where an entry lies, or where a new one goes.
#include "pbo/entry_locator.h"

#include <cstring>

#include "pbo/entry_walk.h"

namespace qp {
namespace {

constexpr int kListItemBufferSize = 256;

}  // namespace

FindResult FindEntry(FileHandle file, const char* name, EntryLocation& location) {
    const HeaderWalk walk = WalkHeader(file);
    if (walk.damaged) return FindResult::damaged;
    // When several entries carry the name, the last one wins.
    if (const WalkedEntry* entry = LastEntryNamed(walk, name)) {
        location = entry->location;
        return FindResult::found;
    }
    // A new header entry goes before the end-of-header entry, new data at the end of the data.
    location = {walk.end_of_header_offset, 0, walk.data_end, 0};
    return FindResult::absent;
}

int CountListItems(const char* list) {
    if (list == nullptr) return 0;
    int count = 0;
    for (const char* item = list;; ++count) {
        const std::size_t length = strnlen(item, kListItemBufferSize);
        // An empty item closes the list; one that needs all 256 bytes ends it too.
        if (length == 0 || length >= kListItemBufferSize - 1) return count;
        item += length + 1;
    }
}

}  // namespace qp
