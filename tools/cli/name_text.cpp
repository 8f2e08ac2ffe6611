// Escaping of names: the UTF-8 rules, then the two forms of escape.
#include "tools/cli/name_text.h"

namespace qp::cli {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// The length of the valid UTF-8 sequence at the start of `text` (shortest form, no surrogates,
// nothing past U+10FFFF), or 0 when its first byte does not start one.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

bool IsControl(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) return lead < 0x20 || lead == 0x7F;
    // U+0080..U+009F, the C1 controls, are C2 80..C2 9F.
    return sequence.size() == 2 && lead == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

void AppendHexEscape(std::string& out, const char* prefix, std::string_view bytes) {
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        out += prefix;
        out += kHex[value >> 4];
        out += kHex[value & 15];
    }
}

}  // namespace

void AppendShownName(std::string& out, std::string_view name) {
    std::size_t start = 0;  // of the plain run not yet appended
    std::size_t at = 0;
    while (at < name.size()) {
        const auto byte = static_cast<unsigned char>(name[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            ++at;
            continue;
        }
        const std::size_t length = Utf8Length(name.substr(at));
        if (length != 0 && !IsControl(name.substr(at, length))) {
            at += length;
            continue;
        }
        out.append(name, start, at - start);
        const std::size_t escaped = length != 0 ? length : 1;
        AppendHexEscape(out, "\\x", name.substr(at, escaped));
        at += escaped;
        start = at;
    }
    out.append(name, start, at - start);
}

std::string ShownName(std::string_view name) {
    std::string shown;
    AppendShownName(shown, name);
    return shown;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            ++at;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendHexEscape(out, "\\u00", text.substr(at, 1));
            ++at;
        } else if (byte < 0x80) {
            out += c;
            ++at;
        } else if (const std::size_t length = Utf8Length(text.substr(at)); length != 0) {
            if (IsControl(text.substr(at, length))) {
                // U+0080..U+009F: valid JSON raw, yet some terminals obey them.
                out += "\\u00";
                out += kHex[static_cast<unsigned char>(text[at + 1]) >> 4];
                out += kHex[static_cast<unsigned char>(text[at + 1]) & 15];
            } else {
                out.append(text, at, length);
            }
            at += length;
        } else {
            AppendHexEscape(out, "\\u00", text.substr(at, 1));
            ++at;
        }
    }
    out += '"';
}

}  // namespace qp::cli
