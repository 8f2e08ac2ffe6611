// A new, empty archive: header extension chosen by the settings, end-of-header entry, trailer.
#include <cstring>
#include <string>

#include "editing/archive_layout.h"
#include "editing/pack_files.h"
#include "platform/file.h"

namespace qp {

Outcome CreateArchive(const char* packed_file, const NewArchiveSettings& settings) {
    const OpenResult created = OpenFile(packed_file, OpenMode::create_new);
    if (created.handle == nullptr) return Outcome::create_failed;
    const std::string bytes = NewArchiveHead(settings) + EndOfHeaderEntry() + Trailer();
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const bool written = WriteBytes(created.handle, bytes.data(), length).bytes == length;
    const bool closed = CloseFile(created.handle) == IoStatus::ok;
    if (written && closed) return Outcome::ok;
    // The file is ours alone: left half written, it would refuse every later packing as damaged.
    RemoveFile(packed_file);
    return Outcome::create_failed;
}

}  // namespace qp
