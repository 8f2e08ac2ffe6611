// The string rule, read byte by byte from a handle or through a read-ahead window.
#include "pbo/cstring.h"

#include <cstring>

namespace qp {
namespace {

// Hands out one byte of a string's source; false when the source has ended.
using NextByte = bool (*)(void* source, char& byte);

const char* ReadCStringFrom(NextByte next_byte, void* source, CStringBuffer& buffer) {
    int count = 0;
    buffer.hit_end = false;
    buffer.too_long = false;
    while (count < kCStringBufferSize) {
        char byte = 0;
        if (!next_byte(source, byte)) {
            buffer.hit_end = true;
            buffer.bytes[0] = '\0';
            return buffer.bytes;
        }
        buffer.bytes[count++] = byte;
        if (byte == '\0') break;
    }
    if (count < kCStringBufferSize) return buffer.bytes;
    // 1023 characters or more: the string and its NUL fill the whole buffer, so it reads as empty.
    buffer.too_long = true;
    buffer.bytes[0] = '\0';
    return buffer.bytes;
}

bool NextFileByte(void* file, char& byte) {
    return ReadBytes(file, &byte, 1).bytes != 0;
}

bool NextBufferedByte(void* reader, char& byte) {
    return ReadByte(*static_cast<BufferedReader*>(reader), byte);
}

}  // namespace

const char* ReadCString(FileHandle file, CStringBuffer& buffer) {
    return ReadCStringFrom(NextFileByte, file, buffer);
}

const char* ReadCString(BufferedReader& reader, CStringBuffer& buffer) {
    // A string that ends inside the window, 1022 characters at most, is copied in one go; any
    // other goes byte by byte under the full rule.
    const std::uint8_t* start = reader.bytes + reader.next;
    const std::uint32_t held = reader.held - reader.next;
    const std::uint32_t longest = kCStringBufferSize - 1;  // 1022 characters and the NUL
    const void* nul = std::memchr(start, 0, held < longest ? held : longest);
    if (nul == nullptr) return ReadCStringFrom(NextBufferedByte, &reader, buffer);
    const auto count =
        static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(nul) - start) + 1;
    std::memcpy(buffer.bytes, start, count);
    reader.next += count;
    buffer.hit_end = false;
    buffer.too_long = false;
    return buffer.bytes;
}

}  // namespace qp
