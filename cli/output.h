// Standard output through one buffer that text is formatted into and written out of in large
// pieces: a listing of a million entries is a few writes, not a million formatted prints.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace qp::cli {

struct Output {
    std::vector<char> buffer;
    std::size_t used = 0;  // bytes held, not written yet
    bool failed = false;   // a write failed: the output is incomplete
};

// Room for `bytes` more after what is held; what is held may be written out first. Text is
// formatted straight into it, then Commit takes it up to `end`.
char* Room(Output& out, std::size_t bytes);
void Commit(Output& out, const char* end);
// Takes plain text as it is.
void Put(Output& out, std::string_view text);

// Writes the rest and flushes standard output; false when any write failed (a full disk, a
// closed pipe), so that the command can say its output is incomplete.
bool FinishOutput(Output& out);

}  // namespace qp::cli
