// In-place insertion and removal of byte ranges in a file given by its path.
#pragma once

#include <cstdint>

#include "pbo/outcome.h"
#include "pbo/progress.h"
#include "platform/file.h"

namespace qp {

// Cuts `length` bytes at `offset` out of the file: everything behind moves toward the front.
// When 1 MiB or more lies behind the range, progress is reported per 1 MiB moved, named by
// `progress_text` or, when that is empty, by `path`. A range outside the file is refused
// (bad_archive) and nothing is changed.
Outcome RemoveRange(const char* path, std::uint32_t offset, std::uint32_t length,
                    const char* progress_text, Progress& progress);

// Opens a gap of `length` bytes at `offset` and fills it with `bytes`. An offset beyond the end of
// the file is refused (bad_archive); an insertion that fails leaves the file at its former size.
Outcome InsertRange(const char* path, std::uint32_t offset, std::uint32_t length,
                    const std::uint8_t* bytes, const char* progress_text);

// The same two on a file the caller holds open for reading and writing; `path` names it in the
// reports of a removal.
Outcome RemoveRangeInFile(FileHandle file, const char* path, std::uint32_t offset,
                          std::uint32_t length, const char* progress_text, Progress& progress);
Outcome InsertRangeInFile(FileHandle file, std::uint32_t offset, std::uint32_t length,
                          const std::uint8_t* bytes);

}  // namespace qp
