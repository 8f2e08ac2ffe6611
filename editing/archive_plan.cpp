// Building the plan of an edit from the archive's header, and changing it entry by entry.
#include "editing/archive_plan.h"

#include <algorithm>

#include "pbo/entry_name.h"

namespace qp {
namespace {

std::uint64_t SizeOf(const PlannedBytes& bytes) {
    return bytes.size != 0 ? bytes.size : bytes.own.size();
}

bool NameBefore(const PlannedEntry& a, const PlannedEntry& b) {
    return EntryNameBefore(a.name, b.name);
}

// Where a new entry goes: after every entry that does not sort after it, or at the end.
std::size_t NewEntryPlace(const ArchivePlan& plan, const std::string& name) {
    if (!plan.sorted) return plan.entries.size();
    const auto place = std::upper_bound(plan.entries.begin(), plan.entries.end(), name,
                                        [](const std::string& text, const PlannedEntry& entry) {
                                            return EntryNameBefore(text, entry.name);
                                        });
    return static_cast<std::size_t>(place - plan.entries.begin());
}

}  // namespace

Outcome PlanFromWalk(const HeaderWalk& walk, std::uint32_t archive_size, ArchivePlan& plan) {
    if (walk.damaged) return Outcome::bad_archive;
    plan = ArchivePlan{};
    const std::int32_t first_entry =
        walk.entries.empty() ? walk.end_of_header_offset : walk.entries[0].location.header_offset;
    plan.head = {{}, 0, static_cast<std::uint32_t>(first_entry)};
    // The end-of-header entry reaches to the data area: its name may be one too long to read.
    const auto end_of_header = static_cast<std::uint32_t>(walk.end_of_header_offset);
    plan.end_of_header = {
        {}, end_of_header, static_cast<std::uint32_t>(walk.data_start) - end_of_header};
    for (const WalkedEntry& entry : walk.entries) {
        plan.entries.push_back(
            {entry.name, entry.record, static_cast<std::uint32_t>(entry.location.data_offset), -1});
    }
    plan.sorted = std::is_sorted(plan.entries.begin(), plan.entries.end(), NameBefore);
    const auto data_end = static_cast<std::uint32_t>(walk.data_end);
    plan.tail = {{}, data_end, archive_size - data_end};
    return Outcome::ok;
}

ArchivePlan NewArchivePlan(const NewArchiveSettings& settings) {
    ArchivePlan plan;
    plan.head.own = NewArchiveHead(settings);
    plan.end_of_header.own = EndOfHeaderEntry();
    plan.tail.own = EmptyTrailer();
    return plan;
}

void PlanFile(ArchivePlan& plan, const std::string& name, NewData data, std::int32_t timestamp) {
    const auto last =
        std::find_if(plan.entries.rbegin(), plan.entries.rend(),
                     [&](const PlannedEntry& entry) { return SameEntryName(entry.name, name); });
    const std::uint32_t size = data.size;
    data.entry_name = name;
    if (last == plan.entries.rend()) {
        plan.new_data.push_back(std::move(data));
        const auto index = static_cast<int>(plan.new_data.size() - 1);
        const auto place = static_cast<std::ptrdiff_t>(NewEntryPlace(plan, name));
        plan.entries.insert(plan.entries.begin() + place,
                            {name, {kMethodStored, 0, 0, timestamp, size}, 0, index});
        return;
    }
    if (last->new_data >= 0) {
        // A file packed earlier in the same edit: the later one takes its place.
        NewData& earlier = plan.new_data[static_cast<std::size_t>(last->new_data)];
        data.items += earlier.items;
        earlier = std::move(data);
    } else {
        plan.new_data.push_back(std::move(data));
        last->new_data = static_cast<int>(plan.new_data.size() - 1);
    }
    last->name = name;  // the same name but for letter case: the host shows the one packed
    last->record.method = kMethodStored;
    last->record.original_size = 0;
    last->record.data_size = size;
    // An archive that held the name more than once holds it once: the others go.
    const PlannedEntry* kept = &*last;
    std::erase_if(plan.entries, [&](const PlannedEntry& entry) {
        return &entry != kept && SameEntryName(entry.name, name);
    });
}

void PlanWithout(ArchivePlan& plan, const std::vector<bool>& gone) {
    std::vector<PlannedEntry> kept;
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        if (!gone[i]) kept.push_back(std::move(plan.entries[i]));
    }
    const bool no_head = plan.head.size == 0 && plan.head.own.empty();
    if (kept.empty() && no_head) plan.head = {NewArchiveHead(kPboTypeArma, ""), 0, 0};
    plan.entries = std::move(kept);
}

void PlanSorted(ArchivePlan& plan) {
    std::stable_sort(plan.entries.begin(), plan.entries.end(), NameBefore);
    plan.sorted = true;
}

std::uint64_t PlannedSize(const ArchivePlan& plan) {
    std::uint64_t size = SizeOf(plan.head) + SizeOf(plan.end_of_header) + SizeOf(plan.tail);
    for (const PlannedEntry& entry : plan.entries) {
        size += entry.name.size() + kEntryOverhead + entry.record.data_size;
    }
    return size;
}

}  // namespace qp
