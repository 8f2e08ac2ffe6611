// The read-ahead window: refills, positions and seeks.
#include "pbo/buffered_reader.h"

#include <algorithm>
#include <cstring>

namespace qp {
namespace {

// Reads the window that follows the current one; false when no byte came.
bool Refill(BufferedReader& reader) {
    const Transfer read = ReadBytes(reader.file, reader.bytes, kReadAhead);
    reader.window_end += read.bytes;
    reader.held = read.bytes;
    reader.next = 0;
    return read.bytes != 0;
}

}  // namespace

void StartReader(BufferedReader& reader, FileHandle file, std::uint32_t position) {
    reader.file = file;
    reader.window_end = position;
    reader.held = 0;
    reader.next = 0;
}

std::uint32_t ReaderPosition(const BufferedReader& reader) {
    return reader.window_end - (reader.held - reader.next);
}

IoStatus SeekReader(BufferedReader& reader, std::uint32_t position) {
    const std::uint32_t window_start = reader.window_end - reader.held;
    const bool in_window = position - window_start <= reader.held;  // unsigned: also below start
    const IoStatus sought = SeekTo(reader.file, in_window ? reader.window_end : position);
    if (sought == IoStatus::ok && in_window) {
        reader.next = position - window_start;
        return sought;
    }
    const std::uint32_t handle_at =
        sought == IoStatus::ok ? position : CurrentPosition(reader.file);
    StartReader(reader, reader.file, handle_at);
    return sought;
}

std::uint32_t ReadBuffered(BufferedReader& reader, void* buffer, std::uint32_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        if (reader.next == reader.held && !Refill(reader)) break;
        const std::uint32_t step = std::min(count - done, reader.held - reader.next);
        std::memcpy(out + done, reader.bytes + reader.next, step);
        reader.next += step;
        done += step;
    }
    return done;
}

bool ReadByte(BufferedReader& reader, char& byte) {
    if (reader.next == reader.held && !Refill(reader)) return false;
    byte = static_cast<char>(reader.bytes[reader.next++]);
    return true;
}

}  // namespace qp
