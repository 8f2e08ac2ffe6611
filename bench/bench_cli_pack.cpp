// Benchmark: packing 2,000 files (200 MB) into a new archive through `quillpack pack` and through
// PackFiles, beside `cat` of the files and a sync of its output, each from a clean page cache.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "editing/pack_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileSize = 100000;
constexpr int kPairs = 5;

}  // namespace

int main() {
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-cli");
    const std::vector<std::string> names =
        qp::bench::WriteSourceFiles(root / "src", kFiles, kFileSize, 100);
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    list += '\0';
    const std::string src = (root / "src").string();
    const fs::path cat_target = root / "cat.bin";
    const std::string cat = "find '" + src + "' -type f -print0 | sort -z | xargs -0 cat > '" +
                            cat_target.string() + "'";
    const std::string archive = (root / "bench.pbo").string();
    const std::string pack =
        std::string("'") + QUILLPACK_TOOL + "' pack '" + archive + "' -C '" + src + "' .";
    const std::string load_before = qp::bench::LoadAverage();

    std::vector<qp::bench::Timing> tool, plugin;
    std::vector<double> after_report;
    std::vector<qp::bench::Reference> cats;
    bool failed = false;
    for (int pair = 0; pair < kPairs; ++pair) {
        fs::remove(cat_target);
        cats.push_back(qp::bench::TimedReference(cat, cat_target));
        fs::remove(archive);
        tool.push_back(qp::bench::Timed([&] { failed |= std::system(pack.c_str()) != 0; }));
        fs::remove(archive);
        qp::bench::ReportClock clock;
        plugin.push_back(qp::bench::Timed([&] {
            qp::bench::StartReportClock(clock);
            failed |= qp::PackFiles(archive.c_str(), nullptr, (src + "/").c_str(), list.c_str(),
                                    qp::NewArchiveSettings{}, clock.progress) != qp::Outcome::ok;
            after_report.push_back(qp::bench::SecondsSinceLastReport(clock));
        }));
    }

    std::printf("P1: %d files x %zu bytes = %.0f MB into a new archive; load %s before, %s after\n",
                kFiles, kFileSize, kFiles * kFileSize / 1e6, load_before.c_str(),
                qp::bench::LoadAverage().c_str());
    qp::bench::PrintPairs("quillpack pack (new archive):", tool, {},
                          "cat + sync of the files:", cats, 1.2);
    qp::bench::PrintPairs("PackFiles (new archive):", plugin, after_report,
                          "cat + sync of the files:", cats, 1.2);
    fs::remove_all(root);
    return failed ? 1 : 0;
}
