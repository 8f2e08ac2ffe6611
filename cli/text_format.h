// Numbers and times written into text without printf: the listing formats millions of them.
#pragma once

#include <cstdint>

namespace qp::cli {

// Each writes at `at` and returns the end of what it wrote.

// The decimal digits of `value`, right-aligned in `width` characters with spaces (20 at most).
char* WriteNumber(char* at, std::uint64_t value, int width = 0);
// A signed value, with its minus sign.
char* WriteSignedNumber(char* at, std::int64_t value);

// An entry's timestamp (seconds since 1970, UTC) as "YYYY-MM-DD hh:mm:ss", 19 characters, or with
// `iso` as "YYYY-MM-DDThh:mm:ssZ", 20.
char* WriteUtcTime(char* at, std::int32_t seconds, bool iso = false);

}  // namespace qp::cli
