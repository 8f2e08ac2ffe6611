// Recognising the trailer, and the digest of the bytes it follows.
#include "pbo/trailer.h"

#include <algorithm>
#include <memory>
#include <new>

namespace qp {
namespace {

constexpr std::uint32_t kHashBlock = 1u << 20;

}  // namespace

bool IsTrailer(const std::uint8_t* bytes, std::uint32_t size) {
    return size == kTrailerSize && bytes[0] == 0;
}

bool HashFront(FileHandle file, std::uint32_t count, std::uint8_t (&digest)[kSha1Size]) {
    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kHashBlock]);
    Sha1 sha1;
    if (!block || !StartSha1(sha1)) return false;
    bool read_all = SeekTo(file, 0) == IoStatus::ok;
    for (std::uint32_t done = 0; read_all && done < count;) {
        const std::uint32_t wanted = std::min(count - done, kHashBlock);
        read_all = ReadBytes(file, block.get(), wanted).bytes == wanted;
        UpdateSha1(sha1, block.get(), wanted);
        done += wanted;
    }
    return FinishSha1(sha1, digest) && read_all;
}

}  // namespace qp
