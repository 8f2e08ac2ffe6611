// Mapping between entry names (backslash-separated) and paths on disk, refusing unsafe names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qp::cli {

// Whether names must also be valid Windows file names.
enum class NameRules { portable, windows };

// The rules of the system this tool was built for.
#if defined(_WIN32)
constexpr NameRules kSystemNameRules = NameRules::windows;
#else
constexpr NameRules kSystemNameRules = NameRules::portable;
#endif

// Why an entry name cannot be extracted under a target folder, or empty when it can: names with
// a ".." component, absolute names and names with a drive letter or stream would write outside
// it. Under the Windows rules a device name (CON, NUL, COM1, ... with or without an extension),
// a component ending in a dot or a space (which Windows would drop, writing another file) and
// the characters Windows refuses are unsafe too.
std::string UnsafeEntryReason(const std::string& name, NameRules rules = kSystemNameRules);

// The components of an entry name, split at backslashes and slashes; empty ones are dropped.
std::vector<std::string> NameParts(const std::string& name);

// A path and a name joined with the system's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The entry name of a file below `folder` (backslash-separated), or empty when it is not below it.
std::string EntryNameFor(const std::filesystem::path& folder, const std::filesystem::path& file);

// Paths from and to the UTF-8 the tool works in: on Windows std::filesystem would take a plain
// string in the ANSI code page.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace qp::cli
