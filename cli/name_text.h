// Names as the tool shows them: bytes that could fake output or drive a terminal are escaped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qp::cli {

// `name` for a terminal or a log: control characters (C0, DEL and the C1 range, which some
// terminals obey) and bytes that are not part of valid UTF-8 become `\xNN`, one per byte;
// everything else, backslashes included, is shown as it is. Written at `at`, which has room for
// ShownSize of the name's length; returns the end.
constexpr std::size_t ShownSize(std::size_t length) {
    return 4 * length;
}
char* WriteShownName(char* at, std::string_view name);
std::string ShownName(std::string_view name);

// Whether `text` is valid UTF-8 throughout.
bool IsUtf8(std::string_view text);
// The bytes as two hex digits each, written at `at`; returns the end.
char* WriteHexBytes(char* at, std::string_view bytes);

// `text` as a JSON string, quotes included: `"` and `\` escaped, control characters (C1 too) as
// \u00XX, and each byte that is not part of valid UTF-8 as \u00XX too, i.e. taken as the Latin-1
// character of that value. Written at `at`, which has room for JsonSize of the text's length.
constexpr std::size_t JsonSize(std::size_t length) {
    return 6 * length + 2;
}
char* WriteJsonString(char* at, std::string_view text);
std::string JsonString(std::string_view text);

}  // namespace qp::cli
