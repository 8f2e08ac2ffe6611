// The trailer an archive may end with: right after the data area, a zero byte and 20 bytes that
// hold the SHA-1 of every byte before the zero byte (older quillpack archives hold a fixed text).
#pragma once

#include <cstdint>

#include "pbo/entry_record.h"
#include "pbo/progress.h"
#include "platform/file.h"
#include "platform/sha1.h"

namespace qp {

// Whether the `size` bytes that follow the data area are a trailer.
bool IsTrailer(const std::uint8_t* bytes, std::uint32_t size);

// What follows the data area.
enum class TrailerKind {
    absent,      // nothing: the file ends with the data area
    foreign,     // bytes that are no trailer
    fixed_text,  // a trailer holding the fixed text of older quillpack archives, no digest
    digest,      // a trailer holding a SHA-1
    unreadable,  // the trailer's bytes could not be read: `status` says why
};

struct TrailerFound {
    TrailerKind kind = TrailerKind::absent;
    IoStatus status = IoStatus::ok;
    std::uint8_t digest[kSha1Size] = {};  // kind digest: the SHA-1 it holds
};

// Reads what follows the data area, which ends at `data_end` of a file of `file_size` bytes (the
// position changes).
TrailerFound ReadTrailer(FileHandle file, std::uint32_t data_end, std::uint32_t file_size);

// The SHA-1 of the first `count` bytes of the file, read front to back (the position changes);
// false when they cannot all be read or no digest can be had. The bytes read are reported to
// `progress`, if any, under `report_name`: false too when a report is answered with stop.
bool HashFront(FileHandle file, std::uint32_t count, std::uint8_t (&digest)[kSha1Size],
               Progress* progress = nullptr, const char* report_name = "");

}  // namespace qp
