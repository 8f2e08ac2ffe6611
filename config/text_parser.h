// The text form of a class config, preprocessed, read into its rapified bytes or its tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/config_tree.h"
#include "config/preprocessor.h"

namespace qp::config {

// Reads `text` and writes it in the rapified form (as WriteRapified lays out a tree) into
// `bytes`; classes inside classes, and arrays inside arrays, deeper than kMaxNesting are refused,
// as the rapified reader refuses them, and so is a NUL byte in a name or a value, which the
// rapified form cannot hold. False with "FILE:LINE:COL: expected ..." in `error`, the place
// traced through the preprocessor to the file it came from.
bool RapifyText(const Preprocessed& text, std::string& bytes, std::string& error);

// The same read into `config`: the tree of those bytes.
bool ParseConfig(const Preprocessed& text, Config& config, std::string& error);

// An unquoted word as a value: its type, and its number when it is one.
struct WordScalar {
    ValueType type = ValueType::string;  // string: the word itself
    std::uint32_t float_bits = 0;
    std::int64_t number = 0;
};

// What an unquoted word is as a value: an int32 (a whole number, decimal or 0x hex, that fits 32
// bits), an int64 (one that does not but fits 64), a float32 (one with a decimal point or an
// exponent, the nearest float), or else a string of the word itself. False for a number too large
// for a 32-bit float.
bool WordValue(std::string_view word, WordScalar& value);

}  // namespace qp::config
