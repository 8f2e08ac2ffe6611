// Benchmark: packing 500 files of 100 KB into an existing 200 MB archive, through PackFiles and
// the tool, each beside cp of the archive and a sync of the copy, from a clean page cache.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "editing/pack_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;
constexpr std::size_t kFileSize = 100000;
constexpr int kArchiveEntries = 2000;
constexpr std::uint32_t kArchiveEntrySize = (200u << 20) / kArchiveEntries;
constexpr int kPairs = 5;

}  // namespace

int main() {
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-pack");
    const std::vector<std::string> names =
        qp::bench::WriteSourceFiles(root / "src", kFiles, kFileSize, kFiles);
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    list += '\0';
    const std::string src = (root / "src").string() + "/";
    const std::string archive = (root / "bench.pbo").string();
    const fs::path existing = root / "existing.pbo";
    qp::bench::WriteStoredArchive(existing, kArchiveEntries, kArchiveEntrySize,
                                  [](int i) { return "old\\entry_" + std::to_string(i) + ".paa"; });
    const std::string load_before = qp::bench::LoadAverage();

    const auto fresh_copy = [&] {
        fs::copy_file(existing, archive, fs::copy_options::overwrite_existing);
    };
    const std::string tool_command =
        std::string("'") + QUILLPACK_TOOL + "' pack '" + archive + "' -C '" + src + "' folder0";
    std::vector<qp::bench::Timing> plugin, tool;
    std::vector<double> after_report;
    std::vector<qp::bench::Reference> copies;
    bool failed = false;
    for (int pair = 0; pair < kPairs; ++pair) {
        fs::remove(root / "copy.pbo");
        copies.push_back(qp::bench::TimedReference(
            qp::bench::CopyCommand(existing, root / "copy.pbo"), root / "copy.pbo"));
        fresh_copy();
        qp::bench::ReportClock clock;
        plugin.push_back(qp::bench::Timed([&] {
            qp::bench::StartReportClock(clock);
            failed |= qp::PackFiles(archive.c_str(), nullptr, src.c_str(), list.c_str(),
                                    qp::NewArchiveSettings{}, clock.progress) != qp::Outcome::ok;
            after_report.push_back(qp::bench::SecondsSinceLastReport(clock));
        }));
        fresh_copy();
        tool.push_back(qp::bench::Timed([&] { failed |= std::system(tool_command.c_str()) != 0; }));
    }

    std::printf("P6: %d files x %zu bytes into an archive of %ju bytes; load %s before, %s after\n",
                kFiles, kFileSize, static_cast<std::uintmax_t>(fs::file_size(existing)),
                load_before.c_str(), qp::bench::LoadAverage().c_str());
    qp::bench::PrintPairs("PackFiles into the archive:", plugin, after_report,
                          "cp + sync of the archive:", copies, 1.5);
    qp::bench::PrintPairs("quillpack pack into the archive:", tool, {},
                          "cp + sync of the archive:", copies, 1.5);
    fs::remove_all(root);
    return failed ? 1 : 0;
}
