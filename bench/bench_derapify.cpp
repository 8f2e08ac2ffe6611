// Benchmark: derapify (the rapified reader, then the text printer) on a generated config of about
// 20 MB of text: thousands of classes with inheritance, arrays, nested arrays, strings and floats.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "config/config_printer.h"
#include "config/rapified_reader.h"
#include "config/rapified_writer.h"
#include "support/rapified_samples.h"

namespace {

using qp::bench::Median;

using namespace qp::config;

constexpr std::size_t kTextSize = 20u << 20;
constexpr int kRuns = 7;

using qp::test::ArrayValue;
using qp::test::IntValue;
using qp::test::StringValue;

Value FloatOf(float number) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &number, sizeof number);
    return qp::test::FloatValue(bits);
}

Entry Named(EntryType type, const std::string& name, Value value = {}) {
    Entry entry = qp::test::ValueEntry(name, std::move(value));
    entry.type = type;
    return entry;
}

// A vehicle class as addons write them: values, arrays of names and of positions, hit points.
Entry Vehicle(std::mt19937& random, int index) {
    const std::string name = "Vehicle_" + std::to_string(index);
    std::uniform_real_distribution<float> real(-100, 100);
    Entry vehicle = Named(EntryType::class_body, name);
    vehicle.body.parent = index == 0 ? "" : "Vehicle_" + std::to_string(random() % index);
    std::vector<Entry>& entries = vehicle.body.entries;
    entries.push_back(Named(EntryType::value, "scope", IntValue(random() % 3)));
    entries.push_back(
        Named(EntryType::value, "displayName", StringValue("Vehicle \"" + name + "\"")));
    entries.push_back(
        Named(EntryType::value, "model", StringValue("\\x\\mod\\addons\\data\\" + name + ".p3d")));
    entries.push_back(Named(EntryType::value, "armor", FloatOf(real(random))));
    entries.push_back(Named(EntryType::value, "maxSpeed", FloatOf(real(random) * 3)));
    std::vector<Value> weapons;
    for (int i = 0; i < 4; ++i)
        weapons.push_back(StringValue("Weapon_" + std::to_string(random() % 500)));
    entries.push_back(Named(EntryType::array, "weapons", ArrayValue(weapons)));
    std::vector<Value> positions;
    for (int i = 0; i < 6; ++i) {
        positions.push_back(
            ArrayValue({FloatOf(real(random)), FloatOf(real(random)), FloatOf(real(random))}));
    }
    entries.push_back(Named(EntryType::array, "positions", ArrayValue(positions)));
    entries.push_back(Named(EntryType::array_append, "magazines",
                            ArrayValue({StringValue("Mag_30Rnd"), IntValue(30)})));
    Entry hits = Named(EntryType::class_body, "HitPoints");
    for (const char* part : {"HitHull", "HitEngine", "HitFuel", "HitLTrack", "HitRTrack"}) {
        Entry hit = Named(EntryType::class_body, part);
        hit.body.entries = {
            Named(EntryType::value, "armor", FloatOf(real(random))),
            Named(EntryType::value, "material", IntValue(random() % 60)),
            Named(EntryType::value, "name", StringValue(std::string("hit_") + part)),
            Named(EntryType::value, "passThrough", FloatOf(1))};
        hits.body.entries.push_back(std::move(hit));
    }
    entries.push_back(std::move(hits));
    entries.push_back(Named(EntryType::extern_class, "Turrets"));
    return vehicle;
}

Config GeneratedConfig(int vehicles) {
    std::mt19937 random(30);
    Config config;
    Entry patches = Named(EntryType::class_body, "CfgPatches");
    patches.body.entries.push_back(Named(EntryType::class_body, "bench_addon"));
    config.root.entries.push_back(std::move(patches));
    Entry all = Named(EntryType::class_body, "CfgVehicles");
    for (int i = 0; i < vehicles; ++i) all.body.entries.push_back(Vehicle(random, i));
    config.root.entries.push_back(std::move(all));
    return config;
}

// Seconds of this process's processor time: on a shared machine, what the work itself took.
double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    // Sized from a small sample's text to about kTextSize.
    const std::size_t sample = PrintConfig(GeneratedConfig(200)).size();
    const int vehicles = static_cast<int>(200 * kTextSize / sample);
    const Config config = GeneratedConfig(vehicles);
    const std::string bytes = WriteRapified(config);
    const std::string text = PrintConfig(config);
    std::printf("load %s; %d classes, %.1f MB rapified, %.1f MB of text\n",
                qp::bench::LoadAverage().c_str(), vehicles * 7 + 3, bytes.size() / 1e6,
                text.size() / 1e6);
    std::vector<double> reads, prints, wholes, cpus;
    for (int run = 0; run < kRuns; ++run) {
        const double cpu = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        Config read;
        std::string error;
        if (!ReadRapified(bytes, read, error)) {
            std::fprintf(stderr, "bench_derapify: %s\n", error.c_str());
            return 1;
        }
        const double read_seconds = Seconds(start);
        const auto printing = std::chrono::steady_clock::now();
        const std::string printed = PrintConfig(read);
        prints.push_back(Seconds(printing));
        wholes.push_back(Seconds(start));
        cpus.push_back(CpuSeconds() - cpu);
        reads.push_back(read_seconds);
        if (printed != text) {
            std::fprintf(stderr, "bench_derapify: the text differs\n");
            return 1;
        }
    }
    const double mb = text.size() / 1e6;
    std::printf("derapify (read + print), median of %d: %.3f s, %.0f MB/s of text (goal 100)\n",
                kRuns, Median(wholes), mb / Median(wholes));
    std::printf("  processor time, median: %.3f s, %.0f MB/s of text\n", Median(cpus),
                mb / Median(cpus));
    std::printf("  read %.3f s (%.0f MB/s of text), print %.3f s (%.0f MB/s)\n", Median(reads),
                mb / Median(reads), Median(prints), mb / Median(prints));
    std::printf("load after: %s\n", qp::bench::LoadAverage().c_str());
    return 0;
}
