// One walk over an archive's header that yields where every entry's header entry and data lie.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pbo/entry_locator.h"
#include "pbo/entry_record.h"
#include "platform/file.h"

namespace qp {

struct WalkedEntry {
    std::string name;
    EntryLocation location;  // absolute offsets of the header entry and of the data
    EntryRecord record;
};

// Why a walk found the archive damaged.
enum class HeaderDamage {
    none,
    unreadable,     // the size of the file or its first byte could not be had
    too_large,      // 4 GiB or more: beyond the 32-bit offsets of the layout
    cut_short,      // the file ends inside the header
    name_too_long,  // a name or extension string of 1023 characters or more, which reads as empty
    data_past_end,  // the data area the header describes runs past the end of the file
};

struct HeaderWalk {
    std::vector<WalkedEntry> entries;  // in header order, duplicated names included
    std::int32_t end_of_header_offset = 0;
    std::int32_t data_start = 0;  // right after the end-of-header record
    std::int32_t data_end = 0;    // data_start plus the data sizes of all entries
    // The header is cut short by the end of the file, holds a string too long to read whole, or
    // the data area it describes runs past the end of the file. The other fields then hold what
    // was read before the damage showed.
    bool damaged = false;
    HeaderDamage damage = HeaderDamage::none;
    std::uint32_t damage_offset = 0;  // where the string or record that could not be read starts
    // The caller's `meet` asked to stop (WalkHeaderWhile): the walk ended at that entry, and the
    // other fields hold what was read before it.
    bool stopped = false;
};

// Walks the header of an archive open for reading from its first byte (the position changes).
HeaderWalk WalkHeader(FileHandle file);

// An entry as the walk meets it. The name lives until the next entry is met; the data offset is
// counted from the start of the data area, which is known only at the end of the header.
struct MetEntry {
    std::string_view name;
    std::uint32_t header_offset;
    std::int64_t relative_data_offset;
    const EntryRecord& record;
};

// The same walk, handing each entry to `meet` as it is read instead of keeping them all: for
// callers that need each entry once, such as a listing of a million of them. The walk returned
// holds no entries; its other fields are those WalkHeader gives.
HeaderWalk WalkHeader(FileHandle file, const std::function<void(const MetEntry&)>& meet);
// The same, where `meet` answers whether to go on: false stops the walk there (an interrupt).
HeaderWalk WalkHeaderWhile(FileHandle file, const std::function<bool(const MetEntry&)>& meet);

// The last entry named `name` (ignoring ASCII case), or null; an empty name is never found.
const WalkedEntry* LastEntryNamed(const HeaderWalk& walk, const char* name);

// The first entry whose data cannot give the size it claims (SizeClaimPossible), or null: an
// archive that holds one cannot be read whole, though its header is.
const WalkedEntry* FirstImpossibleSize(const HeaderWalk& walk);

// Whether the entries are in EntryNameBefore order, as new archives are written and signing wants.
bool EntriesSorted(const HeaderWalk& walk);

}  // namespace qp
