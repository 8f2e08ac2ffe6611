// Joining the host's destination, and looking for links among the folders the entry's name made.
#include "listing/destination.h"

#include <vector>

#include "pbo/entry_name.h"
#include "platform/file.h"

namespace qp {
namespace {

// A folder on the way to a file: its name, and where it ends in the path.
struct Folder {
    std::string_view name;
    std::size_t end;
};

// The folders of `path` from `from` on, each up to the separator after it; the last part, the
// file's name, is none of them.
std::vector<Folder> FoldersOf(std::string_view path, std::size_t from) {
    std::vector<Folder> folders;
    std::size_t start = from;
    for (std::size_t at = from; at < path.size(); ++at) {
        if (!IsPathSeparator(path[at])) continue;
        if (at > start) folders.push_back({path.substr(start, at - start), at});
        start = at + 1;
    }
    return folders;
}

// How many of the last folders of `folders` are the entry's own folders, compared from the end.
std::size_t EntryFolderCount(const std::vector<Folder>& folders, std::string_view shown_name) {
    const std::vector<std::string> parts = NameParts(shown_name);
    const std::size_t entry_folders = parts.empty() ? 0 : parts.size() - 1;
    std::size_t count = 0;
    while (
        count < entry_folders && count < folders.size() &&
        SameEntryName(folders[folders.size() - 1 - count].name, parts[entry_folders - 1 - count])) {
        ++count;
    }
    return count;
}

}  // namespace

std::string JoinDestination(const char* dest_path, const char* dest_name) {
    const std::string path = dest_path != nullptr ? dest_path : "";
    const std::string name = dest_name != nullptr ? dest_name : "";
    if (path.empty() || name.empty() || IsPathSeparator(path.back()) ||
        IsPathSeparator(name.front())) {
        return path + name;
    }
    return path + kPathSeparator + name;
}

Outcome ChooseDestination(const char* dest_path, const char* dest_name, std::string_view shown_name,
                          std::size_t max_length, std::string& destination) {
    destination = JoinDestination(dest_path, dest_name);
    if (destination.size() > max_length) return Outcome::create_failed;
    const bool folder_given = dest_path != nullptr && dest_path[0] != '\0';
    std::vector<Folder> folders =
        FoldersOf(destination, folder_given ? std::string_view(dest_path).size() : 0);
    if (!folder_given) {
        const std::size_t own = EntryFolderCount(folders, shown_name);
        folders.erase(folders.begin(), folders.end() - static_cast<std::ptrdiff_t>(own));
    }
    for (const Folder& folder : folders) {
        if (IsLink(destination.substr(0, folder.end).c_str())) return Outcome::create_failed;
    }
    return Outcome::ok;
}

}  // namespace qp
