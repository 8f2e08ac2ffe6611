// Benchmark: packing 500 files of 100 KB into a new archive (beside cat of the files), and into an
// existing 200 MiB archive through PackFiles and the tool (beside cp of the archive).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "editing/pack_files.h"
#include "bench/bench_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;
constexpr std::size_t kFileSize = 100000;
constexpr int kArchiveEntries = 2000;
constexpr std::uint32_t kArchiveEntrySize = (200u << 20) / kArchiveEntries;

// Packs the whole list through the core, as the host's one PackFiles call does.
qp::Outcome Pack(const std::string& archive, const std::string& src, const std::string& list) {
    qp::Progress progress;
    return qp::PackFiles(archive.c_str(), nullptr, src.c_str(), list.c_str(),
                         qp::NewArchiveSettings{}, progress);
}

}  // namespace

int main() {
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-pack");
    fs::create_directories(root / "src" / "data");
    std::string bytes(kFileSize, '\0');
    std::uint32_t seed = 1;
    std::string list;
    std::string cat_command = "cat";
    for (int i = 0; i < kFiles; ++i) {
        for (char& byte : bytes)
            byte = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        const std::string item = "data/file" + std::to_string(i) + ".bin";
        std::ofstream(root / "src" / item, std::ios::binary).write(bytes.data(), bytes.size());
        list += item + '\0';
        cat_command += " '" + (root / "src" / item).string() + "'";
    }
    list += '\0';
    const std::string src = (root / "src").string() + "/";
    const std::string archive = (root / "bench.pbo").string();
    const fs::path existing = root / "existing.pbo";
    qp::bench::WriteStoredArchive(existing, kArchiveEntries, kArchiveEntrySize,
                                  [](int i) { return "old\\entry_" + std::to_string(i) + ".paa"; });

    qp::Outcome created = qp::Outcome::ok;
    const double create_seconds = qp::bench::BestSeconds(
        [&] { created = Pack(archive, src, list); }, [&] { fs::remove(archive); });
    const std::string cat_to = cat_command + " > '" + (root / "cat.bin").string() + "'";
    const double cat_seconds = qp::bench::BestShellSeconds(cat_to);
    const double cat_synced = qp::bench::BestShellSeconds(qp::bench::Synced(cat_to, root / "cat.bin"));

    const auto fresh_copy = [&] {
        fs::copy_file(existing, archive, fs::copy_options::overwrite_existing);
    };
    qp::Outcome added = qp::Outcome::ok;
    const double add_seconds =
        qp::bench::BestSeconds([&] { added = Pack(archive, src, list); }, fresh_copy);
    const std::string tool_command =
        std::string("'") + QUILLPACK_TOOL + "' pack '" + archive + "' -C '" + src + "' data";
    const double tool_seconds = qp::bench::BestSeconds(
        [&] {
            if (std::system(tool_command.c_str()) != 0) added = qp::Outcome::write_failed;
        },
        fresh_copy);
    const std::string cp = qp::bench::CopyCommand(existing, root / "copy.pbo");
    const double cp_seconds = qp::bench::BestShellSeconds(cp);
    const double cp_synced = qp::bench::BestShellSeconds(qp::bench::Synced(cp, root / "copy.pbo"));

    std::printf("files: %d x %zu bytes = %.1f MB; existing archive %ju bytes; load %s\n",
                kFiles, kFileSize, kFiles * kFileSize / 1e6,
                static_cast<std::uintmax_t>(fs::file_size(existing)),
                qp::bench::LoadAverage().c_str());
    std::printf("new archive, PackFiles:      %7.3f s (outcome %d)\n", create_seconds,
                static_cast<int>(created));
    std::printf("cat of the same files:       %7.3f s  -> %.2fx (goal: within 1.5x)\n",
                cat_seconds, create_seconds / cat_seconds);
    std::printf("cat, then sync of its file:  %7.3f s  -> %.2fx\n", cat_synced,
                create_seconds / cat_synced);
    std::printf("into the archive, PackFiles: %7.3f s (outcome %d)\n", add_seconds,
                static_cast<int>(added));
    std::printf("into the archive, the tool:  %7.3f s\n", tool_seconds);
    std::printf("cp of the archive:           %7.3f s  -> %.2fx and %.2fx (goal: within 2x)\n",
                cp_seconds, add_seconds / cp_seconds, tool_seconds / cp_seconds);
    std::printf("cp, then sync of the copy:   %7.3f s  -> %.2fx and %.2fx\n", cp_synced,
                add_seconds / cp_synced, tool_seconds / cp_synced);
    fs::remove_all(root);
    return created == qp::Outcome::ok && added == qp::Outcome::ok ? 0 : 1;
}
