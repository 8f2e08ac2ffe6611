// The file ProcessFile writes: the host's DestPath and DestName joined, and no link on the way
// below the folder the host extracts into.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pbo/outcome.h"

namespace qp {

// DestPath and DestName joined with one separator (none is added when DestPath ends in one or
// DestName starts with one); DestName alone when DestPath is null or empty, DestPath alone when
// DestName is.
std::string JoinDestination(const char* dest_path, const char* dest_name);

// The file to write the entry `shown_name` (its name as the host was shown it) to, into
// `destination`: ok, or create_failed when the joined path is longer than `max_length` or a
// symbolic link or junction stands among its folders below the folder the host extracts into.
// With DestPath that folder is DestPath: every folder of DestName is checked. With the whole path
// in DestName, the folders checked are those that end it as the entry's own folders end its name:
// hosts rename the file itself on a clash, and drop the entry's folders when they extract without
// paths, so the file's name is not compared, and the folders above the first that does not match
// are the user's choice of place, which may be a link.
Outcome ChooseDestination(const char* dest_path, const char* dest_name, std::string_view shown_name,
                          std::size_t max_length, std::string& destination);

}  // namespace qp
