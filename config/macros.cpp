// Macro definitions and their expansion.
#include "config/macros.h"

#include <algorithm>

namespace qp::config {
namespace {

constexpr ByteSet kStringBytes = BytesOf("\"\n");
constexpr ByteSet kArgumentBytes = BytesOf("\"/(),");
constexpr ByteSet kStringizedBytes = BytesOf("\" \t\r\n");
constexpr ByteSet kExpandedBytes = BytesOf("\"", true);

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    return at;
}

// `(a, b)` after a function-like macro's name: the parameters' names.
bool ReadParameters(std::string_view text, std::size_t& at, std::vector<std::string>& names,
                    std::string& error) {
    ++at;  // the '('
    at = SkipBlanks(text, at);
    if (at < text.size() && text[at] == ')') {
        ++at;
        return true;
    }
    while (true) {
        at = SkipBlanks(text, at);
        const std::size_t end = NameEnd(text, at);
        if (end == at || !StartsName(text[at])) {
            error = "expected a parameter name in the macro's parameter list";
            return false;
        }
        names.emplace_back(text.substr(at, end - at));
        at = SkipBlanks(text, end);
        if (at < text.size() && text[at] == ')') {
            ++at;
            return true;
        }
        if (at >= text.size() || text[at] != ',') {
            error = "expected ',' or ')' in the macro's parameter list";
            return false;
        }
        ++at;
    }
}

void PutText(std::vector<MacroPart>& body, std::string_view text) {
    if (text.empty()) return;
    if (body.empty() || body.back().kind != MacroPart::literal) body.push_back({});
    body.back().text.append(text);
}

// The body as pieces: strings stay text, parameters become arguments, `#x` a string of one, and
// `##` with the blanks around it goes.
std::vector<MacroPart> BodyParts(std::string_view text, const std::vector<std::string>& names,
                                 bool function_like) {
    std::vector<MacroPart> body;
    const auto parameter = [&](std::string_view name) {
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                        names.begin());
    };
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '#' && at + 1 < text.size() && text[at + 1] == '#') {
            if (!body.empty() && body.back().kind == MacroPart::literal) {
                std::string& before = body.back().text;
                while (!before.empty() && IsBlank(before.back())) before.pop_back();
            }
            at = SkipBlanks(text, at + 2);
        } else if (c == '#' && function_like) {
            const std::size_t start = SkipBlanks(text, at + 1);
            const std::size_t end = NameEnd(text, start);
            const std::size_t index = parameter(text.substr(start, end - start));
            if (end > start && index < names.size()) {
                body.push_back({MacroPart::stringized, {}, index});
                at = end;
            } else {
                PutText(body, "#");
                ++at;
            }
        } else if (c == '"') {
            const std::size_t end = std::min(StringEnd(text, at), text.size());
            PutText(body, text.substr(at, end - at));
            at = end;
        } else if (IsNameByte(c)) {
            const std::size_t end = NameEnd(text, at);
            const std::string_view name = text.substr(at, end - at);
            const std::size_t index = StartsName(c) ? parameter(name) : names.size();
            if (index < names.size()) {
                body.push_back({MacroPart::argument, {}, index});
            } else {
                PutText(body, name);
            }
            at = end;
        } else {
            PutText(body, text.substr(at, 1));
            ++at;
        }
    }
    return body;
}

// `#x`: the argument's expansion in quotes, blanks folded to one space and quotes doubled, so
// that it reads back as the text it was.
void PutStringized(std::string_view text, std::string& out) {
    out.push_back('"');
    text = Trimmed(text);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t stop = Skip(text, at, kStringizedBytes);
        out.append(text.substr(at, stop - at));
        at = stop;
        if (at == text.size()) break;
        if (text[at] == '"') {
            out.append("\"\"");
            ++at;
            continue;
        }
        while (at < text.size() && IsBlank(text[at])) ++at;
        out.push_back(' ');  // never at the end: the text is trimmed
    }
    out.push_back('"');
}

bool Refuse(Expansion& expansion, std::string reason) {
    if (expansion.error.empty()) expansion.error = std::move(reason);
    return false;
}

// Whether another expansion step fits the limits.
bool MayGoDeeper(Expansion& expansion, std::string_view name, int depth, std::size_t out_size) {
    if (++expansion.steps > expansion.limits.max_steps) {
        return Refuse(expansion, "more than " + std::to_string(expansion.limits.max_steps) +
                                     " macro expansions: macros that grow without end?");
    }
    if (depth > expansion.limits.max_depth) {
        return Refuse(expansion, "macros nested deeper than " +
                                     std::to_string(expansion.limits.max_depth) + " (at " +
                                     std::string(name) + ")");
    }
    if (out_size > expansion.limits.max_output) {
        return Refuse(expansion, "the preprocessed text grows past " +
                                     std::to_string(expansion.limits.max_output >> 20) + " MiB");
    }
    const auto active = std::find(expansion.active.begin(), expansion.active.end(), name);
    if (active == expansion.active.end()) return true;
    std::string through;
    for (auto inner = active + 1; inner != expansion.active.end(); ++inner) {
        through += (through.empty() ? " (through " : ", ") + std::string(*inner);
    }
    return Refuse(expansion, "macro " + std::string(name) + " expands into itself" + through +
                                 (through.empty() ? "" : ")"));
}

// The buffers of `depth`: each frame of expansion has a depth of its own.
ExpansionScratch& Scratch(Expansion& expansion, int depth) {
    const auto index = static_cast<std::size_t>(depth);
    while (expansion.scratch.size() <= index) {
        expansion.scratch.push_back(std::make_unique<ExpansionScratch>());
    }
    return *expansion.scratch[index];
}

}  // namespace

std::size_t StringEnd(std::string_view text, std::size_t open) {
    for (std::size_t at = Skip(text, open + 1, kStringBytes); at < text.size();
         at = Skip(text, at + 1, kStringBytes)) {
        if (text[at] == '\n') return std::string_view::npos;
        if (at + 1 < text.size() && text[at + 1] == '"') {
            ++at;
            continue;
        }
        return at + 1;
    }
    return std::string_view::npos;
}

std::size_t LineAt(LineCount& lines, std::size_t at) {
    if (at < lines.counted) lines = {lines.text};
    lines.line += static_cast<std::size_t>(
        std::count(lines.text.begin() + static_cast<std::ptrdiff_t>(lines.counted),
                   lines.text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    lines.counted = at;
    return lines.line;
}

bool DefineMacro(std::string_view definition, std::string& name, Macro& macro, std::string& error) {
    std::size_t at = SkipBlanks(definition, 0);
    const std::size_t end = NameEnd(definition, at);
    if (end == at || !StartsName(definition[at])) {
        error = "expected the macro's name after #define";
        return false;
    }
    name = definition.substr(at, end - at);
    at = end;
    std::vector<std::string> names;
    macro = {};
    // Only a '(' right after the name makes parameters; after a blank it starts the body.
    if (at < definition.size() && definition[at] == '(') {
        macro.function_like = true;
        if (!ReadParameters(definition, at, names, error)) return false;
    }
    macro.parameter_count = names.size();
    macro.body = BodyParts(Trimmed(definition.substr(at)), names, macro.function_like);
    return true;
}

SpecialWord SpecialWordOf(std::string_view name) {
    if (name.size() < 6 || name[0] != '_' || name[1] != '_') return SpecialWord::none;
    if (name == "__LINE__") return SpecialWord::line;
    if (name == "__FILE__") return SpecialWord::file;
    if (name == "__EVAL" || name == "__EXEC") return SpecialWord::refused;
    return SpecialWord::none;
}

void PutSpecialWord(Expansion& expansion, SpecialWord word, std::string& out) {
    if (word == SpecialWord::line) {
        out += std::to_string(expansion.lines == nullptr ? 0
                                                         : LineAt(*expansion.lines, expansion.use));
    } else {
        PutStringized(expansion.file, out);
    }
}

std::size_t SplitArguments(std::string_view text, std::size_t open,
                           std::vector<std::string_view>& arguments) {
    arguments.clear();
    int nesting = 0;
    std::size_t start = open + 1;
    for (std::size_t at = Skip(text, open + 1, kArgumentBytes); at < text.size();
         at = Skip(text, at + 1, kArgumentBytes)) {
        const char c = text[at];
        if (c == '"') {
            const std::size_t end = StringEnd(text, at);
            if (end == std::string_view::npos) return end;
            at = end - 1;
        } else if (c == '/' && at + 1 < text.size() && text[at + 1] == '*') {
            const std::size_t end = text.find("*/", at + 2);
            if (end == std::string_view::npos) return end;
            at = end + 1;
        } else if (c == '(') {
            ++nesting;
        } else if (c == ')' && nesting > 0) {
            --nesting;
        } else if ((c == ')' || c == ',') && nesting == 0) {
            arguments.push_back(text.substr(start, at - start));
            start = at + 1;
            if (c == ')') return at + 1;
        }
    }
    return std::string_view::npos;
}

bool ExpandMacro(Expansion& expansion, std::string_view name, const Macro& macro,
                 const std::vector<std::string_view>& arguments, std::string& out, int depth) {
    if (!MayGoDeeper(expansion, name, depth, out.size())) return false;
    // `F()` is one empty argument, which a macro without parameters takes as none.
    const std::size_t given =
        arguments.size() == 1 && macro.parameter_count == 0 && Trimmed(arguments[0]).empty()
            ? 0
            : arguments.size();
    if (given != macro.parameter_count) {
        return Refuse(expansion, "macro " + std::string(name) + " takes " +
                                     std::to_string(macro.parameter_count) + " argument" +
                                     (macro.parameter_count == 1 ? "" : "s") + ", given " +
                                     std::to_string(given));
    }
    // The game expands each argument whole before it goes in, next to `#` and `##` too.
    ExpansionScratch& scratch = Scratch(expansion, depth);
    std::vector<std::string>& expanded = scratch.expanded;
    if (expanded.size() < given) expanded.resize(given);
    for (std::size_t i = 0; i < given; ++i) {
        expanded[i].clear();
        if (!ExpandText(expansion, Trimmed(arguments[i]), expanded[i], depth + 1)) return false;
    }
    std::string_view substituted;
    if (macro.body.size() == 1 && macro.body[0].kind == MacroPart::literal) {
        substituted = macro.body[0].text;  // nothing to put in: rescanned as it is
    } else {
        std::string& text = scratch.substituted;
        text.clear();
        for (const MacroPart& part : macro.body) {
            if (part.kind == MacroPart::literal) {
                text += part.text;
            } else if (part.kind == MacroPart::argument) {
                text += expanded[part.parameter];
            } else {
                PutStringized(expanded[part.parameter], text);
            }
        }
        substituted = text;
    }
    expansion.active.push_back(name);
    const bool done = ExpandText(expansion, substituted, out, depth + 1);
    expansion.active.pop_back();
    return done;
}

bool ExpandText(Expansion& expansion, std::string_view text, std::string& out, int depth) {
    static const std::vector<std::string_view> kNoArguments;
    std::size_t copied = 0;  // text before it is in `out`
    std::size_t at = 0;
    while ((at = Skip(text, at, kExpandedBytes)) < text.size()) {
        const char c = text[at];
        if (c == '"') {
            at = std::min(StringEnd(text, at), text.size());
            continue;
        }
        const std::size_t end = NameEnd(text, at);
        if (!StartsName(c) || !MayExpand(expansion, c, end - at)) {
            at = end;
            continue;
        }
        const std::string_view name = text.substr(at, end - at);
        const auto found = expansion.macros.find(name);
        const SpecialWord special = SpecialWordOf(name);
        std::size_t after = end;
        const std::vector<std::string_view>* arguments = &kNoArguments;
        if (found != expansion.macros.end() && found->second.function_like) {
            std::vector<std::string_view>& split = Scratch(expansion, depth).arguments;
            const std::size_t open = SkipBlanks(text, end);
            after = open < text.size() && text[open] == '(' ? SplitArguments(text, open, split)
                                                            : std::string_view::npos;
            if (after == std::string_view::npos && open < text.size() && text[open] == '(') {
                return Refuse(expansion,
                              "expected ')' to end the arguments of " + std::string(name));
            }
            arguments = &split;
        }
        if (special == SpecialWord::refused) {
            return Refuse(expansion, std::string(name) +
                                         " is not supported: it runs game script when the "
                                         "config is rapified");
        }
        const bool expands = found != expansion.macros.end() && after != std::string_view::npos;
        if (!expands && special == SpecialWord::none) {
            at = end;
            continue;
        }
        out.append(text.substr(copied, at - copied));
        if (expands) {
            if (!ExpandMacro(expansion, name, found->second, *arguments, out, depth)) return false;
            at = after;
        } else {
            PutSpecialWord(expansion, special, out);
            at = end;
        }
        copied = at;
    }
    out.append(text.substr(copied));
    return true;
}

}  // namespace qp::config
