// Writing the listing as JSON: strings escaped as name_text.h says, numbers as they are.
#include "tools/cli/list_json.h"

#include "tools/cli/name_text.h"
#include "tools/cli/text_format.h"

namespace qp::cli {
namespace {

void AppendEntry(Output& out, const WalkedEntry& entry, bool offsets_known) {
    const EntryRecord& record = entry.record;
    const bool compressed = record.method == kMethodCompressed;
    std::string& text = out.text;
    text += "    {\"name\": ";
    AppendJsonString(text, entry.name);
    text += ", \"size\": ";
    AppendNumber(text, compressed ? record.original_size : record.data_size);
    text += ", \"packed_size\": ";
    AppendNumber(text, record.data_size);
    text += compressed ? ", \"method\": \"compressed\"" : ", \"method\": \"stored\"";
    text += ", \"timestamp\": ";
    if (record.timestamp < 0) text += '-';
    AppendNumber(text, static_cast<std::uint64_t>(record.timestamp < 0
                                                      ? -static_cast<std::int64_t>(record.timestamp)
                                                      : record.timestamp));
    text += ", \"time\": \"";
    AppendUtcTime(text, record.timestamp, true);
    text += "\", \"data_offset\": ";
    if (offsets_known) {
        AppendNumber(text, static_cast<std::uint32_t>(entry.location.data_offset));
    } else {
        text += "null";
    }
    text += '}';
    FlushWhenFull(out);
}

}  // namespace

void AppendJsonListing(Output& out, const HeaderWalk& walk, const ExtensionPairs& pairs,
                       const std::string& damage) {
    const bool offsets_known = !walk.damaged || walk.damage == HeaderDamage::data_past_end;
    std::string& text = out.text;
    text += "{\n  \"header\": [";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        text += i == 0 ? "\n    {\"key\": " : ",\n    {\"key\": ";
        AppendJsonString(text, pairs[i].first);
        text += ", \"value\": ";
        AppendJsonString(text, pairs[i].second);
        text += '}';
    }
    text += pairs.empty() ? "],\n  \"entries\": [" : "\n  ],\n  \"entries\": [";
    for (std::size_t i = 0; i < walk.entries.size(); ++i) {
        text += i == 0 ? "\n" : ",\n";
        AppendEntry(out, walk.entries[i], offsets_known);
    }
    text += walk.entries.empty() ? "],\n  \"data_start\": " : "\n  ],\n  \"data_start\": ";
    if (offsets_known) {
        AppendNumber(text, static_cast<std::uint32_t>(walk.data_start));
    } else {
        text += "null";
    }
    text += ",\n  \"error\": ";
    if (damage.empty()) {
        text += "null";
    } else {
        AppendJsonString(text, damage);
    }
    text += "\n}\n";
}

}  // namespace qp::cli
