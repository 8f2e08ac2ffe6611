// Benchmark: the edits of bench_pack, bench_delete and bench_cli_pack through the real 64-bit
// plugin under Wine (bench_plugin.exe times each call), each beside cp or cat and a sync, warm and
// cold.
// Usage: bench_wine [WINE_RUN BENCH_PLUGIN_EXE PLUGIN]   (default: the win64 build's)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_pairs.h"

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
    FILE* output = popen(command.c_str(), "r");
    qp::bench::Timing timing{-1, -1, -1};
    int result = -1;
    if (output == nullptr ||
        std::fscanf(output, "%lf %lf %lf %d", &timing.seconds, &timing.user, &timing.system,
                    &result) != 4 ||
        pclose(output) != 0 || result != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return timing;
}

// The files below `folder` that the list names.
std::vector<fs::path> Under(const fs::path& folder, const std::vector<std::string>& names) {
    std::vector<fs::path> paths;
    for (const std::string& name : names) paths.push_back(folder / name);
    return paths;
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
    const auto fresh_copy = [&](const fs::path& from) {
        return [&archive, from] {
            fs::copy_file(from, archive, fs::copy_options::overwrite_existing);
        };
    };
    const auto edit = [](const std::string& command) {
        return [command] { return Edit(command); };
    };
    std::vector<fs::path> p6_inputs = Under(root / "p6", p6_files);
    p6_inputs.push_back(archive);
    const qp::bench::Side p6{.label = "PackFiles under Wine",
                             .inputs = p6_inputs,
                             .prepare = fresh_copy(existing),
                             .timed_run = edit(pack_p6)};
    const qp::bench::Side p3i{.label = "DeleteFiles under Wine",
                              .inputs = {archive},
                              .prepare = fresh_copy(many),
                              .timed_run = edit(delete_p3i)};
    const qp::bench::Side p1{.label = "PackFiles under Wine",
                             .inputs = Under(root / "p1", p1_files),
                             .prepare = [&archive] { fs::remove(archive); },
                             .timed_run = edit(pack_p1)};
    const auto cp = [&copy](const fs::path& from) {
        return qp::bench::Reference{
            "cp + sync of the archive", {from}, qp::bench::CopyCommand(from, copy), copy};
    };
    const qp::bench::Reference p1_cat{"cat + sync of the files", p1.inputs, cat, copy};
    std::printf("The 64-bit plugin under Wine\n");
    for (const qp::bench::Cache cache : {qp::bench::Cache::warm, qp::bench::Cache::cold}) {
        std::printf("P6: 500 files of 100 KB into a 200 MiB archive\n");
        qp::bench::ComparePairs(cache, kPairs, {p6}, {cp(existing)}, 1.5);
        std::printf("P3i: every 20th of 20,000 entries deleted from a 200 MiB archive\n");
        qp::bench::ComparePairs(cache, kPairs, {p3i}, {cp(many)}, 1.3);
        std::printf("P1: 2,000 files of 100 KB into a new archive\n");
        qp::bench::ComparePairs(cache, kPairs, {p1}, {p1_cat}, 1.2);
    }
    fs::remove_all(root);
    return 0;
}
