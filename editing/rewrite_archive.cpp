// The rewrite of an archive: replacement file, one pass, flush, then one atomic replace.
#include "editing/rewrite_archive.h"

namespace qp {
namespace {

// Archives are handled through 32-bit offsets: an edit must leave the archive below 4 GiB.
constexpr std::uint64_t kLargestArchive = 0xFFFFFFFFull;

EditResult Flushed(FileHandle out) {
    const IoStatus flushed = FlushFile(out);
    if (flushed != IoStatus::ok) return FailedEdit(Outcome::write_failed, flushed);
    return {};
}

EditResult PutInPlace(FileHandle out, const std::string& out_path, const char* archive_path,
                      FileHandle& archive) {
    const IoStatus moved = archive != nullptr
                               ? MoveOverFile(out, out_path.c_str(), archive, archive_path)
                               : MoveNewFile(out_path.c_str(), archive_path);
    if (moved != IoStatus::ok) return FailedEdit(Outcome::write_failed, moved);
    return {};
}

// No room for `size` bytes in `folder`, with the free space there now.
EditResult NoRoom(const std::string& folder, std::uint64_t size) {
    EditResult refused = FailedEdit(Outcome::write_failed, IoStatus::no_space);
    refused.copy = CopyRefusal::no_room;
    refused.copy_path = folder;
    refused.copy_size = size;
    const SpaceResult space = FreeSpace(folder.c_str());
    refused.free_space = space.status == IoStatus::ok ? space.bytes : 0;
    return refused;
}

// Why the replacement file at `out_path` could not be made.
EditResult CopyRefused(IoStatus status, const std::string& out_path, const std::string& folder,
                       std::uint64_t size) {
    if (status == IoStatus::no_space) return NoRoom(folder, size);
    // Another edit is writing a copy of the same archive: in use, as the archive it holds is.
    if (status == IoStatus::in_use) return FailedEdit(Outcome::open_failed, status);
    EditResult refused = FailedEdit(Outcome::create_failed, status);
    const bool standing = status == IoStatus::already_exists || status == IoStatus::link_refused ||
                          status == IoStatus::not_regular;
    refused.copy = standing ? CopyRefusal::not_ours : CopyRefusal::cannot_create;
    refused.copy_path = standing ? out_path : folder;
    return refused;
}

// Whether the volume has clearly too little room for the copy: a write that fills it would
// only fail later. Where the free space cannot be learnt, the writes find out.
bool TooLittleRoom(const std::string& folder, std::uint64_t size) {
    const SpaceResult space = FreeSpace(folder.c_str());
    return space.status == IoStatus::ok && space.bytes < size;
}

}  // namespace

std::string ReplacementPath(const char* archive_path) {
    return std::string(archive_path) + ".quillpack-tmp";
}

EditResult RewriteArchive(const char* archive_path, FileHandle& archive, const ArchivePlan& plan,
                          int item_count, Progress& progress) {
    const std::uint64_t size = PlannedSize(plan);
    if (size > kLargestArchive) return {Outcome::create_failed, IoStatus::too_large, {}};
    const std::string out_path = ReplacementPath(archive_path);
    const std::string folder = FolderOf(archive_path);
    const IoStatus cleared = RemoveOwnLeftover(out_path.c_str());
    if (cleared != IoStatus::ok) return CopyRefused(cleared, out_path, folder, size);
    if (TooLittleRoom(folder, size)) return NoRoom(folder, size);
    const OpenResult out = OpenFile(out_path.c_str(), OpenMode::replacement);
    if (out.handle == nullptr) return CopyRefused(out.status, out_path, folder, size);
    EditResult result = WritePlan(plan, archive, out.handle, {archive_path, item_count}, progress);
    if (result.outcome == Outcome::ok) result = Flushed(out.handle);
    if (result.outcome == Outcome::ok)
        result = PutInPlace(out.handle, out_path, archive_path, archive);
    // It stays open, and so held against other editors, until it is in place. By then it is on
    // disk whole: a failing close loses nothing.
    CloseFile(out.handle);
    if (result.outcome == Outcome::ok) return result;
    RemoveFile(out_path.c_str());
    // The volume filled up as the copy was written: said as when it was clearly too small.
    if (result.status == IoStatus::no_space && result.failed_path.empty()) {
        return NoRoom(folder, size);
    }
    return result;
}

}  // namespace qp
