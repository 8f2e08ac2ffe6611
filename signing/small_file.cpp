// Whole small files: one read; or one write beside the target, a flush and a rename.
#include "signing/small_file.h"

#include "editing/rewrite_archive.h"

namespace qp {

IoStatus ReadSmallFile(const std::string& path, std::string& bytes, std::uint32_t largest) {
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    if (file.handle == nullptr) return file.status;
    const SizeResult size = FileSize32(file.handle);
    IoStatus status =
        size.status == IoStatus::ok && size.size > largest ? IoStatus::too_large : size.status;
    if (status == IoStatus::ok) {
        bytes.resize(size.size);
        const Transfer read = ReadBytes(file.handle, bytes.data(), size.size);
        if (read.bytes != size.size) status = read.status;
    }
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    return status;
}

IoStatus WriteSmallFile(const std::string& path, const std::string& bytes, bool replace,
                        OpenMode mode) {
    // A leftover of a write that crashed is cleared first; a link or a folder there refuses.
    const std::string beside = ReplacementPath(path.c_str());
    const IoStatus cleared = RemoveOwnLeftover(beside.c_str());
    if (cleared != IoStatus::ok) return cleared;
    const OpenResult out = OpenFile(beside.c_str(), mode);
    if (out.handle == nullptr) return out.status;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const Transfer written = WriteBytes(out.handle, bytes.data(), size);
    IoStatus status = written.bytes == size ? FlushFile(out.handle) : written.status;
    const IoStatus closed = CloseFile(out.handle);
    if (status == IoStatus::ok) status = closed;
    if (status == IoStatus::ok) {
        status = replace ? MoveFileOver(beside.c_str(), path.c_str())
                         : MoveNewFile(beside.c_str(), path.c_str());
    }
    if (status != IoStatus::ok) RemoveFile(beside.c_str());
    return status;
}

}  // namespace qp
