// The rewrite of an archive: replacement file, one pass, flush, then one atomic replace.
#include "editing/rewrite_archive.h"

namespace qp {
namespace {

// Archives are handled through 32-bit offsets: an edit must leave the archive below 4 GiB.
constexpr std::uint64_t kLargestArchive = 0xFFFFFFFFull;

EditResult Flushed(FileHandle out) {
    const IoStatus flushed = FlushFile(out);
    if (flushed != IoStatus::ok) return {Outcome::write_failed, flushed, {}};
    return {};
}

EditResult PutInPlace(FileHandle out, const std::string& out_path, const char* archive_path,
                      FileHandle& archive) {
    const IoStatus moved = archive != nullptr
                               ? MoveOverFile(out, out_path.c_str(), archive, archive_path)
                               : MoveNewFile(out_path.c_str(), archive_path);
    if (moved != IoStatus::ok) return {Outcome::write_failed, moved, {}};
    return {};
}

}  // namespace

std::string ReplacementPath(const char* archive_path) {
    return std::string(archive_path) + ".quillpack-tmp";
}

void RemoveLeftover(const char* archive_path) {
    RemoveFile(ReplacementPath(archive_path).c_str());
}

EditResult RewriteArchive(const char* archive_path, FileHandle& archive, const ArchivePlan& plan,
                          int item_count, Progress& progress) {
    if (PlannedSize(plan) > kLargestArchive) {
        return {Outcome::create_failed, IoStatus::too_large, {}};
    }
    const std::string out_path = ReplacementPath(archive_path);
    const OpenResult out = OpenFile(out_path.c_str(), OpenMode::replacement);
    if (out.handle == nullptr) return {Outcome::create_failed, out.status, {}};
    EditResult result = WritePlan(plan, archive, out.handle, {archive_path, item_count}, progress);
    if (result.outcome == Outcome::ok) result = Flushed(out.handle);
    if (result.outcome == Outcome::ok)
        result = PutInPlace(out.handle, out_path, archive_path, archive);
    // It stays open, and so held against other editors, until it is in place. By then it is on
    // disk whole: a failing close loses nothing.
    CloseFile(out.handle);
    if (result.outcome != Outcome::ok) RemoveFile(out_path.c_str());
    return result;
}

bool NoRoomForCopy(const EditResult& rewrite) {
    const bool full = rewrite.status == IoStatus::no_space;
    // Something that is not a file standing where the copy would go (a folder) leaves no room
    // for it either.
    if (rewrite.outcome == Outcome::create_failed) {
        return full || rewrite.status == IoStatus::access_denied ||
               rewrite.status == IoStatus::not_regular;
    }
    return rewrite.outcome == Outcome::write_failed && full;
}

}  // namespace qp
