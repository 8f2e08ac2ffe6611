// The key files of signing authorities: `.biprivatekey` (private) and `.bikey` (public), each the
// authority's name and a Windows CryptoAPI RSA key blob.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/rsa.h"

namespace qp {

constexpr char kPrivateKeyExtension[] = ".biprivatekey";
constexpr char kPublicKeyExtension[] = ".bikey";
constexpr std::uint32_t kNewKeyBits = 1024;

struct SigningKey {
    std::string authority;  // ASCII, names the .bisign files this key writes
    RsaKey rsa;
};

// Reads a key (private or public) from the start of `bytes`; returns the bytes it takes, or 0
// when they hold no key: an authority that is empty, not printable ASCII or unterminated, a blob
// of another kind or length, a bit length that is not a multiple of 16 or is above 16384.
std::size_t ParseKey(std::string_view bytes, SigningKey& key);

// The bytes of the .bikey file of a key, private or public.
std::string PublicKeyFileBytes(const SigningKey& key);
// The bytes of the .biprivatekey file of a private key.
std::string PrivateKeyFileBytes(const SigningKey& key);

// Whether a text can be an authority: 1 to 255 printable ASCII characters, none that a file name
// may not hold (the name ends up in the names of signature files).
bool IsAuthorityName(std::string_view text);

}  // namespace qp
