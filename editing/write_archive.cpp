// A new archive from a list of files: packing them all into an archive that does not exist.
#include "editing/write_archive.h"

namespace qp {

EditResult WriteNewArchive(const char* path, std::int32_t pbo_type, const char* prefix,
                           const std::vector<SourceFile>& files, Progress& progress) {
    if (PathExists(path)) return {Outcome::create_failed, IoStatus::already_exists, path};
    const PackRequest request{{pbo_type, prefix}, static_cast<int>(files.size()), true};
    EditResult result = PackSources(path, files, request, progress);
    if (result.outcome != Outcome::ok && result.failed_path.empty()) result.failed_path = path;
    return result;
}

}  // namespace qp
