// Decoding an LZSS stream piece by piece in constant memory, so that an entry of any size is
// decoded straight into its file.
#pragma once

#include <cstdint>

namespace qp {

constexpr std::uint32_t kLzssWindowSize = 4096;

// A stream between two steps. Its input and its output may be cut into pieces of any sizes: the
// steps together read and write exactly the bytes LzssDecode reads and writes for the whole input
// and output at once, with the same counts. Unlike LzssDecode, an input length of 0 is no input,
// not an unbounded one.
struct LzssStream {
    std::uint8_t window[kLzssWindowSize];  // the last 4096 bytes output; spaces before the start
    std::uint64_t input_left;              // of the input length, not yet consumed
    std::uint64_t output_left;             // of the output length, not yet produced
    std::uint64_t consumed;
    std::uint64_t produced;
    // The flag byte, shifted right as its items are taken, above a marker bit: 1 when used up.
    unsigned flags;
    // A back-reference that the end of an output piece cut short: the bytes it still gives.
    std::uint32_t copy_distance;
    std::uint32_t copy_left;
    int held;    // the first byte of a back-reference whose second is in the next piece, or -1
    bool ended;  // nothing more comes: the output is full or the input cannot give another item
    // The 32-bit sums of the bytes produced, taken as unsigned and as signed bytes: the checksum
    // some packers store after the stream is one of them.
    std::uint32_t sum;
    std::uint32_t signed_sum;
};

// Packers store the 32-bit sum of the bytes a stream decodes to in the 4 bytes right after it:
// wherever at least that many follow a whole stream within its entry's data, they are its sum.
constexpr std::uint32_t kLzssSumSize = 4;
// Whether `stored` is the sum of what `stream` produced, taken as unsigned or as signed bytes
// (archives hold both).
bool LzssSumMatches(const LzssStream& stream, std::uint32_t stored);

// Readies `stream` for `input_length` bytes of input that decode to at most `output_length` bytes.
void StartLzssStream(LzssStream& stream, std::uint64_t input_length, std::uint64_t output_length);

struct LzssStep {
    std::uint32_t consumed;  // from the start of the input piece
    std::uint32_t produced;  // to the start of the output piece
};

// Decodes the next piece: reads from `input` (the next `input_size` bytes of the stream; more
// than the input length leaves the rest unread) and writes to `output`. Returns when the stream
// has ended, when the output piece is full, or when the input piece is used up; so a step that
// leaves input unread has filled its output piece or ended the stream.
LzssStep LzssDecodeStep(LzssStream& stream, const std::uint8_t* input, std::uint32_t input_size,
                        std::uint8_t* output, std::uint32_t output_size);

}  // namespace qp
