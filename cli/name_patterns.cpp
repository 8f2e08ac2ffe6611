// Glob matching part by part, the operands of a command as a picker, and build excludes.
#include "cli/name_patterns.h"

#include <algorithm>

#include "cli/entry_paths.h"
#include "cli/text_lines.h"
#include "pbo/entry_name.h"
#include "pbo/folder_item.h"

namespace qp::cli {
namespace {

using Parts = std::vector<std::string>;

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// `*` and `?` within one part. A `*` that fails to match is moved on by one character, from the
// last `*` met only: enough, since what an earlier one took a later one can take instead.
bool PartMatches(std::string_view pattern, std::string_view part) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t star_n = 0;
    while (n < part.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_n = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Folded(pattern[p]) == Folded(part[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool PartsMatch(const Parts& pattern, std::size_t p, const Parts& name, std::size_t n,
                std::size_t name_end) {
    if (p == pattern.size()) return n == name_end;
    if (pattern[p] == "**") {
        return PartsMatch(pattern, p + 1, name, n, name_end) ||
               (n < name_end && PartsMatch(pattern, p, name, n + 1, name_end));
    }
    return n < name_end && PartMatches(pattern[p], name[n]) &&
           PartsMatch(pattern, p + 1, name, n + 1, name_end);
}

std::string WithBackslashes(std::string_view text) {
    std::string name(text);
    for (char& c : name) {
        if (c == '/') c = '\\';
    }
    return name;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Whether one exclude pattern leaves out the file or folder whose parts are `name`.
bool PatternExcludes(std::string_view pattern, const Parts& name, bool folder) {
    const bool folders_only = IsSeparator(pattern.back());
    const bool anchored = pattern.find_first_of("/\\") < pattern.size() - (folders_only ? 1 : 0);
    // The file or folder itself, or one of the folders it lies in.
    const std::size_t last = folders_only && !folder ? name.size() - 1 : name.size();
    if (!anchored) {
        const std::string_view bare =
            folders_only ? pattern.substr(0, pattern.size() - 1) : pattern;
        for (std::size_t i = 0; i < last; ++i) {
            if (PartMatches(bare, name[i])) return true;
        }
        return false;
    }
    const Parts parts = NameParts(std::string(pattern));
    for (std::size_t end = 1; end <= last; ++end) {
        if (PartsMatch(parts, 0, name, 0, end)) return true;
    }
    return false;
}

}  // namespace

bool IsPattern(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
    const Parts parts = NameParts(std::string(name));
    return PartsMatch(NameParts(std::string(pattern)), 0, parts, 0, parts.size());
}

NamePicker PickerFor(const std::vector<std::string>& typed, const std::vector<std::string>& exact) {
    NamePicker picker;
    for (const std::string& text : typed) {
        const std::string with_backslashes = WithBackslashes(text);
        const std::string folder = FolderPrefix(with_backslashes.c_str());
        if (!folder.empty()) {
            picker.operands.push_back({text, OperandKind::folder, folder});
        } else {
            const OperandKind kind = IsPattern(text) ? OperandKind::glob : OperandKind::name;
            picker.operands.push_back({text, kind, with_backslashes});
        }
    }
    for (const std::string& bytes : exact) {
        picker.operands.push_back({bytes, OperandKind::exact, bytes});
    }
    picker.used.assign(picker.operands.size(), false);
    return picker;
}

bool Picks(NamePicker& picker, std::string_view name) {
    if (picker.operands.empty()) return true;
    const std::string typed_name = WithBackslashes(name);
    bool picked = false;
    for (std::size_t i = 0; i < picker.operands.size(); ++i) {
        const NameOperand& operand = picker.operands[i];
        bool takes = false;
        switch (operand.kind) {
            case OperandKind::exact:
                takes = SameEntryName(operand.match, name);
                break;
            case OperandKind::folder:
                takes = InEntryFolder(typed_name, operand.match);
                break;
            case OperandKind::glob:
                takes = MatchesPattern(operand.match, typed_name);
                break;
            case OperandKind::name:
                takes = SameEntryName(operand.match, typed_name);
                break;
        }
        if (takes) picker.used[i] = true;
        picked = picked || takes;
    }
    return picked;
}

std::vector<Unpicked> UnpickedNames(const NamePicker& picker) {
    std::vector<Unpicked> unpicked;
    for (std::size_t i = 0; i < picker.operands.size(); ++i) {
        if (picker.used[i]) continue;
        const NameOperand& operand = picker.operands[i];
        const bool glob = operand.kind == OperandKind::glob;
        unpicked.push_back({operand.text, glob ? "no entry matches" : "not in the archive"});
    }
    return unpicked;
}

bool Excluded(const std::vector<std::string>& patterns, std::string_view entry_name, bool folder) {
    const Parts name = NameParts(std::string(entry_name));
    if (name.empty()) return false;
    for (const std::string& pattern : patterns) {
        if (!pattern.empty() && PatternExcludes(pattern, name, folder)) return true;
    }
    return false;
}

bool PatternsFromIgnoreFile(std::string_view text, std::vector<std::string>& patterns,
                            std::string& error) {
    text = WithoutBom(text);
    std::size_t at = 0;
    for (int number = 1; at < text.size(); ++number) {
        const std::string_view line = Trimmed(NextLine(text, at));
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '!') {
            error = "line " + std::to_string(number) + ": '!' patterns are not supported";
            return false;
        }
        patterns.emplace_back(line);
    }
    return true;
}

}  // namespace qp::cli
