// The bytes a new archive starts with: header extension, its strings, the closing zero byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

// The extension entry and the pair the archive type asks for: type 0 writes "prefix" and the
// prefix text when the prefix is not empty, type 1 writes "product" / "OFP: Resistance", any
// other type writes no pair. The string list is closed by one zero byte.
std::string NewArchiveHead(std::int32_t pbo_type, std::string_view prefix);

// A header entry: the name, its NUL and the 20-byte record.
std::string HeaderEntry(const char* name, std::int32_t timestamp, std::uint32_t data_size);

// The end-of-header entry (an empty name and an all-zero record) and the trailer.
std::string EndOfHeaderEntry();
std::string Trailer();

}  // namespace qp
