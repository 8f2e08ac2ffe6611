// Benchmark: extracting a 100 MiB stored entry through ProcessFile, and with `quillpack extract`,
// which also takes the archive's SHA-1 to compare with its trailer, beside cp of 100 MiB.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "editing/trailer_checksum.h"
#include "listing/process_file.h"
#include "listing/read_header.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kEntrySize = 100u << 20;

long long reported = 0;

// A host that only counts what it is told.
bool CountReport(void*, const char*, int size) {
    if (size > 0) reported += size;
    return true;
}

qp::Outcome ExtractFirstEntry(const std::string& archive, const std::string& target) {
    const qp::OpenResult file = qp::OpenFile(archive.c_str(), qp::OpenMode::read);
    qp::ListingState state;
    qp::BeginPass(state, file.handle);
    qp::HeaderInfo info{};
    qp::Outcome outcome = qp::ReadHeader(state, file.handle, info);
    if (outcome == qp::Outcome::ok) {
        qp::Progress progress{CountReport, nullptr, false};
        outcome = qp::ProcessFile(state, qp::kExtractEntry, nullptr, target.c_str(), progress);
    }
    qp::CloseFile(file.handle);
    return outcome;
}

// The trailer given the SHA-1 of the bytes before it, as packers write it: the tool compares it.
void StampTrailer(const fs::path& archive) {
    const qp::OpenResult file = qp::OpenFile(archive.string().c_str(), qp::OpenMode::read_write);
    const bool stamped =
        file.handle != nullptr && qp::RestampTrailer(file.handle) == qp::Outcome::ok;
    if (file.handle != nullptr) qp::CloseFile(file.handle);
    if (!stamped) {
        std::fprintf(stderr, "bench_extract: cannot write the trailer\n");
        std::exit(1);
    }
}

}  // namespace

int main() {
    const fs::path folder = qp::bench::ScratchFolder("quillpack-bench-extract");
    const fs::path archive = folder / "addon.pbo";
    const fs::path target = folder / "out.bin";
    qp::bench::WriteStoredArchive(archive, 1, kEntrySize,
                                  [](int) { return std::string("data\\terrain.wrp"); });
    StampTrailer(archive);
    // A plain file of the entry's size, copied as the reference.
    fs::copy_file(archive, folder / "plain.bin");
    fs::resize_file(folder / "plain.bin", kEntrySize);

    const double copy_seconds = qp::bench::BestShellSeconds(
        qp::bench::CopyCommand(folder / "plain.bin", folder / "copy.bin"));
    qp::Outcome outcome = qp::Outcome::ok;
    const double extract_seconds = qp::bench::BestSeconds(
        [&] { outcome = ExtractFirstEntry(archive.string(), target.string()); },
        [&] { reported = 0; });
    // Each run into an empty folder: files already there and the same are only compared.
    const std::string tool_extract = std::string("'") + QUILLPACK_TOOL + "' extract '" +
                                     archive.string() + "' -C '" + (folder / "tool").string() + "'";
    const double tool_seconds = qp::bench::BestSeconds([&] { qp::bench::Shell(tool_extract); },
                                                       [&] { fs::remove_all(folder / "tool"); });

    std::printf("entry: %u bytes stored; load %s\n", kEntrySize, qp::bench::LoadAverage().c_str());
    std::printf("cp of %u bytes:             %8.3f s\n", kEntrySize, copy_seconds);
    std::printf(
        "ProcessFile extraction:     %8.3f s, outcome %d, %lld bytes reported, %ju written\n",
        extract_seconds, static_cast<int>(outcome), reported, fs::file_size(target));
    std::printf("extraction / copy:          %8.1f x (goal: within 3x)\n",
                extract_seconds / copy_seconds);
    std::printf("quillpack extract, SHA-1:   %8.3f s, %8.1f x the copy (goal: within 3x)\n",
                tool_seconds, tool_seconds / copy_seconds);
    fs::remove_all(folder);
    return outcome == qp::Outcome::ok ? 0 : 1;
}
