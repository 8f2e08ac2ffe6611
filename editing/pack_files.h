// Packing files into an archive: creating it when missing, adding and replacing entries.
#pragma once

#include "editing/archive_layout.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

// `src_path` is joined to each item of `add_list` without a separator; `sub_path` (may be null)
// is the folder inside the archive. Items ending in a backslash are folders and are skipped.
// A missing archive is created with `settings`. Reports to `progress`. With `in_place` an
// existing archive is edited where it lies (see PackRequest).
Outcome PackFiles(const char* packed_file, const char* sub_path, const char* src_path,
                  const char* add_list, const NewArchiveSettings& settings, Progress& progress,
                  bool in_place = false);

// The same, where the entry names are not the items that name the files on disk: `entry_list`
// holds, item for item and of the same lengths, the items of `add_list` in the archive's form.
Outcome PackFiles(const char* packed_file, const char* sub_path, const char* src_path,
                  const char* add_list, const char* entry_list, const NewArchiveSettings& settings,
                  Progress& progress, bool in_place = false);

}  // namespace qp
