// Writing a planned archive front to back in one sequential pass.
#pragma once

#include "editing/archive_plan.h"
#include "editing/edit_result.h"
#include "pbo/progress.h"
#include "platform/file.h"

namespace qp {

// What the reports of a write say, and how many packed files make 100 %.
struct WriteReports {
    const char* archive_path;  // names the byte reports
    int item_count;            // the items of the host's list, folders included
};

// Writes the archive `plan` describes to `out` (open for writing at offset 0): the header, then
// the data, kept bytes read from `archive` (the archive being edited, or null for a new one) and
// new files read from theirs, then the trailer with the SHA-1 of every byte before it (an archive
// that has none stays without). Every byte is read once, into large blocks that are hashed on a
// second thread while they are written. The system starts writing `out` to the disk every few MB,
// so that the flush that must follow waits for little. Reports the bytes written at most once per
// MiB, and each new file once its bytes are read ("Packing - " and its entry, with the share of
// items done). A report answered with stop ends the write: aborted. A new file that cannot be
// opened, or whose size changed since it was planned, is named in `failed_path`.
EditResult WritePlan(const ArchivePlan& plan, FileHandle archive, FileHandle out,
                     const WriteReports& reports, Progress& progress);

}  // namespace qp
