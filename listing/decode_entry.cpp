// The decode loop: packed bytes in by the block, decoded bytes out by the block.
#include "listing/decode_entry.h"

#include <algorithm>
#include <new>

namespace qp {

std::unique_ptr<DecodeBuffers> NewDecodeBuffers() {
    return std::unique_ptr<DecodeBuffers>(new (std::nothrow) DecodeBuffers);
}

Outcome DecodeEntry(FileHandle archive, std::uint32_t size, std::uint32_t original_size,
                    FileHandle target, DecodeBuffers& buffers, std::uint64_t& decoded,
                    IoStatus& status) {
    LzssStream& stream = buffers.stream;
    StartLzssStream(stream, size, original_size);
    decoded = 0;
    status = IoStatus::ok;
    std::uint32_t unread = size;  // packed bytes still in the archive
    std::uint32_t held = 0;       // packed bytes in the input block
    std::uint32_t next = 0;       // the first of them not yet decoded
    while (!stream.ended) {
        if (next == held) {
            // The stream has not ended, so it has input left: unread cannot be 0 here.
            if (unread == 0) break;
            const std::uint32_t wanted = std::min(unread, kDecodeBlock);
            const Transfer read = ReadBytes(archive, buffers.input, wanted);
            if (read.bytes != wanted) {
                status = read.status;
                return Outcome::read_failed;
            }
            unread -= wanted;
            held = wanted;
            next = 0;
        }
        const LzssStep step =
            LzssDecodeStep(stream, buffers.input + next, held - next, buffers.output, kDecodeBlock);
        next += step.consumed;
        decoded += step.produced;
        if (target != nullptr && step.produced != 0) {
            const Transfer written = WriteBytes(target, buffers.output, step.produced);
            if (written.bytes != step.produced) {
                status = written.status;
                return Outcome::write_failed;
            }
        }
    }
    return decoded == original_size ? Outcome::ok : Outcome::bad_data;
}

}  // namespace qp
