// Files written below an output folder without ever following a link planted in it: folders are
// made one at a time and must be folders of their own, and a file is written under a new name
// beside its target, then put in the target's place, replacing the file or link that stood there
// instead of writing through it.
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

// A file being written in `folder` for the name `name` there.
struct PartFile {
    std::string target;  // folder and name
    std::string path;    // the new file beside it
    FileHandle handle = nullptr;
};

// Creates the new file, under a name that nothing stands at.
IoStatus StartPartFile(const std::string& folder, const std::string& name, PartFile& part);
// Closes the new file and, with `keep`, puts it in the target's place; without, or when that
// fails, removes it, and the target stays as it was.
IoStatus FinishPartFile(PartFile& part, bool keep);

// A whole small file written the same way.
IoStatus WriteFileBelow(const std::string& folder, const std::string& name,
                        const std::string& bytes);

}  // namespace qp::cli
