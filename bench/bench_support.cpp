// Timing, scratch folders and archive writing for the benchmarks.
#include "bench/bench_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <thread>

#include "pbo/entry_record.h"

namespace qp::bench {
namespace {

void AppendRecord(std::string& header, const EntryRecord& record) {
    std::uint8_t bytes[kRecordSize];
    EncodeRecord(record, bytes);
    header.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace

double BestSeconds(const std::function<void()>& run, const std::function<void()>& prepare,
                   int runs) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

double BestShellSeconds(const std::string& command) {
    return BestSeconds([&] { Shell(command); });
}

std::string CopyCommand(const std::filesystem::path& source, const std::filesystem::path& target) {
    return "cp '" + source.string() + "' '" + target.string() + "'";
}

std::string Synced(const std::string& command, const std::filesystem::path& target) {
    return command + " && sync '" + target.string() + "'";
}

std::filesystem::path ScratchFolder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::uint32_t WriteStoredArchive(const std::filesystem::path& path, int entries,
                                 std::uint32_t entry_size,
                                 const std::function<std::string(int)>& name_of) {
    std::string header(1, '\0');
    AppendRecord(header, {kMethodVersion, 0, 0, 0, 0});
    header.append("prefix\0bench\\addon\0\0", 20);
    for (int i = 0; i < entries; ++i) {
        header += name_of(i);
        header.push_back('\0');
        AppendRecord(header, {kMethodStored, 0, 0, 1700000000, entry_size});
    }
    header.append(kEntryOverhead, '\0');
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::string data(entry_size, '\0');
    for (int i = 0; i < entries; ++i) {
        for (std::uint32_t b = 0; b < entry_size; ++b) data[b] = static_cast<char>(i * 31 + b);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    out.put('\0');
    out.write(kTrailerText, kTrailerSize - 1);
    return static_cast<std::uint32_t>(header.size());
}

std::string LoadAverage() {
    std::ifstream loadavg("/proc/loadavg");
    std::string one_minute;
    loadavg >> one_minute;
    return one_minute.empty() ? "unknown" : one_minute;
}

std::vector<std::string> WriteSourceFiles(const std::filesystem::path& folder, int count,
                                          std::size_t size, int per_folder) {
    std::vector<std::string> names;
    std::string bytes(size, '\0');
    std::uint32_t seed = 7;
    for (int i = 0; i < count; ++i) {
        const std::string sub = "folder" + std::to_string(i / per_folder);
        std::filesystem::create_directories(folder / sub);
        for (char& byte : bytes)
            byte = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        names.push_back(sub + "/file" + std::to_string(i) + ".bin");
        std::ofstream(folder / names.back(), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return names;
}

namespace {

// Dirty and writeback pages of the whole system, in kB.
long PendingKilobytes() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    long value = 0;
    long pending = 0;
    std::string unit;
    while (meminfo >> key >> value) {
        if (key == "Dirty:" || key == "Writeback:") pending += value;
        std::getline(meminfo, unit);
    }
    return pending;
}

// User and system seconds so far.
Timing CpuNow() {
    Timing cpu{0, 0, 0};
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        cpu.user += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
        cpu.system += usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    }
    return cpu;
}

}  // namespace

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

Timing MedianTiming(const std::function<void()>& run, const std::function<void()>& prepare,
                    int runs) {
    std::vector<double> seconds, user, system;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const Timing timing = Timed(run);
        seconds.push_back(timing.seconds);
        user.push_back(timing.user);
        system.push_back(timing.system);
    }
    return {Median(seconds), Median(user), Median(system)};
}

void Settle() {
    ::sync();
    for (int i = 0; i < 300 && PendingKilobytes() > 2048; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

Timing Timed(const std::function<void()>& run) {
    const Timing before = CpuNow();
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const Timing after = CpuNow();
    return {took.count(), after.user - before.user, after.system - before.system};
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

int RunQuiet(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qp::bench
