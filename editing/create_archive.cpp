// A new, empty archive: header extension chosen by the settings, end-of-header entry, and the
// trailer with their SHA-1.
#include <cstring>
#include <string>

#include "editing/archive_layout.h"
#include "editing/pack_files.h"
#include "platform/file.h"
#include "platform/sha1.h"

namespace qp {

Outcome CreateArchive(const char* packed_file, const NewArchiveSettings& settings) {
    std::string bytes = NewArchiveHead(settings) + EndOfHeaderEntry();
    std::uint8_t digest[kSha1Size];
    Sha1 sha1;
    if (!StartSha1(sha1)) return Outcome::create_failed;
    UpdateSha1(sha1, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    if (!FinishSha1(sha1, digest)) return Outcome::create_failed;
    bytes.push_back('\0');
    bytes.append(reinterpret_cast<const char*>(digest), kSha1Size);

    const OpenResult created = OpenFile(packed_file, OpenMode::create_new);
    if (created.handle == nullptr) return Outcome::create_failed;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const bool written = WriteBytes(created.handle, bytes.data(), length).bytes == length;
    const bool closed = CloseFile(created.handle) == IoStatus::ok;
    if (written && closed) return Outcome::ok;
    // The file is ours alone: left half written, it would refuse every later packing as damaged.
    RemoveFile(packed_file);
    return Outcome::create_failed;
}

}  // namespace qp
