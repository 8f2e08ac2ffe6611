// The text form of a class config, preprocessed, read into the tree.
#pragma once

#include <string>
#include <string_view>

#include "config/config_tree.h"
#include "config/source_map.h"

namespace qp::config {

// Reads `text` into `config`; classes inside classes, and arrays inside arrays, deeper than
// kMaxNesting are refused, as the rapified reader refuses them. False with "FILE:LINE:COL: expected
// ..." in `error`, the place traced through the preprocessor's marks to the file it came from.
bool ParseConfig(const Preprocessed& text, Config& config, std::string& error);

// What an unquoted word is as a value: an int32 (a whole number, decimal or 0x hex, that fits 32
// bits), an int64 (one that does not but fits 64), a float32 (one with a decimal point or an
// exponent, the nearest float), or else a string of the word itself. False for a number too large
// for a 32-bit float.
bool WordValue(std::string_view word, Value& value);

}  // namespace qp::config
