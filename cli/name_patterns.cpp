// Glob matching part by part, the operands of a command as a picker, and build excludes.
#include "cli/name_patterns.h"

#include <algorithm>

#include "cli/text_lines.h"
#include "pbo/entry_name.h"
#include "pbo/folder_item.h"

namespace qp::cli {
namespace {

using Parts = std::vector<std::string_view>;

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The parts of a name or pattern, split at either separator, empty ones dropped: views of `text`.
Parts PartsOf(std::string_view text) {
    Parts parts;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !IsSeparator(text[at])) continue;
        if (at > start) parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    return parts;
}

// `*` and `?` within one part. A `*` that fails to match is moved on by one character, from the
// last `*` met only: enough, since what an earlier one took a later one can take instead. Each
// character of the part is so compared at most once per character of the pattern.
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

// Adds to `reached` each place in the pattern that a `**` lets the match pass to taking no part.
void PassEmptyStars(const Parts& pattern, std::vector<char>& reached) {
    for (std::size_t p = 0; p < pattern.size(); ++p) {
        if (reached[p] && pattern[p] == "**") reached[p + 1] = 1;
    }
}

// Which beginnings of `name` the pattern matches whole: element k tells whether it matches the
// first k parts. The match keeps the set of places in the pattern it can have reached so far (a
// `**` stays where it is while it takes parts), never the ways it reached them: each part of the
// name is compared with each part of the pattern once at most.
std::vector<bool> MatchedBeginnings(const Parts& pattern, const Parts& name) {
    std::vector<bool> matched(name.size() + 1, false);
    std::vector<char> reached(pattern.size() + 1, 0);
    std::vector<char> next(pattern.size() + 1, 0);
    reached[0] = 1;
    PassEmptyStars(pattern, reached);
    matched[0] = reached[pattern.size()] != 0;
    for (std::size_t n = 0; n < name.size(); ++n) {
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (std::size_t p = 0; p < pattern.size(); ++p) {
            if (!reached[p]) continue;
            if (pattern[p] == "**") {
                next[p] = 1;
            } else if (PartMatches(pattern[p], name[n])) {
                next[p + 1] = 1;
            } else {
                continue;
            }
            any = true;
        }
        if (!any) break;
        PassEmptyStars(pattern, next);
        reached.swap(next);
        matched[n + 1] = reached[pattern.size()] != 0;
    }
    return matched;
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
    const std::vector<bool> matched = MatchedBeginnings(PartsOf(pattern), name);
    return std::find(matched.begin() + 1, matched.begin() + 1 + last, true) !=
           matched.begin() + 1 + last;
}

}  // namespace

bool IsPattern(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
    return MatchedBeginnings(PartsOf(pattern), PartsOf(name)).back();
}

NamePicker PickerFor(const std::vector<std::string>& typed, const std::vector<std::string>& exact) {
    NamePicker picker;
    picker.names.items.reserve(typed.size());
    for (const std::string& text : typed) {
        const std::size_t item = picker.operands.size();
        std::string key = EntrySortKey(text);
        std::string folder = FolderPrefix(key.c_str());
        if (!folder.empty()) {
            picker.operands.push_back({text, OperandKind::folder});
            AddItem(picker.folders, std::move(folder), item);
        } else if (IsPattern(text)) {
            picker.operands.push_back({text, OperandKind::glob});
            AddItem(picker.globs, std::move(key), item);
        } else {
            picker.operands.push_back({text, OperandKind::name});
            AddItem(picker.names, std::move(key), item);
        }
    }
    for (const std::string& bytes : exact) {
        AddItem(picker.exact, FoldedEntryName(bytes), picker.operands.size());
        picker.operands.push_back({bytes, OperandKind::exact});
    }
    picker.used.assign(picker.operands.size(), false);
    return picker;
}

bool Picks(NamePicker& picker, std::string_view name) {
    if (picker.operands.empty()) return true;
    const std::string key = EntrySortKey(name);
    // Every operand that takes the entry is marked, so none of these is skipped.
    bool picked = MarkItemsNamed(picker.names, key, picker.used);
    picked = MarkFoldersHolding(picker.folders, key, picker.used) || picked;
    if (!picker.exact.items.empty()) {
        picked = MarkItemsNamed(picker.exact, FoldedEntryName(name), picker.used) || picked;
    }
    if (!picker.globs.items.empty()) {
        const Parts parts = PartsOf(key);
        for (const auto& [glob, items] : picker.globs.items) {
            if (!MatchedBeginnings(PartsOf(glob), parts).back()) continue;
            for (const std::size_t item : items) picker.used[item] = true;
            picked = true;
        }
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
    const Parts name = PartsOf(entry_name);
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
