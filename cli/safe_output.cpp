// Folders one at a time, small files through part files.
#include "cli/safe_output.h"

#include "cli/entry_paths.h"
#include "listing/part_file.h"

namespace qp::cli {

IoStatus MakeFoldersBelow(const std::string& root, const std::vector<std::string>& parts,
                          std::string& failed) {
    std::string path = root;
    for (const std::string& part : parts) {
        path = JoinPath(path, part);
        const IoStatus made = MakeFolder(path.c_str());
        if (made != IoStatus::ok) {
            failed = path;
            return made;
        }
    }
    return IoStatus::ok;
}

IoStatus WriteFileBelow(const std::string& folder, const std::string& name,
                        const std::string& bytes) {
    PartFile part;
    const IoStatus started = StartPartFile(JoinPath(folder, name), part);
    if (started != IoStatus::ok) return started;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const Transfer written = WriteBytes(part.handle, bytes.data(), size);
    const bool whole = written.bytes == size;
    const IoStatus finished = FinishPartFile(part, whole);
    return whole ? finished : written.status;
}

}  // namespace qp::cli
