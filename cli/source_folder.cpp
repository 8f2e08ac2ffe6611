// Walking a source folder with its excludes; names that would collide; the packers' order.
#include "cli/source_folder.h"

#include <algorithm>
#include <utility>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/interrupt.h"
#include "cli/name_patterns.h"
#include "listing/unsafe_names.h"
#include "pbo/entry_name.h"
#include "platform/file.h"
#include "signing/small_file.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// The files in the order of their sort keys, without moving them. Two names of one key are one
// entry: they differ only in letter case and separators.
std::vector<std::pair<std::string, std::size_t>> KeyOrder(const std::vector<SourceFile>& files) {
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        keys.emplace_back(EntrySortKey(files[i].entry_name), i);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return keys;
}

// Whether the file is the one to skip: only a file of the same name can be.
bool IsSkipped(const fs::path& file, const fs::path& skip_name, const std::string& skip) {
    return !skip.empty() && SameEntryName(Utf8FromPath(file.filename()), Utf8FromPath(skip_name)) &&
           SameFile(Utf8FromPath(file).c_str(), skip.c_str());
}

// Whether the file goes in under another name than its own (config.cpp as config.bin).
bool Renamed(const SourceFile& file) {
    const std::string file_name = Utf8FromPath(PathFromUtf8(file.source_path).filename());
    const std::string entry_file = file.entry_name.substr(file.entry_name.rfind('\\') + 1);
    return !SameEntryName(file_name, entry_file);
}

// Whether the file a link leads to lies below the folder, both taken with every link resolved.
bool LeadsInside(const fs::path& root, const fs::path& link) {
    std::error_code error;
    const fs::path real_root = fs::canonical(root, error);
    const std::string target = EditedPath(Utf8FromPath(link).c_str());
    return !error && !RelativeParts(real_root, PathFromUtf8(target)).empty();
}

// A link among the folder's files may lead to one inside it; out of it, only when asked: a link
// must not carry a file of the system (a key, a password hash) into an archive made to be shared.
bool LinkRefused(const fs::path& root, const fs::path& file, bool is_link, bool follow_links) {
    if (follow_links || !is_link || LeadsInside(root, file)) {
        return false;
    }
    return !Refuse(Utf8FromPath(file),
                   "a link to a file outside the folder; not packed (--follow-links packs it)");
}

}  // namespace

bool ReadFolderFile(const std::string& path, std::string& text) {
    const IoStatus read = ReadSmallFile(path, text);
    if (read == IoStatus::ok) return true;
    return Refuse(path, read == IoStatus::too_large ? "cannot be read whole (1 MiB at most)"
                                                    : IoStatusText(read));
}

bool ExcludePatterns(const fs::path& root, const std::vector<std::string>& given, bool follow_links,
                     std::vector<std::string>& patterns) {
    patterns = {".*"};
    const fs::path ignore_file = root / kIgnoreFileName;
    std::error_code error;
    if (fs::is_regular_file(ignore_file, error)) {
        const bool is_link = IsLink(Utf8FromPath(ignore_file).c_str());
        if (LinkRefused(root, ignore_file, is_link, follow_links)) return false;
        const std::string path = Utf8FromPath(ignore_file);
        std::string text;
        std::string reason;
        if (!ReadFolderFile(path, text)) return false;
        if (!PatternsFromIgnoreFile(text, patterns, reason)) return Refuse(path, reason);
    }
    patterns.insert(patterns.end(), given.begin(), given.end());
    return true;
}

bool FilesBelow(const fs::path& root, const fs::path& folder,
                const std::vector<std::string>& patterns, const std::string& skip,
                bool follow_links, std::vector<fs::path>& found, Progress& progress) {
    const fs::path skip_name = PathFromUtf8(skip).filename();
    bool links_refused = false;
    std::error_code error;
    // The folder a failing step could not read: the one it enters, or the one it reads on in.
    fs::path unread = folder;
    fs::recursive_directory_iterator item(folder, error);
    for (; !error && item != fs::recursive_directory_iterator(); item.increment(error)) {
        if (StopAtInterrupt(progress)) return false;
        // Each query on its own error: a link that leads nowhere fails the ones after it, and a
        // file that went away meanwhile is not packed, and no loss.
        std::error_code ignored;
        const bool is_folder = item->is_directory(ignored);
        const bool is_link = item->is_symlink(ignored);
        const std::string path = Utf8FromPath(item->path());
        if (Excluded(patterns, EntryNameFor(root, item->path()), is_folder)) {
            // Nothing below a folder left out is looked at: a .git of thousands of files costs
            // nothing.
            if (is_folder) item.disable_recursion_pending();
        } else if (is_folder) {
            if (is_link) Note(path, "a linked folder, not followed: nothing below it is packed");
        } else if (!item->is_regular_file(ignored)) {
            Note(path, is_link ? "a link that leads nowhere; skipped"
                               : "not a regular file (a pipe, socket or device); skipped");
        } else if (LinkRefused(root, item->path(), is_link, follow_links)) {
            links_refused = true;
        } else if (!IsSkipped(item->path(), skip_name, skip)) {
            found.push_back(item->path());
        }
        const bool enters = is_folder && item.recursion_pending() && !is_link;
        unread = enters ? item->path() : item->path().parent_path();
    }
    if (error) return Refuse(Utf8FromPath(unread), "cannot read the folder: " + error.message());
    return !links_refused;
}

bool NamesExtractable(const fs::path& root, const std::vector<SourceFile>& files) {
    bool extractable = true;
    for (const SourceFile& file : files) {
        std::string reason = UnsafeEntryReason(file.entry_name, NameRules::windows);
        for (const std::string& part : RelativeParts(root, PathFromUtf8(file.source_path))) {
            if (part.find('\\') != std::string::npos) {
                reason = "a '\\' in a file name, which the archive reads as a folder";
            }
        }
        if (!reason.empty()) {
            extractable =
                Refuse(file.source_path, "cannot be extracted as it is named (" + reason +
                                             "); nothing written (--allow-names packs it)");
        }
    }
    return extractable;
}

bool SortedWithoutCollisions(std::vector<SourceFile>& files) {
    const auto keys = KeyOrder(files);
    std::vector<bool> again(files.size(), false);
    bool collided = false;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].first != keys[i - 1].first) continue;
        const SourceFile& first = files[keys[i - 1].second];
        const SourceFile& second = files[keys[i].second];
        if (first.source_path == second.source_path ||
            SameFile(first.source_path.c_str(), second.source_path.c_str())) {
            again[keys[i].second] = true;
            continue;
        }
        collided = true;
        const bool renamed = Renamed(first) || Renamed(second);
        Fail(second.source_path, "would be the same entry as " + first.source_path +
                                     (renamed ? " (config.cpp is rapified into config.bin)"
                                              : " (the names differ only in letter case or "
                                                "separators)") +
                                     "; nothing written");
    }
    if (collided) return false;
    std::vector<SourceFile> sorted;
    sorted.reserve(files.size());
    for (const auto& key : keys) {
        if (!again[key.second]) sorted.push_back(std::move(files[key.second]));
    }
    files = std::move(sorted);
    return true;
}

}  // namespace qp::cli
