// DOS date/time fields: year since 1980, month, day, hour, minute, seconds halved.
#include "host/dos_time_text.h"

#include <cstdio>

namespace qp {

std::string FormatDosTime(std::uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (value >> 25),
                  (value >> 21) & 15, (value >> 16) & 31, (value >> 11) & 31, (value >> 5) & 63,
                  (value & 31) * 2);
    return text;
}

}  // namespace qp
