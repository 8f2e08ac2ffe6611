// Benchmark: deleting every 20th of 20,000 entries of a 200 MiB archive through DeleteFiles,
// beside cp of the archive and a sync of the copy, each from a clean page cache.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "editing/delete_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 20000;
constexpr std::uint32_t kEntrySize = (200u << 20) / kEntries;
constexpr int kDeleteEvery = 20;
constexpr int kPairs = 5;

std::string EntryName(int index) {
    return "data\\textures\\item_" + std::to_string(index) + ".paa";
}

}  // namespace

int main() {
    const fs::path folder = qp::bench::ScratchFolder("quillpack-bench-delete");
    const fs::path original = folder / "original.pbo";
    const std::string edited = (folder / "edited.pbo").string();
    qp::bench::WriteStoredArchive(original, kEntries, kEntrySize, EntryName);
    const std::uintmax_t size_before = fs::file_size(original);
    std::string list;
    for (int i = kDeleteEvery / 2; i < kEntries; i += kDeleteEvery) list += EntryName(i) + '\0';
    list += '\0';
    const std::string load_before = qp::bench::LoadAverage();

    std::vector<qp::bench::Timing> deletions;
    std::vector<double> after_report;
    std::vector<qp::bench::Reference> copies;
    qp::Outcome outcome = qp::Outcome::ok;
    for (int pair = 0; pair < kPairs && outcome == qp::Outcome::ok; ++pair) {
        fs::remove(folder / "copy.pbo");
        copies.push_back(qp::bench::TimedReference(
            qp::bench::CopyCommand(original, folder / "copy.pbo"), folder / "copy.pbo"));
        fs::copy_file(original, edited, fs::copy_options::overwrite_existing);
        qp::bench::ReportClock clock;
        deletions.push_back(qp::bench::Timed([&] {
            qp::bench::StartReportClock(clock);
            outcome = qp::DeleteFiles(edited.c_str(), list.c_str(), clock.progress);
            after_report.push_back(qp::bench::SecondsSinceLastReport(clock));
        }));
    }

    std::printf(
        "P3i: deleting %d of %d entries from %ju bytes (%ju left); load %s before, %s after\n",
        kEntries / kDeleteEvery, kEntries, size_before,
        static_cast<std::uintmax_t>(fs::file_size(edited)), load_before.c_str(),
        qp::bench::LoadAverage().c_str());
    qp::bench::PrintPairs("DeleteFiles:", deletions, after_report,
                          "cp + sync of the archive:", copies, 1.3);
    fs::remove_all(folder);
    return outcome == qp::Outcome::ok ? 0 : 1;
}
