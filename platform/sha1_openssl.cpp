// SHA-1 backend on OpenSSL's libcrypto (the EVP digest interface), for POSIX systems.
#if !defined(_WIN32)

#include <openssl/evp.h>

#include "platform/sha1.h"

namespace qp {
namespace {

EVP_MD_CTX* Context(const Sha1& sha1) {
    return static_cast<EVP_MD_CTX*>(sha1.native);
}

}  // namespace

bool StartSha1(Sha1& sha1) {
    sha1 = Sha1{};
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (context == nullptr || EVP_DigestInit_ex(context, EVP_sha1(), nullptr) != 1) {
        EVP_MD_CTX_free(context);
        sha1.failed = true;
        return false;
    }
    sha1.native = context;
    return true;
}

void UpdateSha1(Sha1& sha1, const void* bytes, std::uint32_t count) {
    if (sha1.native == nullptr || sha1.failed) return;
    if (EVP_DigestUpdate(Context(sha1), bytes, count) != 1) sha1.failed = true;
}

bool FinishSha1(Sha1& sha1, std::uint8_t (&digest)[kSha1Size]) {
    bool finished = false;
    if (sha1.native != nullptr && !sha1.failed) {
        unsigned int length = 0;
        finished = EVP_DigestFinal_ex(Context(sha1), digest, &length) == 1 && length == kSha1Size;
    }
    EVP_MD_CTX_free(Context(sha1));
    sha1 = Sha1{};
    return finished;
}

}  // namespace qp

#endif  // !_WIN32
