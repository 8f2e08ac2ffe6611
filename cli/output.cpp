// The output buffer's room and its writes to standard output.
#include "cli/output.h"

#include <cstdio>
#include <cstring>

namespace qp::cli {
namespace {

// Few writes, and a buffer that stays in the processor's cache while text is formatted into it:
// of the sizes measured for a listing, 128 KiB was the quickest (a megabyte took half as long
// again).
constexpr std::size_t kPiece = 128 * 1024;

void WriteOut(Output& out) {
    if (!out.failed && out.used != 0 &&
        std::fwrite(out.buffer.data(), 1, out.used, stdout) != out.used) {
        out.failed = true;
    }
    out.used = 0;
}

}  // namespace

char* Room(Output& out, std::size_t bytes) {
    if (out.used + bytes > out.buffer.size()) {
        WriteOut(out);
        if (bytes > out.buffer.size()) out.buffer.resize(bytes > kPiece ? bytes : kPiece);
    }
    return out.buffer.data() + out.used;
}

void Commit(Output& out, const char* end) {
    out.used = static_cast<std::size_t>(end - out.buffer.data());
}

void Put(Output& out, std::string_view text) {
    char* at = Room(out, text.size());
    std::memcpy(at, text.data(), text.size());
    Commit(out, at + text.size());
}

bool FinishOutput(Output& out) {
    WriteOut(out);
    if (std::fflush(stdout) != 0) out.failed = true;
    return !out.failed;
}

}  // namespace qp::cli
