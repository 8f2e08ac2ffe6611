// quillpack pack: the files named, or the files below the folders named, into a new or existing
// archive; a new archive takes its header pairs from $PBOPREFIX$, $PBOHEADER$ and the options.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/header_files.h"
#include "editing/pack_sources.h"
#include "pbo/entry_name.h"
#include "pbo/header_extension.h"
#include "platform/file.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// Fail's message, for the steps that answer whether they could go on.
bool Refuse(const std::string& file, const std::string& reason) {
    Fail(file, reason);
    return false;
}

struct Collected {
    std::vector<SourceFile> files;
    std::string prefix_file;  // $PBOPREFIX$ at the root of the folder, when packed
    std::string pairs_file;   // $PBOHEADER$ there
};

// The files below a folder, every level; false with a message when a folder cannot be read.
bool FilesBelow(const fs::path& folder, std::vector<fs::path>& found) {
    std::error_code error;
    fs::recursive_directory_iterator item(folder, error);
    for (; !error && item != fs::recursive_directory_iterator(); item.increment(error)) {
        if (item->is_regular_file(error)) found.push_back(item->path());
        error.clear();  // a file that went away meanwhile is not packed, and no loss
    }
    if (!error) return true;
    return Refuse(Utf8FromPath(folder), "cannot read the folder: " + error.message());
}

// Takes one file: an entry, or at the root of the folder a file of header pairs.
bool TakeFile(const Options& options, const fs::path& file, Collected& collected) {
    const std::string path = Utf8FromPath(file);
    const std::string name = EntryNameFor(PathFromUtf8(options.folder), file);
    if (name.empty()) return Refuse(path, "not inside the folder " + options.folder);
    for (auto [header_name, held] : {std::pair{kPrefixFileName, &collected.prefix_file},
                                     std::pair{kPairsFileName, &collected.pairs_file}}) {
        if (SameEntryName(name, header_name)) {
            if (!held->empty() && !SameEntryName(*held, path)) {
                return Refuse(path, std::string("a second ") + header_name);
            }
            *held = path;
            return true;
        }
        const std::size_t last = name.rfind('\\');
        if (last != std::string::npos && SameEntryName(name.substr(last + 1), header_name)) {
            Note(path,
                 "packed as an entry: only the one at the root of the folder (-C) gives "
                 "header pairs");
        }
    }
    // The host's list format ends at an item of 255 characters or more.
    if (name.size() >= 255) {
        return Refuse(path, "entry name too long (254 characters at most)");
    }
    if (SameFile(path.c_str(), options.archive.c_str())) {
        return Refuse(path, "the same file as the archive, which cannot be packed into itself");
    }
    collected.files.push_back({name, path});
    return true;
}

// Every file a PATH names: the file itself, or the files below a folder.
bool CollectFiles(const Options& options, Collected& collected) {
    for (const std::string& operand : options.operands) {
        const fs::path path =
            (PathFromUtf8(options.folder) / PathFromUtf8(operand)).lexically_normal();
        std::error_code error;
        std::vector<fs::path> found;
        const fs::file_status status = fs::status(path, error);
        if (fs::is_directory(status)) {
            if (!FilesBelow(path, found)) return false;
        } else if (fs::is_regular_file(status)) {
            found.push_back(path);
        } else {
            return Refuse(Utf8FromPath(path), fs::exists(status)
                                                  ? IoStatusText(IoStatus::not_regular)
                                                  : "no such file or folder");
        }
        for (const fs::path& file : found) {
            if (!TakeFile(options, file, collected)) return false;
        }
    }
    return true;
}

// Entries sorted as other packers write them: by name, ignoring case, with backslashes.
void SortByName(std::vector<SourceFile>& files) {
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        keys.emplace_back(FoldedEntryName(files[i].entry_name), i);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<SourceFile> sorted;
    sorted.reserve(files.size());
    for (const auto& key : keys) sorted.push_back(std::move(files[key.second]));
    files = std::move(sorted);
}

// A header file's text; false with a message when it cannot be read whole.
bool ReadHeaderFile(const std::string& path, std::string& text) {
    constexpr std::uint32_t kLargest = 1u << 20;
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    if (file.handle == nullptr) return Refuse(path, IoStatusText(file.status));
    const SizeResult size = FileSize32(file.handle);
    bool read = size.status == IoStatus::ok && size.size <= kLargest;
    if (read) {
        text.resize(size.size);
        read = ReadBytes(file.handle, text.data(), size.size).bytes == size.size;
    }
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    if (!read) return Refuse(path, "cannot be read whole (1 MiB at most)");
    return true;
}

// The pairs of a new archive: the prefix file's, the pairs file's, then the options' in order.
bool HeaderPairs(const Options& options, const Collected& collected, ExtensionPairs& pairs) {
    std::string text;
    if (!collected.prefix_file.empty()) {
        if (!ReadHeaderFile(collected.prefix_file, text)) return false;
        bool more_lines = false;
        const std::string prefix = PrefixFromFile(text, more_lines);
        if (!prefix.empty()) pairs.emplace_back("prefix", prefix);
        if (more_lines) Note(collected.prefix_file, "only its first line is read");
    }
    if (!collected.pairs_file.empty()) {
        std::string error;
        if (!ReadHeaderFile(collected.pairs_file, text)) return false;
        if (!PairsFromFile(text, pairs, error)) return Refuse(collected.pairs_file, error);
    }
    for (const auto& [key, value] : options.header_pairs) SetPair(pairs, key, value);
    return true;
}

// An existing archive keeps its header: say so when the pairs given differ from it.
void NoteKeptHeader(const Options& options, const Collected& collected,
                    const ExtensionPairs& pairs) {
    const bool given = !collected.prefix_file.empty() || !collected.pairs_file.empty() ||
                       !options.header_pairs.empty();
    if (!given) return;
    const OpenResult file = OpenFile(options.archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) return;  // the edit itself will say why
    const ExtensionPairs kept = ReadHeaderExtension(file.handle);
    CloseFile(file.handle);
    if (kept != pairs) {
        Note(options.archive, "exists, and keeps its header: header pairs apply to new archives");
    }
}

int Pack(const Options& options, Progress& progress) {
    Collected collected;
    if (!CollectFiles(options, collected)) return kFailure;
    ExtensionPairs pairs;
    if (!HeaderPairs(options, collected, pairs)) return kFailure;
    if (PathExists(options.archive.c_str())) {
        NoteKeptHeader(options, collected, pairs);
    } else {
        SortByName(collected.files);
    }
    const NewArchiveSettings settings{kPboTypeOwnPairs, {}, pairs};
    const PackRequest request{settings, static_cast<int>(collected.files.size()), true,
                              options.in_place};
    const EditResult result =
        PackSources(options.archive.c_str(), collected.files, request, progress);
    if (result.outcome == Outcome::ok) return kSuccess;
    return Fail(result.failed_path.empty() ? options.archive : result.failed_path,
                EditResultText(result));
}

}  // namespace

// A new archive or an existing one, all files go in one edit, which writes the archive once.
int PackCommand(const Options& options, Progress& progress) {
    try {
        return Pack(options, progress);
    } catch (const std::exception& error) {
        // Names the system cannot give as UTF-8 (on Windows, file names that are not valid UTF-16).
        return Fail(options.folder, std::string("cannot take the files: ") + error.what());
    }
}

}  // namespace qp::cli
