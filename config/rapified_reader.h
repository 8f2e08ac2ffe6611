// Reading a rapified (binary) config into its tree, refusing whatever a damaged or hostile file
// holds instead of following it.
#pragma once

#include <string>
#include <string_view>

#include "config/config_tree.h"
#include "config/rapified_format.h"

namespace qp::config {

// Whether `bytes` start as a rapified config does: with its magic, whatever its name.
bool IsRapified(std::string_view bytes);

// Reads the rapified file `bytes` into `config`, following the body offsets wherever the bodies
// lie. False with `error` saying what is wrong and at which offset when the file is not whole:
// offsets outside the file or into its header, a body that is its own class's or an ancestor's,
// a body two classes share (either would multiply the tree), bodies that together are longer
// than the file, classes or arrays nested deeper than kMaxNesting, counts that the bytes left
// cannot hold, strings without their NUL, compressed integers longer than 5 bytes, unknown entry,
// value or element types, an append whose flags word is not 1, a root class with a parent, and
// header words other than 0 and 8. Time and memory stay proportional to the file's size. On
// failure `config` holds what was read, which is not to be used.
bool ReadRapified(std::string_view bytes, Config& config, std::string& error);

}  // namespace qp::config
