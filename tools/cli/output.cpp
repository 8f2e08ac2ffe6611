// The output buffer's writes to standard output.
#include "tools/cli/output.h"

#include <cstdio>

namespace qp::cli {
namespace {

constexpr std::size_t kPiece = 1 << 20;

void WriteOut(Output& out) {
    if (!out.failed && !out.text.empty() &&
        std::fwrite(out.text.data(), 1, out.text.size(), stdout) != out.text.size()) {
        out.failed = true;
    }
    out.text.clear();
}

}  // namespace

void FlushWhenFull(Output& out) {
    if (out.text.size() >= kPiece) WriteOut(out);
}

bool FinishOutput(Output& out) {
    WriteOut(out);
    if (std::fflush(stdout) != 0) out.failed = true;
    return !out.failed;
}

}  // namespace qp::cli
