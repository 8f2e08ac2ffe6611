// Benchmark: packing 500 files of 100 KB into an existing 200 MB archive, through PackFiles and the
// tool, in pairs beside durable copies, warm and cold: cp of the archive, and cp and cat of the
// archive and the files, each followed by a sync.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_pairs.h"
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
    std::vector<fs::path> inputs = {root / "bench.pbo"};
    for (const std::string& name : names) {
        list += name + '\0';
        inputs.push_back(root / "src" / name);
    }
    list += '\0';
    const std::string src = (root / "src").string() + "/";
    const std::string archive = inputs.front().string();
    const fs::path existing = root / "existing.pbo";
    qp::bench::WriteStoredArchive(existing, kArchiveEntries, kArchiveEntrySize,
                                  [](int i) { return "old\\entry_" + std::to_string(i) + ".paa"; });

    const auto fresh_copy = [&] {
        fs::copy_file(existing, archive, fs::copy_options::overwrite_existing);
    };
    const std::string tool_command =
        std::string("'") + QUILLPACK_TOOL + "' pack '" + archive + "' -C '" + src + "' folder0";
    bool failed = false;
    qp::Progress progress;
    const std::vector<qp::bench::Side> ours = {
        {.label = "PackFiles into the archive",
         .inputs = inputs,
         .prepare = fresh_copy,
         .run =
             [&] {
                 failed |= qp::PackFiles(archive.c_str(), nullptr, src.c_str(), list.c_str(),
                                         qp::NewArchiveSettings{}, progress) != qp::Outcome::ok;
             },
         .phases = true},
        {.label = "quillpack pack into the archive",
         .inputs = inputs,
         .prepare = fresh_copy,
         .run = [&] { failed |= std::system(tool_command.c_str()) != 0; },
         .program = QUILLPACK_TOOL},
    };
    // cp of the archive, to a new file and over a copy; cp and cat of the archive and the new
    // files: the bytes the edit reads, and as many as it writes.
    const fs::path copy = root / "copy.pbo";
    const fs::path copies_folder = root / "copies";
    std::vector<fs::path> read_inputs = inputs;
    read_inputs.front() = existing;
    std::string all;
    for (const fs::path& input : read_inputs) all += " '" + input.string() + "'";
    const std::vector<qp::bench::Reference> copies =
        qp::bench::CopiesOf(existing, copy, "the archive");
    const std::vector<qp::bench::Reference> references = {
        copies[0],
        copies[2],
        {"cp + sync of archive and files", read_inputs,
         "mkdir '" + copies_folder.string() + "' && cp" + all + " '" + copies_folder.string() + "'",
         copies_folder},
        {"cat + sync of archive and files", read_inputs, "cat" + all + " > '" + copy.string() + "'",
         copy}};
    std::printf("P6: %d files x %zu bytes into an archive of %ju bytes\n", kFiles, kFileSize,
                static_cast<std::uintmax_t>(fs::file_size(existing)));
    for (const qp::bench::Cache cache : {qp::bench::Cache::warm, qp::bench::Cache::cold}) {
        qp::bench::ComparePairs(cache, kPairs, ours, references, 1.5);
    }
    qp::bench::PrintProgramStart(QUILLPACK_TOOL);
    fs::remove_all(root);
    return failed ? 1 : 0;
}
