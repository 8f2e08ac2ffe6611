// Cutting many byte ranges out of a file in place, in one pass over the bytes behind them.
#pragma once

#include <vector>

#include "editing/delete_files.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"
#include "platform/file.h"

namespace qp {

// Cuts `ranges` (sorted, disjoint, offsets in the file as it stands) out of the file at `path`:
// every byte kept moves once, straight to its final place, and the end of the file is set once.
// The file and the progress reports, named by `path`, are those of a RemoveRange per range in
// ascending order. Ranges outside the file are refused (bad_archive) before anything moves.
Outcome CutRanges(const char* path, const std::vector<ByteRange>& ranges, Progress& progress);
// The same on a file the caller holds open for reading and writing, named `path` in reports.
Outcome CutRangesInFile(FileHandle file, const char* path, const std::vector<ByteRange>& ranges,
                        Progress& progress);

}  // namespace qp
