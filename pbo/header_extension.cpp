// The header extension: an entry with an empty name, then strings up to an empty one.
#include "pbo/header_extension.h"

#include "pbo/cstring.h"
#include "pbo/entry_record.h"

namespace qp {

ExtensionPairs ReadHeaderExtension(FileHandle file, bool* whole) {
    ExtensionPairs pairs;
    CStringBuffer buffer{};
    if (whole != nullptr) *whole = false;
    if (SeekTo(file, 0) != IoStatus::ok) return pairs;
    const bool named = ReadCString(file, buffer)[0] != '\0';
    if (named || buffer.hit_end) {
        if (whole != nullptr) *whole = named;  // a file entry comes first: there is no extension
        return pairs;
    }
    EntryRecord record{};
    if (!ReadRecord(file, record)) return pairs;
    for (;;) {
        std::string key = ReadCString(file, buffer);
        if (key.empty()) break;
        std::string value = ReadCString(file, buffer);
        pairs.emplace_back(std::move(key), std::move(value));
        if (buffer.hit_end) break;
    }
    if (whole != nullptr) *whole = !buffer.hit_end && !buffer.too_long;
    return pairs;
}

}  // namespace qp
