// Pairs of edits and durable copies: readying the page cache, timing, an edit's phases, the report.
#include "bench/bench_pairs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/fault_injection.h"

namespace qp::bench {
namespace {

// Where an edit's time went, read from when its file calls of each kind came first and last.
struct Phases {
    double to_first_write = 0;  // opening, reading the header, planning
    double writing = 0;         // to the trailer, which waits for the last bytes to be hashed
    double flush = 0;           // what the disk still had to take
    double replace = 0;         // the rename, the folder flushed, the copy closed
    double closing = 0;         // the old archive let go: its pages and blocks freed
};

struct SideRuns {
    std::vector<Timing> timings;
    std::vector<Phases> phases;
};

struct ReferenceRuns {
    std::vector<double> copy;
    std::vector<double> sync;
};

template <typename Record>
double MedianOf(const std::vector<Record>& records, double Record::*field) {
    std::vector<double> values;
    for (const Record& record : records) values.push_back(record.*field);
    return Median(values);
}

bool MayDropCaches() {
    return ::access("/proc/sys/vm/drop_caches", W_OK) == 0;
}

bool DropCaches() {
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n" << std::flush;
    return drop.good();
}

// Reads the file whole (warm), or drops its pages from the page cache (cold, where the system's
// caches may not be dropped); Settle has written them, so every page goes.
void ReadWhole(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    static char buffer[1 << 20];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

void DropPages(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// The references' programs and `program`, each started once so that their files are in the cache.
void LoadPrograms(const std::string& program) {
    std::string command = "cp --version && cat --version && sync --version";
    if (!program.empty()) command += " && '" + program + "' --version";
    Shell("{ " + command + "; } >/dev/null");
}

void Ready(Cache cache, const std::vector<std::filesystem::path>& inputs,
           const std::string& program = {}) {
    Settle();
    if (cache == Cache::warm) {
        for (const std::filesystem::path& input : inputs) ReadWhole(input);
    } else if (!MayDropCaches() || !DropCaches()) {
        for (const std::filesystem::path& input : inputs) DropPages(input);
    } else {
        LoadPrograms(program);
    }
}

const char* Described(Cache cache) {
    if (cache == Cache::warm) return "warm: each side's input read just before it";
    return MayDropCaches() ? "cold: the system's caches dropped before each side, then its "
                             "programs loaded"
                           : "cold: each side's input dropped from the page cache before it (the "
                             "system's caches may not be dropped: not root)";
}

// Times an edit made in this process with its file calls noted (a plan that fails none).
Timing TimedPhases(const std::function<void()>& run, Phases& phases) {
    StartFaultPlan({FileCall::open, 0, IoStatus::ok});
    const Timing timing = Timed(run);
    const FileCallTimes write = FileCallTimesOf(FileCall::write);
    const FileCallTimes flush = FileCallTimesOf(FileCall::flush);
    const FileCallTimes replace = FileCallTimesOf(FileCall::replace);
    const FileCallTimes close = FileCallTimesOf(FileCall::close);
    StopFaultPlan();
    phases = {write.first, write.latest - write.first, replace.latest - flush.latest,
              close.latest - replace.latest, timing.seconds - close.latest};
    return timing;
}

Timing TimedSide(const Side& side, SideRuns& runs) {
    if (side.timed_run) return side.timed_run();
    if (!side.phases) return Timed(side.run);
    Phases phases;
    const Timing timing = TimedPhases(side.run, phases);
    runs.phases.push_back(phases);
    return timing;
}

void PrintSide(const Side& side, const SideRuns& runs) {
    std::printf("  %-36s %7.3f s  (user %.3f s, system %.3f s)\n", side.label.c_str(),
                MedianOf(runs.timings, &Timing::seconds), MedianOf(runs.timings, &Timing::user),
                MedianOf(runs.timings, &Timing::system));
    if (runs.phases.empty()) return;
    std::printf(
        "    to the first write %.3f s, writing %.3f s, flush %.3f s, replace %.3f s, "
        "closing %.3f s\n",
        MedianOf(runs.phases, &Phases::to_first_write), MedianOf(runs.phases, &Phases::writing),
        MedianOf(runs.phases, &Phases::flush), MedianOf(runs.phases, &Phases::replace),
        MedianOf(runs.phases, &Phases::closing));
}

double Total(const ReferenceRuns& runs) {
    std::vector<double> totals;
    for (std::size_t i = 0; i < runs.copy.size(); ++i)
        totals.push_back(runs.copy[i] + runs.sync[i]);
    return Median(totals);
}

}  // namespace

std::vector<Reference> CopiesOf(const std::filesystem::path& source,
                                const std::filesystem::path& target, const std::string& what) {
    return {
        {"cp + sync of " + what, {source}, CopyCommand(source, target), target},
        {"cat + sync of " + what,
         {source},
         "cat '" + source.string() + "' > '" + target.string() + "'",
         target},
        {"cp + sync over a copy of " + what, {source}, CopyCommand(source, target), target, true}};
}

void ComparePairs(Cache cache, int pairs, const std::vector<Side>& ours,
                  const std::vector<Reference>& references, double goal) {
    const std::string load_before = LoadAverage();
    std::vector<SideRuns> side_runs(ours.size());
    std::vector<ReferenceRuns> reference_runs(references.size());
    for (int pair = 0; pair < pairs; ++pair) {
        for (std::size_t i = 0; i < references.size(); ++i) {
            const Reference& reference = references[i];
            std::filesystem::remove_all(reference.target);
            if (reference.over_copy) Shell(reference.copy);
            Ready(cache, reference.inputs);
            reference_runs[i].copy.push_back(Timed([&] { Shell(reference.copy); }).seconds);
            // A folder of copies is synced with the file system that holds it: the folder and
            // every file in it, as one sync after a cp of many files does.
            const std::string sync =
                (std::filesystem::is_directory(reference.target) ? "sync -f '" : "sync '") +
                reference.target.string() + "'";
            reference_runs[i].sync.push_back(Timed([&] { Shell(sync); }).seconds);
            std::filesystem::remove_all(reference.target);
        }
        for (std::size_t i = 0; i < ours.size(); ++i) {
            if (ours[i].prepare) ours[i].prepare();
            Ready(cache, ours[i].inputs, ours[i].program);
            side_runs[i].timings.push_back(TimedSide(ours[i], side_runs[i]));
        }
    }
    std::printf(" %s; medians of %d pairs; load %s before, %s after\n", Described(cache), pairs,
                load_before.c_str(), LoadAverage().c_str());
    for (std::size_t i = 0; i < ours.size(); ++i) PrintSide(ours[i], side_runs[i]);
    for (std::size_t i = 0; i < references.size(); ++i) {
        std::printf("  %-36s %7.3f s  (copy %.3f s, sync %.3f s)\n", references[i].label.c_str(),
                    Total(reference_runs[i]), Median(reference_runs[i].copy),
                    Median(reference_runs[i].sync));
    }
    for (std::size_t i = 0; i < ours.size(); ++i) {
        std::printf("  -> %s", ours[i].label.c_str());
        const double seconds = MedianOf(side_runs[i].timings, &Timing::seconds);
        for (std::size_t r = 0; r < references.size(); ++r) {
            std::printf("%s %.2fx of %s", r == 0 ? "" : ",", seconds / Total(reference_runs[r]),
                        references[r].label.c_str());
        }
        std::printf(" (goal: within %.1fx)\n", goal);
    }
}

void PrintProgramStart(const std::string& program) {
    const std::string start = "'" + program + "' --version >/dev/null";
    std::vector<double> loaded;
    std::vector<double> unloaded;
    for (int run = 0; run < 5; ++run) {
        loaded.push_back(Timed([&] { Shell(start); }).seconds);
        if (MayDropCaches() && DropCaches()) {
            unloaded.push_back(Timed([&] { Shell(start); }).seconds);
        }
    }
    std::printf(" %s starts in %.3f s", program.c_str(), Median(loaded));
    if (!unloaded.empty())
        std::printf(", %.3f s with its files out of the cache", Median(unloaded));
    std::printf("\n");
}

}  // namespace qp::bench
