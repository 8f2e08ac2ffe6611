// Key and signature files read whole and written whole, never seen half written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"

namespace qp {

inline constexpr std::uint32_t kSmallFileLargest = 1u << 20;

// Reads a file of at most `largest` bytes whole: too_large for a larger one.
IoStatus ReadSmallFile(const std::string& path, std::string& bytes,
                       std::uint32_t largest = kSmallFileLargest);

// Writes `bytes` to a new file beside `path`, flushes it to disk and puts it at `path` in one
// step: replacing what is there with `replace`, otherwise only where nothing is (already_exists).
// The new file is opened as `mode`: replacement, or replacement_private for a file its owner
// alone may read. A leftover of ours beside it is removed first; a link or a folder there
// refuses the write. On failure the file written beside it is removed and `path` is as it was.
IoStatus WriteSmallFile(const std::string& path, const std::string& bytes, bool replace,
                        OpenMode mode = OpenMode::replacement);

}  // namespace qp
