// Packing a list of files into an archive, creating it when missing: one rewrite of the archive,
// or, when asked for, splices in place.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "editing/archive_layout.h"
#include "editing/edit_result.h"
#include "pbo/progress.h"

namespace qp {

struct SourceFile {
    std::string entry_name;   // as stored: backslash-separated
    std::string source_path;  // where the bytes come from, and the entry's time
    // When set, the bytes instead of the file's (a config rapified for the archive). Such files
    // are never packed in place.
    std::shared_ptr<const std::string> content = nullptr;
};

// The timestamp a new entry gets: its file's creation time (as hosts expect), none, so that the
// same files always give the same bytes, or its file's modification time.
enum class EntryTimes { creation, zero, modification };

struct PackRequest {
    NewArchiveSettings settings;  // for an archive that does not exist yet
    int item_count = 0;           // what makes 100 % of the "Packing - " reports
    // A file that cannot be opened ends the packing. All or nothing: then nothing is written.
    // Otherwise the files before it are packed, as a host expects.
    bool all_or_nothing = false;
    EntryTimes times = EntryTimes::creation;
    // A new archive of the files alone, with `settings`, that replaces whatever archive is at
    // the path in one step; nothing of the old one is kept.
    bool fresh = false;
    // An existing archive is edited where it lies, file by file, needing no room for a copy; a
    // crash in the middle of one file's splices can damage it. Off unless the user asks for it;
    // never for a fresh archive.
    bool in_place = false;
    // New files are held open from their planning to their copying, up to this many and a quarter
    // of what the process may hold open; the rest are opened again to be copied.
    std::size_t most_files_held = 16384;
};

// Packs `files` into the archive at `archive_path` (through a symbolic link, into the file it
// leads to), as packing them one by one would: a file goes into the last entry of its name (stored
// now, the entry's timestamp kept) or into a new entry, at its place by name in a new archive or
// one whose entries are sorted, at the end of the header otherwise; a later file of the same name
// replaces an earlier one's data. The archive is held for the whole edit (another editor or a
// reader gets in_use) and is replaced in one step, so that it is never seen half edited; a cancel
// leaves it as it was. Where no copy fits beside it the edit fails, saying why, and the archive
// is as it was, unless `in_place` was asked for. The result names the file that failed, when it
// is not the archive.
EditResult PackSources(const char* archive_path, const std::vector<SourceFile>& files,
                       const PackRequest& request, Progress& progress);

}  // namespace qp
