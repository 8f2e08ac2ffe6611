// Restamping the trailer of an archive spliced in place: find it, hash what precedes it, write.
#include "editing/trailer_checksum.h"

#include "pbo/entry_walk.h"
#include "pbo/trailer.h"

namespace qp {

Outcome RestampTrailer(FileHandle archive) {
    // The archive was whole before the edit and is whole after it: a walk that finds it damaged
    // could not read it.
    const HeaderWalk walk = WalkHeader(archive);
    const SizeResult size = FileSize32(archive);
    if (walk.damaged || size.status != IoStatus::ok) return Outcome::read_failed;
    const auto data_end = static_cast<std::uint32_t>(walk.data_end);
    const TrailerFound found = ReadTrailer(archive, data_end, size.size);
    if (found.kind == TrailerKind::unreadable) return Outcome::read_failed;
    // The fixed text of older archives is stamped too: the archive now has its digest.
    if (found.kind != TrailerKind::digest && found.kind != TrailerKind::fixed_text) {
        return Outcome::ok;
    }
    std::uint8_t digest[kSha1Size];
    if (!HashFront(archive, data_end, digest)) return Outcome::read_failed;
    const bool written = SeekTo(archive, data_end + 1) == IoStatus::ok &&
                         WriteBytes(archive, digest, kSha1Size).bytes == kSha1Size;
    return written ? Outcome::ok : Outcome::write_failed;
}

}  // namespace qp
