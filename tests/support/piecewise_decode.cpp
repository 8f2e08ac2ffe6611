// Step after step over the pieces, until the stream says it has ended.
#include "support/piecewise_decode.h"

#include <cstdlib>

#include "pbo/lzss_stream.h"

namespace qp::test {

LzssCounts PiecewiseDecode(const std::uint8_t* input, std::uint32_t input_length,
                           std::uint8_t* output, std::uint32_t output_length,
                           std::uint32_t input_piece, std::uint32_t output_piece) {
    LzssStream stream;
    StartLzssStream(stream, input_length, output_length);
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    for (std::uint32_t step = 0; !stream.ended; ++step) {
        const LzssStep done = LzssDecodeStep(stream, input + in, input_piece + step % 3,
                                             output + out, output_piece + step % 2);
        in += done.consumed;
        out += done.produced;
        // Both pieces were offered, so a step that did nothing must have ended the stream.
        if (done.consumed == 0 && done.produced == 0 && !stream.ended) std::abort();
    }
    if (stream.consumed != in || stream.produced != out) std::abort();
    return {static_cast<std::int32_t>(in), static_cast<std::int32_t>(out)};
}

}  // namespace qp::test
