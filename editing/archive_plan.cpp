// Building the plan of an edit from the archive's header, and changing it entry by entry.
#include "editing/archive_plan.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "pbo/entry_name.h"

namespace qp {
namespace {

std::uint64_t SizeOf(const PlannedBytes& bytes) {
    return bytes.size != 0 ? bytes.size : bytes.own.size();
}

constexpr std::size_t kNoPlace = SIZE_MAX;

bool NameBefore(const PlannedEntry& a, const PlannedEntry& b) {
    return EntryNameBefore(a.name, b.name);
}

}  // namespace

Outcome PlanFromWalk(HeaderWalk&& walk, std::uint32_t archive_size, ArchivePlan& plan) {
    if (walk.damaged) return Outcome::bad_archive;
    plan = ArchivePlan{};
    const std::int32_t first_entry =
        walk.entries.empty() ? walk.end_of_header_offset : walk.entries[0].location.header_offset;
    plan.head = {{}, 0, static_cast<std::uint32_t>(first_entry)};
    // The end-of-header entry reaches to the data area: its name may be one too long to read.
    const auto end_of_header = static_cast<std::uint32_t>(walk.end_of_header_offset);
    plan.end_of_header = {
        {}, end_of_header, static_cast<std::uint32_t>(walk.data_start) - end_of_header};
    plan.entries.reserve(walk.entries.size());
    for (WalkedEntry& entry : walk.entries) {
        plan.entries.push_back({std::move(entry.name), entry.record,
                                static_cast<std::uint32_t>(entry.location.data_offset), -1});
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

void PlanFiles(ArchivePlan& plan, std::vector<PlannedFile> files) {
    // The entries by name: the place of the last of each name, and the one of the same name before
    // each; places past the entries are new entries, in `added`.
    std::unordered_map<std::string, std::size_t> places;
    std::vector<std::size_t> before(plan.entries.size(), kNoPlace);
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const auto [last, first] = places.try_emplace(FoldedEntryName(plan.entries[i].name), i);
        if (!first) before[i] = std::exchange(last->second, i);
    }
    std::vector<bool> gone(plan.entries.size(), false);
    std::vector<PlannedEntry> added;
    for (PlannedFile& file : files) {
        const std::uint32_t size = file.data.size;
        file.data.entry_name = file.name;
        const auto [found, fresh] =
            places.try_emplace(FoldedEntryName(file.name), plan.entries.size() + added.size());
        if (fresh) {
            plan.new_data.push_back(std::move(file.data));
            added.push_back({file.name,
                             {kMethodStored, 0, 0, file.timestamp, size},
                             0,
                             static_cast<int>(plan.new_data.size() - 1)});
            continue;
        }
        const std::size_t place = found->second;
        const bool kept = place < plan.entries.size();
        PlannedEntry& entry = kept ? plan.entries[place] : added[place - plan.entries.size()];
        if (entry.new_data >= 0) {
            // A file packed earlier in the same edit: the later one takes its place.
            NewData& earlier = plan.new_data[static_cast<std::size_t>(entry.new_data)];
            file.data.items += earlier.items;
            earlier = std::move(file.data);
        } else {
            plan.new_data.push_back(std::move(file.data));
            entry.new_data = static_cast<int>(plan.new_data.size() - 1);
        }
        entry.name = file.name;  // the same name but for letter case: the host shows the one packed
        entry.record.method = kMethodStored;
        entry.record.original_size = 0;
        entry.record.data_size = size;
        // An archive that held the name more than once holds it once: the others go.
        for (std::size_t other = kept ? std::exchange(before[place], kNoPlace) : kNoPlace;
             other != kNoPlace; other = before[other]) {
            gone[other] = true;
        }
    }
    std::vector<PlannedEntry> entries;
    entries.reserve(plan.entries.size() + added.size());
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        if (!gone[i]) entries.push_back(std::move(plan.entries[i]));
    }
    if (plan.sorted) {
        // Each new entry after every entry that does not sort after it, as inserting it would.
        std::stable_sort(added.begin(), added.end(), NameBefore);
        plan.entries.clear();
        std::merge(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()),
                   std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()),
                   std::back_inserter(plan.entries), NameBefore);
        return;
    }
    std::move(added.begin(), added.end(), std::back_inserter(entries));
    plan.entries = std::move(entries);
}

void PlanWithout(ArchivePlan& plan, const std::vector<bool>& gone) {
    std::vector<PlannedEntry> kept;
    kept.reserve(plan.entries.size());
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
