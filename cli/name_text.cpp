// Escaping of names: the UTF-8 rules, then the two forms of escape.
#include "cli/name_text.h"

#include <cstring>

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

// Whether every byte is printable ASCII: the smallest is a space or more, the largest a tilde or
// less. Both are found without stopping early, which the compiler does many bytes at a time.
bool PrintableAscii(std::string_view text) {
    unsigned char smallest = 0xFF;
    unsigned char largest = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        smallest = byte < smallest ? byte : smallest;
        largest = byte > largest ? byte : largest;
    }
    return smallest >= 0x20 && largest < 0x7F;
}

// The same, and neither a quote nor a backslash: what a JSON string holds as it is.
bool PlainJson(std::string_view text) {
    bool special = false;
    for (const char c : text) special |= (c == '"') | (c == '\\');
    return !special && PrintableAscii(text);
}

// The length of the run of printable ASCII from `from`; for JSON without a quote or backslash.
std::size_t PlainRun(std::string_view text, std::size_t from, bool json) {
    std::size_t end = from;
    for (; end < text.size(); ++end) {
        const char c = text[end];
        if (static_cast<unsigned char>(c - 0x20) >= 0x5F || (json && (c == '"' || c == '\\'))) {
            break;
        }
    }
    return end - from;
}

char* CopyBytes(char* at, std::string_view bytes) {
    std::memcpy(at, bytes.data(), bytes.size());
    return at + bytes.size();
}

// "\xNN" or "\u00NN" for the byte.
char* WriteHexEscape(char* at, const char* prefix, unsigned char value) {
    while (*prefix != '\0') *at++ = *prefix++;
    *at++ = kHex[value >> 4];
    *at++ = kHex[value & 15];
    return at;
}

}  // namespace

bool IsUtf8(std::string_view text) {
    bool ascii = true;
    for (const char c : text) ascii &= static_cast<unsigned char>(c) < 0x80;
    if (ascii) return true;
    for (std::size_t next = 0; next < text.size();) {
        const std::size_t length = Utf8Length(text.substr(next));
        if (length == 0) return false;
        next += length;
    }
    return true;
}

char* WriteHexBytes(char* at, std::string_view bytes) {
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        *at++ = kHex[value >> 4];
        *at++ = kHex[value & 15];
    }
    return at;
}

char* WriteShownName(char* at, std::string_view name) {
    // Most names are printable ASCII through and through, and go in whole.
    if (PrintableAscii(name)) return CopyBytes(at, name);
    std::size_t next = 0;
    while (next < name.size()) {
        const std::size_t plain = PlainRun(name, next, false);
        at = CopyBytes(at, name.substr(next, plain));
        next += plain;
        if (next == name.size()) break;
        const std::size_t length = Utf8Length(name.substr(next));
        if (length != 0 && !IsControl(name.substr(next, length))) {
            at = CopyBytes(at, name.substr(next, length));
            next += length;
            continue;
        }
        // A control character is escaped whole, C1 too; a stray byte alone.
        const std::size_t escaped = length != 0 ? length : 1;
        for (std::size_t i = 0; i < escaped; ++i) {
            at = WriteHexEscape(at, "\\x", static_cast<unsigned char>(name[next + i]));
        }
        next += escaped;
    }
    return at;
}

std::string ShownName(std::string_view name) {
    std::string shown(ShownSize(name.size()), '\0');
    shown.resize(static_cast<std::size_t>(WriteShownName(shown.data(), name) - shown.data()));
    return shown;
}

char* WriteJsonString(char* at, std::string_view text) {
    *at++ = '"';
    if (PlainJson(text)) {
        at = CopyBytes(at, text);
        *at++ = '"';
        return at;
    }
    std::size_t next = 0;
    while (next < text.size()) {
        const std::size_t plain = PlainRun(text, next, true);
        at = CopyBytes(at, text.substr(next, plain));
        next += plain;
        if (next == text.size()) break;
        const char c = text[next];
        const std::size_t length = Utf8Length(text.substr(next));
        if (c == '"' || c == '\\') {
            *at++ = '\\';
            *at++ = c;
        } else if (length == 0) {
            at = WriteHexEscape(at, "\\u00", static_cast<unsigned char>(c));
        } else if (IsControl(text.substr(next, length))) {
            // C0 and DEL are the byte itself; C1 (C2 80..C2 9F) is the second byte's value.
            at = WriteHexEscape(at, "\\u00", static_cast<unsigned char>(text[next + length - 1]));
        } else {
            at = CopyBytes(at, text.substr(next, length));
        }
        next += length != 0 ? length : 1;
    }
    *at++ = '"';
    return at;
}

std::string JsonString(std::string_view text) {
    std::string json(JsonSize(text.size()), '\0');
    json.resize(static_cast<std::size_t>(WriteJsonString(json.data(), text) - json.data()));
    return json;
}

}  // namespace qp::cli
