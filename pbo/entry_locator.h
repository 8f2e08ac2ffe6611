// Where an entry's header and data lie in an archive, or where a new entry would go.
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace qp {

struct EntryLocation {
    std::int32_t header_offset;  // found: the entry's name; absent: the end-of-header entry
    std::int32_t header_size;    // found: name length + 21
    std::int32_t data_offset;    // found: the entry's data; absent: the end of the data area
    std::int32_t data_size;      // found: the entry's data size
};

enum class FindResult {
    found,
    absent,
    damaged,  // the header or the data area it describes runs past the end of the file
};

// Walks the header of an archive open for reading (the position changes) and looks for an entry
// named `name`, ignoring ASCII case. When several entries carry the name, the last one wins.
FindResult FindEntry(FileHandle file, const char* name, EntryLocation& location);

// Items of a host file list before the first empty item or the first of 255 characters or more.
int CountListItems(const char* list);

}  // namespace qp
