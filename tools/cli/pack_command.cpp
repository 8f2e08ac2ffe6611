// quillpack pack: the files named, or the files below the folders named, into a new or existing
// archive.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "editing/pack_sources.h"
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

}  // namespace

// A new archive or an existing one, all files go in one edit, which writes the archive once.
int PackCommand(const Options& options, Progress& progress) {
    std::vector<SourceFile> files;
    if (!CollectFiles(options, files)) return kFailure;
    if ((options.has_prefix || options.product) && PathExists(options.archive.c_str())) {
        std::fprintf(stderr,
                     "quillpack: %s: exists; --prefix and --product apply to new archives\n",
                     options.archive.c_str());
    }
    const NewArchiveSettings settings{options.product ? kPboTypeOfp : kPboTypeArma, options.prefix};
    const PackRequest request{settings, static_cast<int>(files.size()), true};
    const EditResult result = PackSources(options.archive.c_str(), files, request, progress);
    if (result.outcome == Outcome::ok) return kSuccess;
    return Fail(result.failed_path.empty() ? options.archive : result.failed_path,
                EditResultText(result));
}

}  // namespace qp::cli
