// A recursive descent over the preprocessed text: class bodies, entries, values and arrays,
// each written in the rapified form as it is read.
#include "config/text_parser.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "config/macros.h"
#include "config/rapified_builder.h"
#include "config/rapified_reader.h"
#include "pbo/little_endian.h"

namespace qp::config {
namespace {

struct Parser {
    const Preprocessed& source;
    std::string_view text;
    std::size_t at = 0;
    RapifiedBuilder& out;
    std::string error = {};
    int arrays = 0;  // arrays open inside each other
};

bool Fail(Parser& p, std::size_t at, const std::string& what) {
    if (p.error.empty()) p.error = Where(p.source, at) + ": " + what;
    return false;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
constexpr ByteSet kNonSpaces = AllBut(" \t\r\n");

// Names are identifiers, and any byte past ASCII: names are bytes as written.
constexpr ByteSet kNameEnds = [] {
    ByteSet ends = AllBut("", true);
    for (int c = 0x80; c < 256; ++c) ends[c] = false;
    return ends;
}();
bool IsNameChar(char c) {
    return !kNameEnds[static_cast<unsigned char>(c)];
}

// The bytes an unquoted word ends before: those given, and a line break.
constexpr ByteSet kValueEnds = BytesOf(";\"\n");
constexpr ByteSet kElementEnds = BytesOf(",};{\"\n");
constexpr ByteSet kEnumValueEnds = BytesOf(",}\n");

// The next byte that is no blank, p.at moved to it; '\0' at the end. Asked again and again at
// the same place, so that place is tried first.
char Peek(Parser& p) {
    if (p.at < p.text.size() && kNonSpaces[static_cast<unsigned char>(p.text[p.at])]) {
        return p.text[p.at];
    }
    p.at = Skip(p.text, p.at, kNonSpaces);
    return p.at < p.text.size() ? p.text[p.at] : '\0';
}

bool AtEnd(Parser& p) {
    Peek(p);
    return p.at >= p.text.size();
}

// What stands next after p.at, for an error: a name whole (32 bytes at most), or one byte.
std::string Found(const Parser& p) {
    std::size_t at = p.at;
    while (at < p.text.size() && IsSpace(p.text[at])) ++at;
    if (at >= p.text.size()) return "the end of the text";
    std::size_t end = at + 1;
    while (end < p.text.size() && end - at < 32 && IsNameChar(p.text[at]) &&
           IsNameChar(p.text[end])) {
        ++end;
    }
    std::string found = "'";
    return found.append(p.text.substr(at, end - at)).append("'");
}

// A missing mark is named where it was due: right after what came before it. The words are
// put together only then: `after` and the `name` it ends in (and `suffix`).
bool Expect(Parser& p, char wanted, std::string_view after, std::string_view name = {},
            std::string_view suffix = {}) {
    const std::size_t due = p.at;
    const char c = Peek(p);
    if (c == wanted && p.at < p.text.size()) {
        ++p.at;
        return true;
    }
    std::string what = "expected '";
    what.append(1, wanted).append("' ").append(after).append(name).append(suffix);
    return Fail(p, due, what.append(", found ").append(Found(p)));
}

bool ReadName(Parser& p, std::string_view& name, const char* what) {
    Peek(p);
    const std::size_t start = p.at;
    p.at = Skip(p.text, p.at, kNameEnds);
    if (p.at == start) {
        return Fail(p, start, std::string("expected ").append(what) + ", found " + Found(p));
    }
    name = p.text.substr(start, p.at - start);
    return true;
}

// Text of a value, which the rapified form ends with a NUL: one inside it cannot be written.
bool PutValueText(Parser& p, std::size_t at, std::string_view text, std::string& out) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    if (nul != nullptr) {
        const auto offset = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
        return Fail(p, at + offset, "a NUL byte cannot stand in a value of a rapified config");
    }
    out.append(text);
    return true;
}

// `"a ""b"""`, and pieces joined by `\n` into one string with a line break; the string goes into
// `out` with its NUL.
bool ReadString(Parser& p, std::string& out) {
    while (true) {
        const std::size_t open = p.at;
        ++p.at;
        while (true) {
            const std::size_t quote = p.text.find('"', p.at);
            if (quote == std::string_view::npos ||
                p.text.substr(p.at, quote - p.at).find('\n') != std::string_view::npos) {
                return Fail(p, open, "unterminated string: expected \" before the end of the line");
            }
            if (!PutValueText(p, p.at, p.text.substr(p.at, quote - p.at), out)) return false;
            p.at = quote + 1;
            if (p.at < p.text.size() && p.text[p.at] == '"') {
                out.push_back('"');
                ++p.at;
                continue;
            }
            break;
        }
        const std::size_t after = p.at;
        if (Peek(p) == '\\' && p.text.substr(p.at, 2) == "\\n") {
            p.at += 2;
            if (Peek(p) == '"') {
                out.push_back('\n');
                continue;
            }
        }
        p.at = after;
        out.push_back('\0');
        return true;
    }
}

// The text inside `__form(...)` up to its `)`.
bool FormArgument(Parser& p, std::string_view form, std::string_view& argument) {
    p.at += form.size() + 1;
    const std::size_t close = p.text.find(')', p.at);
    const std::size_t line_end = p.text.find('\n', p.at);
    if (close == std::string_view::npos || line_end < close) {
        return Fail(p, p.at, "expected ')' to close " + std::string(form) + "(");
    }
    argument = p.text.substr(p.at, close - p.at);
    while (!argument.empty() && IsSpace(argument.front())) argument.remove_prefix(1);
    while (!argument.empty() && IsSpace(argument.back())) argument.remove_suffix(1);
    p.at = close + 1;
    return true;
}

// The forms for what the game's text cannot say: __int64(5), __expression("text"),
// __float32(0x7fc00000), written into `out`. False when the text at p.at is none of them
// (`matched` says which).
bool ReadForm(Parser& p, std::string& out, ValueType& type, bool& matched) {
    const std::string_view rest = p.text.substr(p.at);
    matched = true;
    std::string_view argument;
    const std::size_t start = p.at;
    if (rest.substr(0, 8) == "__int64(") {
        if (!FormArgument(p, "__int64", argument)) return false;
        std::int64_t number = 0;
        const auto read =
            std::from_chars(argument.data(), argument.data() + argument.size(), number);
        if (read.ec != std::errc() || read.ptr != argument.data() + argument.size()) {
            return Fail(p, start, "expected a whole number of 64 bits in __int64(...)");
        }
        type = ValueType::int64;
        PutInt64(out, number);
        return true;
    }
    if (rest.substr(0, 10) == "__float32(") {
        if (!FormArgument(p, "__float32", argument)) return false;
        const bool hex =
            argument.size() > 2 && argument[0] == '0' && (argument[1] == 'x' || argument[1] == 'X');
        std::uint32_t bits = 0;
        const auto read =
            std::from_chars(argument.data() + 2, argument.data() + argument.size(), bits, 16);
        if (!hex || read.ec != std::errc() || read.ptr != argument.data() + argument.size()) {
            return Fail(p, start, "expected the float's 32 bits in hex in __float32(0x...)");
        }
        type = ValueType::float32;
        AppendLittle32(out, bits);
        return true;
    }
    if (rest.substr(0, 13) == "__expression(") {
        p.at += 13;
        type = ValueType::expression;
        if (Peek(p) != '"') return Fail(p, p.at, "expected a string in __expression(...)");
        if (!ReadString(p, out)) return false;
        return Expect(p, ')', "to close __expression(");
    }
    matched = false;
    return false;
}

// A value that is no array, written into `out` and its type given: a string, a form, or an
// unquoted word (a number or a string), which ends before any of `ends`.
bool ReadScalar(Parser& p, std::string& out, const ByteSet& ends, ValueType& type) {
    const char c = Peek(p);
    if (c == '"') {
        type = ValueType::string;
        return ReadString(p, out);
    }
    bool matched = false;
    if (c == '_' && (ReadForm(p, out, type, matched) || matched)) return p.error.empty();
    const std::size_t start = p.at;
    p.at = Skip(p.text, p.at, ends);
    std::string_view word = p.text.substr(start, p.at - start);
    while (!word.empty() && IsSpace(word.back())) word.remove_suffix(1);
    if (word.empty()) return Fail(p, start, "expected a value, found " + Found(p));
    WordScalar scalar;
    if (!WordValue(word, scalar)) {
        return Fail(p, start, "the number " + std::string(word) + " is too large for a float");
    }
    type = scalar.type;
    switch (scalar.type) {
        case ValueType::int32:
            AppendLittle32(out, static_cast<std::uint32_t>(scalar.number));
            return true;
        case ValueType::int64:
            PutInt64(out, scalar.number);
            return true;
        case ValueType::float32:
            AppendLittle32(out, scalar.float_bits);
            return true;
        default:  // a string of the word itself
            if (!PutValueText(p, start, word, out)) return false;
            out.push_back('\0');
            return true;
    }
}

// `{a, b, {c}}` into `out`: its count, then each element's type byte and value.
bool ReadArray(Parser& p, std::string& out) {
    const std::size_t open = p.at;
    if (!Expect(p, '{', "to start the array")) return false;
    if (++p.arrays > kMaxNesting) {
        return Fail(p, open, "arrays nested deeper than " + std::to_string(kMaxNesting));
    }
    const std::size_t count_at = StartArray(out);
    std::size_t count = 0;
    while (Peek(p) != '}') {
        if (AtEnd(p)) return Fail(p, open, "expected '}' to close this array");
        const std::size_t type_at = out.size();
        out.push_back('\0');
        ValueType type = ValueType::array;
        const bool read =
            Peek(p) == '{' ? ReadArray(p, out) : ReadScalar(p, out, kElementEnds, type);
        if (!read) return false;
        out[type_at] = static_cast<char>(type);
        ++count;
        const char next = Peek(p);
        if (next == ',') {
            ++p.at;
        } else if (next != '}') {
            return Fail(p, p.at, "expected ',' or '}' in the array, found " + Found(p));
        }
    }
    ++p.at;
    --p.arrays;
    EndArray(out, count_at, count);
    return true;
}

bool ReadEnum(Parser& p) {
    if (!Expect(p, '{', "after enum")) return false;
    std::int32_t next = 0;
    std::string number;
    while (Peek(p) != '}') {
        std::string_view name;
        if (!ReadName(p, name, "a name in the enum")) return false;
        std::int32_t value = next;
        if (Peek(p) == '=') {
            ++p.at;
            Peek(p);
            const std::size_t start = p.at;
            ValueType type = ValueType::string;
            number.clear();
            if (!ReadScalar(p, number, kEnumValueEnds, type)) return false;
            if (type != ValueType::int32) {
                return Fail(p, start, "expected a whole number of 32 bits in the enum");
            }
            value = static_cast<std::int32_t>(LoadLittle32(number, 0));
        }
        next = value + (value < std::numeric_limits<std::int32_t>::max() ? 1 : 0);
        AddEnumValue(p.out, name, value);
        if (Peek(p) == ',') {
            ++p.at;
        } else if (Peek(p) != '}') {
            return Fail(p, p.at, "expected ',' or '}' in the enum, found " + Found(p));
        }
    }
    ++p.at;
    return Expect(p, ';', "after the enum's '}'");
}

bool ReadBody(Parser& p, int depth, std::size_t open);

// `class X;`, `class X: Y {...};` or `class X {...};`.
bool ReadClass(Parser& p, int depth) {
    const std::size_t start = p.at;
    std::string_view name;
    if (!ReadName(p, name, "a class name after class")) return false;
    if (Peek(p) == ';') {
        ++p.at;
        PutText(StartEntry(p.out, EntryType::extern_class), name);
        return true;
    }
    std::string_view parent;
    if (Peek(p) == ':') {
        ++p.at;
        if (!ReadName(p, parent, "the parent's name after ':'")) return false;
    }
    if (Peek(p) != '{') {
        return Fail(
            p, p.at,
            "expected '{', ':' or ';' after class " + std::string(name) + ", found " + Found(p));
    }
    if (depth + 1 > kMaxNesting) {
        return Fail(p, start, "classes nested deeper than " + std::to_string(kMaxNesting));
    }
    const std::size_t open = p.at++;
    OpenClass(p.out, name, parent);
    if (!ReadBody(p, depth + 1, open)) return false;
    CloseClass(p.out);
    return Expect(p, ';', "after the '}' of class ", name);
}

// `x = v;`, `x[] = {...};` or `x[] += {...};`.
bool ReadProperty(Parser& p, std::string_view name) {
    const char c = Peek(p);
    if (c == '[') {
        ++p.at;
        if (!Expect(p, ']', "after '[' in ", name, "[]")) return false;
        EntryType type = EntryType::array;
        if (Peek(p) == '+' && p.text.substr(p.at, 2) == "+=") {
            type = EntryType::array_append;
            ++p.at;
        }
        if (!Expect(p, '=', "after ", name, "[]")) return false;
        if (Peek(p) != '{') {
            return Fail(
                p, p.at,
                "expected '{' to start the array " + std::string(name) + "[], found " + Found(p));
        }
        std::string& out = StartEntry(p.out, type);
        if (type == EntryType::array_append) AppendLittle32(out, kAppendFlags);
        PutText(out, name);
        if (!ReadArray(p, out)) return false;
    } else if (c == '=') {
        ++p.at;
        if (Peek(p) == '{') {
            const std::string shown(name);
            return Fail(
                p, p.at,
                "expected a value after " + shown + " = (an array is " + shown + "[] = {...})");
        }
        std::string& out = StartEntry(p.out, EntryType::value);
        const std::size_t type_at = out.size();
        out.push_back('\0');  // the value's type, known once it is read
        PutText(out, name);
        ValueType type = ValueType::string;
        if (!ReadScalar(p, out, kValueEnds, type)) return false;
        out[type_at] = static_cast<char>(type);
    } else {
        return Fail(p, p.at,
                    "expected '=' or '[]' after " + std::string(name) + ", found " + Found(p));
    }
    return Expect(p, ';', "after the value of ", name);
}

// The entries up to the body's `}` (the text's end for the root, whose `open` is npos).
bool ReadBody(Parser& p, int depth, std::size_t open) {
    const bool root = open == std::string_view::npos;
    while (true) {
        const char c = Peek(p);
        if (AtEnd(p)) {
            if (root) return true;
            return Fail(p, open, "expected '}' to close this class before the end of the text");
        }
        if (c == '}' && !root) {
            ++p.at;
            return true;
        }
        std::string_view name;
        if (!ReadName(p, name, "a class or a property name")) return false;
        const char after = Peek(p);
        const bool keyword = after != '=' && after != '[';
        if (keyword && name == "class") {
            if (!ReadClass(p, depth)) return false;
        } else if (keyword && name == "delete") {
            if (!ReadName(p, name, "a class name after delete")) return false;
            PutText(StartEntry(p.out, EntryType::delete_class), name);
            if (!Expect(p, ';', "after delete ", name)) return false;
        } else if (keyword && name == "enum" && after == '{') {
            if (!ReadEnum(p)) return false;
        } else if (!ReadProperty(p, name)) {
            return false;
        }
    }
}

}  // namespace

bool RapifyText(const Preprocessed& text, std::string& bytes, std::string& error) {
    RapifiedBuilder builder;
    StartRapified(builder, {}, text.text.size());
    Parser p{text, text.text, 0, builder};
    if (!ReadBody(p, 0, std::string_view::npos)) {
        error = p.error;
        return false;
    }
    if (FinishRapified(builder, bytes)) return true;
    error = (text.files.empty() ? std::string("?") : text.files[0].path) +
            ": the rapified config would pass 4 GiB";
    return false;
}

bool ParseConfig(const Preprocessed& text, Config& config, std::string& error) {
    config = {};
    std::string bytes;
    return RapifyText(text, bytes, error) && ReadRapified(bytes, config, error);
}

}  // namespace qp::config
