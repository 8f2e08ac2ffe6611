// SHA-1 digests from the system's own implementation, fed piece by piece.
#pragma once

#include <cstdint>

namespace qp {

constexpr int kSha1Size = 20;

// A digest being computed. `native` is the backend's state, held from StartSha1 to FinishSha1;
// `failed` remembers a step that went wrong, so that only FinishSha1 needs to be checked.
struct Sha1 {
    void* native = nullptr;
    bool failed = false;
};

// Starts a digest; false when the system cannot provide one (nothing is then held).
bool StartSha1(Sha1& sha1);
// Adds the next `count` bytes.
void UpdateSha1(Sha1& sha1, const void* bytes, std::uint32_t count);
// Writes the digest of all bytes added and releases the state, also after a failure; false when
// any step failed, the digest then being unusable. Every started digest must be finished.
bool FinishSha1(Sha1& sha1, std::uint8_t (&digest)[kSha1Size]);

}  // namespace qp
