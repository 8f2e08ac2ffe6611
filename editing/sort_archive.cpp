// Sorting: the archive's own plan, its entries put in order, written in one rewrite.
#include "editing/sort_archive.h"

#include "editing/archive_plan.h"
#include "editing/rewrite_archive.h"
#include "pbo/entry_walk.h"

namespace qp {
namespace {

EditResult SortHeld(const char* archive_path, FileHandle& archive, Progress& progress) {
    const HeaderWalk walk = WalkHeader(archive);
    const SizeResult size = FileSize32(archive);
    if (walk.damaged) return {Outcome::bad_archive, IoStatus::ok, {}};
    if (size.status != IoStatus::ok) return {Outcome::read_failed, size.status, {}};
    ArchivePlan plan;
    const Outcome planned = PlanFromWalk(walk, size.size, plan);
    if (planned != Outcome::ok) return {planned, IoStatus::ok, {}};
    PlanSorted(plan);
    return RewriteArchive(archive_path, archive, plan, 0, progress);
}

}  // namespace

EditResult SortArchive(const char* archive_path, Progress& progress) {
    const OpenResult opened = OpenFile(archive_path, OpenMode::edit);
    if (opened.handle == nullptr) return {Outcome::open_failed, opened.status, {}};
    FileHandle archive = opened.handle;
    RemoveLeftover(archive_path);
    const EditResult result = SortHeld(archive_path, archive, progress);
    // A rewrite is on disk already: a failing close of the old archive changes nothing.
    if (archive != nullptr) CloseFile(archive);
    return result;
}

}  // namespace qp
