// Entry names use backslashes on every system; paths on disk use the system's separator.
#include "cli/entry_paths.h"

#include "listing/destination.h"

namespace qp::cli {

std::string JoinPath(const std::string& folder, const std::string& name) {
    return JoinDestination(folder.c_str(), name.c_str());
}

namespace {

namespace fs = std::filesystem;

// Whether `path`, taken as it is, names the same place as `path` made absolute does next to
// `other`: both absolute, or both from the same working folder without climbing out of it.
bool ComparableAsGiven(const fs::path& path, const fs::path& other) {
    return path.is_absolute() == other.is_absolute() && path.root_name() == other.root_name() &&
           (path.is_absolute() || path.empty() || *path.begin() != "..");
}

}  // namespace

std::vector<std::string> RelativeParts(const std::filesystem::path& folder,
                                       const std::filesystem::path& file) {
    // Made absolute only when they must be: each time it asks the system for the working folder,
    // and a build names every file of the folder.
    fs::path from = folder.lexically_normal();
    fs::path to = file.lexically_normal();
    if (!ComparableAsGiven(from, to) || !ComparableAsGiven(to, from)) {
        from = fs::absolute(folder).lexically_normal();
        to = fs::absolute(file).lexically_normal();
    }
    const fs::path relative = to.lexically_relative(from);
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
