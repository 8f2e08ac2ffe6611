// Files written below an output folder without ever following a link planted in it: folders are
// made one at a time and must be folders of their own, and files are written as part files
// (listing/part_file.h) that take their target's place when whole.
#pragma once

#include <string>
#include <vector>

#include "platform/file.h"

namespace qp::cli {

// Makes the folders `parts` below `root`, which exists, one below the other. A symbolic link or
// junction among them is link_refused, a file already_exists; `failed` is then the path that
// failed.
IoStatus MakeFoldersBelow(const std::string& root, const std::vector<std::string>& parts,
                          std::string& failed);

// A whole small file written as a part file.
IoStatus WriteFileBelow(const std::string& folder, const std::string& name,
                        const std::string& bytes);

}  // namespace qp::cli
