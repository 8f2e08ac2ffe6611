// RSA signatures of SHA-1 digests (PKCS #1 v1.5) and new RSA keys, from the system's own
// cryptography: no big-number arithmetic of ours.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sha1.h"

namespace qp {

// An RSA key as its numbers. Every number is little-endian and zero-padded at the high end to its
// fixed width, as the key files store them; a public key leaves the private numbers empty.
struct RsaKey {
    std::uint32_t bits = 0;  // a multiple of 16
    std::uint32_t public_exponent = 0;
    std::string modulus;  // bits/8 bytes
    // p, q, d mod (p-1), d mod (q-1) and q^-1 mod p: bits/16 bytes each.
    std::string prime1, prime2, exponent1, exponent2, coefficient;
    std::string private_exponent;  // d: bits/8 bytes
};

// Whether the key holds the private numbers.
inline bool IsPrivateKey(const RsaKey& key) {
    return !key.private_exponent.empty();
}

// Makes a new private key of `bits` bits with the public exponent 65537; false when the system
// cannot.
bool GenerateRsaKey(std::uint32_t bits, RsaKey& key);

// The signature of `digest` with the private key: bits/8 bytes, little-endian. Signing is
// deterministic: the same key and digest give the same bytes. False when the key is refused or
// the system cannot sign.
bool SignSha1Digest(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                    std::string& signature);

enum class RsaCheck { match, mismatch, failed };

// Whether `signature` (bits/8 bytes, little-endian) signs `digest` under the key's public part;
// failed when the key is refused or the system cannot check.
RsaCheck VerifySha1Signature(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                             const std::string& signature);

}  // namespace qp
