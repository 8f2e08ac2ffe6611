// The text printer: one pass over the tree into one string.
#include "config/config_printer.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace qp::config {
namespace {

void PutNumber(std::string& out, std::int64_t number) {
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
    out.append(digits, end.ptr);
}

// In double quotes, a quote doubled; a newline, which cannot stand inside quotes, ends the piece
// and the next one follows after `\n`, which joins them.
void PutQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    while (!text.empty()) {
        const std::size_t special = text.find_first_of("\"\n");
        out.append(text.substr(0, special));
        if (special == std::string_view::npos) break;
        out.append(text[special] == '"' ? "\"\"" : "\" \\n \"");
        text.remove_prefix(special + 1);
    }
    out.push_back('"');
}

// The shortest decimal that reads back as the same float, with a decimal point or an exponent so
// that it never reads back as an int; the bits in hex for what is not a finite number.
void PutFloat(std::string& out, std::uint32_t bits) {
    char text[32];
    if ((bits & 0x7F800000u) == 0x7F800000u) {
        out.append("__float32(0x");
        const std::to_chars_result end = std::to_chars(text, text + sizeof text, bits, 16);
        out.append(8 - (end.ptr - text), '0');
        out.append(text, end.ptr);
        out.push_back(')');
        return;
    }
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    const std::string_view digits(text, static_cast<std::size_t>(end.ptr - text));
    out.append(digits);
    if (digits.find_first_of(".e") == std::string_view::npos) out.append(".0");
}

void PutValue(std::string& out, const Value& value) {
    switch (value.type) {
        case ValueType::string:
            PutQuoted(out, value.text);
            return;
        case ValueType::float32:
            PutFloat(out, value.float_bits);
            return;
        case ValueType::int32:
            PutNumber(out, value.number);
            return;
        case ValueType::int64:
            // Only a number that an int32 cannot hold reads back as an int64 without being told.
            if (value.number < std::numeric_limits<std::int32_t>::min() ||
                value.number > std::numeric_limits<std::int32_t>::max()) {
                PutNumber(out, value.number);
            } else {
                out.append("__int64(");
                PutNumber(out, value.number);
                out.push_back(')');
            }
            return;
        case ValueType::expression:
            out.append("__expression(");
            PutQuoted(out, value.text);
            out.push_back(')');
            return;
        case ValueType::array:
            out.push_back('{');
            for (std::size_t i = 0; i < value.items.size(); ++i) {
                if (i != 0) out.append(", ");
                PutValue(out, value.items[i]);
            }
            out.push_back('}');
            return;
    }
}

void PutEntries(std::string& out, const ClassBody& body, int depth);

void PutEntry(std::string& out, const Entry& entry, int depth) {
    out.append(4 * static_cast<std::size_t>(depth), ' ');
    switch (entry.type) {
        case EntryType::class_body:
            out.append("class ").append(entry.name);
            if (!entry.body.parent.empty()) out.append(": ").append(entry.body.parent);
            if (entry.body.entries.empty()) {
                out.append(" {};\n");
                return;
            }
            out.append(" {\n");
            PutEntries(out, entry.body, depth + 1);
            out.append(4 * static_cast<std::size_t>(depth), ' ').append("};\n");
            return;
        case EntryType::value:
            out.append(entry.name).append(" = ");
            break;
        case EntryType::array:
            out.append(entry.name).append("[] = ");
            break;
        case EntryType::array_append:
            out.append(entry.name).append("[] += ");
            break;
        case EntryType::extern_class:
            out.append("class ").append(entry.name).append(";\n");
            return;
        case EntryType::delete_class:
            out.append("delete ").append(entry.name).append(";\n");
            return;
    }
    PutValue(out, entry.value);
    out.append(";\n");
}

void PutEntries(std::string& out, const ClassBody& body, int depth) {
    for (const Entry& entry : body.entries) PutEntry(out, entry, depth);
}

}  // namespace

std::string PrintConfig(const Config& config) {
    std::string out;
    if (!config.enums.empty()) {
        out.append("enum {\n");
        for (std::size_t i = 0; i < config.enums.size(); ++i) {
            out.append("    ").append(config.enums[i].name).append(" = ");
            PutNumber(out, config.enums[i].value);
            out.append(i + 1 < config.enums.size() ? ",\n" : "\n");
        }
        out.append("};\n");
    }
    PutEntries(out, config.root, 0);
    return out;
}

}  // namespace qp::config
