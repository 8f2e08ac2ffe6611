// Moving bytes inside a file being spliced: in a whole-file view, or through a buffer.
#pragma once

#include <cstdint>
#include <memory>

#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

// The progress chunk of a removal, and the buffer of the buffered path.
constexpr std::uint32_t kSpliceChunk = 1048576;

struct ByteMover {
    FileHandle file;
    Mapping mapping;                         // the whole file mapped for writing, or no view
    std::unique_ptr<std::uint8_t[]> buffer;  // kSpliceChunk bytes when there is no view
    bool wrote;                              // a buffered write has touched the file
};

// Maps the file for writing (`map_size` 0: as it is; larger: lengthened first). When no view can
// be had, as for a file too large for a 32-bit address space, sets up the buffered path instead.
Outcome StartMover(FileHandle file, std::uint32_t map_size, ByteMover& mover);
// Releases the view, if any: the file's end can only be set once it is gone.
void StopMover(ByteMover& mover);

// Moves `count` bytes from `from` to `to`; the runs may overlap. Through the buffer, chunks go
// front to back when moving toward the front and back to front otherwise, so that no byte is
// overwritten before it has moved.
Outcome MoveBytes(ByteMover& mover, std::uint32_t from, std::uint32_t to, std::uint32_t count);
// Writes `count` bytes at `at`.
Outcome PutBytes(ByteMover& mover, std::uint32_t at, const std::uint8_t* bytes,
                 std::uint32_t count);

}  // namespace qp
