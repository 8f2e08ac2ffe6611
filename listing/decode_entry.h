// Decoding a compressed entry's data in constant memory, into a file or only to check it.
#pragma once

#include <cstdint>
#include <memory>

#include "pbo/lzss_stream.h"
#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

constexpr std::uint32_t kDecodeBlock = 64 * 1024;

// All the memory a decode needs, whatever the entry's sizes: the window and two blocks.
struct DecodeBuffers {
    LzssStream stream;
    std::uint8_t input[kDecodeBlock];
    std::uint8_t output[kDecodeBlock];
};

// Null when the memory cannot be had.
std::unique_ptr<DecodeBuffers> NewDecodeBuffers();

// Reads `size` packed bytes from the archive's current position, block by block as the decoder
// needs them, and writes what they decode to to `target` when it is not null. ok when the stream
// gives exactly `original_size` bytes; bad_data when it ends before; read_failed or write_failed
// when a transfer fails, with the system's reason in `status`. `decoded` is the number of bytes
// the stream gave.
Outcome DecodeEntry(FileHandle archive, std::uint32_t size, std::uint32_t original_size,
                    FileHandle target, DecodeBuffers& buffers, std::uint64_t& decoded,
                    IoStatus& status);

}  // namespace qp
