// quillpack pack: a new archive is written in one pass; an existing one is edited in place.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "editing/pack_files.h"
#include "editing/write_archive.h"
#include "platform/file.h"
#include "tools/cli/commands.h"
#include "tools/cli/entry_paths.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// Every file a PATH names: the file itself, or the files below a folder in name order.
bool CollectFiles(const Options& options, std::vector<SourceFile>& files) {
    for (const std::string& operand : options.operands) {
        const fs::path path = fs::path(options.folder) / operand;
        std::error_code error;
        std::vector<fs::path> found;
        if (fs::is_directory(path, error)) {
            for (const auto& item : fs::recursive_directory_iterator(path, error)) {
                if (item.is_regular_file()) found.push_back(item.path());
            }
            std::sort(found.begin(), found.end());
        } else if (fs::is_regular_file(path, error)) {
            found.push_back(path);
        } else {
            Fail(path.string(), "no such file or folder");
            return false;
        }
        for (const fs::path& file : found) {
            const std::string name = EntryNameFor(options.folder, file);
            if (name.empty()) {
                Fail(file.string(), "not inside the folder " + options.folder);
                return false;
            }
            // The host's list format ends at an item of 255 characters or more.
            if (name.size() >= 255) {
                Fail(file.string(), "entry name too long (254 characters at most)");
                return false;
            }
            files.push_back({name, file.string()});
        }
    }
    return true;
}

int PackNew(const Options& options, const std::vector<SourceFile>& files, Progress& progress) {
    const std::int32_t type = options.product ? kPboTypeOfp : kPboTypeArma;
    const WriteResult result =
        WriteNewArchive(options.archive.c_str(), type, options.prefix.c_str(), files, progress);
    if (result.outcome == Outcome::ok) return kSuccess;
    const std::string& culprit = result.failed_path.empty() ? options.archive : result.failed_path;
    return Fail(culprit, OutcomeText(result.outcome));
}

// Each file goes in through the same in-place packing the plugin uses: the folder part of its
// entry name is the sub-path, its own folder the source path.
int PackExisting(const Options& options, const std::vector<SourceFile>& files, Progress& progress) {
    if (options.has_prefix || options.product) {
        std::fprintf(stderr,
                     "quillpack: %s: exists; --prefix and --product apply to new archives\n",
                     options.archive.c_str());
    }
    for (const SourceFile& file : files) {
        const std::size_t split = file.entry_name.rfind('\\');
        const std::string sub_path =
            split == std::string::npos ? std::string() : file.entry_name.substr(0, split);
        const fs::path source(file.source_path);
        std::string src_path = source.parent_path().string();
        if (!src_path.empty()) src_path += static_cast<char>(fs::path::preferred_separator);
        std::string item = source.filename().string();
        item.append(2, '\0');
        const Outcome outcome = PackFiles(
            options.archive.c_str(), split == std::string::npos ? nullptr : sub_path.c_str(),
            src_path.c_str(), item.c_str(), NewArchiveSettings{}, progress);
        if (outcome != Outcome::ok) return Fail(options.archive, OutcomeText(outcome));
    }
    return kSuccess;
}

}  // namespace

int PackCommand(const Options& options, Progress& progress) {
    std::vector<SourceFile> files;
    if (!CollectFiles(options, files)) return kFailure;
    if (!PathExists(options.archive.c_str())) return PackNew(options, files, progress);
    return PackExisting(options, files, progress);
}

}  // namespace qp::cli
