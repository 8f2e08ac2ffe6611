// Fuzzes LzssDecode against the plain decoder that keeps the format's 4096-byte window, and the
// streaming decoder, over pieces of input and output of every size, against LzssDecode.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "pbo/lzss.h"
#include "support/piecewise_decode.h"
#include "support/window_decode.h"

using qp::fuzz::Check;

namespace {

constexpr std::uint8_t kUntouched = 0xA5;

}  // namespace

// The first two bytes give the output length (a set top bit makes it negative), the third how
// the input length is passed (its remainder by 3) and the streaming decoder's piece sizes (the
// rest of it); the rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const bool negative_output = (data[1] & 0x80) != 0;
    const std::int32_t wanted = data[0] | (data[1] & 0x7F) << 8;
    const std::int32_t output_length = negative_output ? -wanted : wanted;
    const int mode = data[2] % 3;  // 0: the stream's length; 1: 0, no limit; 2: -1, no limit
    const std::int32_t stream_length = static_cast<std::int32_t>(size - 3);
    const std::int32_t input_length = mode == 0 ? stream_length : mode == 1 ? 0 : -1;
    const bool limited = input_length > 0;  // an empty stream passed as it is has no limit either

    // Without a limit the caller must supply input for the whole output: at most a flag byte per
    // eight items, one byte per literal and a last back-reference cut short.
    const std::int32_t room = output_length > 0 ? output_length : 0;
    const std::size_t input_size =
        limited ? stream_length : std::max<std::size_t>(stream_length, room + room / 8 + 3);
    // Exact sizes, so that the address sanitizer sees any access past either buffer.
    std::vector<std::uint8_t> input(data + 3, data + 3 + stream_length);
    input.resize(input_size, 0);
    input.shrink_to_fit();
    std::vector<std::uint8_t> output(room, kUntouched);
    std::vector<std::uint8_t> expected(room, kUntouched);

    const qp::LzssCounts counts =
        qp::LzssDecodeCounted(input.data(), output.data(), input_length, output_length);
    const qp::LzssCounts reference =
        qp::test::WindowDecode(input.data(), expected.data(), input_length, output_length);

    Check(counts.produced >= 0 && counts.produced <= room, "output count within the output");
    Check(counts.consumed >= 0 && static_cast<std::size_t>(counts.consumed) <= input.size(),
          "input count within the input");
    Check(room != 0 || counts.consumed == 0, "an empty output reads nothing");
    Check(!limited || counts.produced == room || counts.consumed >= input_length - 1,
          "the output is cut short only by the end of the input");
    Check(limited || counts.produced == room, "without a limit the output is filled");
    Check(counts.consumed == reference.consumed && counts.produced == reference.produced,
          "counts equal those of the window decoder");
    Check(output == expected, "bytes equal those of the window decoder");
    Check(
        qp::LzssDecode(input.data(), output.data(), input_length, output_length) == counts.consumed,
        "LzssDecode returns the input count");

    // The streaming decoder knows its input's length: without a limit, all the input there is.
    const unsigned split = data[2] / 3;                                         // 0 to 85
    const auto input_piece = static_cast<std::uint32_t>(1 + split % 9 * 7);     // 1 to 57
    const auto output_piece = static_cast<std::uint32_t>(1 + split / 9 * 500);  // 1 to 4501
    std::vector<std::uint8_t> streamed(room, kUntouched);
    const qp::LzssCounts pieces = qp::test::PiecewiseDecode(
        input.data(), static_cast<std::uint32_t>(limited ? stream_length : input.size()),
        streamed.data(), static_cast<std::uint32_t>(room), input_piece, output_piece);
    Check(pieces.consumed == counts.consumed && pieces.produced == counts.produced,
          "the streaming decoder's counts equal LzssDecode's");
    Check(streamed == output, "the streaming decoder's bytes equal LzssDecode's");
    return 0;
}
