// LZSS decoder for the compressed ("Cprs") entry data of PBO archives.
#include "pbo/lzss.h"

#include <algorithm>
#include <cstring>

namespace qp {

namespace {

constexpr std::int32_t kWindowSize = 4096;
constexpr std::uint8_t kSpace = 0x20;

// Copies `count` bytes to output[out...] from `distance` bytes back; byte by byte when the
// copy overlaps the bytes it produces, so offset 1 repeats the last byte. The 4096-byte window
// of the format always holds the last 4096 bytes of output, with spaces before the start of
// the output; reading the output buffer itself, or a space for negative positions, gives the
// same bytes without keeping a window.
void CopyBack(std::uint8_t* output, std::int32_t out, std::int32_t distance, std::int32_t count) {
    std::uint8_t* dst = output + out;
    if (distance <= out) {
        const std::uint8_t* src = dst - distance;
        if (distance >= count) {
            std::memcpy(dst, src, static_cast<std::size_t>(count));
        } else {
            for (std::int32_t i = 0; i < count; ++i) dst[i] = src[i];
        }
        return;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t from = out + i - distance;
        dst[i] = from >= 0 ? output[from] : kSpace;
    }
}

}  // namespace

LzssCounts LzssDecodeCounted(const std::uint8_t* input, std::uint8_t* output,
                             std::int32_t inputLength, std::int32_t outputLength) {
    if (inputLength <= 0) inputLength = 0x7FFFFFFF;
    std::int32_t in = 0;
    std::int32_t out = 0;
    // The flag byte is shifted right as items are taken; the marker bit above it leaves
    // `flags == 1` once all eight bits are used.
    unsigned flags = 1;
    while (out < outputLength) {
        if (flags == 1) {
            if (in >= inputLength) break;
            flags = input[in++] | 0x100u;
            // A group of eight literals is the common case for poorly compressible data.
            if (flags == 0x1FF && inputLength - in >= 8 && outputLength - out >= 8) {
                std::memcpy(output + out, input + in, 8);
                in += 8;
                out += 8;
                flags = 1;
                continue;
            }
        }
        const bool literal = (flags & 1) != 0;
        flags >>= 1;
        if (literal) {
            if (in >= inputLength) break;
            output[out++] = input[in++];
            continue;
        }
        // A back-reference cut off by the end of the input is left unread.
        if (inputLength - in < 2) break;
        const std::int32_t low = input[in];
        const std::int32_t high = input[in + 1];
        in += 2;
        const std::int32_t offset = low | ((high & 0xF0) << 4);
        const std::int32_t length = (high & 0x0F) + 3;
        // The byte at the write position is read before it is overwritten, so offset 0
        // reaches a whole window back.
        const std::int32_t distance = offset == 0 ? kWindowSize : offset;
        const std::int32_t count = std::min(length, outputLength - out);
        CopyBack(output, out, distance, count);
        out += count;
    }
    return {in, out};
}

std::int32_t LzssDecode(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength,
                        std::int32_t outputLength) {
    return LzssDecodeCounted(input, output, inputLength, outputLength).consumed;
}

}  // namespace qp
