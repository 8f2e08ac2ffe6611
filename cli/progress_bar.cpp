// Draws the core's percentage reports as a one-line bar; byte counts are summed.
#include "cli/progress_bar.h"

#include <cstdio>
#include <string>

#include "cli/interrupt.h"
#include "cli/name_text.h"
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

// The name as names are shown, cut to 40 bytes where no UTF-8 sequence is cut in two.
std::string BarName(const char* name) {
    std::string shown = ShownName(name);
    if (shown.size() <= 40) return shown;
    std::size_t end = 40;
    while (end > 0 && (static_cast<unsigned char>(shown[end]) & 0xC0) == 0x80) --end;
    shown.resize(end);
    return shown;
}

bool Draw(void*, const char* name, int size) {
    // An interrupt stops the command here, at a report, where it can stop cleanly.
    if (InterruptSignal() != 0) return false;
    if (!StandardErrorIsTerminal()) return true;
    constexpr int kWidth = 30;
    if (size >= 0) {
        bytes_done += size;
        std::fprintf(stderr, "\r%12lld bytes  %s\033[K", bytes_done, BarName(name).c_str());
    } else {
        const int percent = -size > 100 ? 100 : -size;
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i) bar[i] = i < percent * kWidth / 100 ? '#' : '.';
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\r[%s] %3d%%  %s\033[K", bar, percent, BarName(name).c_str());
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
