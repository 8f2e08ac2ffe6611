// Conversions between entry timestamps, FILETIMEs and DOS date/time values.
#include "pbo/entry_time.h"

namespace qp {
namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kFirstDosSecond = 315532800;  // 1980-01-01 00:00:00 UTC
constexpr std::uint32_t kFirstDosTime = (1u << 21) | (1u << 16);
constexpr std::uint32_t kLastDosTime =
    (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;

// Seconds since 1970 (low 32 bits) of a file time; 0 when it could not be had.
std::int32_t UnixTimeOf(const TimeResult& time) {
    if (time.status != IoStatus::ok) return 0;
    const std::int64_t seconds =
        (static_cast<std::int64_t>(time.filetime) - kSecondsFrom1601To1970 * kTicksPerSecond) /
        kTicksPerSecond;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds));
}

}  // namespace

std::uint32_t DosTimeFromUnix(std::int32_t timestamp) {
    if (timestamp < kFirstDosSecond) return kFirstDosTime;
    const std::int64_t filetime = (timestamp + kSecondsFrom1601To1970) * kTicksPerSecond;
    CalendarTime time{};
    if (!FileTimeToCalendar(static_cast<std::uint64_t>(filetime), time)) return kFirstDosTime;
    if (time.year > 2107) return kLastDosTime;
    return static_cast<std::uint32_t>(time.year - 1980) << 25 |
           static_cast<std::uint32_t>(time.month) << 21 |
           static_cast<std::uint32_t>(time.day) << 16 |
           static_cast<std::uint32_t>(time.hour) << 11 |
           static_cast<std::uint32_t>(time.minute) << 5 |
           static_cast<std::uint32_t>(time.second / 2);
}

std::int32_t FileCreationUnixTime(FileHandle file) {
    return UnixTimeOf(FileCreationTime(file));
}

std::int32_t FileModificationUnixTime(FileHandle file) {
    return UnixTimeOf(FileModificationTime(file));
}

}  // namespace qp
