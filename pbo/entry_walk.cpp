// The header walk: extension, file entries, end-of-header entry, then the data area's extent.
#include "pbo/entry_walk.h"

#include <algorithm>

#include "pbo/cstring.h"
#include "pbo/entry_name.h"
#include "pbo/entry_record.h"

namespace qp {
namespace {

HeaderWalk& Damaged(HeaderWalk& walk, HeaderDamage damage, std::uint32_t offset) {
    walk.damaged = true;
    walk.damage = damage;
    walk.damage_offset = offset;
    return walk;
}

// A string that reads as empty because it is too long would be taken for the end of the header
// or of the extension, and everything after it read from the middle of a name.
HeaderDamage StringDamage(const CStringBuffer& strings) {
    if (strings.hit_end) return HeaderDamage::cut_short;
    if (strings.too_long) return HeaderDamage::name_too_long;
    return HeaderDamage::none;
}

// Reads the extension's key/value strings up to the empty one that closes the list.
HeaderDamage SkipExtensionStrings(BufferedReader& reader, CStringBuffer& strings,
                                  std::uint32_t& start) {
    for (;;) {
        start = ReaderPosition(reader);
        const char* text = ReadCString(reader, strings);
        const HeaderDamage damage = StringDamage(strings);
        if (damage != HeaderDamage::none) return damage;
        if (text[0] == '\0') return HeaderDamage::none;
    }
}

}  // namespace

HeaderWalk WalkHeaderWhile(FileHandle file, const std::function<bool(const MetEntry&)>& meet) {
    HeaderWalk walk;
    const SizeResult size = FileSize32(file);
    if (size.status == IoStatus::too_large) return Damaged(walk, HeaderDamage::too_large, 0);
    if (size.status != IoStatus::ok || SeekTo(file, 0) != IoStatus::ok) {
        return Damaged(walk, HeaderDamage::unreadable, 0);
    }
    BufferedReader reader;
    StartReader(reader, file, 0);
    CStringBuffer strings{};
    bool extension_possible = true;  // only the very first name may open the extension
    std::int64_t running_offset = 0;
    for (;;) {
        std::uint32_t start = ReaderPosition(reader);
        const char* name = ReadCString(reader, strings);
        const HeaderDamage name_damage = StringDamage(strings);
        if (name_damage != HeaderDamage::none) return Damaged(walk, name_damage, start);
        EntryRecord record{};
        if (!ReadRecord(reader, record)) return Damaged(walk, HeaderDamage::cut_short, start);
        if (name[0] == '\0' && extension_possible) {
            extension_possible = false;
            const HeaderDamage damage = SkipExtensionStrings(reader, strings, start);
            if (damage != HeaderDamage::none) return Damaged(walk, damage, start);
            continue;
        }
        extension_possible = false;
        if (name[0] == '\0') {
            walk.end_of_header_offset = static_cast<std::int32_t>(start);
            break;
        }
        // The record was read after the name, so the name is still whole in the buffer.
        if (!meet({name, start, running_offset, record})) {
            walk.stopped = true;
            return walk;
        }
        running_offset += record.data_size;
    }
    const std::uint32_t data_start = ReaderPosition(reader);
    walk.data_start = static_cast<std::int32_t>(data_start);
    const std::int64_t data_end = data_start + running_offset;
    walk.data_end = static_cast<std::int32_t>(data_end);
    if (data_end > size.size) Damaged(walk, HeaderDamage::data_past_end, data_start);
    return walk;
}

HeaderWalk WalkHeader(FileHandle file, const std::function<void(const MetEntry&)>& meet) {
    return WalkHeaderWhile(file, [&meet](const MetEntry& entry) {
        meet(entry);
        return true;
    });
}

HeaderWalk WalkHeader(FileHandle file) {
    std::vector<WalkedEntry> entries;
    HeaderWalk walk = WalkHeader(file, [&](const MetEntry& met) {
        entries.push_back({std::string(met.name),
                           {static_cast<std::int32_t>(met.header_offset),
                            static_cast<std::int32_t>(met.name.size() + kEntryOverhead),
                            static_cast<std::int32_t>(met.relative_data_offset),
                            static_cast<std::int32_t>(met.record.data_size)},
                           met.record});
    });
    // Data offsets were counted from the data area, whose start is known only now. In 32 bits,
    // as every offset of the layout: sizes that run past 2 GiB wrap instead of overflowing (the
    // walk is then damaged, the data being beyond the end of any such file).
    const auto data_start = static_cast<std::uint32_t>(walk.data_start);
    for (WalkedEntry& entry : entries) {
        entry.location.data_offset = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(entry.location.data_offset) + data_start);
    }
    walk.entries = std::move(entries);
    return walk;
}

const WalkedEntry* FirstImpossibleSize(const HeaderWalk& walk) {
    for (const WalkedEntry& entry : walk.entries) {
        if (!SizeClaimPossible(entry.record)) return &entry;
    }
    return nullptr;
}

bool EntriesSorted(const HeaderWalk& walk) {
    return std::is_sorted(
        walk.entries.begin(), walk.entries.end(),
        [](const WalkedEntry& a, const WalkedEntry& b) { return EntryNameBefore(a.name, b.name); });
}

const WalkedEntry* LastEntryNamed(const HeaderWalk& walk, const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    for (auto entry = walk.entries.rbegin(); entry != walk.entries.rend(); ++entry) {
        if (SameEntryName(entry->name, name)) return &*entry;
    }
    return nullptr;
}

}  // namespace qp
