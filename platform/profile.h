// Values kept in a section of an ini file, as the host keeps its plugins' settings.
#pragma once

#include <string>

namespace qp {

// The value of `key` in `[section]` of the ini file at `ini_path`; `fallback` when the file, the
// section or the key is missing or cannot be read.
std::string ReadProfileValue(const char* ini_path, const char* section, const char* key,
                             const char* fallback);
// Sets `key` in `[section]`, adding the section or the key where missing and keeping the rest of
// the file; false when the file cannot be written.
bool WriteProfileValue(const char* ini_path, const char* section, const char* key,
                       const char* value);

}  // namespace qp
