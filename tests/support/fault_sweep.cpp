// The failure sweep over every kind of file call, and the check that nothing is left open.
#include "support/fault_sweep.h"

#include <gtest/gtest.h>

namespace qp::test {
namespace {

// Handles or views a run kept: each is a leak in a plugin that lives as long as the host.
void ExpectNothingHeld(const std::string& run) {
    const HeldFiles held = FilesHeld();
    EXPECT_EQ(held.handles, 0) << "handles left open by " << run;
    EXPECT_EQ(held.views, 0) << "views left mapped by " << run;
}

}  // namespace

const FaultKind kSweptFaults[kFaultKinds] = {
    {"open", FileCall::open, IoStatus::io_error, false},
    {"close", FileCall::close, IoStatus::io_error, false},
    {"read", FileCall::read, IoStatus::io_error, false},
    {"write", FileCall::write, IoStatus::io_error, false},
    {"seek", FileCall::seek, IoStatus::io_error, false},
    {"size", FileCall::size, IoStatus::io_error, false},
    {"set_end", FileCall::set_end, IoStatus::io_error, false},
    {"map", FileCall::map, IoStatus::io_error, false},
    {"flush", FileCall::flush, IoStatus::io_error, false},
    {"replace", FileCall::replace, IoStatus::io_error, false},
    {"short read", FileCall::read, IoStatus::truncated, true},
    {"short write", FileCall::write, IoStatus::io_error, true},
    {"no space", FileCall::write, IoStatus::no_space, true},
};

FileCallCounts CountFileCalls(const std::function<void()>& run) {
    StartFaultPlan({FileCall::open, 0, IoStatus::ok});
    run();
    FileCallCounts counts{};
    for (int kind = 0; kind < kFileCallKinds; ++kind) {
        counts[kind] = FileCallCount(static_cast<FileCall>(kind));
        // When the calls came, as benchmarks read an edit's phases: the first before the latest.
        const FileCallTimes times = FileCallTimesOf(static_cast<FileCall>(kind));
        EXPECT_EQ(times.first < 0, counts[kind] == 0) << kind;
        if (counts[kind] > 1) {
            EXPECT_LT(times.first, times.latest) << kind;
        }
    }
    ExpectNothingHeld("the run without a fault");
    StopFaultPlan();
    return counts;
}

std::string Describe(const FileFault& fault) {
    return std::string(fault.name) + " " + std::to_string(fault.call) + " of " +
           std::to_string(fault.calls);
}

int SweepFileFaults(const std::function<void()>& prepare, const std::function<void()>& run,
                    const std::function<void(const FileFault&)>& check) {
    prepare();
    const FileCallCounts counts = CountFileCalls(run);
    int runs = 0;
    for (const FaultKind& kind : kSweptFaults) {
        const int calls = counts[static_cast<int>(kind.call)];
        for (int call = 1; call <= calls; ++call, ++runs) {
            const FileFault fault{kind.call, call, calls, kind.name};
            prepare();
            StartFaultPlan({kind.call, call, kind.status, kind.partial});
            run();
            ExpectNothingHeld(Describe(fault));
            StopFaultPlan();
            check(fault);
        }
    }
    return runs;
}

}  // namespace qp::test
