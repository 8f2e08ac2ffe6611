// The key blob layout: an 8-byte blob header, the magic, bit length, public exponent, then the
// numbers, each little-endian in its fixed width.
#include "signing/key_file.h"

#include <cstring>

#include "pbo/little_endian.h"

namespace qp {
namespace {

// The blob header (type, version, reserved, algorithm CALG_RSA_SIGN) and the magic.
constexpr std::string_view kPublicBlobStart("\x06\x02\x00\x00\x00\x24\x00\x00RSA1", 12);
constexpr std::string_view kPrivateBlobStart("\x07\x02\x00\x00\x00\x24\x00\x00RSA2", 12);
constexpr std::size_t kBlobFixedSize = 20;  // blob header, magic, bit length, exponent
// The largest keys anyone uses are 16384 bits; a larger length is damage, not a key.
constexpr std::uint32_t kMostBits = 16384;

// The private numbers after n, in the order the blob holds them, with their widths.
struct BlobNumber {
    std::string RsaKey::*field;
    std::uint32_t bits_per_byte;  // width = bits / bits_per_byte
};
constexpr BlobNumber kPrivateNumbers[] = {
    {&RsaKey::prime1, 16},    {&RsaKey::prime2, 16},      {&RsaKey::exponent1, 16},
    {&RsaKey::exponent2, 16}, {&RsaKey::coefficient, 16}, {&RsaKey::private_exponent, 8},
};

std::size_t BlobSize(std::uint32_t bits, bool with_private) {
    return kBlobFixedSize + (with_private ? 9 * (bits / 16) : bits / 8);
}

std::string KeyFileBytes(const SigningKey& key, bool with_private) {
    const RsaKey& rsa = key.rsa;
    std::string bytes = key.authority;
    bytes.push_back('\0');
    AppendLittle32(bytes, static_cast<std::uint32_t>(BlobSize(rsa.bits, with_private)));
    bytes += with_private ? kPrivateBlobStart : kPublicBlobStart;
    AppendLittle32(bytes, rsa.bits);
    AppendLittle32(bytes, rsa.public_exponent);
    bytes += rsa.modulus;
    if (with_private) {
        for (const BlobNumber& number : kPrivateNumbers) bytes += rsa.*number.field;
    }
    return bytes;
}

}  // namespace

bool IsAuthorityName(std::string_view text) {
    if (text.empty() || text.size() > 255) return false;
    for (const char c : text) {
        if (c < ' ' || c > '~' || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
    }
    return true;
}

std::size_t ParseKey(std::string_view bytes, SigningKey& key) {
    const std::size_t end = bytes.find('\0');
    if (end == std::string_view::npos || !IsAuthorityName(bytes.substr(0, end))) return 0;
    std::size_t at = end + 1;
    if (bytes.size() < at + 4 + kBlobFixedSize) return 0;
    const std::uint32_t blob_size = LoadLittle32(bytes, at);
    const std::string_view blob = bytes.substr(at + 4);
    const std::string_view start = blob.substr(0, kPrivateBlobStart.size());
    const bool with_private = start == kPrivateBlobStart;
    if (!with_private && start != kPublicBlobStart) return 0;
    const std::uint32_t bits = LoadLittle32(blob, 12);
    if (bits == 0 || bits % 16 != 0 || bits > kMostBits ||
        blob_size != BlobSize(bits, with_private) || blob.size() < blob_size) {
        return 0;
    }
    key = SigningKey{std::string(bytes.substr(0, end)), {}};
    key.rsa.bits = bits;
    key.rsa.public_exponent = LoadLittle32(blob, 16);
    at = kBlobFixedSize;
    key.rsa.modulus = blob.substr(at, bits / 8);
    at += bits / 8;
    for (const BlobNumber& number : kPrivateNumbers) {
        if (!with_private) break;
        const std::uint32_t width = bits / number.bits_per_byte;
        key.rsa.*number.field = blob.substr(at, width);
        at += width;
    }
    return end + 1 + 4 + blob_size;
}

std::string PublicKeyFileBytes(const SigningKey& key) {
    return KeyFileBytes(key, false);
}

std::string PrivateKeyFileBytes(const SigningKey& key) {
    return KeyFileBytes(key, true);
}

}  // namespace qp
