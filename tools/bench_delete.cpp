// Benchmark: deleting 100 entries scattered through a 2,000-entry, 100 MiB archive, beside one
// copy.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editing/delete_files.h"
#include "pbo/entry_record.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 2000;
constexpr std::uint32_t kEntrySize = (100u << 20) / kEntries;
constexpr int kDeleteEvery = kEntries / 100;

std::string EntryName(int index) {
    return "data\\textures\\item_" + std::to_string(index) + ".paa";
}

// A "prefix" extension, the entries' header entries, the end-of-header entry, data and trailer.
void WriteArchive(const std::string& path) {
    std::string header;
    std::uint8_t record[qp::kRecordSize];
    qp::EncodeRecord({qp::kMethodVersion, 0, 0, 0, 0}, record);
    header.push_back('\0');
    header.append(reinterpret_cast<const char*>(record), sizeof record);
    header.append("prefix\0bench\\addon\0\0", 20);
    for (int i = 0; i < kEntries; ++i) {
        header += EntryName(i);
        header.push_back('\0');
        qp::EncodeRecord({qp::kMethodStored, 0, 0, 1700000000, kEntrySize}, record);
        header.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    header.append(qp::kEntryOverhead, '\0');
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::string data(kEntrySize, '\0');
    for (int i = 0; i < kEntries; ++i) {
        for (std::uint32_t b = 0; b < kEntrySize; ++b) data[b] = static_cast<char>(i * 31 + b);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    out.put('\0');
    out.write(qp::kTrailerText, qp::kTrailerSize - 1);
}

double Seconds(const std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / "quillpack-bench-delete";
    fs::create_directories(dir);
    const std::string original = (dir / "original.pbo").string();
    const std::string edited = (dir / "edited.pbo").string();
    WriteArchive(original);
    fs::copy_file(original, edited, fs::copy_options::overwrite_existing);
    const std::uintmax_t size_before = fs::file_size(edited);

    std::string list;
    for (int i = kDeleteEvery / 2; i < kEntries; i += kDeleteEvery) list += EntryName(i) + '\0';
    list += '\0';

    auto start = std::chrono::steady_clock::now();
    const std::string copy = "cp '" + original + "' '" + (dir / "copy.pbo").string() + "'";
    const int copied = std::system(copy.c_str());
    const double copy_seconds = Seconds(start);

    start = std::chrono::steady_clock::now();
    const qp::DeleteMap map = qp::BuildDeleteMap(edited.c_str(), list.c_str());
    const double map_seconds = Seconds(start);

    start = std::chrono::steady_clock::now();
    const qp::Outcome outcome = qp::DeleteFiles(edited.c_str(), list.c_str());
    const double delete_seconds = Seconds(start);
    const std::uintmax_t size_after = fs::file_size(edited);

    std::printf("archive: %d entries, %ju bytes; deleting %d entries\n", kEntries, size_before,
                kEntries / kDeleteEvery);
    std::printf("copy once (cp):          %8.3f s (exit status %d)\n", copy_seconds, copied);
    std::printf("delete map alone:        %8.3f s, %zu ranges\n", map_seconds, map.ranges.size());
    std::printf("DeleteFiles (map + cuts): %7.3f s, outcome %d, %ju bytes left (%ju cut)\n",
                delete_seconds, static_cast<int>(outcome), size_after, size_before - size_after);
    std::printf("deletion / copy:         %8.1f x\n", delete_seconds / copy_seconds);
    fs::remove_all(dir);
    return outcome == qp::Outcome::ok && copied == 0 ? 0 : 1;
}
