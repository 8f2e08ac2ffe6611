// Entry names use backslashes on every system; paths on disk use the system's separator.
#include "cli/entry_paths.h"

#include "listing/destination.h"

namespace qp::cli {

std::string JoinPath(const std::string& folder, const std::string& name) {
    return JoinDestination(folder.c_str(), name.c_str());
}

std::vector<std::string> RelativeParts(const std::filesystem::path& folder,
                                       const std::filesystem::path& file) {
    const std::filesystem::path relative =
        std::filesystem::absolute(file).lexically_normal().lexically_relative(
            std::filesystem::absolute(folder).lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return {};
    std::vector<std::string> parts;
    for (const std::filesystem::path& part : relative) {
        if (part != ".") parts.push_back(Utf8FromPath(part));
    }
    return parts;
}

std::string EntryNameFor(const std::filesystem::path& folder, const std::filesystem::path& file) {
    std::string name;
    for (const std::string& part : RelativeParts(folder, file)) {
        if (!name.empty()) name += '\\';
        name += part;
    }
    return name;
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace qp::cli
