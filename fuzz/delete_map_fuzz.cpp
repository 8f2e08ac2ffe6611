// Fuzzes the entry locator, the deletion map and the deletion itself over an archive in memory.
#include <cstdint>
#include <string>
#include <vector>

#include "editing/archive_layout.h"
#include "editing/delete_files.h"
#include "fuzz/fuzz_support.h"
#include "pbo/cstring.h"
#include "pbo/entry_locator.h"
#include "pbo/entry_name.h"
#include "pbo/entry_record.h"
#include "pbo/entry_walk.h"
#include "platform/memory_files.h"
#include "platform/sha1.h"
#include "support/digests.h"

using qp::fuzz::Check;
using qp::fuzz::WalkFile;

namespace {

constexpr char kArchive[] = "archive.pbo";
constexpr char kUnknown[] = "\x01no such entry";
constexpr std::size_t kLongestItem = 254;  // a list item of 255 characters or more ends the list

qp::FindResult Find(const std::string& name, qp::EntryLocation& location) {
    const qp::OpenResult opened = qp::OpenFile(kArchive, qp::OpenMode::read);
    Check(opened.handle != nullptr, "the archive opens for FindEntry");
    const qp::FindResult result = qp::FindEntry(opened.handle, name.c_str(), location);
    qp::CloseFile(opened.handle);
    return result;
}

bool Inside(std::uint64_t offset, std::uint64_t size, std::size_t file_size) {
    return offset + size <= file_size;
}

// FindEntry's answers, checked against the bytes: a found entry's name stands at its header
// offset, an absent one is placed at the end-of-header entry and the end of the data area.
void CheckLocator(const std::string& archive, const qp::HeaderWalk& walk) {
    for (const qp::WalkedEntry& entry : walk.entries) {
        qp::EntryLocation at{};
        const qp::FindResult found = Find(entry.name, at);
        if (walk.damaged) {
            Check(found == qp::FindResult::damaged, "a damaged archive is reported damaged");
            return;
        }
        Check(found == qp::FindResult::found, "a walked name is found");
        Check(at.header_size == static_cast<std::int32_t>(entry.name.size() + qp::kEntryOverhead),
              "header size is the name length + 21");
        Check(Inside(at.header_offset, at.header_size, archive.size()) &&
                  Inside(static_cast<std::uint32_t>(at.data_offset),
                         static_cast<std::uint32_t>(at.data_size), archive.size()),
              "a found entry lies inside the file");
        // The last entry of the name in any letter case, which may be another one than this.
        Check(qp::SameEntryName(archive.substr(at.header_offset, entry.name.size()), entry.name) &&
                  archive[at.header_offset + entry.name.size()] == '\0',
              "the header offset holds the name");
    }
    if (qp::LastEntryNamed(walk, kUnknown) != nullptr) return;  // the input found the name
    qp::EntryLocation at{};
    const qp::FindResult absent = Find(kUnknown, at);
    if (walk.damaged) {
        Check(absent == qp::FindResult::damaged, "a damaged archive is reported damaged");
        return;
    }
    Check(absent == qp::FindResult::absent, "an unknown name is absent");
    // The end-of-header entry's name is empty: one so long (1023 characters or more) that it
    // reads as empty makes the archive damaged. Its record follows the NUL.
    const auto start = static_cast<std::size_t>(at.header_offset);
    Check(start < archive.size() && archive[start] == '\0', "new entries go before an empty name");
    Check(start + 1 + qp::kRecordSize == static_cast<std::size_t>(walk.data_start),
          "the data area follows that entry's record");
    Check(at.data_offset == walk.data_end && Inside(at.data_offset, 0, archive.size()),
          "new data goes at the end of the data area, inside the file");
}

// The host's list: entries picked by the bits of `pick`, optionally one twice, one folder item and
// one unknown name. `gone` marks the entries the deletion must remove.
std::string DeleteList(const qp::HeaderWalk& walk, std::uint8_t pick, std::uint8_t extras,
                       std::vector<bool>& gone) {
    std::string list;
    gone.assign(walk.entries.size(), false);
    std::vector<std::string> items;
    for (std::size_t i = 0; i < walk.entries.size() && i < 8; ++i) {
        if ((pick >> i & 1) != 0) items.push_back(walk.entries[i].name);
    }
    if ((extras & 1) != 0 && !items.empty()) items.push_back(items.front());
    if ((extras & 2) != 0 && !walk.entries.empty()) {
        const std::string& name = walk.entries.back().name;
        const std::size_t slash = name.find('\\');
        if (slash != std::string::npos) items.push_back(name.substr(0, slash + 1) + "*.*");
    }
    if ((extras & 4) != 0) items.push_back(kUnknown);
    for (const std::string& item : items) {
        if (item.size() > kLongestItem) break;
        list += item;
        list.push_back('\0');
        // "dir\*.*" and "dir\" both stand for the folder.
        const bool star = item.ends_with("\\*.*");
        const bool folder = star || item.ends_with('\\');
        const std::string prefix = star ? item.substr(0, item.size() - 3) : item;
        // A name stands for the last entry of that name, a folder item for every entry in it,
        // whatever their letter case.
        for (std::size_t i = walk.entries.size(); i-- > 0;) {
            const std::string& name = walk.entries[i].name;
            if (folder ? qp::InEntryFolder(name, prefix) : qp::SameEntryName(name, item)) {
                gone[i] = true;
                if (!folder) break;
            }
        }
    }
    list.push_back('\0');
    return list;
}

void CheckMap(const qp::DeleteMap& map, const qp::HeaderWalk& walk, const std::vector<bool>& gone,
              std::size_t archive_size) {
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < gone.size(); ++i) {
        if (gone[i])
            expected += walk.entries[i].location.header_size +
                        static_cast<std::uint32_t>(walk.entries[i].location.data_size);
    }
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < map.ranges.size(); ++i) {
        const qp::ByteRange& range = map.ranges[i];
        Check(range.size != 0, "no empty range");
        Check(Inside(range.offset, range.size, archive_size), "every range inside the file");
        Check(i == 0 ||
                  static_cast<std::uint64_t>(map.ranges[i - 1].offset) + map.ranges[i - 1].size <
                      range.offset,
              "ranges sorted, apart and not touching");
        total += range.size;
    }
    // Entries' ranges never overlap one another, so the map covers exactly their bytes.
    Check(total == expected, "the map holds exactly the bytes of the entries to delete");
}

// The archive with the map's ranges cut out.
std::string Cut(const std::string& archive, const std::vector<qp::ByteRange>& ranges) {
    std::string kept;
    std::size_t from = 0;
    for (const qp::ByteRange& range : ranges) {
        kept.append(archive, from, range.offset - from);
        from = range.offset + range.size;
    }
    kept.append(archive, from, std::string::npos);
    return kept;
}

void CheckRemaining(const std::string& archive, const qp::HeaderWalk& before,
                    const std::vector<bool>& gone) {
    const qp::HeaderWalk after = WalkFile(kArchive);
    Check(!after.damaged, "the archive is whole after a deletion");
    const std::string& now = *qp::memory::FileBytes(kArchive);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < before.entries.size(); ++i) {
        if (gone[i]) continue;
        Check(kept < after.entries.size(), "every entry not deleted is still there");
        const qp::EntryLocation& was = before.entries[i].location;
        const qp::EntryLocation& is = after.entries[kept].location;
        Check(after.entries[kept].name == before.entries[i].name, "entries keep name and order");
        Check(now.compare(is.data_offset, is.data_size, archive, was.data_offset, was.data_size) ==
                      0 &&
                  is.data_size == was.data_size,
              "entries keep their data");
        ++kept;
    }
    Check(kept == after.entries.size(), "no entry appears from nowhere");
}

}  // namespace

// The first two bytes choose the list; the rest is the archive.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    Check(qp::memory::RemoveAllFiles(), "nothing is left open by the previous input");
    const std::string archive(reinterpret_cast<const char*>(data) + 2, size - 2);
    qp::memory::PutFile(kArchive, archive);
    const qp::HeaderWalk walk = WalkFile(kArchive);
    CheckLocator(archive, walk);

    std::vector<bool> gone;
    const std::string list = DeleteList(walk, data[0], data[1], gone);
    qp::Progress progress;
    const qp::DeleteMap map = qp::BuildDeleteMap(kArchive, list.c_str(), progress);
    Check(*qp::memory::FileBytes(kArchive) == archive, "building the map changes nothing");
    const bool listed = list.size() > 1;
    if (walk.damaged && listed) {
        Check(map.outcome == qp::Outcome::bad_archive, "a damaged archive gets no map");
    } else {
        Check(map.outcome == qp::Outcome::ok, "a whole archive gets its map");
        CheckMap(map, walk, gone, archive.size());
    }

    const qp::Outcome deleted = qp::DeleteFiles(kArchive, list.c_str(), progress);
    Check(qp::memory::OpenObjects() == 0, "every handle and view is released");
    Check(deleted == map.outcome, "the deletion ends as its map did");
    if (deleted != qp::Outcome::ok) {
        Check(*qp::memory::FileBytes(kArchive) == archive, "a refused deletion changes nothing");
        return 0;
    }
    // An archive left without entries opens with an empty extension, as a new one does; one that
    // ends in a trailer gets the digest of its new bytes there.
    const std::string head = map.add_extension ? qp::NewArchiveHead(0, "") : std::string();
    std::string expected = head + Cut(archive, map.ranges);
    const std::size_t data_end = static_cast<std::uint32_t>(walk.data_end);
    const bool trailer = !walk.damaged && !map.ranges.empty() &&
                         archive.size() - data_end == qp::kTrailerSize && archive[data_end] == 0;
    if (trailer) {
        expected.resize(expected.size() - qp::kSha1Size);
        expected += qp::test::Sha1(expected.substr(0, expected.size() - 1));
    }
    Check(*qp::memory::FileBytes(kArchive) == expected,
          "the deletion cuts the map's ranges and nothing else");
    if (!walk.damaged) CheckRemaining(archive, walk, gone);
    return 0;
}
