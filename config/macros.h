// The preprocessor's macros: how `#define` makes one, and how a use of one expands, the game's
// way: each argument is expanded whole before it is put in, also next to `#` and `##`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qp::config {

// A piece of a macro's body: text as written, or the argument of a parameter, as it is or made a
// string (`#x`). `##` and the blanks around it are gone: the pieces beside it join.
struct MacroPart {
    enum Kind { literal, argument, stringized };
    Kind kind = literal;
    std::string text;
    std::size_t parameter = 0;
};

struct Macro {
    bool function_like = false;  // NAME(a, b): used only where `(` follows the name
    std::size_t parameter_count = 0;
    std::vector<MacroPart> body;
};

// Names are looked up by views into the text being scanned, without a copy; names are short,
// and FNV-1a hashes them in a few instructions a byte.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
        std::uint32_t hash = 2166136261u;
        for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        return hash;
    }
};
using MacroTable = std::unordered_map<std::string, Macro, NameHash, std::equal_to<>>;

// Makes the macro of `#define` from what follows the directive's name (continuation lines joined,
// comments removed). False with what was expected in `error`.
bool DefineMacro(std::string_view definition, std::string& name, Macro& macro, std::string& error);

// For each first byte, the lengths of the names starting with it that may be macros (or the
// words the preprocessor knows, which start with '_'): bit N for N bytes, bit 63 for 63 or more.
using NameLengths = std::array<std::uint64_t, 256>;
inline std::uint64_t LengthBit(std::size_t length) {
    return std::uint64_t{1} << (length < 63 ? length : 63);
}
inline NameLengths SpecialWordLengths() {
    NameLengths lengths{};
    lengths['_'] = LengthBit(6) | LengthBit(8);  // __EVAL and __EXEC; __LINE__ and __FILE__
    return lengths;
}

// Bounds on the work of all expansions of one preprocessing, so that macros that grow without
// end (`#define B A A` chains) stop with an error.
struct ExpansionLimits {
    std::size_t max_output = std::size_t{256} << 20;  // bytes of preprocessed text
    std::size_t max_steps = 16u << 20;                // macro uses expanded
    int max_depth = 200;                              // macros and arguments inside each other
};

// Buffers of the expansions at one depth, kept from one use to the next so that expanding stops
// allocating once they have grown.
struct ExpansionScratch {
    std::vector<std::string_view> arguments;
    std::vector<std::string> expanded;
    std::string substituted;
};

// Lines of a text counted up to a place only when __LINE__ asks for one: places asked for one
// after the other go on from the last count.
struct LineCount {
    std::string_view text;
    std::size_t counted = 0;  // lines are counted up to here
    std::size_t line = 1;     // the line of `counted`
};
std::size_t LineAt(LineCount& lines, std::size_t at);

// The state of the expansions of one preprocessing. `lines`, `use` and `file` give what
// `__LINE__` and `__FILE__` give where the expansion stands: the line of text[use], the file.
struct Expansion {
    const MacroTable& macros;
    ExpansionLimits limits;
    // The names defined as macros, and the words the preprocessor knows, by first byte and
    // length: a name that is none of them is looked up nowhere.
    NameLengths may_expand = SpecialWordLengths();
    std::size_t steps = 0;
    std::vector<std::string_view> active = {};  // the macros being expanded, outermost first
    LineCount* lines = nullptr;
    std::size_t use = 0;
    std::string_view file = {};
    std::string error = {};
    // By depth, kept from one use to the next; each on its own so that those in use stay put.
    std::vector<std::unique_ptr<ExpansionScratch>> scratch = {};
};

// Whether a name of `length` bytes starting with `c` may be a macro or a word the preprocessor
// knows.
inline bool MayExpand(const Expansion& expansion, char c, std::size_t length) {
    return (expansion.may_expand[static_cast<unsigned char>(c)] & LengthBit(length)) != 0;
}

// What an identifier that is not a macro may be to the preprocessor.
enum class SpecialWord { none, line, file, refused };
SpecialWord SpecialWordOf(std::string_view name);
// Appends what `__LINE__` or `__FILE__` gives.
void PutSpecialWord(Expansion& expansion, SpecialWord word, std::string& out);

// The arguments of a use whose `(` is at text[open]: views of the text between the commas at the
// top level of parentheses (commas inside strings or nested parentheses do not split). Returns
// the position after the closing `)`, or npos when the text ends first.
std::size_t SplitArguments(std::string_view text, std::size_t open,
                           std::vector<std::string_view>& arguments);

// Appends the expansion of one use of `macro` (`arguments` as written) to `out`. False with the
// reason in `expansion.error` for a macro that expands into itself, a wrong number of arguments,
// `__EVAL` or `__EXEC`, or a limit passed.
bool ExpandMacro(Expansion& expansion, std::string_view name, const Macro& macro,
                 const std::vector<std::string_view>& arguments, std::string& out, int depth = 0);

// Appends `text` with every macro use in it expanded.
bool ExpandText(Expansion& expansion, std::string_view text, std::string& out, int depth);

// Sets of bytes a scanner stops at, and the skip over the bytes between.
using ByteSet = std::array<bool, 256>;
constexpr ByteSet BytesOf(std::string_view bytes, bool names = false) {
    ByteSet set{};
    for (const char c : bytes) set[static_cast<unsigned char>(c)] = true;
    for (int c = 0; c < 256 && names; ++c) {
        set[c] = set[c] || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                 (c >= '0' && c <= '9') || c == '_';
    }
    return set;
}
// Every byte but those given (and but the name bytes, with `names`).
constexpr ByteSet AllBut(std::string_view bytes, bool names = false) {
    ByteSet set = BytesOf(bytes, names);
    for (bool& member : set) member = !member;
    return set;
}
// The first place from `at` on that holds a byte of `stops`, or the text's end. Four bytes a
// round: the loop's own test costs more than the look-up.
inline std::size_t Skip(std::string_view text, std::size_t at, const ByteSet& stops) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (; at + 4 <= text.size(); at += 4) {
        if (stops[bytes[at]]) return at;
        if (stops[bytes[at + 1]]) return at + 1;
        if (stops[bytes[at + 2]]) return at + 2;
        if (stops[bytes[at + 3]]) return at + 3;
    }
    while (at < text.size() && !stops[bytes[at]]) ++at;
    return at;
}

// Whether the byte may stand in an identifier; what starts one.
inline constexpr ByteSet kNameBytes = BytesOf("", true);
inline bool IsNameByte(char c) {
    return kNameBytes[static_cast<unsigned char>(c)];
}
inline bool StartsName(char c) {
    return IsNameByte(c) && !(c >= '0' && c <= '9');
}
inline std::size_t NameEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && IsNameByte(text[at])) ++at;
    return at;
}

// The end of the string whose opening quote is at text[open] (a doubled quote stays inside), just
// after its closing quote; npos when a line break or the text's end comes first.
std::size_t StringEnd(std::string_view text, std::size_t open);

}  // namespace qp::config
