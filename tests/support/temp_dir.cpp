// Scratch folders under the system's temporary folder.
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace qp::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
    // Tests run in parallel processes: the random part keeps their folders apart.
    static std::atomic<int> counter{0};
    static const unsigned process_tag = std::random_device{}();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir =
        fs::temp_directory_path() / ("quillpack-test-" + std::to_string(process_tag) + "-" +
                                     std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(dir);
    path = dir.string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string TempDir::File(const std::string& name) const {
    return (fs::path(path) / name).string();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    return fs::exists(path);
}

}  // namespace qp::test
