// Benchmark: extracting a 100 MiB stored entry through ProcessFile, beside cp of 100 MiB.
#include <cstdio>
#include <string>

#include "listing/process_file.h"
#include "listing/read_header.h"
#include "bench/bench_support.h"

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

}  // namespace

int main() {
    const fs::path folder = qp::bench::ScratchFolder("quillpack-bench-extract");
    const fs::path archive = folder / "addon.pbo";
    const fs::path target = folder / "out.bin";
    qp::bench::WriteStoredArchive(archive, 1, kEntrySize,
                                  [](int) { return std::string("data\\terrain.wrp"); });
    // A plain file of the entry's size, copied as the reference.
    fs::copy_file(archive, folder / "plain.bin");
    fs::resize_file(folder / "plain.bin", kEntrySize);

    const double copy_seconds = qp::bench::BestShellSeconds(
        qp::bench::CopyCommand(folder / "plain.bin", folder / "copy.bin"));
    qp::Outcome outcome = qp::Outcome::ok;
    const double extract_seconds = qp::bench::BestSeconds(
        [&] { outcome = ExtractFirstEntry(archive.string(), target.string()); },
        [&] { reported = 0; });

    std::printf("entry: %u bytes stored; load %s\n", kEntrySize, qp::bench::LoadAverage().c_str());
    std::printf("cp of %u bytes:             %8.3f s\n", kEntrySize, copy_seconds);
    std::printf(
        "ProcessFile extraction:     %8.3f s, outcome %d, %lld bytes reported, %ju written\n",
        extract_seconds, static_cast<int>(outcome), reported, fs::file_size(target));
    std::printf("extraction / copy:          %8.1f x (goal: within 3x)\n",
                extract_seconds / copy_seconds);
    fs::remove_all(folder);
    return outcome == qp::Outcome::ok ? 0 : 1;
}
