// Entry timestamps: to the host's DOS date/time, and from a source file's times.
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace qp {

// The DOS date/time (UTC) of an entry timestamp. DOS dates cover 1980 to 2107 only: earlier
// times give 1980-01-01 00:00:00 and later ones 2107-12-31 23:59:58, so that a timestamp of 0
// does not show up as the year 2098.
std::uint32_t DosTimeFromUnix(std::int32_t timestamp);

// Creation time of an open file in seconds since 1970 (low 32 bits); 0 when it cannot be read.
std::int32_t FileCreationUnixTime(FileHandle file);
// Its last modification time, the same way.
std::int32_t FileModificationUnixTime(FileHandle file);

}  // namespace qp
