// Files extracted whole or not at all: each is written under a new name beside its target and
// takes the target's place only once it is whole, replacing the file or link that stood there
// instead of writing through it.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "platform/file.h"

namespace qp {

// The names part files take: a killed extraction's are found by it.
inline constexpr char kPartFilePrefix[] = ".quillpack-part";

// A file being written for `target`.
struct PartFile {
    std::string target;
    std::string path;  // the new file beside it
    FileHandle handle = nullptr;
    bool placed = false;  // it has taken the target's place
};

// Whether a file can be written under `name`: not when it is empty, "." or "..", which name
// folders.
bool UsableFileName(std::string_view name);

// The folder of a destination path, with its last separator; empty for a bare name.
std::string FolderPartOf(const std::string& destination);

// Removes the part files that extractions no longer running left in the folder of `target`,
// once for each folder named in `cleaned`: a part file some extraction still writes is left.
void RemoveAbandonedPartsOnce(const std::string& target, std::set<std::string>& cleaned);

// Creates the new file for `target`, under a name that nothing stands at; a target whose file
// name is not usable is not_regular.
IoStatus StartPartFile(const std::string& target, PartFile& part);
// With `keep`, puts the new file in the target's place; without, or when that fails, removes it,
// and the target stays as it was. Either way the file is closed. A close that fails after the
// file took the target's place is reported, and the file stays there.
IoStatus FinishPartFile(PartFile& part, bool keep);

}  // namespace qp
