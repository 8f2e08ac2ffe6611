// Writing a whole new archive in one sequential pass, for callers that have all files at hand.
#pragma once

#include <cstdint>
#include <vector>

#include "editing/edit_result.h"
#include "editing/pack_sources.h"
#include "pbo/progress.h"

namespace qp {

// Writes the archive that packing the files one by one into a missing archive would make, byte
// for byte: same extension, same entry order, a later file of the same name replacing the data
// of the earlier one while its place and timestamp stay. The archive must not exist yet
// (create_failed); every file must open, or nothing is written.
EditResult WriteNewArchive(const char* path, std::int32_t pbo_type, const char* prefix,
                           const std::vector<SourceFile>& files, Progress& progress);

}  // namespace qp
