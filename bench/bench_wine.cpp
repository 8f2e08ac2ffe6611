// Benchmark: the edits of bench_pack, bench_delete and bench_cli_pack through the real 64-bit
// plugin under Wine (bench_plugin.exe times each call), each beside cp or cat and a sync.
// Usage: bench_wine [WINE_RUN BENCH_PLUGIN_EXE PLUGIN]   (default: the win64 build's)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPairs = 5;
constexpr std::size_t kFileSize = 100000;
constexpr int kArchiveEntries = 2000;
constexpr int kDeleteEntries = 20000;

// The path as a Windows program under Wine sees it.
std::string WinePath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    for (char& c : text) c = c == '/' ? '\\' : c;
    return text;
}

// Writes the items, with backslashes, one a line.
fs::path ListFile(const fs::path& path, const std::vector<std::string>& items) {
    std::ofstream out(path);
    for (std::string item : items) {
        for (char& c : item) c = c == '/' ? '\\' : c;
        out << item << '\n';
    }
    return path;
}

// Runs the plugin's edit under Wine; the seconds of the call alone, as the program took them.
qp::bench::Timing Edit(const std::string& command) {
    qp::bench::Settle();
    FILE* output = popen(command.c_str(), "r");
    double seconds = -1;
    double cpu = -1;
    int result = -1;
    if (output == nullptr || std::fscanf(output, "%lf %lf %d", &seconds, &cpu, &result) != 3 ||
        pclose(output) != 0 || result != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return {seconds, cpu};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string wine_run = argc > 3 ? argv[1] : WIN64_BUILD "/wine-run";
    const std::string exe = argc > 3 ? argv[2] : WIN64_BUILD "/bench_plugin.exe";
    const std::string plugin = argc > 3 ? argv[3] : WIN64_BUILD "/quillpack.wcx64";
    const std::string run = "'" + wine_run + "' '" + exe + "' '" + plugin + "' ";
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-wine");
    const std::vector<std::string> p6_files =
        qp::bench::WriteSourceFiles(root / "p6", 500, kFileSize, 500);
    const std::vector<std::string> p1_files =
        qp::bench::WriteSourceFiles(root / "p1", 2000, kFileSize, 100);
    const fs::path existing = root / "existing.pbo";
    qp::bench::WriteStoredArchive(existing, kArchiveEntries, (200u << 20) / kArchiveEntries,
                                  [](int i) { return "old\\entry_" + std::to_string(i) + ".paa"; });
    const fs::path many = root / "many.pbo";
    const auto many_name = [](int i) { return "data\\item_" + std::to_string(i) + ".paa"; };
    qp::bench::WriteStoredArchive(many, kDeleteEntries, (200u << 20) / kDeleteEntries, many_name);
    std::vector<std::string> gone;
    for (int i = 10; i < kDeleteEntries; i += 20) gone.push_back(many_name(i));
    const fs::path archive = root / "edited.pbo";
    const std::string pack_p6 = run + "pack '" + WinePath(archive) + "' '" + WinePath(root / "p6") +
                                "\\' '" + WinePath(ListFile(root / "p6.txt", p6_files)) + "'";
    const std::string pack_p1 = run + "pack '" + WinePath(archive) + "' '" + WinePath(root / "p1") +
                                "\\' '" + WinePath(ListFile(root / "p1.txt", p1_files)) + "'";
    const std::string delete_p3i = run + "delete '" + WinePath(archive) + "' '" +
                                   WinePath(ListFile(root / "gone.txt", gone)) + "'";
    const fs::path copy = root / "copy.bin";
    const std::string cat = "find '" + (root / "p1").string() +
                            "' -type f -print0 | sort -z | xargs -0 cat > '" + copy.string() + "'";
    Edit(run + "pack '" + WinePath(root / "warm.pbo") + "' '" + WinePath(root / "p6") + "\\' '" +
         WinePath(root / "p6.txt") + "'");  // Wine's first start, untimed
    const std::string load_before = qp::bench::LoadAverage();

    std::vector<qp::bench::Timing> p6, p3i, p1;
    std::vector<qp::bench::Reference> p6_copies, p3i_copies, p1_cats;
    for (int pair = 0; pair < kPairs; ++pair) {
        fs::remove(copy);
        p6_copies.push_back(
            qp::bench::TimedReference(qp::bench::CopyCommand(existing, copy), copy));
        fs::copy_file(existing, archive, fs::copy_options::overwrite_existing);
        p6.push_back(Edit(pack_p6));
        fs::remove(copy);
        p3i_copies.push_back(qp::bench::TimedReference(qp::bench::CopyCommand(many, copy), copy));
        fs::copy_file(many, archive, fs::copy_options::overwrite_existing);
        p3i.push_back(Edit(delete_p3i));
        fs::remove(copy);
        p1_cats.push_back(qp::bench::TimedReference(cat, copy));
        fs::remove(archive);
        p1.push_back(Edit(pack_p1));
    }

    std::printf("The 64-bit plugin under Wine; load %s before, %s after\n", load_before.c_str(),
                qp::bench::LoadAverage().c_str());
    std::printf("P6: 500 files of 100 KB into a 200 MiB archive\n");
    qp::bench::PrintPairs("PackFiles under Wine:", p6, {}, "cp + sync of the archive:", p6_copies,
                          1.5);
    std::printf("P3i: every 20th of 20,000 entries deleted from a 200 MiB archive\n");
    qp::bench::PrintPairs("DeleteFiles under Wine:", p3i, {},
                          "cp + sync of the archive:", p3i_copies, 1.3);
    std::printf("P1: 2,000 files of 100 KB into a new archive\n");
    qp::bench::PrintPairs("PackFiles under Wine:", p1, {}, "cat + sync of the files:", p1_cats,
                          1.2);
    fs::remove_all(root);
    return 0;
}
