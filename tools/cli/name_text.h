// Names as the tool shows them: bytes that could fake output or drive a terminal are escaped.
#pragma once

#include <string>
#include <string_view>

namespace qp::cli {

// Appends `name` for a terminal or a log: control characters (C0, DEL and the C1 range, which
// some terminals obey) and bytes that are not part of valid UTF-8 become `\xNN`, one per byte;
// everything else, backslashes included, is shown as it is.
void AppendShownName(std::string& out, std::string_view name);
std::string ShownName(std::string_view name);

// Appends `text` as a JSON string, quotes included: `"` and `\` escaped, control characters (C1
// too) as \u00XX, and each byte that is not part of valid UTF-8 as \u00XX too, i.e. taken as
// the Latin-1 character of that value.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace qp::cli
