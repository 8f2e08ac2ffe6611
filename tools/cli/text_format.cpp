// Decimal digits and the civil calendar.
#include "tools/cli/text_format.h"

namespace qp::cli {
namespace {

void AppendTwoDigits(std::string& out, unsigned value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

// Year, month and day of a day count from 1970-01-01 in the proleptic Gregorian calendar, by
// eras of 400 years (146,097 days) that start on March 1st, so that leap days end each year.
void CivilDate(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;  // from 0000-03-01
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto day_of_era = static_cast<unsigned>(days - era * 146097);
    const unsigned year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const unsigned day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const unsigned month_from_march = (5 * day_of_year + 2) / 153;
    day = day_of_year - (153 * month_from_march + 2) / 5 + 1;
    month = month_from_march < 10 ? month_from_march + 3 : month_from_march - 9;
    year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

void AppendNumber(std::string& out, std::uint64_t value, int width) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (width > count) out.append(static_cast<std::size_t>(width - count), ' ');
    while (count > 0) out += digits[--count];
}

void AppendUtcTime(std::string& out, std::int32_t seconds, bool iso) {
    const std::int64_t total = seconds;
    const std::int64_t days = (total >= 0 ? total : total - 86399) / 86400;
    const auto in_day = static_cast<unsigned>(total - days * 86400);
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilDate(days, year, month, day);
    AppendNumber(out, static_cast<std::uint64_t>(year));  // 1901 to 2038 for 32-bit seconds
    out += '-';
    AppendTwoDigits(out, month);
    out += '-';
    AppendTwoDigits(out, day);
    out += iso ? 'T' : ' ';
    AppendTwoDigits(out, in_day / 3600);
    out += ':';
    AppendTwoDigits(out, in_day / 60 % 60);
    out += ':';
    AppendTwoDigits(out, in_day % 60);
    if (iso) out += 'Z';
}

}  // namespace qp::cli
