// Benchmark helper for Windows: loads the real plugin as the file manager does and times one
// PackFiles or DeleteFiles call, printing its wall-clock, user and kernel seconds (bench_wine
// drives it).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/wcx_host_driver.h"

namespace {

// The process's user and kernel seconds so far.
void CpuSeconds(double& user, double& kernel) {
    FILETIME created{}, ended{}, kernel_time{}, user_time{};
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel_time, &user_time);
    const auto seconds = [](const FILETIME& time) {
        return ((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
               1e7;
    };
    user = seconds(user_time);
    kernel = seconds(kernel_time);
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
    double user = 0, kernel = 0, user_after = 0, kernel_after = 0;
    CpuSeconds(user, kernel);
    const auto start = std::chrono::steady_clock::now();
    const int result = mode == "pack"
                           ? qp::host::PackFiles(plugin, argv[3], nullptr, argv[4], items, reports)
                           : qp::host::DeleteEntries(plugin, argv[3], items, reports);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    CpuSeconds(user_after, kernel_after);
    std::printf("%.6f %.6f %.6f %d\n", took.count(), user_after - user, kernel_after - kernel,
                result);
    qp::host::UnloadPlugin(plugin);
    return result == 0 ? 0 : 1;
}
