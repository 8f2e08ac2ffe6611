// quillpack build: a fresh archive from a folder, the same bytes for the same folder on every
// system, written in one step over whatever archive was there.
#include <algorithm>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/header_files.h"
#include "listing/detect_archive.h"
#include "pbo/entry_name.h"
#include "platform/file.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// FOLDER.pbo beside the folder; "." and "dir/" name the folder they stand for. Empty for a folder
// that has no name (the root).
std::string DefaultArchive(const std::string& folder) {
    fs::path path = PathFromUtf8(folder);
    while (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
    if (!path.has_filename() || path.filename() == "." || path.filename() == "..") {
        path = fs::absolute(path).lexically_normal();
        if (!path.has_filename()) path = path.parent_path();
    }
    if (!path.has_filename()) return {};
    return Utf8FromPath(path) + ".pbo";
}

// Only an archive, or an empty file, is replaced: a build given the wrong name must not wipe
// out a file that is no archive.
bool Replaceable(const std::string& archive) {
    if (!PathExists(archive.c_str())) return true;
    const OpenResult file = OpenFile(archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) {
        Fail(archive, IoStatusText(file.status));
        return false;
    }
    const SizeResult size = FileSize32(file.handle);
    const bool replaceable =
        size.status == IoStatus::ok && (size.size == 0 || StartsLikeArchive(file.handle));
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    if (replaceable) return true;
    Fail(archive, "exists and is not a PBO archive; not replaced");
    return false;
}

// Whether the folder has a $PBOPREFIX$ at its root, in any letter case.
bool HasPrefixFile(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator item(folder, error), end; !error && item != end;
         item.increment(error)) {
        if (SameEntryName(Utf8FromPath(item->path().filename()), kPrefixFileName)) return true;
    }
    return false;
}

}  // namespace

int BuildCommand(const Options& given, Progress& progress) {
    Options options = given;
    std::error_code error;
    const fs::path folder = PathFromUtf8(options.folder);
    if (!fs::is_directory(folder, error)) return Fail(options.folder, "not a folder");
    if (options.archive.empty()) options.archive = DefaultArchive(options.folder);
    if (options.archive.empty()) return Fail(options.folder, "no archive name: give ARCHIVE");
    if (!options.list_only && !Replaceable(options.archive)) return kFailure;
    const bool prefix_given = std::any_of(
        options.header_pairs.begin(), options.header_pairs.end(),
        [](const auto& pair) { return pair.first == "prefix" && !pair.second.empty(); });
    if (!prefix_given && !options.product && !HasPrefixFile(folder)) {
        Note(options.folder, "no $PBOPREFIX$ and no --prefix: the archive gets no prefix");
    }
    options.operands = {"."};
    options.has_folder = true;
    const PackMode mode{true, options.mtime ? EntryTimes::modification : EntryTimes::zero,
                        options.list_only, !options.no_rapify};
    return PackWith(options, mode, progress);
}

}  // namespace qp::cli
