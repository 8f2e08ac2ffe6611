// Small rapified configs laid out by hand, field by field, with the tree each holds and its text:
// for the reader, the writer and the printer, and for the parser's tests, which read the text.
#pragma once

#include <string>
#include <vector>

#include "config/config_tree.h"

namespace qp::test {

struct RapifiedSample {
    const char* name;
    std::string bytes;  // the file, laid out by hand
    config::Config tree;
    std::string text;     // the tree as the printer writes it
    bool writers_layout;  // the bytes are what the writer gives for the tree
};

// "empty"; "classes" (bodies with and without a parent, depth first, extern, delete, an enum
// table); "values" (each value type: quotes, a newline and a byte that is not UTF-8 in strings,
// a whole float, a NaN, int64 in and out of 32 bits); "arrays" (each element type, nested and
// empty arrays, an append, a count of two bytes); "bodies_elsewhere" (the tree of "classes" with
// its bodies in another order, the enum table before them and an extra word after each body).
std::vector<RapifiedSample> RapifiedSamples();

// Trees named for what they hold.
config::Value StringValue(const std::string& text);
config::Value FloatValue(std::uint32_t bits);
config::Value IntValue(std::int32_t number);
config::Value Int64Value(std::int64_t number);
config::Value ExpressionValue(const std::string& text);
config::Value ArrayValue(std::vector<config::Value> items);
config::Entry ClassEntry(const std::string& name, const std::string& parent,
                         std::vector<config::Entry> entries);
config::Entry ValueEntry(const std::string& name, config::Value value);
config::Entry ArrayEntry(const std::string& name, std::vector<config::Value> items,
                         bool append = false);
config::Entry NameEntry(config::EntryType type, const std::string& name);  // extern, delete

// Bytes as the layout gives them: a little-endian word, a NUL-terminated text, and the header:
// the magic, the two fixed words and where the enum table starts.
std::string Word(std::uint32_t value);
std::string Text(const std::string& text);
std::string Header(std::uint32_t enum_offset);

}  // namespace qp::test
