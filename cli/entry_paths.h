// Mapping between entry names (backslash-separated) and paths on disk.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "listing/unsafe_names.h"
#include "pbo/entry_name.h"

namespace qp::cli {

// A path and a name joined with one of the system's separators, as the plugin joins them.
std::string JoinPath(const std::string& folder, const std::string& name);

// The names of the folders and the file of `file` below `folder`, or none when it is not below it.
std::vector<std::string> RelativeParts(const std::filesystem::path& folder,
                                       const std::filesystem::path& file);

// The entry name of a file below `folder` (backslash-separated), or empty when it is not below it.
std::string EntryNameFor(const std::filesystem::path& folder, const std::filesystem::path& file);

// Paths from and to the UTF-8 the tool works in: on Windows std::filesystem would take a plain
// string in the ANSI code page.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace qp::cli
