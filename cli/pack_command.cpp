// quillpack pack: the files named, or the files below the folders named, into a new or existing
// archive; a new archive takes its header pairs from $PBOPREFIX$, $PBOHEADER$ and the options.
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/header_files.h"
#include "cli/name_text.h"
#include "cli/output.h"
#include "cli/progress_bar.h"
#include "cli/signing_steps.h"
#include "cli/source_folder.h"
#include "cli/text_configs.h"
#include "editing/pack_sources.h"
#include "listing/detect_archive.h"
#include "pbo/entry_name.h"
#include "pbo/header_extension.h"
#include "platform/file.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

struct Collected {
    std::vector<SourceFile> files;
    std::string prefix_file;  // $PBOPREFIX$ at the root of the folder, when packed
    std::string pairs_file;   // $PBOHEADER$ there
};

// Takes one file: an entry, or at the root of the folder a file of header pairs. `archive` is the
// archive's identity, known when it exists.
bool TakeFile(const Options& options, const FileIdentity& archive, const fs::path& file,
              Collected& collected) {
    const std::string path = Utf8FromPath(file);
    const std::string name = EntryNameFor(PathFromUtf8(options.folder), file);
    // The natural mistake of naming the addon folder from above gives every entry the folders
    // above it: "@mod\addons\main\config.cpp".
    if (name.empty() || (name[0] == '@' && name.find('\\') != std::string::npos)) {
        return Refuse(path, (name.empty() ? "not inside the folder " + options.folder
                                          : "would be packed as " + name) +
                                "; to pack a folder's contents, use 'quillpack build FOLDER' or "
                                "'pack ARCHIVE -C FOLDER .'");
    }
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
    if (archive.known && SameIdentity(IdentityOf(path.c_str()), archive)) {
        return Refuse(path, "the same file as the archive, which cannot be packed into itself");
    }
    collected.files.push_back({name, path});
    return true;
}

// Every file a PATH names: the file itself, or the files below a folder but those left out.
bool CollectFiles(const Options& options, const PackMode& mode, Collected& collected,
                  Progress& progress) {
    std::vector<std::string> patterns;
    if (!ExcludePatterns(PathFromUtf8(options.folder), options.excludes, options.follow_links,
                         patterns)) {
        return false;
    }
    const std::string skip = mode.fresh ? options.archive : std::string();
    const FileIdentity archive = IdentityOf(options.archive.c_str());
    for (const std::string& operand : options.operands) {
        const fs::path path =
            (PathFromUtf8(options.folder) / PathFromUtf8(operand)).lexically_normal();
        std::error_code error;
        std::vector<fs::path> found;
        const fs::file_status status = fs::status(path, error);
        if (fs::is_directory(status)) {
            if (!FilesBelow(PathFromUtf8(options.folder), path, patterns, skip,
                            options.follow_links, found, progress)) {
                return false;
            }
        } else if (fs::is_regular_file(status)) {
            found.push_back(path);
        } else {
            return Refuse(Utf8FromPath(path), fs::exists(status)
                                                  ? IoStatusText(IoStatus::not_regular)
                                                  : "no such file or folder");
        }
        for (const fs::path& file : found) {
            if (!TakeFile(options, archive, file, collected)) return false;
        }
    }
    return true;
}

// The pairs of a new archive: the prefix file's, the pairs file's, then the options' in order.
bool HeaderPairs(const Options& options, const Collected& collected, ExtensionPairs& pairs) {
    std::string text;
    if (!collected.prefix_file.empty()) {
        if (!ReadFolderFile(collected.prefix_file, text)) return false;
        bool more_lines = false;
        const std::string prefix = PrefixFromFile(text, more_lines);
        if (!prefix.empty()) pairs.emplace_back("prefix", prefix);
        if (more_lines) Note(collected.prefix_file, "only its first line is read");
    }
    if (!collected.pairs_file.empty()) {
        std::string error;
        if (!ReadFolderFile(collected.pairs_file, text)) return false;
        if (!PairsFromFile(text, pairs, error)) return Refuse(collected.pairs_file, error);
    }
    for (const auto& [key, value] : options.header_pairs) SetPair(pairs, key, value);
    return true;
}

std::string PairValue(const ExtensionPairs& pairs, const std::string& key) {
    for (const auto& [pair_key, value] : pairs) {
        if (pair_key == key) return value;
    }
    return {};
}

// What would be packed, one entry name a line.
int ListSources(const std::vector<SourceFile>& files) {
    Output out;
    for (const SourceFile& file : files) Put(out, ShownName(file.entry_name) + "\n");
    return FinishOutput(out) ? kSuccess : Fail("-", "the list could not be written whole");
}

// An existing file is edited only when it starts like a PBO: a zip or a text file under the
// archive's name is said to be none and left as it is. An archive keeps its header: say so when
// the pairs given differ from it.
bool CheckExisting(const Options& options, const Collected& collected,
                   const ExtensionPairs& pairs) {
    const OpenResult file = OpenFile(options.archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) return true;  // the edit itself will say why
    if (!StartsLikeArchive(file.handle)) {
        CloseFile(file.handle);  // read only: nothing to lose when the close fails
        return Refuse(options.archive, std::string(kNotArchiveText) + "; left unchanged");
    }
    const ExtensionPairs kept = ReadHeaderExtension(file.handle);
    CloseFile(file.handle);
    const bool given = !collected.prefix_file.empty() || !collected.pairs_file.empty() ||
                       !options.header_pairs.empty();
    if (given && kept != pairs) {
        Note(options.archive, "exists, and keeps its header: header pairs apply to new archives");
    }
    return true;
}

// A link at the archive's name that leads nowhere is neither replaced by the new archive nor
// followed to a file nobody named: it is named, and nothing is written.
bool NoDanglingLink(const std::string& archive) {
    std::error_code error;
    const fs::path path = PathFromUtf8(archive);
    if (!fs::is_symlink(fs::symlink_status(path, error)) || fs::exists(path, error)) return true;
    const std::string target = Utf8FromPath(fs::read_symlink(path, error));
    return Refuse(archive, "a symbolic link to " + ShownName(target) +
                               ", which does not exist; nothing written. Remove it, or name the "
                               "file it leads to as the archive");
}

// The one PATH a folder and no -C: the folder's contents, as build packs them.
Options FolderContents(const Options& options) {
    std::error_code error;
    if (options.has_folder || options.operands.size() != 1 ||
        !fs::is_directory(PathFromUtf8(options.operands[0]), error)) {
        return options;
    }
    Options contents = options;
    contents.folder = options.operands[0];
    contents.operands = {"."};
    return contents;
}

int Pack(const Options& given, const PackMode& mode, Progress& progress) {
    const Options options = FolderContents(given);
    KeyFileRead key_file;
    if (!mode.list_only && (!ReadSignKey(options, key_file) || !NoDanglingLink(options.archive))) {
        return kFailure;
    }
    Collected collected;
    if (!CollectFiles(options, mode, collected, progress)) return kFailure;
    // A new addon is extracted on Linux and on Windows: names either would refuse stop it.
    if (mode.fresh && !options.allow_names &&
        !NamesExtractable(PathFromUtf8(options.folder), collected.files)) {
        return kFailure;
    }
    ExtensionPairs pairs;
    if (!HeaderPairs(options, collected, pairs)) return kFailure;
    if (mode.rapify &&
        !RapifyFolderConfigs(options.folder, PairValue(pairs, "prefix"), options.include_folders,
                             mode.list_only, collected.files)) {
        return kFailure;
    }
    // The core puts new entries in order by name; the list shows them in that order too.
    if (!SortedWithoutCollisions(collected.files)) return kFailure;
    if (mode.fresh && collected.files.empty()) {
        return Fail(options.folder, "nothing to pack: no file is left that is not excluded");
    }
    if (!mode.fresh && PathExists(options.archive.c_str()) &&
        !CheckExisting(options, collected, pairs)) {
        return kFailure;
    }
    if (mode.list_only) return ListSources(collected.files);
    ExpectFiles(collected.files.size());
    const NewArchiveSettings settings{kPboTypeOwnPairs, {}, pairs};
    const PackRequest request{.settings = settings,
                              .item_count = static_cast<int>(collected.files.size()),
                              .all_or_nothing = true,
                              .times = mode.times,
                              .fresh = mode.fresh,
                              .in_place = options.in_place};
    const EditResult result =
        PackSources(options.archive.c_str(), collected.files, request, progress);
    if (result.outcome == Outcome::ok) return FinishSignedEdit(options, key_file);
    std::string reason =
        EditResultText(result, mode.fresh ? CopyAdvice::elsewhere : CopyAdvice::in_place);
    // A file is planned at the size it had when packing began: one that reads as ending early
    // was written to meanwhile (it grew or shrank), which "unexpected end of file" would not tell.
    if (!result.failed_path.empty() && result.outcome == Outcome::read_failed &&
        result.status == IoStatus::truncated) {
        reason =
            "changed size while it was packed; nothing written. Pack it again once nothing "
            "writes to it";
    }
    Fail(result.failed_path.empty() ? options.archive : result.failed_path, reason);
    return FinishFailedEdit(options, key_file);
}

}  // namespace

int PackCommand(const Options& options, Progress& progress) {
    return PackWith(options, PackMode{}, progress);
}

// A new archive or an existing one, all files go in one edit, which writes the archive once.
int PackWith(const Options& options, const PackMode& mode, Progress& progress) {
    try {
        return Pack(options, mode, progress);
    } catch (const std::exception& error) {
        // Names the system cannot give as UTF-8 (on Windows, file names that are not valid UTF-16).
        return Fail(options.folder, std::string("cannot take the files: ") + error.what());
    }
}

}  // namespace qp::cli
