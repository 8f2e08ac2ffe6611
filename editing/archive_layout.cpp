// Byte images of the parts of a new archive, shared by every writer of archives.
#include "editing/archive_layout.h"

#include "pbo/entry_record.h"

namespace qp {
namespace {

std::string RecordBytes(const EntryRecord& record) {
    std::uint8_t bytes[kRecordSize];
    EncodeRecord(record, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), kRecordSize);
}

void AppendCString(std::string& out, std::string_view text) {
    out.append(text).push_back('\0');
}

}  // namespace

std::string NewArchiveHead(std::int32_t pbo_type, std::string_view prefix) {
    std::string head(1, '\0');
    head += RecordBytes({kMethodVersion, 0, 0, 0, 0});
    if (pbo_type == 0 && !prefix.empty()) {
        AppendCString(head, "prefix");
        AppendCString(head, prefix);
    } else if (pbo_type == 1) {
        AppendCString(head, "product");
        AppendCString(head, "OFP: Resistance");
    }
    head.push_back('\0');
    return head;
}

std::string NewArchiveHead(const NewArchiveSettings& settings) {
    std::string head = NewArchiveHead(settings.pbo_type, settings.prefix);
    head.pop_back();  // the list goes on
    for (const auto& [key, value] : settings.pairs) {
        const bool whole = !key.empty() && !value.empty() && key.find('\0') == std::string::npos &&
                           value.find('\0') == std::string::npos;
        if (!whole) continue;
        AppendCString(head, key);
        AppendCString(head, value);
    }
    head.push_back('\0');
    return head;
}

std::string HeaderEntry(const char* name, std::int32_t timestamp, std::uint32_t data_size) {
    std::string entry;
    AppendCString(entry, name);
    return entry + RecordBytes({kMethodStored, 0, 0, timestamp, data_size});
}

std::string EndOfHeaderEntry() {
    return std::string(kEntryOverhead, '\0');
}

std::string EmptyTrailer() {
    return std::string(kTrailerSize, '\0');
}

}  // namespace qp
