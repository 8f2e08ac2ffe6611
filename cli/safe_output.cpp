// Folders one at a time, new files put in place by a rename.
#include "cli/safe_output.h"

#include "cli/entry_paths.h"

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

IoStatus StartPartFile(const std::string& folder, const std::string& name, PartFile& part) {
    part.target = JoinPath(folder, name);
    // A new file only: whatever stands at a name, a planted link included, is left alone.
    constexpr int kTries = 100;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const std::string suffix = attempt == 0 ? "" : std::to_string(attempt);
        part.path = JoinPath(folder, ".quillpack-part" + suffix);
        const OpenResult created = OpenFile(part.path.c_str(), OpenMode::create_new);
        if (created.status != IoStatus::already_exists) {
            part.handle = created.handle;
            return created.status;
        }
    }
    return IoStatus::already_exists;
}

IoStatus FinishPartFile(PartFile& part, bool keep) {
    IoStatus status = CloseFile(part.handle);
    part.handle = nullptr;
    if (keep && status == IoStatus::ok) {
        status = MoveFileOver(part.path.c_str(), part.target.c_str());
        if (status == IoStatus::ok) return status;
    }
    RemoveFile(part.path.c_str());
    return status;
}

IoStatus WriteFileBelow(const std::string& folder, const std::string& name,
                        const std::string& bytes) {
    PartFile part;
    const IoStatus started = StartPartFile(folder, name, part);
    if (started != IoStatus::ok) return started;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const Transfer written = WriteBytes(part.handle, bytes.data(), size);
    const bool whole = written.bytes == size;
    const IoStatus finished = FinishPartFile(part, whole);
    return whole ? finished : written.status;
}

}  // namespace qp::cli
