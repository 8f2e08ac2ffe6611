// The bytes a new archive starts with: header extension, its strings, the closing zero byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pbo/header_extension.h"

namespace qp {

// What a new archive carries in its header extension: type 0 a "prefix" pair with the prefix
// text (none when it is empty), type 1 "product" / "OFP: Resistance", any other type no pair;
// then `pairs`, in their order. The settings dialog gives a type; the tool gives every pair of
// its own, read from a folder or its command line, with kPboTypeOwnPairs.
constexpr std::int32_t kPboTypeArma = 0;
constexpr std::int32_t kPboTypeOfp = 1;
constexpr std::int32_t kPboTypeOwnPairs = -1;
struct NewArchiveSettings {
    std::int32_t pbo_type = kPboTypeArma;
    std::string prefix;
    ExtensionPairs pairs;
};

// The extension entry and the pair the archive type asks for: type 0 writes "prefix" and the
// prefix text when the prefix is not empty, type 1 writes "product" / "OFP: Resistance", any
// other type writes no pair. The string list is closed by one zero byte.
std::string NewArchiveHead(std::int32_t pbo_type, std::string_view prefix);
// The same, followed by the settings' own pairs. A pair with an empty key or value, or a NUL in
// either, is left out: it would end the list early.
std::string NewArchiveHead(const NewArchiveSettings& settings);

// A header entry: the name, its NUL and the 20-byte record.
std::string HeaderEntry(const char* name, std::int32_t timestamp, std::uint32_t data_size);

// The end-of-header entry: an empty name and an all-zero record.
std::string EndOfHeaderEntry();

// A trailer to be filled: a zero byte and 20 zero bytes, which the writer of the archive replaces
// by the SHA-1 of every byte before the zero byte.
std::string EmptyTrailer();

}  // namespace qp
