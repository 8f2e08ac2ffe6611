// Standard output through one buffer written out in large pieces: a listing of a million entries
// is a few writes, not a million formatted prints.
#pragma once

#include <string>

namespace qp::cli {

struct Output {
    std::string text;     // what is not written yet
    bool failed = false;  // a write failed: the output is incomplete
};

// Writes the buffer out once it holds a good piece.
void FlushWhenFull(Output& out);
// Writes the rest and flushes standard output; false when any write failed (a full disk, a
// closed pipe), so that the command can say its output is incomplete.
bool FinishOutput(Output& out);

}  // namespace qp::cli
