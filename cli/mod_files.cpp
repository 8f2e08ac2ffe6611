// Finding a server's keys, a mod's archives and their signatures on disk.
#include "cli/mod_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "pbo/entry_name.h"
#include "signing/key_file.h"
#include "signing/signature_file.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSignatureExtensionSize = sizeof kSignatureExtension - 1;

// Whether the file's name ends in `extension`, ignoring letter case (`Main.PBO` is an archive).
bool HasExtension(const fs::path& file, std::string_view extension) {
    const std::string name = FoldedEntryName(Utf8FromPath(file.filename()));
    return name.size() > extension.size() && name.ends_with(extension);
}

// The regular files in `folder`, and with `every_level` below it, whose names end in `extension`.
bool FilesWith(const std::string& folder, bool every_level, std::string_view extension,
               std::vector<std::string>& found) {
    std::error_code error;
    fs::recursive_directory_iterator item(PathFromUtf8(folder), error);
    for (; !error && item != fs::recursive_directory_iterator(); item.increment(error)) {
        if (!every_level) item.disable_recursion_pending();
        if (item->is_regular_file(error) && HasExtension(item->path(), extension)) {
            found.push_back(Utf8FromPath(item->path()));
        }
        error.clear();  // a file that went away meanwhile is not looked at
    }
    std::sort(found.begin(), found.end());
    if (error) return Refuse(folder, "cannot read the folder: " + error.message());
    return true;
}

}  // namespace

bool KeyFilesIn(const std::string& folder, std::vector<std::string>& keys) {
    std::error_code error;
    if (!fs::is_directory(PathFromUtf8(folder), error)) return Refuse(folder, "not a folder");
    if (!FilesWith(folder, false, kPublicKeyExtension, keys)) return false;
    return !keys.empty() || Refuse(folder, "no .bikey file in the folder");
}

bool ArchivesAt(const std::string& path, std::vector<std::string>& archives) {
    std::error_code error;
    const fs::file_status status = fs::status(PathFromUtf8(path), error);
    if (fs::is_regular_file(status)) {
        archives.push_back(path);
        return true;
    }
    if (!fs::is_directory(status)) return Refuse(path, "no such archive or folder");
    std::vector<std::string> found;
    if (!FilesWith(path, true, ".pbo", found)) return false;
    if (found.empty()) return Refuse(path, "no .pbo archive in the folder");
    archives.insert(archives.end(), found.begin(), found.end());
    return true;
}

std::vector<std::string> SignatureFilesBeside(const std::string& archive) {
    const fs::path archive_path = PathFromUtf8(archive);
    const std::string start = Utf8FromPath(archive_path.filename()) + ".";
    fs::path folder = archive_path.parent_path();
    if (folder.empty()) folder = ".";
    std::vector<std::string> found;
    std::error_code error;
    fs::directory_iterator item(folder, error);
    for (; !error && item != fs::directory_iterator(); item.increment(error)) {
        const std::string name = Utf8FromPath(item->path().filename());
        if (name.size() > start.size() + kSignatureExtensionSize && name.starts_with(start) &&
            name.ends_with(kSignatureExtension)) {
            found.push_back(archive + name.substr(start.size() - 1));
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string SignatureAuthority(const std::string& archive, const std::string& signature) {
    const std::size_t start = archive.size() + 1;
    return signature.substr(start, signature.size() - start - kSignatureExtensionSize);
}

bool ServerMissesName(const std::string& path) {
    const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || c == ' '; });
}

}  // namespace qp::cli
