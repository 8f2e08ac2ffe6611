// Numbers and times appended to text without printf: the listing formats millions of them.
#pragma once

#include <cstdint>
#include <string>

namespace qp::cli {

// The decimal digits of `value`, right-aligned in `width` characters with spaces.
void AppendNumber(std::string& out, std::uint64_t value, int width = 0);

// An entry's timestamp (seconds since 1970, UTC) as "YYYY-MM-DD hh:mm:ss", or with `iso` as
// "YYYY-MM-DDThh:mm:ssZ".
void AppendUtcTime(std::string& out, std::int32_t seconds, bool iso = false);

}  // namespace qp::cli
