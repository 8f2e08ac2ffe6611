// One compaction pass: each run of kept bytes moves to its final place, front to back.
#include "editing/cut_ranges.h"

#include <algorithm>
#include <cstdint>

#include "editing/byte_mover.h"
#include "editing/removal_progress.h"
#include "editing/splice_control.h"

namespace qp {
namespace {

std::uint64_t CutBytes(const std::vector<ByteRange>& ranges) {
    std::uint64_t cut = 0;
    for (const ByteRange& range : ranges) cut += range.size;
    return cut;
}

// Moves the kept runs between and behind the ranges toward the front by the bytes cut before
// them. Every destination lies before its source and after every run already moved, so no byte
// is overwritten before it has moved. The pass goes in steps of at most 1 MiB so that the
// replayed reports keep pace with it.
Outcome MoveKeptRuns(ByteMover& mover, const std::vector<ByteRange>& ranges,
                     std::uint32_t file_size, RemovalReplay& replay) {
    const double to_move =
        static_cast<double>(file_size - ranges.front().offset - CutBytes(ranges));
    double moved = 0;
    std::uint32_t cut = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        // The test hook counts one splice per range, as when each range was a cut of its own.
        if (SpliceFailureInjected()) return Outcome::write_failed;
        cut += ranges[i].size;
        const std::uint32_t run_end = i + 1 < ranges.size() ? ranges[i + 1].offset : file_size;
        for (std::uint32_t at = ranges[i].offset + ranges[i].size; at < run_end;) {
            const std::uint32_t step = std::min(run_end - at, kSpliceChunk);
            const Outcome outcome = MoveBytes(mover, at, at - cut, step);
            if (outcome != Outcome::ok) return outcome;
            at += step;
            moved += step;
            ReplayUpTo(replay, moved / to_move);
        }
    }
    ReplayUpTo(replay, 1.0);
    return Outcome::ok;
}

}  // namespace

Outcome CutRangesInFile(FileHandle file, const char* path, const std::vector<ByteRange>& ranges,
                        Progress& progress) {
    if (ranges.empty()) return Outcome::ok;
    const SizeResult size = FileSize32(file);
    if (size.status != IoStatus::ok) return Outcome::bad_archive;
    const ByteRange& last = ranges.back();
    if (static_cast<std::uint64_t>(last.offset) + last.size > size.size) {
        return Outcome::bad_archive;
    }
    // The host sees the reports that one cut per range would make, though no such cuts happen:
    // they are what it has always been shown for a deletion, and it may rely on their series.
    RemovalReplay replay = StartReplay(progress, path, ranges, size.size);
    ByteMover mover{};
    Outcome outcome = StartMover(file, 0, mover);
    if (outcome == Outcome::ok) outcome = MoveKeptRuns(mover, ranges, size.size, replay);
    StopMover(mover);
    // From the first byte moved until the end of the file is set, the archive is not consistent:
    // its front is already the new archive while the old bytes behind it are still there. A
    // failure in that window is reported and leaves the archive so; one before it changes nothing.
    if (outcome != Outcome::ok) return outcome;
    const auto new_size = static_cast<std::uint32_t>(size.size - CutBytes(ranges));
    if (SeekTo(file, new_size) != IoStatus::ok || SetEndOfFileHere(file) != IoStatus::ok) {
        return Outcome::write_failed;
    }
    return Outcome::ok;
}

Outcome CutRanges(const char* path, const std::vector<ByteRange>& ranges, Progress& progress) {
    if (ranges.empty()) return Outcome::ok;
    const OpenResult opened = OpenFile(path, OpenMode::read_write);
    if (opened.handle == nullptr) return Outcome::open_failed;
    const Outcome outcome = CutRangesInFile(opened.handle, path, ranges, progress);
    const IoStatus closed = CloseFile(opened.handle);
    if (outcome == Outcome::ok && closed != IoStatus::ok) return Outcome::close_failed;
    return outcome;
}

}  // namespace qp
