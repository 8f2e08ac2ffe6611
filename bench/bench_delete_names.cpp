// Benchmark: deleting 1,000 and 100,000 entries by name from a 10^6-entry archive, as the tool
// does (every name looked up, the archive written again once), beside one copy of the archive.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "editing/delete_files.h"
#include "bench/bench_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 1000000;
constexpr std::uint32_t kEntrySize = 16;

std::string EntryName(int index) {
    return "addons\\data\\item_" + std::to_string(index) + ".paa";
}

// A host list of every `step`-th entry's name, in letter case other than the archive's, as
// scripts often give them: `count` names.
std::string ListOf(int count) {
    std::string list;
    const int step = kEntries / count;
    for (int i = step / 2; i < kEntries; i += step)
        list += "ADDONS\\Data\\" + EntryName(i).substr(12) + '\0';
    return list + '\0';
}

}  // namespace

int main() {
    const fs::path folder = qp::bench::ScratchFolder("quillpack-bench-delete-names");
    const fs::path original = folder / "original.pbo";
    const std::string edited = (folder / "edited.pbo").string();
    qp::bench::WriteStoredArchive(original, kEntries, kEntrySize, EntryName);
    const std::string copy = qp::bench::CopyCommand(original, folder / "copy.pbo");
    const double copy_seconds = qp::bench::BestShellSeconds(copy);
    const double synced_seconds =
        qp::bench::BestShellSeconds(qp::bench::Synced(copy, folder / "copy.pbo"));
    std::printf("archive: %d entries, %ju bytes; load %s\n", kEntries, fs::file_size(original),
                qp::bench::LoadAverage().c_str());
    std::printf("copy once (cp):                 %8.3f s; cp, then sync %.3f s\n", copy_seconds,
                synced_seconds);
    int status = 0;
    for (const int count : {1000, 100000}) {
        const std::string list = ListOf(count);
        std::vector<std::string> unmatched;
        qp::EditResult result;
        qp::Progress progress;
        const double seconds = qp::bench::BestSeconds(
            [&] {
                unmatched.clear();
                result = qp::DeleteEntries(edited.c_str(), list.c_str(), progress, &unmatched);
            },
            [&] { fs::copy_file(original, edited, fs::copy_options::overwrite_existing); });
        const bool whole = result.outcome == qp::Outcome::ok && unmatched.empty();
        std::printf("delete %6d names by name:    %8.3f s, %.1f x the synced copy%s\n", count,
                    seconds, seconds / synced_seconds, whole ? "" : " (FAILED)");
        if (!whole) status = 1;
    }
    fs::remove_all(folder);
    return status;
}
