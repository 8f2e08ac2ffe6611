// The streaming LZSS decoder driven over pieces of input and output of varying sizes, for tests
// and the fuzz target to hold against the whole-buffer decoder.
#pragma once

#include <cstdint>

#include "pbo/lzss.h"

namespace qp::test {

// Decodes `input_length` bytes into `output` (`output_length` bytes) in steps whose input and
// output pieces are `input_piece` and `output_piece` bytes long, give or take a few from step to
// step. Returns what the stream consumed and produced. Pieces may reach past either buffer's end:
// the decoder must never go past the lengths.
LzssCounts PiecewiseDecode(const std::uint8_t* input, std::uint32_t input_length,
                           std::uint8_t* output, std::uint32_t output_length,
                           std::uint32_t input_piece, std::uint32_t output_piece);

}  // namespace qp::test
