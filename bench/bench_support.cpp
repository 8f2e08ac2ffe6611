// Timing, scratch folders and archive writing for the benchmarks.
#include "bench/bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>

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
    return BestSeconds([&] {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
    });
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

}  // namespace qp::bench
