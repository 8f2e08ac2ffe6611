// Benchmark: packing 2,000 files (200 MB) into a new archive through `quillpack pack` and through
// PackFiles, in pairs beside cat of the files and cp of one file of the same bytes, each followed
// by a sync, warm and cold; then 20,000 small files built, packed again and extracted.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_pairs.h"
#include "editing/pack_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileSize = 100000;
constexpr int kPairs = 5;
constexpr int kSmallFiles = 20000;

// Many small files: `quillpack build` of a folder of 20,000, `quillpack pack` of all of them again
// over the entries they made (each name looked up once however many entries), and `extract` of
// them: best of three.
void PrintManySmallFiles(const fs::path& root) {
    const fs::path folder = root / "small";
    qp::bench::WriteSourceFiles(folder, kSmallFiles, 64, 1000);
    const std::string archive = (root / "small.pbo").string();
    const std::string tool = std::string("'") + QUILLPACK_TOOL + "' ";
    const double build = qp::bench::BestShellSeconds(tool + "build '" + folder.string() + "' '" +
                                                     archive + "' 2>/dev/null");
    const double pack = qp::bench::BestShellSeconds(tool + "pack '" + archive + "' -C '" +
                                                    folder.string() + "' . >/dev/null");
    const double extract = qp::bench::BestShellSeconds(tool + "extract '" + archive + "' -C '" +
                                                       (root / "out").string() + "' --force");
    std::printf(
        "%d files of 64 bytes: quillpack build %.3f s, pack over their entries %.3f s, extract "
        "%.3f s\n",
        kSmallFiles, build, pack, extract);
}

}  // namespace

int main() {
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-cli");
    const std::vector<std::string> names =
        qp::bench::WriteSourceFiles(root / "src", kFiles, kFileSize, 100);
    std::string list;
    std::vector<fs::path> inputs;
    for (const std::string& name : names) {
        list += name + '\0';
        inputs.push_back(root / "src" / name);
    }
    list += '\0';
    const std::string src = (root / "src").string();
    const fs::path all = root / "all.bin";  // the files' bytes in one file, for cp
    const std::string cat_files = "find '" + src + "' -type f -print0 | sort -z | xargs -0 cat > ";
    qp::bench::Shell(cat_files + "'" + all.string() + "'");
    const std::string archive = (root / "bench.pbo").string();
    const std::string pack =
        std::string("'") + QUILLPACK_TOOL + "' pack '" + archive + "' -C '" + src + "' .";
    const auto no_archive = [&] { fs::remove(archive); };

    bool failed = false;
    qp::Progress progress;
    const std::vector<qp::bench::Side> ours = {
        {.label = "quillpack pack (new archive)",
         .inputs = inputs,
         .prepare = no_archive,
         .run = [&] { failed |= std::system(pack.c_str()) != 0; },
         .program = QUILLPACK_TOOL},
        {.label = "PackFiles (new archive)",
         .inputs = inputs,
         .prepare = no_archive,
         .run =
             [&] {
                 failed |=
                     qp::PackFiles(archive.c_str(), nullptr, (src + "/").c_str(), list.c_str(),
                                   qp::NewArchiveSettings{}, progress) != qp::Outcome::ok;
             },
         .phases = true},
    };
    const fs::path copy = root / "copy.bin";
    const std::vector<qp::bench::Reference> references = {
        {"cat + sync of the files", inputs, cat_files + "'" + copy.string() + "'", copy},
        {"cp + sync of their bytes", {all}, qp::bench::CopyCommand(all, copy), copy}};
    std::printf("P1: %d files x %zu bytes = %.0f MB into a new archive\n", kFiles, kFileSize,
                kFiles * kFileSize / 1e6);
    for (const qp::bench::Cache cache : {qp::bench::Cache::warm, qp::bench::Cache::cold}) {
        qp::bench::ComparePairs(cache, kPairs, ours, references, 1.2);
    }
    PrintManySmallFiles(root);
    fs::remove_all(root);
    return failed ? 1 : 0;
}
