// The host's Unicode functions send back names as they were shown to it. An entry whose bytes are
// not UTF-8 was shown decoded as Windows-1252; these map such a name back to the entry's bytes.
#pragma once

#include <map>
#include <string>

namespace qp {

// Shown form (UTF-8, archive separators) to stored bytes, for every name and folder of the
// archive that is not UTF-8. Empty when every name is UTF-8, or the archive cannot be read.
using StoredNames = std::map<std::string, std::string>;

// Reads the names of the archive at `archive_path` (a UTF-8 path) when any of `shown_texts`
// could be such a name, that is when any of them holds a character beyond ASCII.
StoredNames ReadStoredNames(const char* archive_path, const std::string& shown_texts);

// The stored bytes of a shown name or folder, or the name itself.
std::string StoredName(const StoredNames& names, const std::string& shown);

// A delete list (NUL-separated items closed by an empty item) with each item that names such an
// entry, or such a folder (`folder\*.*`, `folder\`), in stored bytes.
std::string StoredDeleteList(const StoredNames& names, const std::string& list);

// The add list's entry names under `sub_path` (already stored bytes, empty for the root) whose
// shown form under the shown sub path names such an entry, in stored bytes; others unchanged.
std::string StoredAddList(const StoredNames& names, const std::string& shown_sub_path,
                          const std::string& stored_sub_path, const std::string& list);

}  // namespace qp
