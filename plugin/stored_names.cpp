// Reading back the archive's names that are not UTF-8, and mapping host lists onto them.
#include "plugin/stored_names.h"

#include <algorithm>

#include "pbo/entry_walk.h"
#include "plugin/unicode_text.h"

namespace qp {
namespace {

// Calls `each` with every item of a list and appends what it returns, closed like the list.
template <typename Map>
std::string MapList(const std::string& list, Map each) {
    std::string out;
    for (std::size_t at = 0; at < list.size() && list[at] != '\0';) {
        const std::size_t end = list.find('\0', at);
        out += each(list.substr(at, end - at));
        out += '\0';
        at = end + 1;
    }
    out += '\0';
    return out;
}

}  // namespace

StoredNames ReadStoredNames(const char* archive_path, const std::string& shown_texts) {
    StoredNames names;
    const bool ascii = std::all_of(shown_texts.begin(), shown_texts.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return names;
    const OpenResult opened = OpenFile(archive_path, OpenMode::read);
    if (opened.handle == nullptr) return names;
    WalkHeader(opened.handle, [&names](const MetEntry& entry) {
        if (IsValidUtf8(entry.name)) return;
        // The entry and each folder above it.
        for (std::size_t end = entry.name.size(); end != std::string_view::npos && end > 0;
             end = entry.name.rfind('\\', end - 1)) {
            const std::string stored(entry.name.substr(0, end));
            names.emplace(EntryNameAsUtf8(stored), stored);
        }
    });
    CloseFile(opened.handle);
    return names;
}

std::string StoredName(const StoredNames& names, const std::string& shown) {
    const auto found = names.find(shown);
    return found != names.end() ? found->second : shown;
}

std::string StoredDeleteList(const StoredNames& names, const std::string& list) {
    if (names.empty()) return list;
    return MapList(list, [&names](const std::string& item) {
        for (const char* pattern : {"\\*.*", "\\"}) {
            const std::string tail(pattern);
            if (item.size() > tail.size() && item.ends_with(tail)) {
                return StoredName(names, item.substr(0, item.size() - tail.size())) + tail;
            }
        }
        return StoredName(names, item);
    });
}

std::string StoredAddList(const StoredNames& names, const std::string& shown_sub_path,
                          const std::string& stored_sub_path, const std::string& list) {
    if (names.empty()) return list;
    const std::string shown_prefix = shown_sub_path.empty() ? "" : shown_sub_path + '\\';
    const std::string stored_prefix = stored_sub_path.empty() ? "" : stored_sub_path + '\\';
    return MapList(list, [&](const std::string& item) {
        const bool folder = !item.empty() && item.back() == '\\';
        const std::string shown = shown_prefix + (folder ? item.substr(0, item.size() - 1) : item);
        const std::string stored = StoredName(names, shown);
        if (stored == shown || !stored.starts_with(stored_prefix)) return item;
        return stored.substr(stored_prefix.size()) + (folder ? "\\" : "");
    });
}

}  // namespace qp
