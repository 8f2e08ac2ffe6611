// A greedy LZSS encoder for building compressed test entries.
#pragma once

#include <string>
#include <string_view>

namespace qp::test {

// Encodes `data` in the format the decoder reads: a flag byte before every eight items (bit set,
// LSB first: a literal), back-references of 3 to 18 bytes as the low offset byte, then offset bits
// 8-11 in the high nibble and length - 3 in the low one. Only bytes already written are referred
// to, so no back-reference reaches the window's initial spaces.
std::string LzssEncode(std::string_view data);

}  // namespace qp::test
