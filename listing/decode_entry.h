// Decoding a compressed entry's data in constant memory, into a file or only to check it.
#pragma once

#include <cstdint>
#include <memory>

#include "pbo/lzss_stream.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"
#include "platform/file.h"
#include "platform/sha1.h"

namespace qp {

constexpr std::uint32_t kDecodeBlock = 64 * 1024;
// A compressed entry reports the bytes it decoded at least this often.
constexpr std::uint32_t kDecodeReportStep = 1u << 20;

// All the memory a decode needs, whatever the entry's sizes: the window and two blocks.
struct DecodeBuffers {
    LzssStream stream;
    std::uint8_t input[kDecodeBlock];
    std::uint8_t output[kDecodeBlock];
};

// Null when the memory cannot be had.
std::unique_ptr<DecodeBuffers> NewDecodeBuffers();

// Who learns of a pass over an entry's data besides its target: `progress` of the bytes written,
// under `report_name` (null: no reports), and `hash` of every packed byte read, in order.
struct DataWatch {
    Progress* progress = nullptr;
    const char* report_name = "";
    Sha1* hash = nullptr;
};

struct Decoded {
    Outcome outcome;
    IoStatus status;        // the system's reason when a transfer failed
    std::uint64_t decoded;  // the bytes the stream gave
    std::uint32_t read;     // the packed bytes read, from the first on
    bool sum_differs;       // the stream is whole, but the sum after it does not match
    // Of a whole stream: the bytes of the entry's data after it and its sum, which no packer
    // writes and which decode to nothing.
    std::uint32_t trailing = 0;
};

// Reads `size` packed bytes from the archive's current position, block by block as the decoder
// needs them, and writes what they decode to to `target` when it is not null, reporting at least
// every kDecodeReportStep bytes and the rest at the end. ok when the stream gives exactly
// `original_size` bytes and, when 4 packed bytes or more are left after it, the first 4 hold the
// 32-bit sum of those bytes, taken unsigned or signed (archives hold both); the bytes after
// those, or the 1 to 3 left where no sum fits, are counted as trailing and not read. bad_data
// when it ends before, or the sum differs; read_failed or write_failed when a transfer fails;
// aborted when a report is answered with stop.
Decoded DecodeEntry(FileHandle archive, std::uint32_t size, std::uint32_t original_size,
                    FileHandle target, DecodeBuffers& buffers, const DataWatch& watch);

}  // namespace qp
