// Reading the NUL-terminated strings (names, extension keys and values) of an archive.
#pragma once

#include "pbo/buffered_reader.h"
#include "platform/file.h"

namespace qp {

constexpr int kCStringBufferSize = 1024;

// The buffer a string is read into. Each reader owns one; the next read overwrites it.
struct CStringBuffer {
    char bytes[kCStringBufferSize];
    bool hit_end;   // the last read stopped because the file ended
    bool too_long;  // the last read took 1024 bytes without meeting a NUL: a string cut in two
};

// Reads the next NUL-terminated string at the current position, one byte at a time, and returns
// it from `buffer`. A string of up to 1022 characters comes back whole. The empty string comes
// back for an empty string, for one of 1023 characters or more (the position is then left after
// the 1024 bytes consumed and `too_long` is set), and when the file ends first (`hit_end` is then
// set). A string that comes back empty is therefore an empty string only when neither flag is set.
const char* ReadCString(FileHandle file, CStringBuffer& buffer);
// The same string through a reader: the same text, `hit_end` and reader position after it, with
// one read per window instead of one per byte.
const char* ReadCString(BufferedReader& reader, CStringBuffer& buffer);

}  // namespace qp
