// The preprocessor's macros: how `#define` makes one, and how a use of one expands, the game's
// way: each argument is expanded whole before it is put in, also next to `#` and `##`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
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

// Names are looked up by views into the text being scanned, without a copy.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
        return std::hash<std::string_view>{}(name);
    }
};
using MacroTable = std::unordered_map<std::string, Macro, NameHash, std::equal_to<>>;

// Makes the macro of `#define` from what follows the directive's name (continuation lines joined,
// comments removed). False with what was expected in `error`.
bool DefineMacro(std::string_view definition, std::string& name, Macro& macro, std::string& error);

inline std::array<bool, 256> MayExpandUnderscore() {
    std::array<bool, 256> starts{};
    starts['_'] = true;
    return starts;
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

// The state of the expansions of one preprocessing. `line` and `file` are what `__LINE__` and
// `__FILE__` give where the expansion stands.
struct Expansion {
    const MacroTable& macros;
    ExpansionLimits limits;
    // The first bytes of the names of macros defined (and '_', which starts __LINE__ and the
    // others): a name that starts otherwise is looked up nowhere.
    std::array<bool, 256> may_expand = MayExpandUnderscore();
    std::size_t steps = 0;
    std::vector<std::string_view> active = {};  // the macros being expanded, outermost first
    std::size_t line = 0;
    std::string_view file = {};
    std::string error = {};
    std::deque<ExpansionScratch> scratch = {};  // by depth; a deque keeps those in use in place
};

// Whether a name starting with `c` may be a macro or a word the preprocessor knows.
inline bool MayExpand(const Expansion& expansion, char c) {
    return expansion.may_expand[static_cast<unsigned char>(c)];
}

// What an identifier that is not a macro may be to the preprocessor.
enum class SpecialWord { none, line, file, refused };
SpecialWord SpecialWordOf(std::string_view name);
// Appends what `__LINE__` or `__FILE__` gives.
void PutSpecialWord(const Expansion& expansion, SpecialWord word, std::string& out);

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

// Whether the byte may stand in an identifier; what starts one.
inline constexpr std::array<bool, 256> kNameBytes = [] {
    std::array<bool, 256> bytes{};
    for (int c = 0; c < 256; ++c) {
        bytes[c] =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    }
    return bytes;
}();
inline bool IsNameByte(char c) {
    return kNameBytes[static_cast<unsigned char>(c)];
}
inline bool StartsName(char c) {
    return IsNameByte(c) && !(c >= '0' && c <= '9');
}

// The end of the string whose opening quote is at text[open] (a doubled quote stays inside), just
// after its closing quote; npos when a line break or the text's end comes first.
std::size_t StringEnd(std::string_view text, std::size_t open);

}  // namespace qp::config
