// Tests for the LZSS decoder: hand-built streams, an encoder round trip and a window model.
#include "pbo/lzss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "pbo/entry_record.h"
#include "support/lzss_encoder.h"
#include "support/piecewise_decode.h"
#include "support/window_decode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kUntouched = '.';

// Decodes into a buffer prefilled with '.', plus one guard byte that must survive.
std::string Decode(const Bytes& input, std::int32_t inputLength, std::int32_t outputLength,
                   std::int32_t* consumed) {
    std::vector<std::uint8_t> output(static_cast<std::size_t>(std::max(outputLength, 0)) + 1,
                                     kUntouched);
    *consumed = qp::LzssDecode(input.data(), output.data(), inputLength, outputLength);
    EXPECT_EQ(output.back(), kUntouched) << "wrote past outputLength";
    return std::string(output.begin(), output.end() - 1);
}

Bytes Literals(const std::string& text) {
    Bytes stream;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i % 8 == 0) stream.push_back(0xFF);
        stream.push_back(static_cast<std::uint8_t>(text[i]));
    }
    return stream;
}

// The test support's greedy encoder, on bytes.
Bytes Encode(const Bytes& data) {
    const std::string stream = qp::test::LzssEncode(std::string(data.begin(), data.end()));
    return Bytes(stream.begin(), stream.end());
}

TEST(Lzss, WorkedExamples) {
    std::int32_t consumed = 0;
    const Bytes letters = {0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 1, 2, 3, 4};
    EXPECT_EQ(Decode(letters, 9, 8, &consumed), "ABCDEFGH");
    EXPECT_EQ(consumed, 9);
    // Output full: the trailing four bytes are never read.
    EXPECT_EQ(Decode(letters, 13, 8, &consumed), "ABCDEFGH");
    EXPECT_EQ(consumed, 9);

    EXPECT_EQ(Decode({0x03, 'A', 'B', 0x02, 0x01}, 5, 6, &consumed), "ABABAB");
    EXPECT_EQ(consumed, 5);
}

TEST(Lzss, ZeroOutputLengthReadsAndWritesNothing) {
    std::uint8_t guard = kUntouched;
    EXPECT_EQ(qp::LzssDecode(nullptr, &guard, 10, 0), 0);
    EXPECT_EQ(qp::LzssDecode(nullptr, &guard, 0, -1), 0);
    EXPECT_EQ(guard, kUntouched);
}

TEST(Lzss, PositionsBeforeOutputStartReadAsSpaces) {
    std::int32_t consumed = 0;
    EXPECT_EQ(Decode({0x00, 0x05, 0x00}, 3, 3, &consumed), "   ");
    EXPECT_EQ(consumed, 3);
    // Offset 0 reaches 4096 back, before the start while the output is short.
    EXPECT_EQ(Decode({0x01, 'x', 0x00, 0x0F}, 4, 20, &consumed), "x" + std::string(18, ' ') + ".");
    // A copy that starts before the output and runs into it, overlapping its own bytes.
    EXPECT_EQ(Decode({0x03, 'a', 'b', 0x03, 0x02}, 5, 7, &consumed), "ab ab a");
    // Offset 4095 from position 2 lies wholly before the start.
    EXPECT_EQ(Decode({0x03, 'a', 'b', 0xFF, 0xF0}, 5, 5, &consumed), "ab   ");
}

TEST(Lzss, OffsetZeroRepeatsOutputAWholeWindowBack) {
    std::string text;
    for (int i = 0; i < 4104; ++i) text.push_back(static_cast<char>('a' + i % 23));
    // Whole groups of literals, so the back-reference starts a group of its own.
    for (std::size_t prefix : {4096u, 4104u}) {
        Bytes stream = Literals(text.substr(0, prefix));
        stream.insert(stream.end(), {0x00, 0x00, 0x0F});
        std::int32_t consumed = 0;
        const auto size = static_cast<std::int32_t>(stream.size());
        const std::string out =
            Decode(stream, size, static_cast<std::int32_t>(prefix) + 18, &consumed);
        EXPECT_EQ(out.substr(prefix), out.substr(prefix - 4096, 18)) << prefix;
        EXPECT_EQ(consumed, size);
    }
}

TEST(Lzss, OverlappingBackReferenceRepeatsItsOwnOutput) {
    std::int32_t consumed = 0;
    EXPECT_EQ(Decode({0x01, 'z', 0x01, 0x0F}, 4, 19, &consumed), std::string(19, 'z'));
}

TEST(Lzss, OutputEndStopsMidItemOrGroup) {
    std::int32_t consumed = 0;
    // The cut back-reference still counts both of its bytes.
    EXPECT_EQ(Decode({0x03, 'A', 'B', 0x02, 0x01}, 5, 5, &consumed), "ABABA");
    EXPECT_EQ(consumed, 5);
    // A group of eight literals with room for only seven.
    EXPECT_EQ(Decode(Literals("ABCDEFGH"), 9, 7, &consumed), "ABCDEFG");
    EXPECT_EQ(consumed, 8);
}

TEST(Lzss, InputEndingEarlyLeavesRestOfOutputUntouched) {
    std::int32_t consumed = 0;
    // One byte cannot start a back-reference, so it is not consumed.
    EXPECT_EQ(Decode({0x01, 'A', 0x00}, 3, 4, &consumed), "A...");
    EXPECT_EQ(consumed, 2);
    // A flag byte that is the last input byte still counts.
    EXPECT_EQ(Decode({0xFF}, 1, 2, &consumed), "..");
    EXPECT_EQ(consumed, 1);
    // The literal fast path must not run past the input end.
    EXPECT_EQ(Decode(Literals("ABCDEFGH"), 8, 9, &consumed), "ABCDEFG..");
    EXPECT_EQ(consumed, 8);
}

TEST(Lzss, FlagByteFollowsEveryEighthItem) {
    std::int32_t consumed = 0;
    const Bytes stream = {0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x01, 'I'};
    EXPECT_EQ(Decode(stream, 11, 9, &consumed), "ABCDEFGHI");
    EXPECT_EQ(consumed, 11);
    // Mixed group: literal, back-reference, six literals, then the next flag byte.
    const Bytes mixed = {0xFD, 'q', 0x01, 0x00, 'r', 's', 't', 'u', 'v', 'w', 0x01, 'x'};
    EXPECT_EQ(Decode(mixed, 12, 13, &consumed), "qqqqrstuvwx..");
    EXPECT_EQ(consumed, 12);
}

// The most a stream can give: groups of eight back-references of 18 bytes, 144 from 17. The size
// check of entries allows it, and refuses a claim no stream of that length can give.
TEST(Lzss, TheMostCompressedStreamPassesTheSizeCheck) {
    Bytes stream;
    for (int group = 0; group < 3; ++group) {
        stream.push_back(0x00);
        for (int item = 0; item < 8; ++item) stream.insert(stream.end(), {0x01, 0x0F});
    }
    std::int32_t consumed = 0;
    EXPECT_EQ(Decode(stream, 51, 432, &consumed), std::string(432, ' '));
    const auto size = static_cast<std::uint32_t>(stream.size());
    EXPECT_TRUE(qp::SizeClaimPossible({qp::kMethodCompressed, 432, 0, 0, size}));
    EXPECT_FALSE(qp::SizeClaimPossible({qp::kMethodCompressed, 9 * size + 1, 0, 0, size}));
    EXPECT_TRUE(qp::SizeClaimPossible({qp::kMethodStored, 9 * size + 1, 0, 0, size}));
}

TEST(Lzss, NonPositiveInputLengthDecodesUntilOutputIsFull) {
    std::int32_t consumed = 0;
    const Bytes stream = {0x03, 'A', 'B', 0x02, 0x01, 0xEE, 0xEE};
    EXPECT_EQ(Decode(stream, 0, 6, &consumed), "ABABAB");
    EXPECT_EQ(consumed, 5);
    EXPECT_EQ(Decode(stream, -7, 6, &consumed), "ABABAB");
    EXPECT_EQ(consumed, 5);
}

TEST(Lzss, DecodesWhatAGreedyEncoderProduces) {
    std::mt19937 rng(7);
    Bytes data;
    while (data.size() < 12000) {
        const std::string line = std::string("class Item").append(std::to_string(rng() % 50)) +
                                 " { scope = " + std::to_string(rng() % 3) +
                                 "; model = \"\\a3\\m.p3d\"; };\n";
        data.insert(data.end(), line.begin(), line.end());
        for (auto i = rng() % 40; i > 0; --i) data.push_back(static_cast<std::uint8_t>(rng() % 7));
    }
    const Bytes stream = Encode(data);
    ASSERT_LT(stream.size(), data.size());
    std::int32_t consumed = 0;
    const auto size = static_cast<std::int32_t>(data.size());
    const std::string out =
        Decode(stream, static_cast<std::int32_t>(stream.size()), size, &consumed);
    EXPECT_EQ(out, std::string(data.begin(), data.end()));
    EXPECT_EQ(consumed, static_cast<std::int32_t>(stream.size()));
}

// The window model, the whole-buffer decoder and the streaming one over pieces of every size,
// from a byte at a time to more than a window at once, all give the same bytes and counts.
TEST(Lzss, MatchesWindowModelOnRandomStreams) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; ++round) {
        const auto outputLength = static_cast<std::int32_t>(rng() % 12000) - 2;
        const bool unbounded = round % 5 == 0;
        // Unbounded input must hold enough for the whole output: at worst 9 bytes per 8.
        const std::size_t size = unbounded
                                     ? static_cast<std::size_t>(std::max(outputLength, 0)) * 2 + 4
                                     : rng() % 4000 + 1;
        Bytes input(size);
        for (auto& byte : input) byte = static_cast<std::uint8_t>(rng());
        const std::int32_t inputLength =
            unbounded ? -static_cast<std::int32_t>(rng() % 2) : static_cast<std::int32_t>(size);
        const std::size_t bufferSize = static_cast<std::size_t>(std::max(outputLength, 0)) + 1;
        std::vector<std::uint8_t> expected(bufferSize, kUntouched);
        std::vector<std::uint8_t> actual(bufferSize, kUntouched);
        const std::int32_t want =
            qp::test::WindowDecode(input.data(), expected.data(), inputLength, outputLength)
                .consumed;
        const std::int32_t got =
            qp::LzssDecode(input.data(), actual.data(), inputLength, outputLength);
        ASSERT_EQ(got, want) << "round " << round;
        ASSERT_EQ(actual, expected) << "round " << round;
        if (outputLength <= 0) continue;
        const auto input_total = static_cast<std::uint32_t>(inputLength > 0 ? inputLength : size);
        std::vector<std::uint8_t> streamed(bufferSize, kUntouched);
        const std::uint32_t pieces[] = {1, 2, 7, 100, 4095, 5000};
        const qp::LzssCounts counts = qp::test::PiecewiseDecode(
            input.data(), input_total, streamed.data(), static_cast<std::uint32_t>(outputLength),
            pieces[rng() % 6], pieces[rng() % 6]);
        ASSERT_EQ(counts.consumed, want) << "round " << round;
        ASSERT_EQ(streamed, expected) << "round " << round;
    }
}

}  // namespace
