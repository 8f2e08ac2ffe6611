// The archive an edit writes: what it keeps of the archive being edited, what it takes from files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editing/archive_layout.h"
#include "pbo/entry_record.h"
#include "pbo/entry_walk.h"
#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

// A file whose bytes become an entry's data.
struct NewData {
    std::string path;
    std::uint32_t size;      // as planned: a file that changes size before it is copied is an error
    std::string entry_name;  // the entry it went into, for the "Packing - " reports
    int items;               // packed files it stands for: a later one of the same name replaces it
    std::shared_ptr<const std::string> content =
        nullptr;              // when set, the bytes instead of the file's
    bool read_ahead = false;  // the system was asked to read it into its cache when it was planned
    FileHandle held =
        nullptr;  // open since it was planned, until the edit ends; else opened to copy
};

struct PlannedEntry {
    std::string name;
    EntryRecord record;        // as written; `data_size` is the size of its data
    std::uint32_t old_offset;  // kept data: where it lies in the archive being edited
    int new_data;              // new data: its index in `ArchivePlan::new_data`; -1 when kept
};

// Bytes of the new archive that are not entries: `size` bytes of the archive being edited from
// `offset`, or when `size` is 0 the bytes of `own`.
struct PlannedBytes {
    std::string own;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

struct ArchivePlan {
    PlannedBytes head;  // everything before the first entry: the header extension
    std::vector<PlannedEntry> entries;
    PlannedBytes end_of_header;  // byte for byte as the archive has it
    PlannedBytes tail;           // what follows the data area: the trailer
    std::vector<NewData> new_data;
    // The entries are in EntryNameBefore order (duplicates of a name side by side): new entries
    // then go to their places in it. An archive in any other order keeps it.
    bool sorted = true;
};

// The archive as it stands, every entry kept, from its header walk, which must not be damaged,
// and its size. The walk's names are moved into the plan.
Outcome PlanFromWalk(HeaderWalk&& walk, std::uint32_t archive_size, ArchivePlan& plan);

// A new archive: the extension the settings ask for, no entries, the trailer.
ArchivePlan NewArchivePlan(const NewArchiveSettings& settings);

// A file to put in as the entry `name`, with the timestamp a new entry of that name gets.
struct PlannedFile {
    std::string name;
    NewData data;
    std::int32_t timestamp;
};

// Puts the files in, in turn, as packing each into the archive would: the last entry of that name,
// ignoring case, gets the new data and the name as given (stored now, its timestamp and reserved
// field kept), and every other entry of that name goes; or a new entry takes it, with its
// timestamp: at its place when the entries are sorted, at the end of the header otherwise. A
// later file of a name replaces an earlier one. Each name is looked up once, however many entries.
void PlanFiles(ArchivePlan& plan, std::vector<PlannedFile> files);

// Leaves out the entries marked in `gone` (one flag per entry). An archive left without entries
// must open with a header extension, or its end-of-header entry would read as one: an archive
// that had none gets an empty one.
void PlanWithout(ArchivePlan& plan, const std::vector<bool>& gone);

// Puts the entries in EntryNameBefore order; entries of one name keep their order.
void PlanSorted(ArchivePlan& plan);

// The size of the archive the plan describes, in 64 bits.
std::uint64_t PlannedSize(const ArchivePlan& plan);

}  // namespace qp
