// How entry names are compared: as the game's file system and the hosts compare them, ignoring
// the case of ASCII letters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qp {

// `CfgFunctions.hpp` and `cfgfunctions.hpp` name the same entry. Bytes outside ASCII compare as
// they are.
bool SameEntryName(std::string_view a, std::string_view b);

// The name with its ASCII letters in lower case: names the same entry exactly when SameEntryName
// says so, for use as a key.
std::string FoldedEntryName(std::string_view name);
// The same into `folded`, whose room is used again: for keys made in a loop.
void FoldEntryName(std::string_view name, std::string& folded);

// The order packers write entries in and signature checkers expect: by name, ignoring the case of
// ASCII letters, with '/' read as '\', byte by byte. The key is the name in that form.
std::string EntrySortKey(std::string_view name);
// Whether `a` comes before `b` in that order.
bool EntryNameBefore(std::string_view a, std::string_view b);

// Whether `name` lies in the folder `prefix` (a folder path ending in a backslash).
bool InEntryFolder(std::string_view name, std::string_view prefix);

// The parts of an entry name, split at backslashes and slashes; empty ones are dropped.
std::vector<std::string> NameParts(std::string_view name);

}  // namespace qp
