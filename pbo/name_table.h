// The items of a long list of names, found from an entry's name or the folders it lies in with a
// few lookups, however long the list: a list of n names over n entries costs n steps, not n * n.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qp {

// Keys are names as the caller compares them (FoldedEntryName, EntrySortKey); a folder's key ends
// in a backslash. Each key holds the items that gave it, by their place in the list.
struct NameTable {
    struct Hash {
        using is_transparent = void;  // found by string_view, without a copy
        std::size_t operator()(std::string_view key) const {
            return std::hash<std::string_view>{}(key);
        }
    };
    std::unordered_map<std::string, std::vector<std::size_t>, Hash, std::equal_to<>> items;
    std::size_t longest = 0;  // key: no longer beginning of a name need be looked up
};

void AddItem(NameTable& table, std::string key, std::size_t item);

// Marks in `used` the items whose key is `key`; whether there is any.
bool MarkItemsNamed(const NameTable& table, std::string_view key, std::vector<bool>& used);

// Marks in `used` the items of folders `key` lies in: those whose key is a beginning of `key`
// that ends in a backslash. Whether there is any.
bool MarkFoldersHolding(const NameTable& folders, std::string_view key, std::vector<bool>& used);

}  // namespace qp
