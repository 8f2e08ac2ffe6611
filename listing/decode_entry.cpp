// The decode loop: packed bytes in by the block, decoded bytes out by the block, the sum after
// the stream checked.
#include "listing/decode_entry.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pbo/little_endian.h"

namespace qp {
namespace {

struct Input {
    FileHandle archive;
    std::uint32_t unread;  // packed bytes still in the archive
    std::uint32_t held;    // packed bytes in the input block
    std::uint32_t next;    // the first of them not yet decoded
};

// Reads the next block of packed bytes, passing them to the hash.
Transfer Refill(Input& input, std::uint8_t* block, const DataWatch& watch) {
    const std::uint32_t wanted = std::min(input.unread, kDecodeBlock);
    const Transfer read = ReadBytes(input.archive, block, wanted);
    if (read.bytes != wanted) return read;
    if (watch.hash != nullptr) UpdateSha1(*watch.hash, block, wanted);
    input.unread -= wanted;
    input.held = wanted;
    input.next = 0;
    return read;
}

// Whether the 4 bytes after a whole stream hold one of its sums. They may lie partly in the block
// and partly still in the archive; whatever follows them is not read.
Transfer SumMatches(Input& input, DecodeBuffers& buffers, const DataWatch& watch, bool& matches) {
    std::uint8_t stored[kLzssSumSize];
    const std::uint32_t in_block = std::min(input.held - input.next, kLzssSumSize);
    std::memcpy(stored, buffers.input + input.next, in_block);
    input.next += in_block;
    if (in_block < kLzssSumSize) {
        const std::uint32_t rest = kLzssSumSize - in_block;
        // At least `rest` bytes are still in the archive: a whole sum follows the stream.
        const Transfer read = Refill(input, buffers.input, watch);
        if (read.status != IoStatus::ok) return read;
        std::memcpy(stored + in_block, buffers.input, rest);
        input.next = rest;
    }
    matches = LzssSumMatches(buffers.stream, LoadLittle32(stored));
    return {kLzssSumSize, IoStatus::ok};
}

}  // namespace

std::unique_ptr<DecodeBuffers> NewDecodeBuffers() {
    return std::unique_ptr<DecodeBuffers>(new (std::nothrow) DecodeBuffers);
}

Decoded DecodeEntry(FileHandle archive, std::uint32_t size, std::uint32_t original_size,
                    FileHandle target, DecodeBuffers& buffers, const DataWatch& watch) {
    LzssStream& stream = buffers.stream;
    StartLzssStream(stream, size, original_size);
    Input input{archive, size, 0, 0};
    Decoded result{Outcome::ok, IoStatus::ok, 0, 0, false};
    std::uint32_t unreported = 0;
    const auto read_so_far = [&] { return size - input.unread; };
    while (!stream.ended) {
        if (input.next == input.held) {
            // The stream has not ended, so it has input left: unread cannot be 0 here.
            if (input.unread == 0) break;
            const Transfer read = Refill(input, buffers.input, watch);
            if (read.status != IoStatus::ok) {
                return {Outcome::read_failed, read.status, result.decoded, read_so_far(), false};
            }
        }
        const LzssStep step = LzssDecodeStep(stream, buffers.input + input.next,
                                             input.held - input.next, buffers.output, kDecodeBlock);
        input.next += step.consumed;
        result.decoded += step.produced;
        if (target != nullptr && step.produced != 0) {
            const Transfer written = WriteBytes(target, buffers.output, step.produced);
            if (written.bytes != step.produced) {
                return {Outcome::write_failed, written.status, result.decoded, read_so_far(),
                        false};
            }
        }
        unreported += step.produced;
        const bool report = unreported >= kDecodeReportStep || (stream.ended && unreported != 0);
        if (report && watch.progress != nullptr) {
            if (!Report(*watch.progress, watch.report_name, static_cast<int>(unreported))) {
                return {Outcome::aborted, IoStatus::ok, result.decoded, read_so_far(), false};
            }
            unreported = 0;
        }
    }
    if (result.decoded != original_size) {
        return {Outcome::bad_data, IoStatus::ok, result.decoded, read_so_far(), false};
    }
    // What follows the stream's sum is no part of the entry.
    const auto rest = static_cast<std::uint32_t>(size - stream.consumed);
    if (rest >= kLzssSumSize) {
        bool matches = true;
        const Transfer read = SumMatches(input, buffers, watch, matches);
        if (read.status != IoStatus::ok) {
            return {Outcome::read_failed, read.status, result.decoded, read_so_far(), false};
        }
        if (!matches) return {Outcome::bad_data, IoStatus::ok, result.decoded, read_so_far(), true};
    }
    result.read = read_so_far();
    result.trailing = rest >= kLzssSumSize ? rest - kLzssSumSize : rest;
    return result;
}

}  // namespace qp
