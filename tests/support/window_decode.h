// The LZSS decoder as the format first describes it: an explicit window of spaces, one byte at a
// time, none of the real decoder's shortcuts. Tests and the fuzz target compare the two.
#pragma once

#include <cstdint>

#include "pbo/lzss.h"

namespace qp::test {

LzssCounts WindowDecode(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength,
                        std::int32_t outputLength);

}  // namespace qp::test
