// A class config as a tree: what a rapified file holds, what a text config parses into, and what
// either is written back from. Names and strings are bytes as written: the game's files are mostly
// Windows-1252 or UTF-8, and nothing here needs to know which.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qp::config {

// The type byte of an array element; values of entries use the same numbers but for `array`.
enum class ValueType : std::uint8_t {
    string = 0,
    float32 = 1,
    int32 = 2,
    array = 3,
    expression = 4,  // text the game evaluates, stored without quotes (rare)
    int64 = 6,       // written by one modern writer (rare)
};

struct Value {
    ValueType type = ValueType::string;
    std::string text;              // string, expression
    std::uint32_t float_bits = 0;  // float32, bit for bit: an x87 load would quiet a signalling NaN
    std::int64_t number = 0;       // int32, int64
    std::vector<Value> items;      // array

    friend bool operator==(const Value&, const Value&) = default;
};

// The first byte of an entry in a class body.
enum class EntryType : std::uint8_t {
    class_body = 0,    // class X: Y { ... };
    value = 1,         // x = 1;
    array = 2,         // x[] = {...};
    extern_class = 3,  // class X;
    delete_class = 4,  // delete X;
    array_append = 5,  // x[] += {...};
};

struct Entry;

// The entries of a class, in the order written, and the name of its parent (empty when none).
struct ClassBody {
    std::string parent;
    std::vector<Entry> entries;

    friend bool operator==(const ClassBody&, const ClassBody&) = default;
};

struct Entry {
    EntryType type = EntryType::value;
    std::string name;
    Value value;     // value: a string, float32, int32, expression or int64; array and
                     // array_append: an array
    ClassBody body;  // class_body

    friend bool operator==(const Entry&, const Entry&) = default;
};

// The table after the last body; writers of addons leave it empty.
struct EnumValue {
    std::string name;
    std::int32_t value = 0;

    friend bool operator==(const EnumValue&, const EnumValue&) = default;
};

// The text form, as the printer writes it and the parser reads it back to the same tree:
// - four spaces of indentation; `class X: Y {...};`, `class X {};`, `class X;`, `delete X;`,
//   `x = v;`, `x[] = {...};`, `x[] += {...};`; a non-empty enum table first, as
//   `enum { NAME = 1, ... };` at the top level;
// - strings in double quotes with a quote doubled; a newline inside one joins quoted pieces,
//   `"line 1" \n "line 2"`, which the parser reads back as one string; every other byte as it is;
// - an int32 in decimal; a float32 in the shortest decimal that reads back as the same float,
//   always with a decimal point or an exponent (`1.0`, `1e+20`), so that it never reads back as
//   an int;
// - forms for what the game's text cannot say, written only for such values: an int64 in decimal
//   when it does not fit 32 bits, else `__int64(5)`; an expression as `__expression("text")`; a
//   float32 that is not finite as `__float32(0x7fc00000)`, its bits in hex.
// A whole config: the root class (whose parent is empty) and the enum table.
struct Config {
    ClassBody root;
    std::vector<EnumValue> enums;

    friend bool operator==(const Config&, const Config&) = default;
};

}  // namespace qp::config
