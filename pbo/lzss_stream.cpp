// The LZSS decoder of pbo/lzss.cpp, cut into steps that keep the 4096-byte window between them.
#include "pbo/lzss_stream.h"

#include <algorithm>
#include <cstring>

namespace qp {
namespace {

constexpr std::uint32_t kWindowMask = kLzssWindowSize - 1;
constexpr std::uint8_t kSpace = 0x20;

// Copies `count` bytes to output[out...] from `distance` bytes back. Bytes of this step are read
// from the output piece itself; older ones from the window, which this step has not yet changed.
// Byte by byte when the copy overlaps what it produces, so offset 1 repeats the last byte.
void CopyBack(const LzssStream& stream, std::uint8_t* output, std::uint32_t out,
              std::uint32_t distance, std::uint32_t count) {
    std::uint8_t* dst = output + out;
    if (distance <= out) {
        const std::uint8_t* src = dst - distance;
        if (distance >= count) {
            std::memcpy(dst, src, count);
        } else {
            for (std::uint32_t i = 0; i < count; ++i) dst[i] = src[i];
        }
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = out + i;
        // Unsigned wrap-around keeps the window index right before the start of the output too.
        dst[i] = distance <= at ? output[at - distance]
                                : stream.window[(stream.produced + at - distance) & kWindowMask];
    }
}

// Keeps the last 4096 bytes of what a step produced in the window.
void Remember(LzssStream& stream, const std::uint8_t* output, std::uint32_t count) {
    std::uint64_t start = stream.produced;
    if (count > kLzssWindowSize) {
        start += count - kLzssWindowSize;
        output += count - kLzssWindowSize;
        count = kLzssWindowSize;
    }
    const std::uint32_t index = static_cast<std::uint32_t>(start & kWindowMask);
    const std::uint32_t first = std::min(count, kLzssWindowSize - index);
    std::memcpy(stream.window + index, output, first);
    std::memcpy(stream.window, output + first, count - first);
}

// Adds the bytes a step produced to both sums: a signed byte of 0x80 or more is 256 less.
void AddToSums(LzssStream& stream, const std::uint8_t* output, std::uint32_t count) {
    std::uint32_t sum = 0;
    std::uint32_t high = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        sum += output[i];
        high += output[i] >> 7;
    }
    stream.sum += sum;
    stream.signed_sum += sum - (high << 8);
}

}  // namespace

bool LzssSumMatches(const LzssStream& stream, std::uint32_t stored) {
    return stored == stream.sum || stored == stream.signed_sum;
}

void StartLzssStream(LzssStream& stream, std::uint64_t input_length, std::uint64_t output_length) {
    std::memset(stream.window, kSpace, sizeof stream.window);
    stream.input_left = input_length;
    stream.output_left = output_length;
    stream.consumed = 0;
    stream.produced = 0;
    stream.flags = 1;
    stream.copy_distance = 0;
    stream.copy_left = 0;
    stream.held = -1;
    stream.ended = output_length == 0 || input_length == 0;
    stream.sum = 0;
    stream.signed_sum = 0;
}

LzssStep LzssDecodeStep(LzssStream& stream, const std::uint8_t* input, std::uint32_t input_size,
                        std::uint8_t* output, std::uint32_t output_size) {
    if (stream.ended) return {0, 0};
    // Never past the stream's own input and output lengths.
    const auto in_end =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(input_size, stream.input_left));
    const auto out_end =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(output_size, stream.output_left));
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    // A back-reference cut short by the end of the last output piece goes on first.
    if (stream.copy_left != 0) {
        const std::uint32_t count = std::min(stream.copy_left, out_end);
        CopyBack(stream, output, 0, stream.copy_distance, count);
        out = count;
        stream.copy_left -= count;
    }
    // Kept in locals while decoding: every byte stored to the output could otherwise alias them.
    unsigned flags = stream.flags;
    int held = stream.held;
    const std::uint64_t output_left = stream.output_left;
    bool input_used_up = false;
    // A back-reference cut short by the end of the output piece leaves out == out_end.
    while (out < out_end) {
        if (flags == 1) {
            if (in == in_end) {
                input_used_up = true;
                break;
            }
            flags = input[in++] | 0x100u;
            // A group of eight literals is the common case for poorly compressible data.
            if (flags == 0x1FF && in_end - in >= 8 && out_end - out >= 8) {
                std::memcpy(output + out, input + in, 8);
                in += 8;
                out += 8;
                flags = 1;
                continue;
            }
        }
        // A flag bit is taken only with its item, so an item cut by the end of the input piece
        // is taken whole in the next step.
        if ((flags & 1) != 0) {
            if (in == in_end) {
                input_used_up = true;
                break;
            }
            output[out++] = input[in++];
            flags >>= 1;
            continue;
        }
        std::uint32_t low = 0;
        if (held >= 0) {
            if (in == in_end) {
                input_used_up = true;
                break;
            }
            low = static_cast<std::uint32_t>(held);
            held = -1;
        } else {
            if (in_end - in < 2) {
                // Its first byte is kept for the next piece, unless it is the stream's last byte,
                // which cannot start a back-reference and stays unread.
                if (in_end - in == 1 && stream.input_left - in >= 2) held = input[in++];
                input_used_up = true;
                break;
            }
            low = input[in++];
        }
        const std::uint32_t high = input[in++];
        flags >>= 1;
        const std::uint32_t offset = low | ((high & 0xF0) << 4);
        const std::uint32_t length = (high & 0x0F) + 3;
        // The byte at the write position is read before it is overwritten, so offset 0 reaches a
        // whole window back. What would run past the output length is dropped.
        const std::uint32_t distance = offset == 0 ? kLzssWindowSize : offset;
        const auto wanted =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(length, output_left - out));
        const std::uint32_t count = std::min(wanted, out_end - out);
        CopyBack(stream, output, out, distance, count);
        out += count;
        stream.copy_distance = distance;
        stream.copy_left = wanted - count;
    }
    stream.flags = flags;
    stream.held = held;
    Remember(stream, output, out);
    AddToSums(stream, output, out);
    stream.produced += out;
    stream.consumed += in;
    stream.output_left -= out;
    stream.input_left -= in;
    if (stream.output_left == 0) {
        stream.ended = true;
    } else if (input_used_up && stream.held < 0) {
        // Out of input for good: no byte left, or one where a back-reference needs two.
        const bool reference_next = stream.flags != 1 && (stream.flags & 1) == 0;
        stream.ended = stream.input_left == 0 || (reference_next && stream.input_left == 1);
    }
    return {in, out};
}

}  // namespace qp
