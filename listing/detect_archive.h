// Telling a PBO by its content, whatever the file is called.
#pragma once

namespace qp {

// True when the file at `path` reads as a PBO: its first entry is the header extension or a
// named entry, its header walks to the end-of-header entry, every name is text (no control
// characters) and the data area fits in the file. Nothing is written; a file that cannot be
// opened or read is simply not one.
bool LooksLikeArchive(const char* path);

}  // namespace qp
