// Sums the core's byte reports and counts its files into one line, redrawn at most ten times a
// second: the reports of a copy come every kilobyte.
#include "cli/progress_bar.h"

#include <chrono>
#include <cstdio>
#include <cstring>
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

using Clock = std::chrono::steady_clock;

bool StandardErrorIsTerminal() {
#if defined(_WIN32)
    return _isatty(2) != 0;
#else
    return isatty(2) != 0;
#endif
}

struct Bar {
    bool shown = false;     // reports are drawn
    bool terminal = false;  // redrawn in place
    bool drawn = false;     // a line is on the terminal
    bool pending = false;   // a report came since the last line
    std::uint64_t files_total = 0;
    std::uint64_t files_done = 0;
    int percent = -1;  // of a command that reports shares of its work, not files
    long long bytes = 0;
    std::string name;
    std::string packing;  // the file whose "Packing - " report was counted last
    Clock::time_point start;
    Clock::time_point last_line;
};

Bar bar;

// The name as names are shown, cut to 40 bytes where no UTF-8 sequence is cut in two.
std::string BarName(const std::string& name) {
    std::string shown = ShownName(name);
    if (shown.size() <= 40) return shown;
    std::size_t end = 40;
    while (end > 0 && (static_cast<unsigned char>(shown[end]) & 0xC0) == 0x80) --end;
    shown.resize(end);
    return shown;
}

// "  12/316 files  3%  4.2 MB  12.5 MB/s  data\icon.paa"
void PutLine() {
    char done[96] = "";
    if (bar.files_total != 0) {
        const std::uint64_t files =
            bar.files_done < bar.files_total ? bar.files_done : bar.files_total;
        std::snprintf(done, sizeof done, "%llu/%llu files %3d%%",
                      static_cast<unsigned long long>(files),
                      static_cast<unsigned long long>(bar.files_total),
                      static_cast<int>(files * 100 / bar.files_total));
    } else if (bar.percent >= 0) {
        std::snprintf(done, sizeof done, "%3d%%", bar.percent);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - bar.start).count();
    const double megabytes = static_cast<double>(bar.bytes) / (1024.0 * 1024.0);
    char rate[32] = "";
    if (seconds >= 0.1) std::snprintf(rate, sizeof rate, "  %.1f MB/s", megabytes / seconds);
    std::fprintf(stderr, "%s%s  %.1f MB%s  %s%s", bar.terminal ? "\r" : "", done, megabytes, rate,
                 BarName(bar.name).c_str(), bar.terminal ? "\033[K" : "\n");
    bar.drawn = bar.terminal;
    bar.pending = false;
    bar.last_line = Clock::now();
}

void Drawn() {
    bar.pending = true;
    // A terminal line is redrawn ten times a second; a log gets a line a second.
    const auto every = bar.terminal ? std::chrono::milliseconds(100) : std::chrono::seconds(1);
    if (Clock::now() - bar.last_line >= every) PutLine();
}

bool Draw(void*, const char* name, int size) {
    // An interrupt stops the command here, at a report, where it can stop cleanly.
    if (InterruptSignal() != 0) return false;
    if (!bar.shown) return true;
    constexpr char kPacking[] = "Packing - ";
    if (size >= 0) {
        bar.bytes += size;
    } else if (std::strncmp(name, kPacking, sizeof kPacking - 1) == 0) {
        name += sizeof kPacking - 1;
        // An edit in place reports the rest of the archive it moves under the same file's name.
        if (bar.packing != name) ++bar.files_done;
        bar.packing = name;
    } else {
        bar.percent = -size > 100 ? 100 : -size;
    }
    bar.name = name;
    Drawn();
    return true;
}

}  // namespace

Progress StartProgressBar(bool always) {
    bar = Bar{};
    bar.terminal = StandardErrorIsTerminal();
    bar.shown = bar.terminal || always;
    bar.start = Clock::now();
    bar.last_line = bar.start - std::chrono::hours(1);
    return Progress{Draw, nullptr, false};
}

void ExpectFiles(std::uint64_t files) {
    bar.files_total = files;
}

void FileDone() {
    if (!bar.shown) return;
    ++bar.files_done;
    Drawn();
}

void EndProgressBar() {
    if (bar.pending) PutLine();
    if (bar.drawn) std::fprintf(stderr, "\r\033[K");
    bar = Bar{};
}

}  // namespace qp::cli
