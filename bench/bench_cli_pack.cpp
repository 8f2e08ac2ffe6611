// Benchmark: `quillpack pack` of 2,000 files (200 MB) into a new archive, beside `cat` of them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileSize = 100000;

// Runs a shell command and returns its wall-clock seconds, or -1 when it fails.
double TimeCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return status == 0 ? seconds : -1;
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / "quillpack-bench-cli";
    fs::remove_all(root);
    std::string bytes(kFileSize, '\0');
    std::uint32_t seed = 7;
    for (int i = 0; i < kFiles; ++i) {
        const fs::path folder = root / "src" / ("folder" + std::to_string(i / 100));
        fs::create_directories(folder);
        for (char& byte : bytes)
            byte = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        std::ofstream(folder / ("file" + std::to_string(i) + ".bin"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const std::string src = (root / "src").string();
    const std::string cat = "find '" + src + "' -type f -print0 | sort -z | xargs -0 cat > '" +
                            (root / "cat.bin").string() + "'";
    const std::string pack = std::string("'") + QUILLPACK_TOOL + "' pack '" +
                             (root / "bench.pbo").string() + "' -C '" + src + "' .";
    double best_cat = 1e9;
    double best_pack = 1e9;
    for (int round = 0; round < 3; ++round) {
        fs::remove(root / "cat.bin");
        fs::remove(root / "bench.pbo");
        const double cat_seconds = TimeCommand(cat);
        const double pack_seconds = TimeCommand(pack);
        if (cat_seconds < 0 || pack_seconds < 0) {
            std::fprintf(stderr, "bench_cli_pack: a command failed\n");
            return 1;
        }
        if (cat_seconds < best_cat) best_cat = cat_seconds;
        if (pack_seconds < best_pack) best_pack = pack_seconds;
    }
    std::printf("files: %d x %zu bytes = %.0f MB (best of 3 runs each)\n", kFiles, kFileSize,
                kFiles * kFileSize / 1e6);
    std::printf("quillpack pack (new archive): %.3f s\n", best_pack);
    std::printf("cat of the same files:        %.3f s\n", best_cat);
    std::printf("ratio: %.2fx\n", best_pack / best_cat);
    fs::remove_all(root);
    return 0;
}
