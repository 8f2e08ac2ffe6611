// Cutting a byte range out of a file in place, with progress for long moves.
#include <algorithm>

#include "editing/byte_mover.h"
#include "editing/removal_progress.h"
#include "editing/splice.h"
#include "editing/splice_control.h"

namespace qp {
namespace {

// Moves the `tail` bytes behind the range to `offset`, reporting after every 1 MiB chunk when
// the tail is 1 MiB or more; the chunks together move exactly what one move would.
Outcome MoveTail(ByteMover& mover, std::uint32_t offset, std::uint32_t length, std::uint32_t tail,
                 const char* report_name, Progress& progress) {
    if (tail < kSpliceChunk) return MoveBytes(mover, offset + length, offset, tail);
    const float whole = static_cast<float>(tail);
    for (std::uint32_t moved = 0; moved < tail;) {
        const std::uint32_t step = std::min(tail - moved, kSpliceChunk);
        const Outcome outcome = MoveBytes(mover, offset + length + moved, offset + moved, step);
        if (outcome != Outcome::ok) return outcome;
        moved += step;
        Report(progress, report_name, RemovalPercent(moved, whole));
    }
    return Outcome::ok;
}

}  // namespace

Outcome RemoveRangeInFile(FileHandle file, const char* path, std::uint32_t offset,
                          std::uint32_t length, const char* progress_text, Progress& progress) {
    const SizeResult size = FileSize32(file);
    if (size.status != IoStatus::ok) return Outcome::bad_archive;
    // A range outside the file is refused before anything moves.
    if (static_cast<std::uint64_t>(offset) + length > size.size) return Outcome::bad_archive;
    if (length == 0) return Outcome::ok;
    if (SpliceFailureInjected()) return Outcome::write_failed;
    const std::uint32_t tail = size.size - offset - length;
    if (tail > 0) {
        ByteMover mover{};
        Outcome outcome = StartMover(file, 0, mover);
        if (outcome == Outcome::ok) {
            const bool named = progress_text != nullptr && progress_text[0] != '\0';
            outcome = MoveTail(mover, offset, length, tail, named ? progress_text : path, progress);
        }
        StopMover(mover);
        // A move that failed half way leaves the file damaged; it is not cut as well.
        if (outcome != Outcome::ok) return outcome;
    }
    // Once the tail has moved the file ends in a second copy of its last `length` bytes until the
    // new end is set; a failure here leaves them there, behind the archive's own bytes.
    if (SeekTo(file, size.size - length) != IoStatus::ok ||
        SetEndOfFileHere(file) != IoStatus::ok) {
        return Outcome::write_failed;
    }
    return Outcome::ok;
}

Outcome RemoveRange(const char* path, std::uint32_t offset, std::uint32_t length,
                    const char* progress_text, Progress& progress) {
    // An existing file only: a removal has nothing to cut from a file it would have to create.
    const OpenResult opened = OpenFile(path, OpenMode::read_write);
    if (opened.handle == nullptr) return Outcome::open_failed;
    const Outcome outcome =
        RemoveRangeInFile(opened.handle, path, offset, length, progress_text, progress);
    const IoStatus closed = CloseFile(opened.handle);
    if (outcome == Outcome::ok && closed != IoStatus::ok) return Outcome::close_failed;
    return outcome;
}

}  // namespace qp
