// Benchmark: signing a 200 MB archive as version 3 and 2, beside sha1sum of the same file, which
// also reads it once and hashes every byte.
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "editing/trailer_checksum.h"
#include "signing/sign_archive.h"

namespace {

constexpr int kEntries = 2000;
constexpr std::uint32_t kEntrySize = 100000;
// What addons hold: textures, models and sounds, which version 2 leaves out, beside scripts and
// configs, which both versions take in.
constexpr const char* kExtensions[] = {"paa", "p3d", "sqf", "hpp", "rvmat", "cpp", "ogg", "bin"};

}  // namespace

int main() {
    const std::filesystem::path root = qp::bench::ScratchFolder("quillpack-bench-sign");
    const std::string archive = (root / "bench.pbo").string();
    qp::bench::WriteStoredArchive(archive, kEntries, kEntrySize, [](int i) {
        char name[64];
        std::snprintf(name, sizeof name, "addon\\file_%05d.%s", i, kExtensions[i % 8]);
        return std::string(name);
    });
    // Signing takes only an archive whose trailer holds its SHA-1.
    const qp::OpenResult opened = qp::OpenFile(archive.c_str(), qp::OpenMode::read_write);
    const bool stamped =
        opened.handle != nullptr && qp::RestampTrailer(opened.handle) == qp::Outcome::ok;
    if (opened.handle != nullptr) qp::CloseFile(opened.handle);
    qp::SigningKey key{"bench", {}};
    if (!stamped || !qp::GenerateRsaKey(qp::kNewKeyBits, key.rsa)) {
        std::fprintf(stderr, "cannot set up the archive or the key\n");
        return 1;
    }
    const double sha1sum_seconds =
        qp::bench::BestShellSeconds("sha1sum '" + archive + "' > /dev/null");
    std::printf("archive: %d entries x %u bytes = %.1f MB; load %s\n", kEntries, kEntrySize,
                kEntries * static_cast<double>(kEntrySize) / 1e6, qp::bench::LoadAverage().c_str());
    std::printf("sha1sum of the archive:  %7.3f s\n", sha1sum_seconds);
    bool all_signed = true;
    for (const int version : {3, 2}) {
        qp::SigningResult result;
        const double seconds =
            qp::bench::BestSeconds([&] { result = qp::SignArchive(archive, key, version); });
        all_signed = all_signed && result.fault == qp::SigningFault::none;
        std::printf("signing as version %d:    %7.3f s  -> %.2fx (goal: within 1.5x)%s\n", version,
                    seconds, seconds / sha1sum_seconds,
                    result.fault == qp::SigningFault::none ? "" : "  FAILED");
    }
    std::filesystem::remove_all(root);
    return all_signed ? 0 : 1;
}
