// The files that hold an archive's header pairs in an unpacked folder: $PBOPREFIX$ (the prefix
// alone, as the game's tools write it) and $PBOHEADER$ (every other pair, one "key=value" a line).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pbo/header_extension.h"

namespace qp::cli {

constexpr char kPrefixFileName[] = "$PBOPREFIX$";
constexpr char kPairsFileName[] = "$PBOHEADER$";

// The prefix a $PBOPREFIX$ file gives: its first line that is not blank, either the prefix itself
// or "prefix=" and the prefix; surrounding whitespace and leading backslashes removed. Sets
// `more_lines` when lines follow that are not read.
std::string PrefixFromFile(std::string_view text, bool& more_lines);

// The pairs of a $PBOHEADER$ file: "key=value" lines, whitespace around key and value removed;
// blank lines are skipped. False with `error` naming the line for a line without a key and '='.
bool PairsFromFile(std::string_view text, ExtensionPairs& pairs, std::string& error);

// The text of $PBOHEADER$ for `pairs`, or empty when there are none. A pair that would not read
// back the same (a line break in it, whitespace around it, '=' in its key) is left out and its key
// added to `unwritable`.
std::string PairsFileText(const ExtensionPairs& pairs, std::vector<std::string>& unwritable);

// Whether a prefix reads back the same from $PBOPREFIX$ (but for leading backslashes, which no
// prefix should have).
bool PrefixWritable(std::string_view prefix);

// Sets the pair `key` to `value`: the first pair of that key takes the value and any later ones
// go; a missing key is added at the end; an empty value removes the key, since a pair with an
// empty value cannot be stored.
void SetPair(ExtensionPairs& pairs, const std::string& key, const std::string& value);

}  // namespace qp::cli
