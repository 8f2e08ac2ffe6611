// Plain SHA-256 and SHA-1 (FIPS 180-4), small and slow, for tests only.
#include "support/digests.h"

#include <cstdint>
#include <cstdio>

namespace qp::test {
namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t Rotate(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

std::uint32_t BigEndian(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// The message, a 1 bit, zeros, and the bit length as 64 bits, in whole 64-byte blocks.
std::string Padded(const std::string& bytes) {
    std::string padded = bytes;
    padded.push_back(static_cast<char>(0x80));
    while (padded.size() % 64 != 56) padded.push_back('\0');
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 7; i >= 0; --i) padded.push_back(static_cast<char>(bits >> (8 * i)));
    return padded;
}

void Sha1Compress(std::uint32_t (&state)[5], const unsigned char* block) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = BigEndian(block + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 31);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        const std::uint32_t f = i < 20   ? ((b & c) | (~b & d)) + 0x5a827999
                                : i < 40 ? (b ^ c ^ d) + 0x6ed9eba1
                                : i < 60 ? ((b & c) | (b & d) | (c & d)) + 0x8f1bbcdc
                                         : (b ^ c ^ d) + 0xca62c1d6;
        const std::uint32_t next = Rotate(a, 27) + f + e + w[i];
        e = d;
        d = c;
        c = Rotate(b, 2);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void Compress(std::uint32_t (&state)[8], const unsigned char* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = BigEndian(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state[i];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t s1 = Rotate(v[4], 6) ^ Rotate(v[4], 11) ^ Rotate(v[4], 25);
        const std::uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const std::uint32_t t1 = v[7] + s1 + choice + kRound[i] + w[i];
        const std::uint32_t s0 = Rotate(v[0], 2) ^ Rotate(v[0], 13) ^ Rotate(v[0], 22);
        const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        for (int j = 7; j > 0; --j) v[j] = v[j - 1];
        v[4] += t1;
        v[0] = t1 + s0 + majority;
    }
    for (int i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace

std::string Sha256Hex(const std::string& bytes) {
    std::uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const std::string padded = Padded(bytes);
    for (std::size_t at = 0; at < padded.size(); at += 64) {
        Compress(state, reinterpret_cast<const unsigned char*>(padded.data() + at));
    }
    char hex[65];
    for (int i = 0; i < 8; ++i) std::snprintf(hex + 8 * i, 9, "%08x", state[i]);
    return std::string(hex, 64);
}

std::string Sha1(const std::string& bytes) {
    std::uint32_t state[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
    const std::string padded = Padded(bytes);
    for (std::size_t at = 0; at < padded.size(); at += 64) {
        Sha1Compress(state, reinterpret_cast<const unsigned char*>(padded.data() + at));
    }
    std::string digest;
    for (const std::uint32_t word : state) {
        for (int shift = 24; shift >= 0; shift -= 8)
            digest.push_back(static_cast<char>(word >> shift));
    }
    return digest;
}

bool EndsInDigestTrailer(const std::string& archive) {
    if (archive.size() < 21) return false;
    const std::string before = archive.substr(0, archive.size() - 21);
    std::string trailer(1, '\0');
    trailer += Sha1(before);
    return archive.substr(before.size()) == trailer;
}

}  // namespace qp::test
