// RSA backend on the Windows cryptography API (CNG, bcrypt.dll). Holds only generic Win32 code.
#if defined(_WIN32)

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>

#include "platform/rsa.h"

namespace qp {
namespace {

// CNG's own RSA blobs hold the same numbers as the key files, big-endian and in the same order
// but for the exponent; Wine's CNG takes no legacy blob, so the bytes are laid out afresh here.
struct BlobNumber {
    std::string RsaKey::*field;
    ULONG BCRYPT_RSAKEY_BLOB::*width;
};
constexpr BlobNumber kPrivateNumbers[] = {
    {&RsaKey::prime1, &BCRYPT_RSAKEY_BLOB::cbPrime1},
    {&RsaKey::prime2, &BCRYPT_RSAKEY_BLOB::cbPrime2},
    {&RsaKey::exponent1, &BCRYPT_RSAKEY_BLOB::cbPrime1},
    {&RsaKey::exponent2, &BCRYPT_RSAKEY_BLOB::cbPrime2},
    {&RsaKey::coefficient, &BCRYPT_RSAKEY_BLOB::cbPrime1},
    {&RsaKey::private_exponent, &BCRYPT_RSAKEY_BLOB::cbModulus},
};

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

struct Cng {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    Cng() = default;
    Cng(const Cng&) = delete;
    Cng& operator=(const Cng&) = delete;
    ~Cng() {
        if (key != nullptr) BCryptDestroyKey(key);
        if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

std::string Reversed(const std::string& bytes) {
    return std::string(bytes.rbegin(), bytes.rend());
}

// The key as CNG's public or full private blob.
std::string BlobOf(const RsaKey& rsa) {
    const bool with_private = IsPrivateKey(rsa);
    BCRYPT_RSAKEY_BLOB header{};
    header.Magic = with_private ? BCRYPT_RSAFULLPRIVATE_MAGIC : BCRYPT_RSAPUBLIC_MAGIC;
    header.BitLength = rsa.bits;
    header.cbModulus = rsa.bits / 8;
    if (with_private) header.cbPrime1 = header.cbPrime2 = rsa.bits / 16;
    std::string exponent;
    for (std::uint32_t rest = rsa.public_exponent; rest != 0; rest >>= 8) {
        exponent.insert(exponent.begin(), static_cast<char>(rest & 0xFF));
    }
    header.cbPublicExp = static_cast<ULONG>(exponent.size());
    std::string blob(reinterpret_cast<const char*>(&header), sizeof header);
    blob += exponent + Reversed(rsa.modulus);
    if (with_private) {
        for (const BlobNumber& number : kPrivateNumbers) blob += Reversed(rsa.*number.field);
    }
    return blob;
}

// The number of `width` bytes at `at` in a blob, little-endian in `out_width` bytes.
bool TakeNumber(const std::string& blob, std::size_t& at, ULONG width, std::uint32_t out_width,
                std::string& out) {
    if (at + width > blob.size() || width > out_width) return false;
    out = Reversed(blob.substr(at, width));
    out.resize(out_width, '\0');
    at += width;
    return true;
}

bool KeyFromBlob(const std::string& blob, RsaKey& key) {
    BCRYPT_RSAKEY_BLOB header{};
    if (blob.size() < sizeof header) return false;
    std::copy_n(blob.data(), sizeof header, reinterpret_cast<char*>(&header));
    std::size_t at = sizeof header;
    std::string exponent;
    key = RsaKey{};
    key.bits = header.BitLength;
    bool taken = TakeNumber(blob, at, header.cbPublicExp, 4, exponent) &&
                 TakeNumber(blob, at, header.cbModulus, key.bits / 8, key.modulus);
    for (std::size_t i = 0; taken && i < exponent.size(); ++i) {
        key.public_exponent |= static_cast<std::uint32_t>(static_cast<unsigned char>(exponent[i]))
                               << (8 * i);
    }
    for (const BlobNumber& number : kPrivateNumbers) {
        const std::uint32_t width =
            number.width == &BCRYPT_RSAKEY_BLOB::cbModulus ? key.bits / 8 : key.bits / 16;
        taken = taken && TakeNumber(blob, at, header.*number.width, width, key.*number.field);
    }
    return taken;
}

bool Import(const RsaKey& rsa, Cng& cng) {
    std::string blob = BlobOf(rsa);
    const wchar_t* type = IsPrivateKey(rsa) ? BCRYPT_RSAFULLPRIVATE_BLOB : BCRYPT_RSAPUBLIC_BLOB;
    return Succeeded(
               BCryptOpenAlgorithmProvider(&cng.algorithm, BCRYPT_RSA_ALGORITHM, nullptr, 0)) &&
           Succeeded(BCryptImportKeyPair(cng.algorithm, nullptr, type, &cng.key,
                                         reinterpret_cast<PUCHAR>(blob.data()),
                                         static_cast<ULONG>(blob.size()), 0));
}

}  // namespace

bool GenerateRsaKey(std::uint32_t bits, RsaKey& key) {
    Cng cng;
    ULONG size = 0;
    // The system's default public exponent is 65537.
    if (!Succeeded(BCryptOpenAlgorithmProvider(&cng.algorithm, BCRYPT_RSA_ALGORITHM, nullptr, 0)) ||
        !Succeeded(BCryptGenerateKeyPair(cng.algorithm, &cng.key, bits, 0)) ||
        !Succeeded(BCryptFinalizeKeyPair(cng.key, 0)) ||
        !Succeeded(
            BCryptExportKey(cng.key, nullptr, BCRYPT_RSAFULLPRIVATE_BLOB, nullptr, 0, &size, 0))) {
        return false;
    }
    std::string blob(size, '\0');
    return Succeeded(BCryptExportKey(cng.key, nullptr, BCRYPT_RSAFULLPRIVATE_BLOB,
                                     reinterpret_cast<PUCHAR>(blob.data()), size, &size, 0)) &&
           KeyFromBlob(blob.substr(0, size), key) && key.bits == bits &&
           key.public_exponent == 65537;
}

bool SignSha1Digest(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                    std::string& signature) {
    Cng cng;
    if (!Import(key, cng)) return false;
    BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA1_ALGORITHM};
    std::string big_endian(key.bits / 8, '\0');
    ULONG length = 0;
    // The call takes a writable digest but only reads it.
    auto* input = const_cast<PUCHAR>(digest);
    if (!Succeeded(BCryptSignHash(
            cng.key, &padding, input, kSha1Size, reinterpret_cast<PUCHAR>(big_endian.data()),
            static_cast<ULONG>(big_endian.size()), &length, BCRYPT_PAD_PKCS1)) ||
        length != big_endian.size()) {
        return false;
    }
    signature = Reversed(big_endian);
    return true;
}

RsaCheck VerifySha1Signature(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                             const std::string& signature) {
    Cng cng;
    if (!Import(key, cng)) return RsaCheck::failed;
    BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA1_ALGORITHM};
    std::string big_endian = Reversed(signature);
    auto* input = const_cast<PUCHAR>(digest);
    const NTSTATUS verified = BCryptVerifySignature(
        cng.key, &padding, input, kSha1Size, reinterpret_cast<PUCHAR>(big_endian.data()),
        static_cast<ULONG>(big_endian.size()), BCRYPT_PAD_PKCS1);
    return Succeeded(verified) ? RsaCheck::match : RsaCheck::mismatch;
}

}  // namespace qp

#endif  // _WIN32
