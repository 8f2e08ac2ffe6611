// The judge of entry names that extraction shares between the tool and the plugin: which names
// cannot be written below a folder as they stand.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"

namespace qp {

// Whether names must also be valid Windows file names.
enum class NameRules { portable, windows };

// The rules of the system this was built for.
inline constexpr NameRules kSystemNameRules =
    kWindowsFileNames ? NameRules::windows : NameRules::portable;

// Why an entry name cannot be extracted below a folder, in words, or empty when it can. Names that
// are empty, absolute (a leading separator, so UNC names too), hold a ':' (a drive letter or a
// stream), have a '.' or '..' part or end in a separator would be written outside the folder, or
// name a folder rather than a file. Under the Windows rules a device name (CON, NUL, COM1, ...
// with or without an extension), a part ending in a dot or a space (which Windows drops, writing
// another file) and the characters Windows refuses are unsafe too.
std::string UnsafeEntryReason(std::string_view name, NameRules rules = kSystemNameRules);

}  // namespace qp
