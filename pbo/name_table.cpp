// Lookups of names and of each folder above a name.
#include "pbo/name_table.h"

namespace qp {

void AddItem(NameTable& table, std::string key, std::size_t item) {
    if (key.size() > table.longest) table.longest = key.size();
    table.items[std::move(key)].push_back(item);
}

bool MarkItemsNamed(const NameTable& table, std::string_view key, std::vector<bool>& used) {
    const auto found = table.items.find(key);
    if (found == table.items.end()) return false;
    // The items of a key are marked together: once is enough, however often the name was given.
    if (used[found->second.front()]) return true;
    for (const std::size_t item : found->second) used[item] = true;
    return true;
}

bool MarkFoldersHolding(const NameTable& folders, std::string_view key, std::vector<bool>& used) {
    if (folders.items.empty()) return false;
    bool any = false;
    for (std::size_t end = key.find('\\'); end != std::string_view::npos && end < folders.longest;
         end = key.find('\\', end + 1)) {
        any = MarkItemsNamed(folders, key.substr(0, end + 1), used) || any;
    }
    return any;
}

}  // namespace qp
