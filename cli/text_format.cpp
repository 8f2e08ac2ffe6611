// Decimal digits and the civil calendar.
#include "cli/text_format.h"

#include <array>
#include <cstring>

namespace qp::cli {
namespace {

char* WriteTwoDigits(char* at, unsigned value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
    return at + 2;
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

char* WriteNumber(char* at, std::uint64_t value, int width) {
    // Two digits a step, from the right, each pair from a table of "00" to "99".
    static constexpr auto kPairs = [] {
        std::array<char, 200> pairs{};
        for (int i = 0; i < 100; ++i) {
            pairs[2 * i] = static_cast<char>('0' + i / 10);
            pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
        return pairs;
    }();
    char digits[20];
    char* const end = digits + sizeof digits;
    char* start = end;
    while (value >= 100) {
        start -= 2;
        std::memcpy(start, &kPairs[2 * (value % 100)], 2);
        value /= 100;
    }
    if (value >= 10) {
        start -= 2;
        std::memcpy(start, &kPairs[2 * value], 2);
    } else {
        *--start = static_cast<char>('0' + value);
    }
    const auto count = static_cast<int>(end - start);
    if (width > count) {
        std::memset(at, ' ', static_cast<std::size_t>(width - count));
        at += width - count;
    }
    std::memcpy(at, start, static_cast<std::size_t>(count));
    return at + count;
}

char* WriteSignedNumber(char* at, std::int64_t value) {
    if (value >= 0) return WriteNumber(at, static_cast<std::uint64_t>(value));
    *at++ = '-';
    return WriteNumber(at, 0 - static_cast<std::uint64_t>(value));
}

char* WriteUtcTime(char* at, std::int32_t seconds, bool iso) {
    // Entries packed together share their day, often their second: the calendar date of the last
    // call is kept, and so is its time.
    thread_local std::int64_t last_seconds = -1;
    thread_local std::int64_t last_days = -1000000;
    thread_local char last_date[10];
    thread_local char last_time[8];
    const std::int64_t total = seconds;
    const std::int64_t days = (total >= 0 ? total : total - 86399) / 86400;
    const auto in_day = static_cast<unsigned>(total - days * 86400);
    if (days != last_days) {
        std::int64_t year = 0;
        unsigned month = 0;
        unsigned day = 0;
        CivilDate(days, year, month, day);
        char* date = WriteNumber(last_date, static_cast<std::uint64_t>(year));  // 1901 to 2038
        *date++ = '-';
        date = WriteTwoDigits(date, month);
        *date++ = '-';
        WriteTwoDigits(date, day);
        last_days = days;
    }
    if (seconds != last_seconds) {
        char* time = WriteTwoDigits(last_time, in_day / 3600);
        *time++ = ':';
        time = WriteTwoDigits(time, in_day / 60 % 60);
        *time++ = ':';
        WriteTwoDigits(time, in_day % 60);
        last_seconds = seconds;
    }
    std::memcpy(at, last_date, 10);
    at[10] = iso ? 'T' : ' ';
    std::memcpy(at + 11, last_time, 8);
    at += 19;
    if (iso) *at++ = 'Z';
    return at;
}

}  // namespace qp::cli
