// What the benchmarks share: scratch folders, best-of-three timing, archives written straight.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

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

}  // namespace qp::bench
