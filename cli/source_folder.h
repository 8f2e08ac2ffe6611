// The files a build or a pack takes from a source folder: walked with its excludes, checked for
// names that would collide in the archive, and sorted as packers write them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "editing/pack_sources.h"
#include "pbo/progress.h"

namespace qp::cli {

// The file of exclude patterns at the root of a source folder.
constexpr char kIgnoreFileName[] = ".pboignore";

// The text of a small file of the folder ($PBOPREFIX$, .pboignore); false with a message when it
// cannot be read whole (1 MiB at most).
bool ReadFolderFile(const std::string& path, std::string& text);

// What leaves files of a source folder out: dot-files and dot-folders (`.git`, `.vscode`,
// `.pboignore` itself), the patterns of `root`/.pboignore and the `given` ones. False with a
// message when the .pboignore file cannot be read or holds a pattern it cannot.
bool ExcludePatterns(const std::filesystem::path& root, const std::vector<std::string>& given,
                     std::vector<std::string>& patterns);

// The regular files below `folder` (`root` or a folder inside it), every level, but those whose
// entry names (relative to `root`) the patterns leave out, and the file `skip` (the archive
// being written), when it is one of them. False with a message when a folder cannot be read, and
// without one when an interrupt stops the walk (`progress` is then marked stopped).
bool FilesBelow(const std::filesystem::path& root, const std::filesystem::path& folder,
                const std::vector<std::string>& patterns, const std::string& skip,
                std::vector<std::filesystem::path>& found, Progress& progress);

// Puts the files in the order other packers write entries (by name, ignoring case, with
// backslashes), each once: a file named twice is taken once. Two different files whose entry
// names differ only in letter case or in `/` against `\` would be one entry in the archive, so
// the command stops, naming both, and false.
bool SortedWithoutCollisions(std::vector<SourceFile>& files);

}  // namespace qp::cli
