// Byte-at-a-time string reader: the file position must end right after the string's NUL.
#include "pbo/cstring.h"

namespace qp {

const char* ReadCString(FileHandle file, CStringBuffer& buffer) {
    int count = 0;
    buffer.hit_end = false;
    while (count < kCStringBufferSize) {
        char byte = 0;
        if (ReadBytes(file, &byte, 1).bytes == 0) {
            buffer.hit_end = true;
            buffer.bytes[0] = '\0';
            return buffer.bytes;
        }
        buffer.bytes[count++] = byte;
        if (byte == '\0') break;
    }
    if (count < kCStringBufferSize) return buffer.bytes;
    // 1023 characters or more: the string and its NUL fill the whole buffer, so it reads as empty.
    buffer.bytes[0] = '\0';
    return buffer.bytes;
}

}  // namespace qp
