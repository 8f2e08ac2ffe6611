// Unquoted words in a config: numbers of the kinds the game tells apart, or strings.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "config/text_parser.h"

namespace qp::config {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

WordScalar Number(std::int64_t number) {
    WordScalar value;
    const bool fits = number >= std::numeric_limits<std::int32_t>::min() &&
                      number <= std::numeric_limits<std::int32_t>::max();
    value.type = fits ? ValueType::int32 : ValueType::int64;
    value.number = number;
    return value;
}

// Whether the whole of `text` is read by from_chars as T.
template <typename T>
std::errc ParseAll(std::string_view text, T& out, int base = 10) {
    const char* end = text.data() + text.size();
    std::from_chars_result read;
    if constexpr (std::is_integral_v<T>) {
        read = std::from_chars(text.data(), end, out, base);
    } else {
        read = std::from_chars(text.data(), end, out);
    }
    if (read.ec == std::errc() && read.ptr != end) return std::errc::invalid_argument;
    return read.ec;
}

}  // namespace

bool WordValue(std::string_view word, WordScalar& value) {
    value = {};
    std::string_view digits = word;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    const bool negative = !digits.empty() && digits[0] == '-';
    std::string_view unsigned_part = digits.substr(negative ? 1 : 0);
    // Only what starts like a number is one: from_chars would also take "inf" and "nan".
    if (unsigned_part.empty() || !(IsDigit(unsigned_part[0]) || unsigned_part[0] == '.')) {
        return true;
    }
    if (unsigned_part.size() > 2 && unsigned_part[0] == '0' &&
        (unsigned_part[1] == 'x' || unsigned_part[1] == 'X')) {
        std::uint64_t hex = 0;
        if (ParseAll(unsigned_part.substr(2), hex, 16) != std::errc() ||
            hex > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return true;
        }
        value = Number(negative ? -static_cast<std::int64_t>(hex) : static_cast<std::int64_t>(hex));
        return true;
    }
    std::int64_t whole = 0;
    const std::errc read_whole = ParseAll(digits, whole);
    if (read_whole == std::errc()) {
        value = Number(whole);
        return true;
    }
    const bool all_digits = unsigned_part.find_first_not_of("0123456789") == std::string_view::npos;
    if (!all_digits && unsigned_part.find_first_of(".eE") == std::string_view::npos) return true;
    float number = 0;
    std::errc read = ParseAll(digits, number);
    if (read == std::errc::result_out_of_range) {
        // Too small for a float: the nearest one, down to zero; too large: refused.
        double wide = 0;
        if (ParseAll(digits, wide) != std::errc() || !(std::fabs(wide) < 1.0)) return false;
        number = static_cast<float>(wide);
        read = std::errc();
    }
    if (read != std::errc()) return true;
    value = {};
    value.type = ValueType::float32;
    std::memcpy(&value.float_bits, &number, sizeof number);
    return true;
}

}  // namespace qp::config
