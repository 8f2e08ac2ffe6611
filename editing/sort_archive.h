// Putting an archive's entries in the order packers write and signature checkers expect.
#pragma once

#include "editing/edit_result.h"
#include "pbo/progress.h"

namespace qp {

// Rewrites the archive with its entries sorted by name, ignoring case (entries of one name keep
// their order); the header pairs, every entry's data, timestamp and method stay as they are. A
// damaged archive, one with an entry whose data cannot give its size included, is bad_archive. The
// archive is held for the edit and replaced in one step, as every edit does; without room for a
// copy beside it nothing is changed.
EditResult SortArchive(const char* archive_path, Progress& progress);

}  // namespace qp
