// Benchmark: deleting every 20th of 20,000 entries of a 200 MiB archive through DeleteFiles, in
// pairs beside cp and cat of the archive each followed by a sync, warm and cold.
#include <cstdio>
#include <string>

#include "bench/bench_pairs.h"
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
    const fs::path edited = folder / "edited.pbo";
    qp::bench::WriteStoredArchive(original, kEntries, kEntrySize, EntryName);
    std::string list;
    for (int i = kDeleteEvery / 2; i < kEntries; i += kDeleteEvery) list += EntryName(i) + '\0';
    list += '\0';

    bool failed = false;
    qp::Progress progress;
    const qp::bench::Side deletion{
        .label = "DeleteFiles",
        .inputs = {edited},
        .prepare = [&] { fs::copy_file(original, edited, fs::copy_options::overwrite_existing); },
        .run =
            [&] {
                failed |=
                    qp::DeleteFiles(edited.c_str(), list.c_str(), progress) != qp::Outcome::ok;
            },
        .phases = true};
    const std::vector<qp::bench::Reference> references =
        qp::bench::CopiesOf(original, folder / "copy.pbo", "the archive");
    std::printf("P3i: deleting %d of %d entries from %ju bytes\n", kEntries / kDeleteEvery,
                kEntries, static_cast<std::uintmax_t>(fs::file_size(original)));
    for (const qp::bench::Cache cache : {qp::bench::Cache::warm, qp::bench::Cache::cold}) {
        qp::bench::ComparePairs(cache, kPairs, {deletion}, references, 1.3);
    }
    fs::remove_all(folder);
    return failed ? 1 : 0;
}
