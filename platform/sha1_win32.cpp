// SHA-1 backend on the Windows cryptography API (CNG, bcrypt.dll). Holds only generic Win32 code.
#if defined(_WIN32)

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <new>

#include "platform/sha1.h"

namespace qp {
namespace {

struct CngHash {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
};

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

void Release(CngHash* cng) {
    if (cng == nullptr) return;
    if (cng->hash != nullptr) BCryptDestroyHash(cng->hash);
    if (cng->algorithm != nullptr) BCryptCloseAlgorithmProvider(cng->algorithm, 0);
    delete cng;
}

}  // namespace

bool StartSha1(Sha1& sha1) {
    sha1 = Sha1{};
    auto* cng = new (std::nothrow) CngHash;
    // No buffer for the hash object: the system allocates it and frees it with the hash.
    if (cng == nullptr ||
        !Succeeded(
            BCryptOpenAlgorithmProvider(&cng->algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0)) ||
        !Succeeded(BCryptCreateHash(cng->algorithm, &cng->hash, nullptr, 0, nullptr, 0, 0))) {
        Release(cng);
        sha1.failed = true;
        return false;
    }
    sha1.native = cng;
    return true;
}

void UpdateSha1(Sha1& sha1, const void* bytes, std::uint32_t count) {
    if (sha1.native == nullptr || sha1.failed) return;
    auto* cng = static_cast<CngHash*>(sha1.native);
    // The call takes a writable pointer but only reads the bytes.
    auto* input = static_cast<PUCHAR>(const_cast<void*>(bytes));
    if (!Succeeded(BCryptHashData(cng->hash, input, count, 0))) sha1.failed = true;
}

bool FinishSha1(Sha1& sha1, std::uint8_t (&digest)[kSha1Size]) {
    auto* cng = static_cast<CngHash*>(sha1.native);
    const bool finished = cng != nullptr && !sha1.failed &&
                          Succeeded(BCryptFinishHash(cng->hash, digest, kSha1Size, 0));
    Release(cng);
    sha1 = Sha1{};
    return finished;
}

}  // namespace qp

#endif  // _WIN32
