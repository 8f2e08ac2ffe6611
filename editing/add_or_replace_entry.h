// Putting one source file into an archive in place: a new entry, or new data for the entry of
// its name.
#pragma once

#include "pbo/outcome.h"
#include "pbo/progress.h"
#include "platform/file.h"

namespace qp {

// `archive` is held open for reading and writing by the caller; `archive_path` names it in the
// reports of the splices. After it returns the archive is complete and readable: either with the
// file packed, or, when any step failed, exactly as before (open_failed for the source,
// bad_archive for a damaged archive, write_failed for a splice). Not undone: a replacement whose
// cut of the old data fails once the bytes behind it have moved (the cut bytes are gone by then).
Outcome AddOrReplaceEntry(FileHandle archive, const char* archive_path, const char* source_path,
                          const char* entry_name, Progress& progress);

}  // namespace qp
