// Benchmark: deleting 1,000 entries scattered through a 20,000-entry, 200 MiB archive, beside
// one copy of the archive. An argument sets the runs of which the best counts (3).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editing/delete_files.h"
#include "bench/bench_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 20000;
constexpr std::uint32_t kEntrySize = (200u << 20) / kEntries;
constexpr int kDeleteEvery = kEntries / 1000;

std::string EntryName(int index) {
    return "data\\textures\\item_" + std::to_string(index) + ".paa";
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const fs::path folder = qp::bench::ScratchFolder("quillpack-bench-delete");
    const fs::path original = folder / "original.pbo";
    const std::string edited = (folder / "edited.pbo").string();
    qp::bench::WriteStoredArchive(original, kEntries, kEntrySize, EntryName);
    const std::uintmax_t size_before = fs::file_size(original);

    std::string list;
    for (int i = kDeleteEvery / 2; i < kEntries; i += kDeleteEvery) list += EntryName(i) + '\0';
    list += '\0';

    const std::string copy = qp::bench::CopyCommand(original, folder / "copy.pbo");
    const double copy_seconds = qp::bench::BestShellSeconds(copy);
    const double synced_seconds =
        qp::bench::BestShellSeconds(qp::bench::Synced(copy, folder / "copy.pbo"));
    auto fresh_copy = [&] {
        fs::copy_file(original, edited, fs::copy_options::overwrite_existing);
    };
    qp::Progress progress;
    qp::DeleteMap map;
    fresh_copy();
    const double map_seconds = qp::bench::BestSeconds(
        [&] { map = qp::BuildDeleteMap(edited.c_str(), list.c_str(), progress); }, {}, runs);
    qp::Outcome outcome = qp::Outcome::ok;
    const double delete_seconds = qp::bench::BestSeconds(
        [&] { outcome = qp::DeleteFiles(edited.c_str(), list.c_str(), progress); }, fresh_copy,
        runs);
    const std::uintmax_t size_after = fs::file_size(edited);

    std::printf("archive: %d entries, %ju bytes; deleting %d entries; load %s\n", kEntries,
                size_before, kEntries / kDeleteEvery, qp::bench::LoadAverage().c_str());
    std::printf("copy once (cp):           %8.3f s\n", copy_seconds);
    std::printf("cp, then sync of the copy:%8.3f s\n", synced_seconds);
    std::printf("delete map alone:         %8.3f s, %zu ranges\n", map_seconds, map.ranges.size());
    std::printf("DeleteFiles (map + cuts): %8.3f s, outcome %d, %ju bytes left (%ju cut)\n",
                delete_seconds, static_cast<int>(outcome), size_after, size_before - size_after);
    std::printf("deletion / copy:          %8.2f x (goal: within 1.5x); / synced copy %.2f x\n",
                delete_seconds / copy_seconds, delete_seconds / synced_seconds);
    fs::remove_all(folder);
    return outcome == qp::Outcome::ok ? 0 : 1;
}
