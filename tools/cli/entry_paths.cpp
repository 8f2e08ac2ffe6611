// Entry names use backslashes on every system; paths on disk use the system's separator.
#include "tools/cli/entry_paths.h"

namespace qp::cli {

std::string UnsafeEntryReason(const std::string& name) {
    if (name.empty()) return "empty name";
    if (name[0] == '\\' || name[0] == '/') return "absolute path";
    if (name.find(':') != std::string::npos) return "drive letter or stream name";
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = name.find_first_of("\\/", start);
        const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part == "..") return "'..' component";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

std::filesystem::path TargetPath(const std::filesystem::path& folder, const std::string& name) {
    std::filesystem::path target = folder;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (!part.empty()) target /= part;
        if (end == std::string::npos) return target;
        start = end + 1;
    }
}

std::string EntryNameFor(const std::filesystem::path& folder, const std::filesystem::path& file) {
    const std::filesystem::path relative =
        std::filesystem::absolute(file).lexically_normal().lexically_relative(
            std::filesystem::absolute(folder).lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return {};
    std::string name;
    for (const std::filesystem::path& part : relative) {
        if (part == ".") continue;
        if (!name.empty()) name += '\\';
        name += part.string();
    }
    return name;
}

}  // namespace qp::cli
