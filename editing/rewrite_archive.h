// An edit as one rewrite: the new archive goes to a file beside the old one, then takes its place.
#pragma once

#include "editing/archive_plan.h"
#include "editing/edit_result.h"
#include "editing/write_plan.h"

namespace qp {

// The file a rewrite of `archive_path` writes first: "<archive>.quillpack-tmp" beside it, a name
// no host takes for an archive.
std::string ReplacementPath(const char* archive_path);

// Writes `plan` to the replacement file, flushes it to disk and puts it in place of the archive
// in one step, so that the archive on disk is at every moment the old one or the new one, whole.
// `archive` is the archive held for the edit (the handle may be closed and nulled by the
// replacement), or null for a new archive, which must not exist. The replacement file is created
// afresh, never followed: a leftover of a crashed edit (a regular file of the editor's) is
// removed first, and anything else at its name refuses the edit. A copy that another edit is
// writing is held by it and never removed: that edit is in use (a new archive has no archive
// to hold while two create it). Where
// no copy can be made beside the archive, the result says why (`copy`). On any failure, a cancel
// included, the replacement file is removed and the archive is as it was.
EditResult RewriteArchive(const char* archive_path, FileHandle& archive, const ArchivePlan& plan,
                          int item_count, Progress& progress);

}  // namespace qp
