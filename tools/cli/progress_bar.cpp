// Draws the core's percentage reports as a one-line bar; byte counts are summed.
#include "tools/cli/progress_bar.h"

#include <cstdio>

#include "tools/cli/interrupt.h"
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qp::cli {
namespace {

bool StandardErrorIsTerminal() {
#if defined(_WIN32)
    static const bool terminal = _isatty(2) != 0;
#else
    static const bool terminal = isatty(2) != 0;
#endif
    return terminal;
}

bool drawn = false;
long long bytes_done = 0;

bool Draw(void*, const char* name, int size) {
    // An interrupt stops the command here, at a report, where it can stop cleanly.
    if (InterruptSignal() != 0) return false;
    if (!StandardErrorIsTerminal()) return true;
    constexpr int kWidth = 30;
    if (size >= 0) {
        bytes_done += size;
        std::fprintf(stderr, "\r%12lld bytes  %.40s\033[K", bytes_done, name);
    } else {
        const int percent = -size > 100 ? 100 : -size;
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i) bar[i] = i < percent * kWidth / 100 ? '#' : '.';
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\r[%s] %3d%%  %.40s\033[K", bar, percent, name);
    }
    drawn = true;
    return true;
}

}  // namespace

Progress StartProgressBar() {
    return Progress{Draw, nullptr, false};
}

void EndProgressBar() {
    if (drawn) std::fprintf(stderr, "\r\033[K");
    drawn = false;
    bytes_done = 0;
}

}  // namespace qp::cli
