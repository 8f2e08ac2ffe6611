// The lines of the small text files kept in a mod's folder ($PBOPREFIX$, $PBOHEADER$, .pboignore).
#pragma once

#include <cstddef>
#include <string_view>

namespace qp::cli {

// Without the spaces, tabs and line ends around it.
std::string_view Trimmed(std::string_view text);

// Without the byte-order mark that editors on Windows like to start a UTF-8 file with.
std::string_view WithoutBom(std::string_view text);

// The next line of `text` from `at`, without its line break; `at` moves past it.
std::string_view NextLine(std::string_view text, std::size_t& at);

}  // namespace qp::cli
