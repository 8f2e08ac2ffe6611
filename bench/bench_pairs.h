// Timing edits in pairs beside durable copies of the same bytes, with the page cache warm or cold.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace qp::bench {

// Where a side's input files are when it starts: in the page cache (warm: read just before, as
// when the user has just listed or extracted the archive) or not (cold). Cold is the data's: the
// programs a side runs are started once after the caches are dropped, as a program in use is
// loaded already (the edits made in the benchmark's own process are).
enum class Cache { warm, cold };

// One side of the comparison: an edit of ours.
struct Side {
    std::string label;
    std::vector<std::filesystem::path> inputs = {};  // the files it reads, whose cache is readied
    std::function<void()> prepare = {};              // untimed, before the cache is readied
    std::function<void()> run = {};                  // timed
    // For a side that times its own call (a program under Wine): used instead of `run`.
    std::function<Timing()> timed_run = {};
    // An edit run in this process: when its writing begins and ends, its flush, its replace and
    // its closing are taken from the file calls it makes.
    bool phases = false;
    std::string program = {};  // the program it runs, if any: loaded before a cold run
};

// A durable copy of the same bytes: `copy`, a shell command that writes `target`, then
// "sync TARGET", timed apart. A `target` that is a folder is synced with its file system.
struct Reference {
    std::string label;
    std::vector<std::filesystem::path> inputs;
    std::string copy;
    std::filesystem::path target;
    // Whether `target` is there when the copy starts (written by `copy` beforehand, untimed), so
    // that the copy replaces a file and frees its blocks, as an edit frees the archive it
    // replaces; else the copy makes a new file.
    bool over_copy = false;
};

// cp and cat of `source` to `target`, each followed by its sync, named "cp + sync of WHAT" and
// "cat + sync of WHAT", and cp over an earlier copy, "cp + sync over a copy of WHAT".
std::vector<Reference> CopiesOf(const std::filesystem::path& source,
                                const std::filesystem::path& target, const std::string& what);

// Runs `pairs` rounds, each of every side and every reference in turn, each readied for `cache`
// first; then prints, with the load, the median of each side (with its CPU time and, where taken,
// its phases) and of each reference (its copy and its sync), and each side's ratio to each
// reference against `goal`.
void ComparePairs(Cache cache, int pairs, const std::vector<Side>& ours,
                  const std::vector<Reference>& references, double goal);

// How long `program` takes to start and print its version, loaded and (where the caches may be
// dropped) with its files and libraries out of the cache: what the cold figures leave out.
void PrintProgramStart(const std::string& program);

}  // namespace qp::bench
