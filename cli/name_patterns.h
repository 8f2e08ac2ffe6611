// Entry names as people type them: either separator, any letter case, and the globs `*`, `**`
// and `?`; what a command's names pick among an archive's entries, and what a build leaves out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pbo/name_table.h"

namespace qp::cli {

// Whether `text` holds a `*` or `?`, and so is matched as a glob.
bool IsPattern(std::string_view text);

// Whether `pattern` matches the whole of `name`, both split into parts at `/` or `\`, ASCII
// letters compared ignoring case: `*` is any run of characters within one part, `?` one
// character, and a part that is `**` alone any number of whole parts, none included. The time is
// bounded by the product of the two lengths, however many `*` and `**` the pattern holds.
bool MatchesPattern(std::string_view pattern, std::string_view name);

// One name a command was given: typed (either separator, a folder as "folder\" or
// "folder\*.*", or a glob), or exact bytes as stored (--name-hex). Its kind is worked out once,
// when the picker is made.
enum class OperandKind { exact, folder, glob, name };
struct NameOperand {
    std::string text;  // as given
    OperandKind kind = OperandKind::name;
};

// What the names given pick among the entries, met one at a time. No names pick everything.
// Each kind of name is held in a table of its keys (the name folded as it is compared), so that
// an entry costs a few lookups however many names were given: names and globs by
// EntrySortKey, folders by that of their prefix with its backslash, exact bytes by
// FoldedEntryName. Each glob, however often given, is matched once against each entry.
struct NamePicker {
    std::vector<NameOperand> operands;
    std::vector<bool> used;  // per operand: it picked an entry
    NameTable names;
    NameTable folders;
    NameTable globs;
    NameTable exact;
};

NamePicker PickerFor(const std::vector<std::string>& typed, const std::vector<std::string>& exact);
// Whether the picker takes the entry `name`; marks the operands that take it as used.
bool Picks(NamePicker& picker, std::string_view name);
// Each operand that picked nothing, as "NAME: REASON" parts: "not in the archive" for a name,
// "no entry matches" for a glob.
struct Unpicked {
    std::string name;
    std::string reason;
};
std::vector<Unpicked> UnpickedNames(const NamePicker& picker);

// The patterns that leave files out of a build, from --exclude and a .pboignore file.
// A pattern without a separator matches a file's or folder's own name at any depth (`*.bak`,
// `docs`); one with a separator matches the path from the folder's root (a leading separator is
// allowed). A pattern ending in a separator matches folders only. What a folder pattern matches
// is left out with everything below it. `folder` tells that the name is a folder's.
bool Excluded(const std::vector<std::string>& patterns, std::string_view entry_name, bool folder);

// The patterns of a .pboignore file: one a line, blank lines and `#` comments skipped,
// whitespace around each removed. False with `error` naming the line of a pattern this file
// cannot hold (`!`, which would undo an exclusion, is not supported).
bool PatternsFromIgnoreFile(std::string_view text, std::vector<std::string>& patterns,
                            std::string& error);

}  // namespace qp::cli
