// The files of the in-memory backend, which the fuzz targets fill and read back by name.
#pragma once

#include <string>

// The memory backend (file_memory.cpp) stands in for the system's, so the core runs over these
// files exactly as over real ones, locks and all, without touching the disk.
namespace qp::memory {

// Creates the file or replaces its bytes; false when it is open.
bool PutFile(const std::string& path, std::string bytes);
// The file's bytes, or null when there is no such file.
const std::string* FileBytes(const std::string& path);
// Removes every file; false (and nothing removed) when a handle or a view is still open.
bool RemoveAllFiles();
// Handles and views the core has opened and not yet released.
int OpenObjects();

}  // namespace qp::memory
