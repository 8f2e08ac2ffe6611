// Lines of small text files: trimmed, without a byte-order mark, one after the other.
#include "cli/text_lines.h"

#include <algorithm>

namespace qp::cli {

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kSpaces = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

std::string_view WithoutBom(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return text;
}

std::string_view NextLine(std::string_view text, std::size_t& at) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    return line;
}

}  // namespace qp::cli
