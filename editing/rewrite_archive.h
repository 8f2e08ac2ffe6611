// An edit as one rewrite: the new archive goes to a file beside the old one, then takes its place.
#pragma once

#include "editing/archive_plan.h"
#include "editing/edit_result.h"
#include "editing/write_plan.h"

namespace qp {

// The file a rewrite of `archive_path` writes first: "<archive>.quillpack-tmp" beside it, a name
// no host takes for an archive.
std::string ReplacementPath(const char* archive_path);

// Removes a replacement file that a crashed edit left behind. Only an editor that holds the
// archive may do so: every other editor of it would hold the archive while it writes one.
void RemoveLeftover(const char* archive_path);

// Writes `plan` to the replacement file, flushes it to disk and puts it in place of the archive
// in one step, so that the archive on disk is at every moment the old one or the new one, whole.
// `archive` is the archive held for the edit (the handle may be closed and nulled by the
// replacement), or null for a new archive, which must not exist. A replacement file left by a
// crash is overwritten. On any failure, a cancel included, the replacement file is removed and
// the archive is as it was.
EditResult RewriteArchive(const char* archive_path, FileHandle& archive, const ArchivePlan& plan,
                          int item_count, Progress& progress);

// Whether a rewrite failed for want of room for a copy beside the archive: the folder allows no
// new files, or the volume filled up. An edit in place may still succeed then.
bool NoRoomForCopy(const EditResult& rewrite);

}  // namespace qp
