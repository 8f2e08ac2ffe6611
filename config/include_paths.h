// Where an `#include` name may be found: beside the including file, below a folder that stands
// for a prefix of the game's file system, or below the include folders the user gave.
#pragma once

#include <string>
#include <vector>

namespace qp::config {

// A folder that stands for a prefix of the game's file system: `x\mymod\addons\main` is
// `mod/main` on the disk.
struct PrefixRoot {
    std::string prefix;  // without a leading backslash
    std::string folder;
};

struct IncludeFolders {
    std::vector<PrefixRoot> roots;
    std::vector<std::string> folders;  // -I: a `\x\y.hpp` is looked for as FOLDER/x/y.hpp
};

// The paths to try for `name` included from the file at `including`, in order. A name starting
// with a backslash is a path of the game's file system: through the roots whose prefix starts
// it, then below each include folder. Any other name is taken relative to the including file's
// folder, then below each include folder. Each is folded (FoldedPath): separators become '/',
// which every system takes.
std::vector<std::string> IncludeCandidates(const std::string& including, const std::string& name,
                                           const IncludeFolders& folders);

// A path with its `.` and `x/..` parts folded, separators as '/': two names of one file compare
// equal (an include cycle is found by it).
std::string FoldedPath(const std::string& path);

}  // namespace qp::config
