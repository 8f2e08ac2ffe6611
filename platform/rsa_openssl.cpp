// RSA backend on OpenSSL's libcrypto (EVP keys built from their numbers), for POSIX systems.
#if !defined(_WIN32)

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/rsa.h"

namespace qp {
namespace {

// Each number of the key under its OpenSSL name, with its width as a share of the bit length.
struct KeyNumber {
    const char* name;
    std::string RsaKey::*field;
    std::uint32_t bits_per_byte;  // width = bits / bits_per_byte
};
constexpr KeyNumber kPrivateNumbers[] = {
    {OSSL_PKEY_PARAM_RSA_FACTOR1, &RsaKey::prime1, 16},
    {OSSL_PKEY_PARAM_RSA_FACTOR2, &RsaKey::prime2, 16},
    {OSSL_PKEY_PARAM_RSA_EXPONENT1, &RsaKey::exponent1, 16},
    {OSSL_PKEY_PARAM_RSA_EXPONENT2, &RsaKey::exponent2, 16},
    {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &RsaKey::coefficient, 16},
    {OSSL_PKEY_PARAM_RSA_D, &RsaKey::private_exponent, 8},
};

struct Free {
    void operator()(BIGNUM* number) const { BN_clear_free(number); }
    void operator()(OSSL_PARAM_BLD* build) const { OSSL_PARAM_BLD_free(build); }
    void operator()(OSSL_PARAM* params) const { OSSL_PARAM_free(params); }
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

// Adds a little-endian number; the builder refers to it, so `numbers` keeps it until the end.
bool Push(OSSL_PARAM_BLD* build, const char* name, const std::string& bytes,
          std::vector<Owned<BIGNUM>>& numbers) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    numbers.emplace_back(BN_lebin2bn(data, static_cast<int>(bytes.size()), nullptr));
    return numbers.back() != nullptr &&
           OSSL_PARAM_BLD_push_BN(build, name, numbers.back().get()) == 1;
}

Owned<EVP_PKEY> KeyFrom(const RsaKey& rsa) {
    const bool with_private = IsPrivateKey(rsa);
    std::vector<Owned<BIGNUM>> numbers;
    Owned<OSSL_PARAM_BLD> build(OSSL_PARAM_BLD_new());
    std::string exponent(4, '\0');
    for (int i = 0; i < 4; ++i) exponent[i] = static_cast<char>(rsa.public_exponent >> (8 * i));
    bool built = build != nullptr &&
                 Push(build.get(), OSSL_PKEY_PARAM_RSA_N, rsa.modulus, numbers) &&
                 Push(build.get(), OSSL_PKEY_PARAM_RSA_E, exponent, numbers);
    for (const KeyNumber& number : kPrivateNumbers) {
        built =
            built && (!with_private || Push(build.get(), number.name, rsa.*number.field, numbers));
    }
    if (!built) return nullptr;
    Owned<OSSL_PARAM> params(OSSL_PARAM_BLD_to_param(build.get()));
    Owned<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* key = nullptr;
    if (params == nullptr || context == nullptr || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key,
                          with_private ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                          params.get()) != 1) {
        return nullptr;
    }
    return Owned<EVP_PKEY>(key);
}

// A context for PKCS #1 v1.5 padding over a SHA-1 digest, set up by `init` (sign or verify).
Owned<EVP_PKEY_CTX> PaddedContext(EVP_PKEY* key, int (*init)(EVP_PKEY_CTX*)) {
    Owned<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new(key, nullptr));
    if (context == nullptr || init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha1()) != 1) {
        return nullptr;
    }
    return context;
}

// A number of the generated key, little-endian in its fixed width.
bool TakeNumber(EVP_PKEY* key, const char* name, std::uint32_t width, std::string& out) {
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &raw) != 1) return false;
    const Owned<BIGNUM> number(raw);
    out.assign(width, '\0');
    return BN_bn2lebinpad(number.get(), reinterpret_cast<unsigned char*>(out.data()),
                          static_cast<int>(width)) == static_cast<int>(width);
}

}  // namespace

bool GenerateRsaKey(std::uint32_t bits, RsaKey& key) {
    Owned<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* generated = nullptr;
    // The public exponent is OpenSSL's default, 65537.
    if (context == nullptr || EVP_PKEY_keygen_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), static_cast<int>(bits)) != 1 ||
        EVP_PKEY_generate(context.get(), &generated) != 1) {
        return false;
    }
    const Owned<EVP_PKEY> owned(generated);
    key = RsaKey{};
    key.bits = bits;
    key.public_exponent = 65537;
    std::string exponent;
    bool taken = TakeNumber(generated, OSSL_PKEY_PARAM_RSA_E, 4, exponent) &&
                 exponent == std::string("\x01\x00\x01\x00", 4) &&
                 TakeNumber(generated, OSSL_PKEY_PARAM_RSA_N, bits / 8, key.modulus);
    for (const KeyNumber& number : kPrivateNumbers) {
        taken = taken &&
                TakeNumber(generated, number.name, bits / number.bits_per_byte, key.*number.field);
    }
    return taken;
}

bool SignSha1Digest(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                    std::string& signature) {
    const Owned<EVP_PKEY> pkey = KeyFrom(key);
    const Owned<EVP_PKEY_CTX> context =
        pkey != nullptr ? PaddedContext(pkey.get(), EVP_PKEY_sign_init) : nullptr;
    std::size_t length = key.bits / 8;
    signature.assign(length, '\0');
    auto* out = reinterpret_cast<unsigned char*>(signature.data());
    if (context == nullptr || EVP_PKEY_sign(context.get(), out, &length, digest, kSha1Size) != 1 ||
        length != key.bits / 8) {
        return false;
    }
    // OpenSSL gives the number big-endian, in the full width.
    std::reverse(signature.begin(), signature.end());
    return true;
}

RsaCheck VerifySha1Signature(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                             const std::string& signature) {
    const Owned<EVP_PKEY> pkey = KeyFrom(key);
    const Owned<EVP_PKEY_CTX> context =
        pkey != nullptr ? PaddedContext(pkey.get(), EVP_PKEY_verify_init) : nullptr;
    if (context == nullptr) return RsaCheck::failed;
    const std::string big_endian(signature.rbegin(), signature.rend());
    const int verified =
        EVP_PKEY_verify(context.get(), reinterpret_cast<const unsigned char*>(big_endian.data()),
                        big_endian.size(), digest, kSha1Size);
    return verified == 1 ? RsaCheck::match : RsaCheck::mismatch;
}

}  // namespace qp

#endif  // !_WIN32
