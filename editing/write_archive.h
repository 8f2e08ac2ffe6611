// Writing a whole new archive in one sequential pass, for callers that have all files at hand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

struct SourceFile {
    std::string entry_name;   // as stored: backslash-separated
    std::string source_path;  // where the bytes come from
};

struct WriteResult {
    Outcome outcome;
    std::string failed_path;  // the file that could not be opened, read or written
};

// Writes the archive that packing the files one by one into a missing archive would make, byte
// for byte: same extension, same entry order, a later file of the same name replacing the data
// of the earlier one while its place and timestamp stay. The archive must not exist yet; when
// writing fails, it is removed again.
WriteResult WriteNewArchive(const char* path, std::int32_t pbo_type, const char* prefix,
                            const std::vector<SourceFile>& files, Progress& progress);

}  // namespace qp
