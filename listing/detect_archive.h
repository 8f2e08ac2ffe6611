// Telling a PBO by its content, whatever the file is called.
#pragma once

#include "platform/file.h"

namespace qp {

// True when the first header entry of a file open for reading is one a PBO starts with: the
// header extension (an empty name whose record names the extension's method), or a named entry
// whose name is text (no control characters) and whose record holds stored or compressed data
// no larger than the file. A zip, an image or a text file fails here, at offset 0, where a PBO
// cut short or damaged further on does not. Reads from the start; the position changes.
bool StartsLikeArchive(FileHandle file);

// True when the file at `path` reads as a PBO: it starts like one, its header walks to the
// end-of-header entry, every name is text and the data area fits in the file. Nothing is written;
// a file that cannot be opened or read is simply not one.
bool LooksLikeArchive(const char* path);

}  // namespace qp
