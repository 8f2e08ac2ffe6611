// Opening a gap in a file in place and filling it with the caller's bytes.
#include "editing/byte_mover.h"
#include "editing/splice.h"
#include "editing/splice_control.h"

namespace qp {
namespace {

IoStatus SetSize(FileHandle file, std::uint32_t size) {
    const IoStatus seek = SeekTo(file, size);
    return seek == IoStatus::ok ? SetEndOfFileHere(file) : seek;
}

// Moves the bytes from `offset` on toward the end and writes the new bytes into the gap.
Outcome Splice(ByteMover& mover, std::uint32_t size, std::uint32_t offset, std::uint32_t length,
               const std::uint8_t* bytes) {
    // Without a view the file is lengthened first, so that a full disk shows up before any
    // byte has moved.
    if (mover.mapping.data == nullptr && SetSize(mover.file, size + length) != IoStatus::ok) {
        return Outcome::write_failed;
    }
    if (SpliceFailureInjected()) return Outcome::write_failed;
    // Through the buffer, a read or write that fails while the tail moves leaves the file
    // damaged: that window is the whole move, size - offset bytes in 1 MiB chunks.
    const Outcome moved = MoveBytes(mover, offset, offset + length, size - offset);
    if (moved != Outcome::ok) return moved;
    return PutBytes(mover, offset, bytes, length);
}

}  // namespace

Outcome InsertRangeInFile(FileHandle file, std::uint32_t offset, std::uint32_t length,
                          const std::uint8_t* bytes) {
    const SizeResult size = FileSize32(file);
    if (size.status != IoStatus::ok) return Outcome::bad_archive;
    if (offset > size.size) return Outcome::bad_archive;
    if (length == 0) return Outcome::ok;
    if (bytes == nullptr || static_cast<std::uint64_t>(size.size) + length > 0xFFFFFFFFu) {
        return Outcome::write_failed;
    }
    const std::uint32_t new_size = size.size + length;
    ByteMover mover{};
    Outcome outcome = StartMover(file, new_size, mover);
    if (outcome == Outcome::ok) outcome = Splice(mover, size.size, offset, length, bytes);
    const bool touched = mover.wrote;
    StopMover(mover);
    if (outcome != Outcome::ok) {
        // Abandoned: the mapping may already have lengthened the file, so it is cut back to its
        // former size. Once a buffered write has moved bytes that is no longer the old file.
        if (!touched) SetSize(file, size.size);
        return outcome;
    }
    // The file has its new size already: the view, or the buffered path before it moved a byte,
    // lengthened it. Setting it again could only fail after the splice is done.
    return Outcome::ok;
}

Outcome InsertRange(const char* path, std::uint32_t offset, std::uint32_t length,
                    const std::uint8_t* bytes, const char*) {
    // A missing file is created empty, which only an insertion at offset 0 can use.
    const OpenResult opened =
        OpenFile(path, offset == 0 ? OpenMode::open_always : OpenMode::read_write);
    if (opened.handle == nullptr) {
        return opened.status == IoStatus::not_found ? Outcome::bad_archive : Outcome::open_failed;
    }
    const Outcome outcome = InsertRangeInFile(opened.handle, offset, length, bytes);
    const IoStatus closed = CloseFile(opened.handle);
    if (outcome == Outcome::ok && closed != IoStatus::ok) return Outcome::close_failed;
    return outcome;
}

}  // namespace qp
