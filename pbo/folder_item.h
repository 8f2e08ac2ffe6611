// How a host names a whole folder of an archive in a file list.
#pragma once

#include <string>

namespace qp {

// The file manager sends a whole folder as "folder\*.*" (some hosts as "folder\"). For such an
// item this is the folder path with its backslash, which every entry inside the folder begins
// with; for an item that names one entry it is empty.
std::string FolderPrefix(const char* item);

}  // namespace qp
