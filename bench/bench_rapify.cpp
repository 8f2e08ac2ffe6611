// Benchmark: a generated config of about 20 MB of text (thousands of classes with inheritance,
// arrays and the community's kind of macros) preprocessed, parsed and rapified in memory; and
// `quillpack build` of a folder holding it, rapifying and with --no-rapify; its rapified bytes
// read and printed as text again (derapify). Medians of runs, wall clock and CPU.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "config/config_printer.h"
#include "config/preprocessor.h"
#include "config/rapified_reader.h"
#include "config/rapified_writer.h"
#include "config/text_parser.h"

namespace {

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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall-clock seconds of `run`; its CPU seconds (this process's) are added to `cpu`.
double Seconds(const std::function<void()>& run, std::vector<double>* cpu = nullptr) {
    const std::clock_t cpu_start = std::clock();
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (cpu != nullptr) {
        cpu->push_back(static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC);
    }
    return took.count();
}

// CPU seconds of the children waited for so far.
double ChildrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "bench_rapify: %s\n", what.c_str());
    std::exit(1);
}

}  // namespace

int main() {
    const std::string text = GeneratedConfig(20u << 20);
    const std::string load_before = qp::bench::LoadAverage();
    const qp::config::ReadInclude no_includes = [](const std::string&, std::string&, std::string&) {
        return qp::config::IncludeRead::not_found;
    };
    std::vector<double> preprocess, parse, write, cpu, derapify, derapify_cpu;
    std::size_t text_size = 0;
    std::size_t preprocessed_size = 0;
    std::size_t rapified_size = 0;
    for (int run = 0; run < kRuns; ++run) {
        qp::config::Preprocessed out;
        qp::config::Config config;
        std::string error;
        std::string bytes;
        const std::clock_t cpu_start = std::clock();
        preprocess.push_back(Seconds([&] {
            if (!qp::config::Preprocess("config.cpp", text, no_includes, {}, out, error)) {
                Fail(error);
            }
        }));
        parse.push_back(Seconds([&] {
            if (!qp::config::ParseConfig(out, config, error)) Fail(error);
        }));
        write.push_back(Seconds([&] { bytes = qp::config::WriteRapified(config); }));
        cpu.push_back(static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC);
        preprocessed_size = out.text.size();
        rapified_size = bytes.size();
        // Derapifying the same config: its rapified bytes read and printed as text.
        derapify.push_back(Seconds(
            [&] {
                qp::config::Config read;
                if (!qp::config::ReadRapified(bytes, read, error)) Fail(error);
                text_size = qp::config::PrintConfig(read).size();
            },
            &derapify_cpu));
    }
    const double mb = static_cast<double>(preprocessed_size) / 1e6;
    const double rapify = Median(preprocess) + Median(parse) + Median(write);
    std::printf(
        "R1: config of %.1f MB of text, %.1f MB preprocessed, %.1f MB rapified; "
        "load %s\n",
        static_cast<double>(text.size()) / 1e6, mb, static_cast<double>(rapified_size) / 1e6,
        load_before.c_str());
    std::printf("    medians of %d: preprocess %.3f s, parse %.3f s, write %.3f s\n", kRuns,
                Median(preprocess), Median(parse), Median(write));
    std::printf("    rapify: %.0f MB/s of preprocessed text (goal 50); %.0f MB/s of CPU time\n",
                mb / rapify, mb / Median(cpu));
    const double text_mb = static_cast<double>(text_size) / 1e6;
    std::printf(
        "    derapify to %.1f MB of text: median %.3f s, %.0f MB/s of text (goal 100); "
        "%.0f MB/s of CPU time\n",
        text_mb, Median(derapify), text_mb / Median(derapify), text_mb / Median(derapify_cpu));

    // `build` of a folder whose config is that text, rapifying and not.
    const fs::path root = qp::bench::ScratchFolder("quillpack-bench-rapify");
    fs::create_directories(root / "addon");
    std::ofstream(root / "addon" / "config.cpp", std::ios::binary) << text;
    std::ofstream(root / "addon" / "$PBOPREFIX$", std::ios::binary) << "x\\bench\\addons\\main";
    const std::string build = std::string("'") + QUILLPACK_TOOL + "' build '" +
                              (root / "addon").string() + "' '" + (root / "a.pbo").string() + "'";
    std::vector<double> rapifying, plain, rapifying_cpu, plain_cpu;
    const auto run_build = [&](const std::string& command, std::vector<double>& cpu) {
        const double before = ChildrenCpu();
        const double seconds = Seconds([&] {
            if (std::system(command.c_str()) != 0) Fail("build failed");
        });
        cpu.push_back(ChildrenCpu() - before);
        return seconds;
    };
    for (int run = 0; run < kRuns; ++run) {
        rapifying.push_back(run_build(build, rapifying_cpu));
        plain.push_back(run_build(build + " --no-rapify", plain_cpu));
    }
    std::printf(
        "R2: build of that folder, medians of %d: %.3f s rapifying, %.3f s with "
        "--no-rapify: %.2f times (goal under 2); load %s after\n",
        kRuns, Median(rapifying), Median(plain), Median(rapifying) / Median(plain),
        qp::bench::LoadAverage().c_str());
    std::printf("    CPU time of the builds, medians: %.3f s rapifying, %.3f s with --no-rapify\n",
                Median(rapifying_cpu), Median(plain_cpu));
    fs::remove_all(root);
    return 0;
}
