// The system's SHA-1 gives the standard test vectors, however the bytes are fed to it.
#include "platform/sha1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace qp {
namespace {

// Feeds `text` in pieces of 1, 2, 3, ... bytes, cycling up to `longest`.
std::string Sha1Hex(const std::string& text, std::size_t longest) {
    Sha1 sha1;
    EXPECT_TRUE(StartSha1(sha1));
    for (std::size_t at = 0, piece = 1; at < text.size();
         at += piece, piece = piece % longest + 1) {
        const std::size_t count = std::min(piece, text.size() - at);
        UpdateSha1(sha1, text.data() + at, static_cast<std::uint32_t>(count));
    }
    std::uint8_t digest[kSha1Size];
    EXPECT_TRUE(FinishSha1(sha1, digest));
    char hex[2 * kSha1Size + 1];
    for (int i = 0; i < kSha1Size; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

TEST(Sha1, StandardVectorsWholeAndInUnevenPieces) {
    EXPECT_EQ(Sha1Hex("", 1), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Sha1Hex("abc", 3), "a9993e364706816aba3e25717850c26c9cd0d89d");
    const std::string bits448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Sha1Hex(bits448, 1000), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(bits448, 7), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(std::string(1000000, 'a'), 997), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

}  // namespace
}  // namespace qp
