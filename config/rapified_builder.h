// Rapified bytes built as a config's entries come, in the order of its text: each open class's
// entry list is gathered apart, and the bodies are laid out as the game's tools lay them out once
// the root is done. The text parser writes through it, and so does the writer of a tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_tree.h"

namespace qp::config {

inline constexpr std::size_t kNoBody = static_cast<std::size_t>(-1);

// A class body whose entry list is whole: its bytes (parent's name, entry count, entries) lie in
// RapifiedBuilder::closed; its child classes' bodies are linked in the order of their entries.
struct ClosedBody {
    std::size_t start = 0;
    std::size_t size = 0;
    std::size_t entries_start = 0;  // from `start`: past the parent's name and the count
    std::size_t offset_field = 0;   // where its offset goes in its parent's entry list
    std::size_t first_child = kNoBody;
    std::size_t next_sibling = kNoBody;
};

// A class body being written.
struct OpenBody {
    std::string parent;
    std::string entries;
    std::size_t count = 0;
    std::size_t offset_field = 0;
    std::size_t first_child = kNoBody;
    std::size_t last_child = kNoBody;
};

struct RapifiedBuilder {
    // By depth, the root's first; those past `depth` are kept to be reused without allocating.
    std::vector<OpenBody> open;
    std::size_t depth = 0;
    std::vector<ClosedBody> bodies;  // in the order they closed: children before their parent
    std::string closed;
    std::string enums;  // the enum table's values, written
    std::uint32_t enum_count = 0;
};

// Starts the bytes of a config whose root has `parent` (empty but in a damaged tree);
// `size_hint` is what the bodies are expected to take (the text's size will do).
void StartRapified(RapifiedBuilder& builder, std::string_view parent, std::size_t size_hint = 0);

// Counts an entry of `type` in the innermost open class and writes its type byte; the rest of
// the entry goes into the bytes given back, which stay valid until the next class opens.
std::string& StartEntry(RapifiedBuilder& builder, EntryType type);

// Writes the entry of class `name` and opens its body, where the entries that follow go.
void OpenClass(RapifiedBuilder& builder, std::string_view name, std::string_view parent);
void CloseClass(RapifiedBuilder& builder);

void AddEnumValue(RapifiedBuilder& builder, std::string_view name, std::int32_t value);

// The whole file, the open classes closed: header, the bodies, each class's entry list followed
// by its children's bodies one after another, depth first, and the enum table. False when it
// would pass 4 GiB, which the format's 32-bit offsets cannot address.
bool FinishRapified(RapifiedBuilder& builder, std::string& bytes);

// What entries are made of.
void PutCompressed(std::string& out, std::size_t value);
void PutText(std::string& out, std::string_view text);  // and its NUL
void PutInt64(std::string& out, std::int64_t value);    // the low word first

// An array whose count is known only at its end: a byte is kept for the count, and more are made
// when the count needs them.
std::size_t StartArray(std::string& out);
void EndArray(std::string& out, std::size_t count_at, std::size_t count);

}  // namespace qp::config
