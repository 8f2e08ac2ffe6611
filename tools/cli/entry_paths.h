// Mapping between entry names (backslash-separated) and paths on disk, refusing unsafe names.
#pragma once

#include <filesystem>
#include <string>

namespace qp::cli {

// Why an entry name cannot be extracted under a target folder, or empty when it can: names with
// a ".." component, absolute names and names with a drive letter would write outside it.
std::string UnsafeEntryReason(const std::string& name);

// The target path of a safe entry name under `folder`.
std::filesystem::path TargetPath(const std::filesystem::path& folder, const std::string& name);

// The entry name of a file below `folder` (backslash-separated), or empty when it is not below it.
std::string EntryNameFor(const std::filesystem::path& folder, const std::filesystem::path& file);

}  // namespace qp::cli
