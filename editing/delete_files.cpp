// Deletion: a map of the byte ranges of every listed entry, then one pass that cuts them all.
#include "editing/delete_files.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "editing/archive_layout.h"
#include "editing/cut_ranges.h"
#include "editing/merge_ranges.h"
#include "editing/splice.h"
#include "pbo/entry_locator.h"
#include "pbo/entry_walk.h"
#include "pbo/folder_item.h"
#include "platform/file.h"

namespace qp {
namespace {

// An entry goes as two ranges: its header entry and its data.
void AddEntryRanges(std::vector<ByteRange>& ranges, const EntryLocation& location) {
    ranges.push_back({static_cast<std::uint32_t>(location.header_offset),
                      static_cast<std::uint32_t>(location.header_size)});
    ranges.push_back({static_cast<std::uint32_t>(location.data_offset),
                      static_cast<std::uint32_t>(location.data_size)});
}

bool InsideFile(const ByteRange& range, std::uint32_t file_size) {
    return static_cast<std::uint64_t>(range.offset) + range.size <= file_size;
}

// Collects the ranges of every listed entry from the archive as it stands. The header does not
// change during this phase, so one walk serves every item.
Outcome CollectRanges(FileHandle file, const char* delete_list, DeleteMap& map,
                      Progress& progress) {
    const int count = CountListItems(delete_list);
    if (count == 0) return Outcome::ok;
    const HeaderWalk walk = WalkHeader(file);
    if (walk.damaged) return Outcome::bad_archive;
    std::vector<bool> gone(walk.entries.size(), false);
    const char* item = delete_list;
    for (int done = 1; done <= count; ++done, item += std::strlen(item) + 1) {
        const std::string prefix = FolderPrefix(item);
        if (!prefix.empty()) {
            for (std::size_t i = 0; i < walk.entries.size(); ++i) {
                if (walk.entries[i].name.starts_with(prefix)) gone[i] = true;
            }
        } else if (const WalkedEntry* entry = LastEntryNamed(walk, item)) {
            gone[entry - walk.entries.data()] = true;
        }
        Report(progress, "Creating map - ", item, ItemsPercent(done, count));
    }
    for (std::size_t i = 0; i < gone.size(); ++i) {
        if (gone[i]) AddEntryRanges(map.ranges, walk.entries[i].location);
    }
    // Without an extension the first entry's name is the archive's first byte.
    const bool has_extension = walk.entries.empty() || walk.entries[0].location.header_offset != 0;
    map.add_extension = !has_extension && std::find(gone.begin(), gone.end(), false) == gone.end();
    return Outcome::ok;
}

}  // namespace

DeleteMap BuildDeleteMap(const char* packed_file, const char* delete_list, Progress& progress) {
    const OpenResult opened = OpenFile(packed_file, OpenMode::read);
    if (opened.handle == nullptr) return {{}, Outcome::open_failed};
    DeleteMap map{{}, Outcome::ok};
    const Outcome outcome = CollectRanges(opened.handle, delete_list, map, progress);
    const SizeResult size = FileSize32(opened.handle);
    CloseFile(opened.handle);  // read only: nothing to lose when the close fails
    if (outcome != Outcome::ok) return {{}, outcome};
    if (size.status != IoStatus::ok) return {{}, Outcome::read_failed};
    // A damaged archive is never made worse: a range that runs past the end of the file means the
    // header describes data that is not there, and nothing is cut.
    for (const ByteRange& range : map.ranges) {
        if (!InsideFile(range, size.size)) return {{}, Outcome::bad_archive};
    }
    map.ranges = MergeRanges(std::move(map.ranges));
    return map;
}

Outcome DeleteFiles(const char* packed_file, const char* delete_list, Progress& progress) {
    const DeleteMap map = BuildDeleteMap(packed_file, delete_list, progress);
    if (map.outcome != Outcome::ok) return map.outcome;
    const Outcome cut = CutRanges(packed_file, map.ranges, progress);
    // A pass whose close alone failed is finished; every other failure is a failed write.
    if (cut != Outcome::ok && cut != Outcome::close_failed) return Outcome::write_failed;
    if (map.add_extension) {
        const std::string extension = NewArchiveHead(0, "");  // no prefix: no strings
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(extension.data());
        const auto size = static_cast<std::uint32_t>(extension.size());
        if (InsertRange(packed_file, 0, size, bytes, "") != Outcome::ok) {
            return Outcome::write_failed;
        }
    }
    return cut;
}

}  // namespace qp
