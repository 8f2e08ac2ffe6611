// FILETIME to calendar fields in plain arithmetic, for backends whose system has no such call.
#include <cstdint>

#include "platform/file.h"

namespace qp {

bool FileTimeToCalendar(std::uint64_t filetime, CalendarTime& out) {
    // Days since 1601-01-01 to a proleptic Gregorian date (Howard Hinnant's civil_from_days,
    // counted from 0000-03-01); FileTimeToSystemTime accepts values below 2^63 only.
    if (filetime >= 0x8000000000000000ull) return false;
    const std::int64_t seconds = static_cast<std::int64_t>(filetime / 10000000);
    const std::int64_t days = seconds / 86400 + 584694;  // 1601-01-01 is day 584694 from 0000-03-01
    const std::int64_t second_of_day = seconds % 86400;
    const std::int64_t era = days / 146097;
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t month_index = (5 * day_of_year + 2) / 153;  // 0 = March
    out.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    out.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    out.year = static_cast<int>(year_of_era + era * 400 + (out.month <= 2 ? 1 : 0));
    out.hour = static_cast<int>(second_of_day / 3600);
    out.minute = static_cast<int>(second_of_day / 60 % 60);
    out.second = static_cast<int>(second_of_day % 60);
    return true;
}

}  // namespace qp
