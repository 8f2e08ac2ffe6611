// Benchmark: packing 500 files (50 MB) into a new archive, beside cat of the same files.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editing/pack_files.h"
#include "pbo/entry_locator.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;
constexpr std::size_t kFileSize = 100000;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / "quillpack-bench-pack";
    fs::remove_all(root);
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

    auto start = std::chrono::steady_clock::now();
    qp::Progress progress;
    const qp::Outcome outcome = qp::PackFiles(archive.c_str(), nullptr, src.c_str(), list.c_str(),
                                              qp::NewArchiveSettings{}, progress);
    const double pack_seconds = SecondsSince(start);

    start = std::chrono::steady_clock::now();
    const int cat_status =
        std::system((cat_command + " > '" + (root / "cat.bin").string() + "'").c_str());
    const double cat_seconds = SecondsSince(start);

    // One header walk over the finished archive: packing makes one per file, over a header
    // that grows from 0 to 500 entries, so about 250 of these.
    const qp::OpenResult file = qp::OpenFile(archive.c_str(), qp::OpenMode::read);
    qp::EntryLocation at{};
    start = std::chrono::steady_clock::now();
    qp::FindEntry(file.handle, "absent", at);
    const double walk_seconds = SecondsSince(start);
    qp::CloseFile(file.handle);

    std::printf("files: %d x %zu bytes = %.1f MB\n", kFiles, kFileSize, kFiles * kFileSize / 1e6);
    std::printf("PackFiles (core, new archive): %.3f s  (outcome %d, archive %ju bytes)\n",
                pack_seconds, static_cast<int>(outcome),
                static_cast<std::uintmax_t>(fs::file_size(archive)));
    std::printf("cat of the same files:         %.3f s  (status %d)\n", cat_seconds, cat_status);
    std::printf("FindEntry over 500 entries:    %.4f s, ~%.2f s in all for the run\n", walk_seconds,
                walk_seconds * kFiles / 2);
    fs::remove_all(root);
    return outcome == qp::Outcome::ok ? 0 : 1;
}
