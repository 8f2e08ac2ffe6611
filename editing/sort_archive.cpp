// Sorting: the archive's own plan, its entries put in order, written in one rewrite.
#include "editing/sort_archive.h"

#include <utility>

#include "editing/archive_plan.h"
#include "editing/rewrite_archive.h"
#include "pbo/entry_walk.h"

namespace qp {
namespace {

EditResult SortHeld(const char* archive_path, FileHandle& archive, Progress& progress) {
    HeaderWalk walk = WalkHeader(archive);
    const SizeResult size = FileSize32(archive);
    // An entry whose data cannot give its size makes the archive as unreadable as a cut header.
    if (walk.damaged || FirstImpossibleSize(walk) != nullptr) {
        return {Outcome::bad_archive, IoStatus::ok, {}};
    }
    if (size.status != IoStatus::ok) return FailedEdit(Outcome::read_failed, size.status);
    ArchivePlan plan;
    const Outcome planned = PlanFromWalk(std::move(walk), size.size, plan);
    if (planned != Outcome::ok) return {planned, IoStatus::ok, {}};
    PlanSorted(plan);
    return RewriteArchive(archive_path, archive, plan, 0, progress);
}

}  // namespace

EditResult SortArchive(const char* archive_path, Progress& progress) {
    // A symbolic link stays one: the file it leads to is edited.
    const std::string path = EditedPath(archive_path);
    const OpenResult opened = OpenFile(path.c_str(), OpenMode::edit);
    if (opened.handle == nullptr) return FailedEdit(Outcome::open_failed, opened.status);
    FileHandle archive = opened.handle;
    const EditResult result = SortHeld(path.c_str(), archive, progress);
    // A rewrite is on disk already: a failing close of the old archive changes nothing.
    if (archive != nullptr) CloseFile(archive);
    return result;
}

}  // namespace qp
