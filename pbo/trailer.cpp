// Recognising the trailer, and the digest of the bytes it follows.
#include "pbo/trailer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace qp {
namespace {

constexpr std::uint32_t kHashBlock = 1u << 20;

}  // namespace

bool IsTrailer(const std::uint8_t* bytes, std::uint32_t size) {
    return size == kTrailerSize && bytes[0] == 0;
}

TrailerFound ReadTrailer(FileHandle file, std::uint32_t data_end, std::uint32_t file_size) {
    TrailerFound found;
    const std::uint32_t after = file_size - data_end;
    if (after == 0) return found;
    found.kind = TrailerKind::foreign;
    if (after != kTrailerSize) return found;
    std::uint8_t trailer[kTrailerSize];
    const Transfer read = SeekTo(file, data_end) == IoStatus::ok
                              ? ReadBytes(file, trailer, kTrailerSize)
                              : Transfer{0, IoStatus::io_error};
    if (read.bytes != kTrailerSize) {
        found.kind = TrailerKind::unreadable;
        found.status = read.status;
    } else if (IsTrailer(trailer, kTrailerSize)) {
        const bool fixed = std::memcmp(trailer + 1, kTrailerText, kSha1Size) == 0;
        found.kind = fixed ? TrailerKind::fixed_text : TrailerKind::digest;
        std::memcpy(found.digest, trailer + 1, kSha1Size);
    }
    return found;
}

bool HashFront(FileHandle file, std::uint32_t count, std::uint8_t (&digest)[kSha1Size],
               Progress* progress, const char* report_name) {
    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kHashBlock]);
    Sha1 sha1;
    if (!block || !StartSha1(sha1)) return false;
    bool read_all = SeekTo(file, 0) == IoStatus::ok;
    for (std::uint32_t done = 0; read_all && done < count;) {
        const std::uint32_t wanted = std::min(count - done, kHashBlock);
        read_all =
            ReadBytes(file, block.get(), wanted).bytes == wanted &&
            (progress == nullptr || Report(*progress, report_name, static_cast<int>(wanted)));
        UpdateSha1(sha1, block.get(), wanted);
        done += wanted;
    }
    return FinishSha1(sha1, digest) && read_all;
}

}  // namespace qp
