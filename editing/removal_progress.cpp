// Removal progress: the percentage of a tail, and its replay for cuts made in one pass.
#include "editing/removal_progress.h"

#include <algorithm>

#include "editing/byte_mover.h"

namespace qp {
namespace {

// The bytes behind the range, counted in the uncut file: every cut before this one shortened
// the file and moved the range toward the front by the same amount.
std::uint32_t TailOf(const RemovalReplay& replay, std::size_t cut) {
    const ByteRange& range = (*replay.ranges)[cut];
    return replay.file_size - range.offset - range.size;
}

}  // namespace

// Bytes moved and tail are unsigned 32-bit, the tail taken once in single precision: a tail of
// 16 MiB + 3 rounds up to 16 MiB + 4, so its last two reports are both -99.
int RemovalPercent(std::uint32_t moved, float tail) {
    return static_cast<int>(static_cast<double>(moved) * -100.0 / static_cast<double>(tail));
}

RemovalReplay StartReplay(Progress& progress, const char* name,
                          const std::vector<ByteRange>& ranges, std::uint32_t file_size) {
    RemovalReplay replay{&progress, name, &ranges, file_size, 0, 0, 0.0, 0.0};
    for (std::size_t cut = 0; cut < ranges.size(); ++cut) replay.work += TailOf(replay, cut);
    return replay;
}

void ReplayUpTo(RemovalReplay& replay, double fraction) {
    const double done = fraction >= 1.0 ? replay.work : fraction * replay.work;
    while (replay.cut < replay.ranges->size()) {
        const std::uint32_t tail = TailOf(replay, replay.cut);
        if (tail < kSpliceChunk || replay.moved == tail) {
            replay.work_before += tail;
            ++replay.cut;
            replay.moved = 0;
            continue;
        }
        const std::uint32_t moved = replay.moved + std::min(tail - replay.moved, kSpliceChunk);
        if (replay.work_before + moved > done) return;
        replay.moved = moved;
        Report(*replay.progress, replay.name, RemovalPercent(moved, static_cast<float>(tail)));
    }
}

}  // namespace qp
