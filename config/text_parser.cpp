// A recursive descent over the preprocessed text: class bodies, entries, values and arrays.
#include "config/text_parser.h"

#include <charconv>
#include <limits>

#include "config/macros.h"
#include "config/rapified_reader.h"

namespace qp::config {
namespace {

struct Parser {
    const Preprocessed& source;
    std::string_view text;
    std::size_t at = 0;
    Config& config;
    std::string error;
    int arrays = 0;  // arrays open inside each other
};

bool Fail(Parser& p, std::size_t at, const std::string& what) {
    if (p.error.empty()) p.error = Where(p.source, at) + ": " + what;
    return false;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Names are identifiers, and any byte past ASCII: names are bytes as written.
bool IsNameChar(char c) {
    return IsNameByte(c) || static_cast<unsigned char>(c) >= 0x80;
}

char Peek(Parser& p) {
    while (p.at < p.text.size() && IsSpace(p.text[p.at])) ++p.at;
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

bool ReadName(Parser& p, std::string& name, const char* what) {
    Peek(p);
    const std::size_t start = p.at;
    while (p.at < p.text.size() && IsNameChar(p.text[p.at])) ++p.at;
    if (p.at == start) {
        return Fail(p, start, std::string("expected ").append(what) + ", found " + Found(p));
    }
    name.assign(p.text.substr(start, p.at - start));
    return true;
}

// `"a ""b"""`, and pieces joined by `\n` into one string with a line break.
bool ReadString(Parser& p, std::string& out) {
    while (true) {
        const std::size_t open = p.at;
        ++p.at;
        while (true) {
            const std::size_t quote = p.text.find('"', p.at);
            const std::size_t line_end = p.text.find('\n', p.at);
            if (quote == std::string_view::npos || line_end < quote) {
                return Fail(p, open, "unterminated string: expected \" before the end of the line");
            }
            out.append(p.text.substr(p.at, quote - p.at));
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
// __float32(0x7fc00000). False when the text at p.at is none of them (`matched` says which).
bool ReadForm(Parser& p, Value& value, bool& matched) {
    const std::string_view rest = p.text.substr(p.at);
    matched = true;
    std::string_view argument;
    const std::size_t start = p.at;
    if (rest.substr(0, 8) == "__int64(") {
        if (!FormArgument(p, "__int64", argument)) return false;
        value = {};
        value.type = ValueType::int64;
        const auto read =
            std::from_chars(argument.data(), argument.data() + argument.size(), value.number);
        if (read.ec == std::errc() && read.ptr == argument.data() + argument.size()) return true;
        return Fail(p, start, "expected a whole number of 64 bits in __int64(...)");
    }
    if (rest.substr(0, 10) == "__float32(") {
        if (!FormArgument(p, "__float32", argument)) return false;
        value = {};
        value.type = ValueType::float32;
        const bool hex =
            argument.size() > 2 && argument[0] == '0' && (argument[1] == 'x' || argument[1] == 'X');
        const auto read = std::from_chars(argument.data() + 2, argument.data() + argument.size(),
                                          value.float_bits, 16);
        if (hex && read.ec == std::errc() && read.ptr == argument.data() + argument.size()) {
            return true;
        }
        return Fail(p, start, "expected the float's 32 bits in hex in __float32(0x...)");
    }
    if (rest.substr(0, 13) == "__expression(") {
        p.at += 13;
        value = {};
        value.type = ValueType::expression;
        if (Peek(p) != '"') return Fail(p, p.at, "expected a string in __expression(...)");
        if (!ReadString(p, value.text)) return false;
        return Expect(p, ')', "to close __expression(");
    }
    matched = false;
    return false;
}

// A value that is no array: a string, a form, or an unquoted word (a number or a string), which
// ends before any of `stops` or the end of the line.
bool ReadScalar(Parser& p, Value& value, std::string_view stops) {
    const char c = Peek(p);
    if (c == '"') {
        value = {};
        return ReadString(p, value.text);
    }
    bool matched = false;
    if (c == '_' && (ReadForm(p, value, matched) || matched)) return p.error.empty();
    const std::size_t start = p.at;
    while (p.at < p.text.size() && p.text[p.at] != '\n' &&
           stops.find(p.text[p.at]) == std::string_view::npos) {
        ++p.at;
    }
    std::string_view word = p.text.substr(start, p.at - start);
    while (!word.empty() && IsSpace(word.back())) word.remove_suffix(1);
    if (word.empty()) return Fail(p, start, "expected a value, found " + Found(p));
    if (!WordValue(word, value)) {
        return Fail(p, start, "the number " + std::string(word) + " is too large for a float");
    }
    return true;
}

bool ReadArray(Parser& p, Value& array) {
    const std::size_t open = p.at;
    if (!Expect(p, '{', "to start the array")) return false;
    if (++p.arrays > kMaxNesting) {
        return Fail(p, open, "arrays nested deeper than " + std::to_string(kMaxNesting));
    }
    array = {};
    array.type = ValueType::array;
    while (Peek(p) != '}') {
        if (AtEnd(p)) return Fail(p, open, "expected '}' to close this array");
        Value& item = array.items.emplace_back();  // read in place: no move of what it holds
        const bool read = Peek(p) == '{' ? ReadArray(p, item) : ReadScalar(p, item, ",};{\"");
        if (!read) return false;
        const char next = Peek(p);
        if (next == ',') {
            ++p.at;
        } else if (next != '}') {
            return Fail(p, p.at, "expected ',' or '}' in the array, found " + Found(p));
        }
    }
    ++p.at;
    --p.arrays;
    return true;
}

bool ReadEnum(Parser& p) {
    if (!Expect(p, '{', "after enum")) return false;
    std::int32_t next = 0;
    while (Peek(p) != '}') {
        EnumValue item;
        if (!ReadName(p, item.name, "a name in the enum")) return false;
        item.value = next;
        if (Peek(p) == '=') {
            ++p.at;
            Peek(p);
            const std::size_t start = p.at;
            Value value;
            if (!ReadScalar(p, value, ",}")) return false;
            if (value.type != ValueType::int32) {
                return Fail(p, start, "expected a whole number of 32 bits in the enum");
            }
            item.value = static_cast<std::int32_t>(value.number);
        }
        next = item.value + (item.value < std::numeric_limits<std::int32_t>::max() ? 1 : 0);
        p.config.enums.push_back(std::move(item));
        if (Peek(p) == ',') {
            ++p.at;
        } else if (Peek(p) != '}') {
            return Fail(p, p.at, "expected ',' or '}' in the enum, found " + Found(p));
        }
    }
    ++p.at;
    return Expect(p, ';', "after the enum's '}'");
}

bool ReadBody(Parser& p, ClassBody& body, int depth, std::size_t open);

// `class X;`, `class X: Y {...};` or `class X {...};`.
bool ReadClass(Parser& p, Entry& entry, int depth) {
    const std::size_t start = p.at;
    if (!ReadName(p, entry.name, "a class name after class")) return false;
    if (Peek(p) == ';') {
        ++p.at;
        entry.type = EntryType::extern_class;
        return true;
    }
    entry.type = EntryType::class_body;
    if (Peek(p) == ':') {
        ++p.at;
        if (!ReadName(p, entry.body.parent, "the parent's name after ':'")) return false;
    }
    if (Peek(p) != '{') {
        return Fail(p, p.at,
                    "expected '{', ':' or ';' after class " + entry.name + ", found " + Found(p));
    }
    if (depth + 1 > kMaxNesting) {
        return Fail(p, start, "classes nested deeper than " + std::to_string(kMaxNesting));
    }
    const std::size_t open = p.at++;
    if (!ReadBody(p, entry.body, depth + 1, open)) return false;
    return Expect(p, ';', "after the '}' of class ", entry.name);
}

// `x = v;`, `x[] = {...};` or `x[] += {...};`.
bool ReadProperty(Parser& p, Entry& entry) {
    const char c = Peek(p);
    if (c == '[') {
        ++p.at;
        if (!Expect(p, ']', "after '[' in ", entry.name, "[]")) return false;
        entry.type = EntryType::array;
        if (Peek(p) == '+' && p.text.substr(p.at, 2) == "+=") {
            entry.type = EntryType::array_append;
            ++p.at;
        }
        if (!Expect(p, '=', "after ", entry.name, "[]")) return false;
        if (Peek(p) != '{') {
            return Fail(p, p.at,
                        "expected '{' to start the array " + entry.name + "[], found " + Found(p));
        }
        if (!ReadArray(p, entry.value)) return false;
    } else if (c == '=') {
        ++p.at;
        entry.type = EntryType::value;
        if (Peek(p) == '{') {
            return Fail(p, p.at,
                        "expected a value after " + entry.name + " = (an array is " + entry.name +
                            "[] = {...})");
        }
        if (!ReadScalar(p, entry.value, ";\"")) return false;
    } else {
        return Fail(p, p.at, "expected '=' or '[]' after " + entry.name + ", found " + Found(p));
    }
    return Expect(p, ';', "after the value of ", entry.name);
}

// The entries up to the body's `}` (the text's end for the root, whose `open` is npos).
bool ReadBody(Parser& p, ClassBody& body, int depth, std::size_t open) {
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
        Entry& entry = body.entries.emplace_back();  // read in place: no move of what it holds
        if (!ReadName(p, entry.name, "a class or a property name")) return false;
        const char after = Peek(p);
        const bool keyword = after != '=' && after != '[';
        if (keyword && entry.name == "class") {
            if (!ReadClass(p, entry, depth)) return false;
        } else if (keyword && entry.name == "delete") {
            entry.type = EntryType::delete_class;
            if (!ReadName(p, entry.name, "a class name after delete")) return false;
            if (!Expect(p, ';', "after delete ", entry.name)) return false;
        } else if (keyword && entry.name == "enum" && after == '{') {
            body.entries.pop_back();
            if (!ReadEnum(p)) return false;
        } else if (!ReadProperty(p, entry)) {
            return false;
        }
    }
}

}  // namespace

bool ParseConfig(const Preprocessed& text, Config& config, std::string& error) {
    config = {};
    Parser p{text, text.text, 0, config, {}};
    if (ReadBody(p, config.root, 0, std::string_view::npos)) return true;
    error = p.error;
    return false;
}

}  // namespace qp::config
