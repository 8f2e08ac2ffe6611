// Deletion: the listed entries are marked in one header walk, then the archive is written again
// without them in one rewrite, or, when asked for, their ranges are cut in place.
#include "editing/delete_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "editing/archive_layout.h"
#include "editing/archive_plan.h"
#include "editing/cut_ranges.h"
#include "editing/merge_ranges.h"
#include "editing/rewrite_archive.h"
#include "editing/splice.h"
#include "editing/trailer_checksum.h"
#include "pbo/entry_locator.h"
#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"
#include "pbo/folder_item.h"
#include "pbo/name_table.h"
#include "platform/file.h"

namespace qp {
namespace {

// Marks every entry the list names: an entry by its name (the last of a duplicated name), or
// every entry below a folder item. One report per item; a report answered with stop ends the
// marking (aborted) before anything is written. The items are put in two tables, of names and of
// folders, and each entry's name and folders looked up in them in one pass over the entries, so
// that many names in a large archive cost a pass over each, not their product, and few names a
// pass that makes nothing per entry. With `unmatched`, the items that name no entry are added to
// it.
Outcome MarkListed(const HeaderWalk& walk, const char* delete_list, std::vector<bool>& gone,
                   Progress& progress, std::vector<std::string>* unmatched) {
    gone.assign(walk.entries.size(), false);
    const int count = CountListItems(delete_list);
    std::vector<const char*> items;
    NameTable names;
    NameTable folders;
    for (const char* item = delete_list; static_cast<int>(items.size()) < count;
         item += std::strlen(item) + 1) {
        const std::string prefix = FolderPrefix(item);
        AddItem(prefix.empty() ? names : folders, FoldedEntryName(prefix.empty() ? item : prefix),
                items.size());
        items.push_back(item);
    }
    // The last entry of each name given, at the place of the first item that gave it.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> last_named(items.size(), kNone);
    std::vector<bool> matched(items.size(), false);
    std::string folded;
    for (std::size_t i = 0; i < walk.entries.size() && count > 0; ++i) {
        FoldEntryName(walk.entries[i].name, folded);
        if (MarkFoldersHolding(folders, folded, matched)) gone[i] = true;
        if (const auto found = names.items.find(std::string_view(folded));
            found != names.items.end()) {
            last_named[found->second.front()] = i;
        }
    }
    for (const auto& [name, same] : names.items) {
        const std::size_t entry = last_named[same.front()];
        if (entry == kNone) continue;
        gone[entry] = true;
        for (const std::size_t item : same) matched[item] = true;
    }
    for (std::size_t done = 0; done < items.size(); ++done) {
        if (!matched[done] && unmatched != nullptr) unmatched->emplace_back(items[done]);
        if (!Report(progress, "Creating map - ", items[done],
                    ItemsPercent(static_cast<long long>(done) + 1, count))) {
            return Outcome::aborted;
        }
    }
    return Outcome::ok;
}

bool InsideFile(const ByteRange& range, std::uint32_t file_size) {
    return static_cast<std::uint64_t>(range.offset) + range.size <= file_size;
}

// The ranges of the marked entries, each entry as two: its header entry and its data.
DeleteMap MapOf(const HeaderWalk& walk, const std::vector<bool>& gone, std::uint32_t file_size) {
    DeleteMap map{{}, Outcome::ok};
    for (std::size_t i = 0; i < gone.size(); ++i) {
        if (!gone[i]) continue;
        const EntryLocation& at = walk.entries[i].location;
        map.ranges.push_back({static_cast<std::uint32_t>(at.header_offset),
                              static_cast<std::uint32_t>(at.header_size)});
        map.ranges.push_back(
            {static_cast<std::uint32_t>(at.data_offset), static_cast<std::uint32_t>(at.data_size)});
    }
    // A damaged archive is never made worse: a range that runs past the end of the file means the
    // header describes data that is not there, and nothing is cut.
    for (const ByteRange& range : map.ranges) {
        if (!InsideFile(range, file_size)) return {{}, Outcome::bad_archive};
    }
    // Without an extension the first entry's name is the archive's first byte.
    const bool has_extension = walk.entries.empty() || walk.entries[0].location.header_offset != 0;
    map.add_extension = !has_extension && std::find(gone.begin(), gone.end(), false) == gone.end();
    map.ranges = MergeRanges(std::move(map.ranges));
    return map;
}

// The edit in place, for those who ask for it where no copy of the archive fits beside it: one
// compaction pass. From its first moved byte until the end of the file is set, the archive is not
// consistent; the trailer's digest is made again at the end. A cancel during the pass is answered
// there, once the archive is whole again: aborted, with the entries deleted.
Outcome CutInPlace(FileHandle archive, const char* path, const DeleteMap& map, Progress& progress) {
    const Outcome cut = CutRangesInFile(archive, path, map.ranges, progress);
    if (cut != Outcome::ok) return Outcome::write_failed;
    if (map.add_extension) {
        const std::string extension = NewArchiveHead(kPboTypeArma, "");  // no prefix: no strings
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(extension.data());
        const auto size = static_cast<std::uint32_t>(extension.size());
        if (InsertRangeInFile(archive, 0, size, bytes) != Outcome::ok) return Outcome::write_failed;
    }
    const Outcome stamped = RestampTrailer(archive);
    if (stamped != Outcome::ok) return stamped;
    return progress.cancelled ? Outcome::aborted : Outcome::ok;
}

EditResult DeleteFromHeld(FileHandle& archive, const char* path, const char* delete_list,
                          Progress& progress, std::vector<std::string>* unmatched, bool in_place) {
    if (CountListItems(delete_list) == 0) return {};
    HeaderWalk walk = WalkHeader(archive);
    const SizeResult size = FileSize32(archive);
    if (walk.damaged) return {Outcome::bad_archive, IoStatus::ok, {}};
    if (size.status != IoStatus::ok) return FailedEdit(Outcome::read_failed, size.status);
    std::vector<bool> gone;
    const Outcome marked = MarkListed(walk, delete_list, gone, progress, unmatched);
    if (marked != Outcome::ok) return {marked, IoStatus::ok, {}};
    if (unmatched != nullptr && !unmatched->empty()) return {};
    if (std::find(gone.begin(), gone.end(), true) == gone.end()) return {};
    const DeleteMap map = MapOf(walk, gone, size.size);
    if (map.outcome != Outcome::ok) return {map.outcome, IoStatus::ok, {}};
    if (in_place) return {CutInPlace(archive, path, map, progress), IoStatus::ok, {}};

    ArchivePlan plan;
    const Outcome planned = PlanFromWalk(std::move(walk), size.size, plan);
    if (planned != Outcome::ok) return {planned, IoStatus::ok, {}};
    PlanWithout(plan, gone);
    return RewriteArchive(path, archive, plan, 0, progress);
}

}  // namespace

DeleteMap BuildDeleteMap(const char* packed_file, const char* delete_list, Progress& progress) {
    const OpenResult opened = OpenFile(packed_file, OpenMode::read);
    if (opened.handle == nullptr) return {{}, Outcome::open_failed};
    const HeaderWalk walk = WalkHeader(opened.handle);
    const SizeResult size = FileSize32(opened.handle);
    CloseFile(opened.handle);  // read only: nothing to lose when the close fails
    if (CountListItems(delete_list) == 0) return {{}, Outcome::ok};
    if (walk.damaged) return {{}, Outcome::bad_archive};
    if (size.status != IoStatus::ok) return {{}, Outcome::read_failed};
    std::vector<bool> gone;
    const Outcome marked = MarkListed(walk, delete_list, gone, progress, nullptr);
    if (marked != Outcome::ok) return {{}, marked};
    return MapOf(walk, gone, size.size);
}

EditResult DeleteEntries(const char* packed_file, const char* delete_list, Progress& progress,
                         std::vector<std::string>* unmatched, bool in_place) {
    // A symbolic link stays one: the file it leads to is edited.
    const std::string path = EditedPath(packed_file);
    const OpenResult opened =
        OpenFile(path.c_str(), in_place ? OpenMode::edit_in_place : OpenMode::edit);
    if (opened.handle == nullptr) return FailedEdit(Outcome::open_failed, opened.status);
    FileHandle archive = opened.handle;
    const EditResult result =
        DeleteFromHeld(archive, path.c_str(), delete_list, progress, unmatched, in_place);
    if (archive == nullptr) return result;
    // A rewrite is on disk already, and a failing close of the old archive changes nothing; a
    // cut that wrote through the handle reports it.
    const IoStatus closed = CloseFile(archive);
    if (in_place && result.outcome == Outcome::ok && closed != IoStatus::ok) {
        return FailedEdit(Outcome::close_failed, closed);
    }
    return result;
}

Outcome DeleteFiles(const char* packed_file, const char* delete_list, Progress& progress,
                    bool in_place) {
    return DeleteEntries(packed_file, delete_list, progress, nullptr, in_place).outcome;
}

}  // namespace qp
