// Reading a file front to back through a read-ahead window: one system call per window, not per
// byte.
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace qp {

constexpr std::uint32_t kReadAhead = 16384;

// The handle's own position runs ahead of the reader's: it stays at `window_end`, right after
// the bytes read so far, while the reader hands them out from `next` on. Code that moves the
// handle itself puts the reader back with SeekReader before reading through it again.
struct BufferedReader {
    FileHandle file = nullptr;
    std::uint32_t window_end = 0;  // file offset right after the window
    std::uint32_t held = 0;        // bytes in the window
    std::uint32_t next = 0;        // index in the window of the next byte handed out
    std::uint8_t bytes[kReadAhead];
};

// Starts reading `file` at `position`, which is the handle's current position.
void StartReader(BufferedReader& reader, FileHandle file, std::uint32_t position);

// The offset of the next byte the reader hands out.
std::uint32_t ReaderPosition(const BufferedReader& reader);

// Makes `position` the reader's position, keeping the window when it holds that position, and
// puts the handle where the reader expects it. When the seek fails the window is dropped and the
// reader goes on from wherever the handle is.
IoStatus SeekReader(BufferedReader& reader, std::uint32_t position);

// Copies the next `count` bytes to `buffer`. Fewer come back when the file ends or a read fails;
// the position is then after the bytes delivered, and a later call tries to read on from there.
std::uint32_t ReadBuffered(BufferedReader& reader, void* buffer, std::uint32_t count);

// The next byte; false when the file ends or a read fails.
bool ReadByte(BufferedReader& reader, char& byte);

}  // namespace qp
