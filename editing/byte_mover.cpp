// The two ways of moving bytes inside a file: memmove in its view, positioned reads and writes.
#include "editing/byte_mover.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "editing/splice_control.h"

namespace qp {
namespace {

Outcome ReadAt(FileHandle file, std::uint32_t at, std::uint8_t* bytes, std::uint32_t count) {
    if (SeekTo(file, at) != IoStatus::ok) return Outcome::read_failed;
    return ReadBytes(file, bytes, count).bytes == count ? Outcome::ok : Outcome::read_failed;
}

Outcome WriteAt(ByteMover& mover, std::uint32_t at, const std::uint8_t* bytes,
                std::uint32_t count) {
    mover.wrote = true;
    if (SeekTo(mover.file, at) != IoStatus::ok) return Outcome::write_failed;
    return WriteBytes(mover.file, bytes, count).bytes == count ? Outcome::ok
                                                               : Outcome::write_failed;
}

Outcome MoveChunk(ByteMover& mover, std::uint32_t from, std::uint32_t to, std::uint32_t count) {
    const Outcome read = ReadAt(mover.file, from, mover.buffer.get(), count);
    if (read != Outcome::ok) return read;
    return WriteAt(mover, to, mover.buffer.get(), count);
}

}  // namespace

Outcome StartMover(FileHandle file, std::uint32_t map_size, ByteMover& mover) {
    mover.file = file;
    mover.mapping = {nullptr, 0, nullptr, IoStatus::ok};
    mover.wrote = false;
    if (!splice_control.force_buffered) {
        mover.mapping = MapFile(file, MapAccess::read_write, map_size);
        if (mover.mapping.data != nullptr) return Outcome::ok;
        UnmapFile(mover.mapping);
    }
    mover.buffer.reset(new (std::nothrow) std::uint8_t[kSpliceChunk]);
    return mover.buffer ? Outcome::ok : Outcome::no_memory;
}

void StopMover(ByteMover& mover) {
    UnmapFile(mover.mapping);
    mover.buffer.reset();
}

Outcome MoveBytes(ByteMover& mover, std::uint32_t from, std::uint32_t to, std::uint32_t count) {
    if (count == 0 || from == to) return Outcome::ok;
    if (mover.mapping.data != nullptr) {
        std::memmove(mover.mapping.data + to, mover.mapping.data + from, count);
        return Outcome::ok;
    }
    if (to < from) {
        for (std::uint32_t done = 0; done < count;) {
            const std::uint32_t step = std::min(count - done, kSpliceChunk);
            const Outcome moved = MoveChunk(mover, from + done, to + done, step);
            if (moved != Outcome::ok) return moved;
            done += step;
        }
        return Outcome::ok;
    }
    for (std::uint32_t left = count; left > 0;) {
        const std::uint32_t step = std::min(left, kSpliceChunk);
        left -= step;
        const Outcome moved = MoveChunk(mover, from + left, to + left, step);
        if (moved != Outcome::ok) return moved;
    }
    return Outcome::ok;
}

Outcome PutBytes(ByteMover& mover, std::uint32_t at, const std::uint8_t* bytes,
                 std::uint32_t count) {
    if (count == 0) return Outcome::ok;
    if (mover.mapping.data != nullptr) {
        std::memcpy(mover.mapping.data + at, bytes, count);
        return Outcome::ok;
    }
    return WriteAt(mover, at, bytes, count);
}

}  // namespace qp
