// One read-only walk over an archive's header: where an entry lies, or where a new one goes.
#include "pbo/entry_locator.h"

#include <cstring>

#include "pbo/cstring.h"
#include "pbo/entry_record.h"

namespace qp {
namespace {

constexpr int kListItemBufferSize = 256;

// The walk's reading side: names and records at the handle's position, and that position.
struct HeaderWalk {
    FileHandle file;
    CStringBuffer strings;
    bool cut_short;  // the file ended inside the header
};

const char* NextString(HeaderWalk& walk) {
    const char* text = ReadCString(walk.file, walk.strings);
    if (walk.strings.hit_end) walk.cut_short = true;
    return text;
}

EntryRecord NextRecord(HeaderWalk& walk) {
    EntryRecord record{};
    if (!ReadRecord(walk.file, record)) walk.cut_short = true;
    return record;
}

}  // namespace

FindResult FindEntry(FileHandle file, const char* name, EntryLocation& location) {
    const SizeResult size = FileSize32(file);
    if (size.status != IoStatus::ok || SeekTo(file, 0) != IoStatus::ok) return FindResult::damaged;
    HeaderWalk walk{file, {}, false};
    const bool wanted = name != nullptr && name[0] != '\0';
    // Summed in 64 bits so that a damaged header cannot wrap around into a plausible offset.
    std::uint64_t running = 0;
    bool header_seen = false;
    bool found = false;
    EntryLocation result{};
    std::uint32_t entry_start = 0;
    for (;;) {
        entry_start = CurrentPosition(file);
        const char* entry_name = NextString(walk);
        if (walk.cut_short) return FindResult::damaged;
        if (entry_name[0] == '\0') {
            NextRecord(walk);
            if (walk.cut_short) return FindResult::damaged;
            if (header_seen) break;  // the end-of-header entry
            // The header extension: its key/value strings end with an empty one.
            while (NextString(walk)[0] != '\0') {
            }
            entry_start = CurrentPosition(file);
            entry_name = NextString(walk);
            if (walk.cut_short) return FindResult::damaged;
            if (entry_name[0] == '\0') {
                NextRecord(walk);
                if (walk.cut_short) return FindResult::damaged;
                break;
            }
        }
        const bool match = wanted && std::strcmp(entry_name, name) == 0;
        const std::size_t name_length = std::strlen(entry_name);
        const EntryRecord record = NextRecord(walk);
        if (walk.cut_short) return FindResult::damaged;
        header_seen = true;
        if (match) {
            // The walk goes on: when several entries carry the name, the last one wins.
            found = true;
            result.header_offset = static_cast<std::int32_t>(entry_start);
            result.header_size = static_cast<std::int32_t>(name_length + kEntryOverhead);
            result.data_offset = static_cast<std::int32_t>(running);
            result.data_size = static_cast<std::int32_t>(record.data_size);
        }
        running += record.data_size;
    }
    // The data area starts right after the end-of-header record, and must fit in the file.
    const std::uint32_t data_start = CurrentPosition(file);
    if (data_start + running > size.size) return FindResult::damaged;
    if (found) {
        result.data_offset = static_cast<std::int32_t>(data_start + result.data_offset);
    } else {
        result.header_offset = static_cast<std::int32_t>(entry_start);
        result.data_offset = static_cast<std::int32_t>(data_start + running);
    }
    location = result;
    return found ? FindResult::found : FindResult::absent;
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
