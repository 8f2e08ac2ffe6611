// Benchmark helper for Windows: loads the real plugin as the file manager does and times one
// PackFiles or DeleteFiles call, printing its wall-clock and CPU seconds (bench_wine drives it).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/wcx_host_driver.h"

namespace {

double CpuSeconds() {
    FILETIME created{}, ended{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
}

std::vector<std::string> Lines(const char* path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[2] : "";
    if (!((mode == "pack" && argc == 6) || (mode == "delete" && argc == 5))) {
        std::fprintf(stderr,
                     "usage: bench_plugin PLUGIN pack ARCHIVE SRCDIR\\ LISTFILE\n"
                     "       bench_plugin PLUGIN delete ARCHIVE LISTFILE\n");
        return 2;
    }
    qp::host::Plugin plugin;
    std::string error;
    if (!qp::host::LoadPlugin(argv[1], plugin, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::vector<std::string> items = Lines(argv[argc - 1]);
    std::vector<qp::host::ProgressReport> reports;
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int result = mode == "pack"
                           ? qp::host::PackFiles(plugin, argv[3], nullptr, argv[4], items, reports)
                           : qp::host::DeleteEntries(plugin, argv[3], items, reports);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f %.6f %d\n", took.count(), CpuSeconds() - cpu, result);
    qp::host::UnloadPlugin(plugin);
    return result == 0 ? 0 : 1;
}
