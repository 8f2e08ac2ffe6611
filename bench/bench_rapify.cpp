// Benchmark: a generated config of about 20 MB of text (thousands of classes with inheritance,
// arrays and the community's kind of macros) preprocessed and rapified in memory, and its
// rapified bytes read and printed as text again (derapify); `quillpack build`, rapifying and with
// --no-rapify, of a folder holding the config alone and of a weapon pack's folder holding it
// beside 300 MB of models, textures and sounds. Medians of runs, wall clock and CPU.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "config/config_printer.h"
#include "config/preprocessor.h"
#include "config/rapified_reader.h"
#include "config/text_parser.h"

namespace {

using qp::bench::Median;

namespace fs = std::filesystem;

constexpr int kRuns = 5;

// The macro library at the top, then classes that each use it, inherit from the one before and
// hold values, arrays and a nested class, until the text passes `size` bytes.
std::string GeneratedConfig(std::size_t size) {
    std::string text =
        "#define PREFIX bench\n#define COMPONENT main\n#define DOUBLES(a,b) a##_##b\n"
        "#define ADDON DOUBLES(PREFIX,COMPONENT)\n#define QUOTE(x) #x\n"
        "#define GVAR(x) DOUBLES(ADDON,x)\n#define QGVAR(x) QUOTE(GVAR(x))\n"
        "#define PATHTOF(x) \\x\\PREFIX\\addons\\COMPONENT\\x\n"
        "#define SOUND(name,volume) name[] = {QUOTE(PATHTOF(sounds\\name.wss)), volume, 1, 1500}\n"
        "class CfgPatches {\n    class ADDON {\n        units[] = {};\n"
        "        requiredVersion = 1.0;\n    };\n};\n"
        "class CfgWeapons {\n    class Base;\n";
    const auto put = [&text](std::initializer_list<std::string_view> pieces) {
        for (const std::string_view piece : pieces) text.append(piece);
    };
    for (int i = 0; text.size() < size; ++i) {
        const std::string n = std::to_string(i);
        const std::string parent = i == 0 ? std::string("Base") : std::to_string(i - 1);
        put({"    class W",
             n,
             ": ",
             i == 0 ? "" : "W",
             parent,
             " {\n        // weapon ",
             n,
             "\n        scope = 2;\n        displayName = \"Weapon ",
             n,
             " \"\"quoted\"\"\";\n        model = PATHTOF(data\\w",
             n,
             ".p3d);\n        picture = QUOTE(PATHTOF(ui\\w",
             n,
             "_ca.paa));\n        mass = ",
             std::to_string(i % 97),
             ".",
             std::to_string(i % 10),
             ";\n        initSpeed = -",
             std::to_string(1 + i % 5),
             ";\n        magazines[] = {\"mag_a\", \"mag_b\", QGVAR(mag",
             n,
             ")};\n        recoil[] = {0.1, 0.25, {1, 2, 3e-2}, ",
             n,
             "};\n        SOUND(fire",
             n,
             ", 0.7);\n        class Single {\n            reloadTime = 0.0",
             std::to_string(1 + i % 9),
             ";\n            dispersion = 0.00087;\n            sounds[] = {\"StandardSound\"};\n"
             "        };\n    };\n"});
    }
    return text + "};\n";
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "bench_rapify: %s\n", what.c_str());
    std::exit(1);
}

// A weapon pack's other files beside the config, about 300 MB of bytes that do not compress:
// for each of 60 weapons a model of 2 to 3.5 MB, two textures of 0.5 to 1.3 MB and three sounds
// of 60 to 240 KB.
void WritePackFiles(const fs::path& addon) {
    fs::create_directories(addon / "data");
    fs::create_directories(addon / "sounds");
    std::uint64_t state = 88172645463325252u;
    std::string bytes;
    const auto write = [&](const fs::path& path, std::size_t size) {
        bytes.resize(size & ~std::size_t{7});
        for (std::size_t at = 0; at < bytes.size(); at += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>(state >> (8 * i));
        }
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    for (std::size_t i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i);
        write(addon / "data" / ("w" + n + ".p3d"), 2000000 + i * 7919 % 1500000);
        write(addon / "data" / ("w" + n + "_co.paa"), 500000 + i * 6007 % 800000);
        write(addon / "data" / ("w" + n + "_nohq.paa"), 500000 + i * 4001 % 800000);
        for (const char* sound : {"fire", "reload", "dry"}) {
            write(addon / "sounds" / (sound + n + ".wss"), 60000 + i * 3001 % 180000);
        }
    }
}

// Builds of `addon` into `archive`, rapifying and with --no-rapify taking turns, printed as
// medians of wall clock and CPU time (the tool's, all its threads).
void PrintBuilds(const char* label, const fs::path& addon, const fs::path& archive) {
    const std::string build = std::string("'") + QUILLPACK_TOOL + "' build '" + addon.string() +
                              "' '" + archive.string() + "'";
    qp::bench::Settle();  // the files just written are on the disk before the first build
    std::vector<double> rapifying, plain, rapifying_cpu, plain_cpu;
    for (int run = 0; run < kRuns; ++run) {
        for (const bool rapify : {true, false}) {
            const qp::bench::Timing timing = qp::bench::MedianTiming(
                [&] { qp::bench::Shell(rapify ? build : build + " --no-rapify"); }, {}, 1);
            (rapify ? rapifying : plain).push_back(timing.seconds);
            (rapify ? rapifying_cpu : plain_cpu).push_back(CpuSeconds(timing));
        }
    }
    std::printf(
        "%s, medians of %d: %.3f s rapifying, %.3f s with --no-rapify: %.2f times (goal under "
        "2); load %s after\n",
        label, kRuns, Median(rapifying), Median(plain), Median(rapifying) / Median(plain),
        qp::bench::LoadAverage().c_str());
    std::printf("    CPU time of the builds, medians: %.3f s rapifying, %.3f s with --no-rapify\n",
                Median(rapifying_cpu), Median(plain_cpu));
}

}  // namespace

int main() {
    const std::string text = GeneratedConfig(20u << 20);
    const std::string load_before = qp::bench::LoadAverage();
    const qp::config::ReadInclude no_includes = [](const std::string&, std::string&, std::string&) {
        return qp::config::IncludeRead::not_found;
    };
    qp::config::Preprocessed preprocessed;
    std::string bytes;
    std::string error;
    const auto preprocess = [&] {
        if (!qp::config::Preprocess("config.cpp", text, no_includes, {}, preprocessed, error)) {
            Fail(error);
        }
    };
    const auto rapify = [&] {
        if (!qp::config::RapifyText(preprocessed, bytes, error)) Fail(error);
    };
    std::size_t printed_size = 0;
    const auto derapify = [&] {
        qp::config::Config read;
        if (!qp::config::ReadRapified(bytes, read, error)) Fail(error);
        printed_size = qp::config::PrintConfig(read).size();
    };
    const qp::bench::Timing preprocessing = qp::bench::MedianTiming(preprocess, {}, kRuns);
    const qp::bench::Timing parsing = qp::bench::MedianTiming(rapify, preprocess, kRuns);
    const qp::bench::Timing derapifying = qp::bench::MedianTiming(derapify, {}, kRuns);
    const double mb = static_cast<double>(preprocessed.text.size()) / 1e6;
    std::printf("R1: config of %.1f MB of text, %.1f MB preprocessed, %.1f MB rapified; load %s\n",
                static_cast<double>(text.size()) / 1e6, mb, static_cast<double>(bytes.size()) / 1e6,
                load_before.c_str());
    std::printf(
        "    medians of %d, wall (CPU): preprocess %.3f s (%.3f s), parse and write %.3f s "
        "(%.3f s)\n",
        kRuns, preprocessing.seconds, CpuSeconds(preprocessing), parsing.seconds,
        CpuSeconds(parsing));
    std::printf("    rapify: %.0f MB/s of preprocessed text (goal 50); %.0f MB/s of CPU time\n",
                mb / (preprocessing.seconds + parsing.seconds),
                mb / (CpuSeconds(preprocessing) + CpuSeconds(parsing)));
    const double text_mb = static_cast<double>(printed_size) / 1e6;
    std::printf(
        "    derapify to %.1f MB of text: median %.3f s, %.0f MB/s of text (goal 100); "
        "%.0f MB/s of CPU time\n",
        text_mb, derapifying.seconds, text_mb / derapifying.seconds,
        text_mb / CpuSeconds(derapifying));

    // `build` of a folder holding the config alone, and of a weapon pack's folder.
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-rapify");
    for (const char* addon : {"alone", "pack"}) {
        fs::create_directories(root / addon);
        std::ofstream(root / addon / "config.cpp", std::ios::binary) << text;
        std::ofstream(root / addon / "$PBOPREFIX$", std::ios::binary) << "x\\bench\\addons\\main";
    }
    PrintBuilds("R2: build of the config alone", root / "alone", root / "alone.pbo");
    WritePackFiles(root / "pack");
    PrintBuilds("R3: build of a weapon pack (the config and 300 MB of models, textures, sounds)",
                root / "pack", root / "pack.pbo");
    fs::remove_all(root);
    return 0;
}
