// Part files: created beside their target, put in its place by a rename, or removed.
#include "listing/part_file.h"

namespace qp {

bool UsableFileName(std::string_view name) {
    return !name.empty() && name != "." && name != "..";
}

std::string FolderPartOf(const std::string& destination) {
    std::size_t end = destination.size();
    while (end > 0 && !IsPathSeparator(destination[end - 1])) --end;
    return destination.substr(0, end);
}

void RemoveAbandonedPartsOnce(const std::string& target, std::set<std::string>& cleaned) {
    const std::string folder = FolderPartOf(target);
    if (cleaned.insert(folder).second) RemoveAbandonedParts(folder, kPartFilePrefix);
}

IoStatus StartPartFile(const std::string& target, PartFile& part) {
    const std::string folder = FolderPartOf(target);
    if (!UsableFileName(std::string_view(target).substr(folder.size()))) {
        return IoStatus::not_regular;
    }
    part.target = target;
    // Other extractions into the same folder, in this process or another, hold names of their
    // own; whatever stands at a name, a planted link included, is left alone.
    constexpr int kTries = 100;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const std::string suffix = attempt == 0 ? "" : std::to_string(attempt);
        part.path = folder + kPartFilePrefix + suffix;
        const OpenResult created = CreatePartFile(part.path.c_str());
        if (created.status != IoStatus::already_exists) {
            part.handle = created.handle;
            return created.status;
        }
    }
    return IoStatus::already_exists;
}

IoStatus FinishPartFile(PartFile& part, bool keep) {
    // The file is held until it has left the part's name, so that no one removes it meanwhile.
    IoStatus placed = keep ? PlacePartFile(part.handle, part.path.c_str(), part.target.c_str())
                           : IoStatus::io_error;
    part.placed = placed == IoStatus::ok;
    if (!part.placed) DropPartFile(part.handle, part.path.c_str());
    const IoStatus closed = CloseFile(part.handle);
    part.handle = nullptr;
    if (!keep) return IoStatus::ok;
    return placed != IoStatus::ok ? placed : closed;
}

}  // namespace qp
