// A new, empty archive: header extension chosen by the settings, end-of-header entry, trailer.
#include <cstring>
#include <string>

#include "editing/pack_files.h"
#include "pbo/entry_record.h"
#include "plugin/plugin_settings.h"

namespace qp {
namespace {

void PutCString(std::string& out, const char* text, std::size_t length) {
    out.append(text, length);
    out.push_back('\0');
}

std::string EmptyArchive(const PluginSettings& settings) {
    std::string out(kEntryOverhead, '\0');
    std::uint8_t record[kRecordSize];
    EncodeRecord({kMethodVersion, 0, 0, 0, 0}, record);
    out.replace(1, kRecordSize, reinterpret_cast<const char*>(record), kRecordSize);
    if (settings.pbo_type == kPboTypeArma) {
        const std::size_t length = strnlen(settings.prefix, kPrefixBufferSize - 1);
        if (length > 0) {
            PutCString(out, "prefix", 6);
            PutCString(out, settings.prefix, length);
        }
    } else if (settings.pbo_type == kPboTypeOfp) {
        PutCString(out, "product", 7);
        PutCString(out, "OFP: Resistance", 15);
    }
    out.push_back('\0');               // closes the extension strings
    out.append(kEntryOverhead, '\0');  // the end-of-header entry
    out.push_back('\0');               // the trailer
    out.append(kTrailerText, kTrailerSize - 1);
    return out;
}

}  // namespace

Outcome CreateArchive(const char* packed_file) {
    const OpenResult created = OpenFile(packed_file, OpenMode::create_new);
    if (created.handle == nullptr) return Outcome::create_failed;
    const std::string bytes = EmptyArchive(plugin_settings);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const bool written = WriteBytes(created.handle, bytes.data(), length).bytes == length;
    const bool closed = CloseFile(created.handle) == IoStatus::ok;
    return written && closed ? Outcome::ok : Outcome::create_failed;
}

}  // namespace qp
