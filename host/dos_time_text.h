// Showing a DOS date/time to a person.
#pragma once

#include <cstdint>
#include <string>

namespace qp {

// "YYYY-MM-DD hh:mm:ss".
std::string FormatDosTime(std::uint32_t dos_time);

}  // namespace qp
