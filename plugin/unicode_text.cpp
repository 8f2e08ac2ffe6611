// UTF-8, UTF-16 and Windows-1252, converted by hand: the same on every platform the plugin runs on.
#include "plugin/unicode_text.h"

#include <cstdint>

namespace qp {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes the UTF-8 sequence at `at`, moving past it; false at a byte that starts no valid
// sequence (overlong forms, surrogates and values past U+10FFFF included).
bool NextUtf8(std::string_view text, std::size_t& at, char32_t& code) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    int length = 0;
    if (lead < 0x80) {
        code = lead;
        ++at;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07;
    } else {
        return false;
    }
    if (text.size() - at < static_cast<std::size_t>(length)) return false;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) return false;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return false;
    }
    at += length;
    return true;
}

// Windows-1252 from 0x80 to 0x9F; the unassigned bytes keep their own number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Appends one item's UTF-8 and moves `text` past its NUL.
void AppendItem(std::string& out, const char16_t*& text) {
    for (; *text != 0; ++text) {
        char32_t code = *text;
        if (code >= 0xD800 && code <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[1] - 0xDC00);
            ++text;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    ++text;
}

}  // namespace

std::string Utf8FromUtf16(const char16_t* text) {
    std::string out;
    if (text != nullptr) AppendItem(out, text);
    return out;
}

std::string Utf8ListFromUtf16(const char16_t* list) {
    std::string out;
    if (list != nullptr) {
        while (*list != 0) {
            AppendItem(out, list);
            out += '\0';
        }
    }
    out += '\0';
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    char32_t code = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        if (!NextUtf8(bytes, at, code)) return false;
    }
    return true;
}

std::string EntryNameAsUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    for (const char byte : bytes) {
        const auto value = static_cast<std::uint8_t>(byte);
        AppendUtf8(out, value >= 0x80 && value < 0xA0 ? kWindows1252High[value - 0x80] : value);
    }
    return out;
}

void Utf16FromUtf8(std::string_view text, char16_t* out, std::size_t capacity) {
    if (capacity == 0) return;
    std::size_t used = 0;
    char32_t code = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (!NextUtf8(text, at, code)) {
            code = kReplacement;
            ++at;
        }
        const std::size_t units = code >= 0x10000 ? 2 : 1;
        if (used + units >= capacity) break;
        if (units == 2) {
            out[used++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out[used++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<char16_t>(code);
        }
    }
    out[used] = 0;
}

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out(text.size() + 1, u'\0');
    Utf16FromUtf8(text, out.data(), out.size());
    out.resize(std::char_traits<char16_t>::length(out.c_str()));
    return out;
}

}  // namespace qp
