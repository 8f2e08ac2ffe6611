// Putting one source file into an archive: a new entry, or new data for the entry of its name.
#pragma once

#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

// After it returns the archive is complete and readable: either with the file packed, or, when
// any step failed, exactly as before (open_failed for the source, bad_archive for a damaged
// archive, write_failed for a splice). A close of the archive that fails after its step is done
// leaves the file packed and is reported as close_failed. Not undone: a replacement whose cut of
// the old data fails once the bytes behind it have moved (the cut bytes are gone by then).
Outcome AddOrReplaceEntry(const char* packed_file, const char* source_path, const char* entry_name,
                          Progress& progress);

}  // namespace qp
