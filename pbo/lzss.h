// LZSS decoder for the compressed ("Cprs") entry data of PBO archives.
#pragma once

#include <cstdint>

namespace qp {

// Decodes the LZSS stream at `input` into `output`, writing bytes strictly in sequence and
// never more than `outputLength` of them; an `outputLength` of 0 or less does nothing.
// At most `inputLength` input bytes are read; 0 or less means no limit, in which case the
// caller must supply enough input to fill the whole output.
// Returns the number of input bytes consumed: flag bytes, literals and both bytes of every
// back-reference that was started, even one cut short by the end of the output. A stream that
// ends early leaves the rest of `output` untouched; nothing is verified, so corrupt input
// yields wrong bytes rather than an error. Pure: no allocation, no I/O, no shared state.
std::int32_t LzssDecode(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength,
                        std::int32_t outputLength);

// What one decode did: input bytes consumed (as LzssDecode returns) and output bytes produced.
struct LzssCounts {
    std::int32_t consumed;
    std::int32_t produced;
};

// LzssDecode, also telling how many output bytes were written: fewer than `outputLength` means
// the stream ended before the output was full.
LzssCounts LzssDecodeCounted(const std::uint8_t* input, std::uint8_t* output,
                             std::int32_t inputLength, std::int32_t outputLength);

}  // namespace qp
