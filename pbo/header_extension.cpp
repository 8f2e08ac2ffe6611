// The header extension: an entry with an empty name, then strings up to an empty one.
#include "pbo/header_extension.h"

#include "pbo/cstring.h"
#include "pbo/entry_record.h"

namespace qp {

ExtensionPairs ReadHeaderExtension(FileHandle file) {
    ExtensionPairs pairs;
    CStringBuffer buffer{};
    if (SeekTo(file, 0) != IoStatus::ok || ReadCString(file, buffer)[0] != '\0' || buffer.hit_end) {
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
    return pairs;
}

}  // namespace qp
