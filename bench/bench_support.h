// What the benchmarks share: scratch folders, best-of-three timing, timing with CPU time, archives
// and source files written straight.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qp::bench {

// The best of `runs` timings of `run` in seconds; `prepare` runs untimed before each.
double BestSeconds(const std::function<void()>& run, const std::function<void()>& prepare = {},
                   int runs = 3);

// A shell command's seconds, best of three; exits with a message when the command fails.
double BestShellSeconds(const std::string& command);

// "cp SOURCE TARGET" for the shell.
std::string CopyCommand(const std::filesystem::path& source, const std::filesystem::path& target);
// The same command, then the target flushed to disk as an edit flushes the archive it writes:
// "COMMAND && sync TARGET".
std::string Synced(const std::string& command, const std::filesystem::path& target);

// A fresh, empty folder under the system's temporary folder.
std::filesystem::path ScratchFolder(const std::string& name);

// An archive of stored entries: a "prefix" extension, `entries` header entries named by
// `name_of`, each with `entry_size` data bytes that differ from entry to entry, the end-of-header
// entry, the data and a trailer. Returns the size of the header, end-of-header entry included.
std::uint32_t WriteStoredArchive(const std::filesystem::path& path, int entries,
                                 std::uint32_t entry_size,
                                 const std::function<std::string(int)>& name_of);

// The load average over the last minute, for the figures' context.
std::string LoadAverage();

// `count` files of `size` pseudo-random bytes under `folder`, `per_folder` to a subfolder
// ("folder0/file0.bin"...); returns their names relative to `folder`, with `/`.
std::vector<std::string> WriteSourceFiles(const std::filesystem::path& folder, int count,
                                          std::size_t size, int per_folder);

// The middle one of `values` (the upper of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);

// Wall-clock seconds and CPU seconds (this process's threads and the children it waited for).
struct Timing {
    double seconds;
    double user;
    double system;
};
// The user and system seconds together.
inline double CpuSeconds(const Timing& timing) {
    return timing.user + timing.system;
}

// The medians of `runs` timings of `run`, wall clock and CPU (this process's and its children's),
// for figures taken on a machine others share: the CPU seconds are those of the work alone.
Timing MedianTiming(const std::function<void()>& run, const std::function<void()>& prepare = {},
                    int runs = 5);

// Nothing of ours dirty in the page cache: sync, then wait (30 s at most) until the system's
// dirty and writeback pages are under 2 MB, so that each timed side starts clean.
void Settle();
// Times `run`.
Timing Timed(const std::function<void()>& run);
// Runs a shell command; exits with a message when it fails.
void Shell(const std::string& command);

// Runs a program with these arguments (as many as the system takes, more than a shell command
// line holds), its output and errors going to /dev/null; its exit status.
int RunQuiet(const std::vector<std::string>& args);

}  // namespace qp::bench
