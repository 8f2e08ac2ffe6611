// Opening an archive to read: a file that is no PBO at all is said to be so, before anything is
// shown or written from it; and what is wrong with one the core refused as damaged.
#include "cli/commands.h"
#include "listing/detect_archive.h"
#include "pbo/entry_walk.h"

namespace qp::cli {

OpenResult OpenArchiveToRead(const std::string& path) {
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    if (file.handle == nullptr) {
        Fail(path, IoStatusText(file.status));
    } else if (!StartsLikeArchive(file.handle)) {
        CloseFile(file.handle);  // read only: nothing to lose when the close fails
        Fail(path, kNotArchiveText);
        return {nullptr, IoStatus::not_regular};
    }
    return file;
}

std::string ArchiveDamageText(const std::string& path) {
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    if (file.handle == nullptr) return "damaged archive";
    const HeaderWalk walk = WalkHeader(file.handle);
    const SizeResult size = FileSize32(file.handle);
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    if (walk.damaged) return DamageText(walk, size.size);
    const WalkedEntry* entry = FirstImpossibleSize(walk);
    return entry != nullptr ? ImpossibleSizeText(entry->name, entry->record) : "damaged archive";
}

}  // namespace qp::cli
