// The LZSS decoder as the format first describes it, for comparison with the real one.
#include "support/window_decode.h"

#include <cstring>

namespace qp::test {

LzssCounts WindowDecode(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength,
                        std::int32_t outputLength) {
    if (inputLength <= 0) inputLength = 2147483647;
    std::uint8_t window[4096];
    std::memset(window, 0x20, sizeof window);
    std::int32_t write = 0, in = 0, out = 0, pending = 0;
    unsigned flag = 0;
    while (out < outputLength) {
        if (pending == 0) {
            if (in >= inputLength) break;
            flag = input[in++];
            pending = 8;
        }
        const bool literal = (flag & 1) != 0;
        flag >>= 1;
        --pending;
        if (literal) {
            if (in >= inputLength) break;
            output[out++] = window[write] = input[in++];
            write = (write + 1) & 0xFFF;
        } else {
            if (inputLength - in < 2) break;
            const std::int32_t low = input[in++], high = input[in++];
            std::int32_t copy = (write - (low | ((high & 0xF0) << 4))) & 0xFFF;
            for (std::int32_t i = 0; i < (high & 0x0F) + 3 && out < outputLength; ++i) {
                output[out++] = window[write] = window[copy];
                write = (write + 1) & 0xFFF;
                copy = (copy + 1) & 0xFFF;
            }
        }
        if (in >= inputLength) break;
    }
    return {in, out};
}

}  // namespace qp::test
