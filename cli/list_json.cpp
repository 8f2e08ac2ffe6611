// Writing the listing as JSON: strings escaped as name_text.h says, numbers as they are.
#include "cli/list_json.h"

#include <cstring>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/name_text.h"
#include "cli/text_format.h"

namespace qp::cli {
namespace {

char* WriteText(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

void PutEntry(Output& out, const MetEntry& entry, const std::int64_t* data_start, bool first) {
    const EntryRecord& record = entry.record;
    const bool compressed = record.method == kMethodCompressed;
    char* at = Room(out, JsonSize(entry.name.size()) + 2 * entry.name.size() + 256);
    at = WriteText(at, first ? "\n    {\"name\": " : ",\n    {\"name\": ");
    at = WriteJsonString(at, entry.name);
    if (!IsUtf8(entry.name)) {
        at = WriteHexBytes(WriteText(at, ", \"name_bytes\": \""), entry.name);
        *at++ = '"';
    }
    at = WriteText(at, ", \"size\": ");
    at = WriteNumber(at, compressed ? record.original_size : record.data_size);
    at = WriteText(at, ", \"packed_size\": ");
    at = WriteNumber(at, record.data_size);
    at = WriteText(at, compressed ? ", \"method\": \"compressed\", \"timestamp\": "
                                  : ", \"method\": \"stored\", \"timestamp\": ");
    at = WriteSignedNumber(at, record.timestamp);
    at = WriteUtcTime(WriteText(at, ", \"time\": \""), record.timestamp, true);
    at = WriteText(at, "\", \"data_offset\": ");
    if (data_start != nullptr) {
        at = WriteNumber(at, static_cast<std::uint64_t>(*data_start + entry.relative_data_offset));
    } else {
        at = WriteText(at, "null");
    }
    *at++ = '}';
    Commit(out, at);
}

}  // namespace

HeaderWalk PutJsonListing(Output& out, FileHandle file, const ExtensionPairs& pairs,
                          std::uint32_t file_size, ListingPass& pass) {
    // The data offsets need the start of the data area, which only the end of the header gives:
    // one walk to find it, one to write the entries.
    const HeaderWalk found =
        WalkHeaderWhile(file, [&](const MetEntry&) { return !StopAtInterrupt(pass.progress); });
    if (found.stopped) return found;
    const bool offsets_known = !found.damaged || found.damage == HeaderDamage::data_past_end;
    const std::int64_t data_start = static_cast<std::uint32_t>(found.data_start);
    Put(out, "{\n  \"header\": [");
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        Put(out, (i == 0 ? "\n    {\"key\": " : ",\n    {\"key\": ") + JsonString(pairs[i].first) +
                     ", \"value\": " + JsonString(pairs[i].second) + "}");
    }
    Put(out, pairs.empty() ? "],\n  \"entries\": [" : "\n  ],\n  \"entries\": [");
    bool first = true;
    const HeaderWalk walk = WalkHeaderWhile(file, [&](const MetEntry& entry) {
        bool go_on = true;
        if (ListsEntry(pass, entry, go_on)) {
            PutEntry(out, entry, offsets_known ? &data_start : nullptr, first);
            first = false;
        }
        return go_on;
    });
    if (walk.stopped) return walk;
    Put(out, first ? "],\n  \"data_start\": " : "\n  ],\n  \"data_start\": ");
    Put(out, offsets_known ? std::to_string(data_start) : "null");
    Put(out, ",\n  \"error\": ");
    const std::string damage = walk.damaged ? DamageText(walk, file_size) : pass.damage;
    Put(out, damage.empty() ? "null" : JsonString(damage));
    Put(out, "\n}\n");
    return walk;
}

}  // namespace qp::cli
