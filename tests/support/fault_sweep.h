// Failure sweeps: an operation runs once for every file call it makes, with that call failing.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/fault_injection.h"

namespace qp::test {

using FileCallCounts = std::array<int, kFileCallKinds>;

// The calls of each kind that `run` makes. Whatever it opens or maps it must release.
FileCallCounts CountFileCalls(const std::function<void()>& run);

// The ways a sweep makes a call fail: every kind of call outright (nothing transferred, an I/O
// error), and reads and writes that transfer half their bytes first: a read cut short, a write
// that meets an I/O error or a full disk part way.
struct FaultKind {
    const char* name;
    FileCall call;
    IoStatus status;
    bool partial;
};
inline constexpr int kFaultKinds = kFileCallKinds + 3;
extern const FaultKind kSweptFaults[kFaultKinds];

// The call made to fail: the Nth of the `calls` calls of its kind that the operation makes.
struct FileFault {
    FileCall kind;
    int call;
    int calls;
    const char* name;  // the fault kind: "read", "short read", "no space", ...
};

// "short write 3 of 5", for failure messages.
std::string Describe(const FileFault& fault);

// Counts the calls of `run` after `prepare`; then, for every fault kind and every call of its
// kind: `prepare`, `run` with that call failing, `check`. Every run must release every handle and
// view it acquires. Returns the number of runs with a fault.
int SweepFileFaults(const std::function<void()>& prepare, const std::function<void()>& run,
                    const std::function<void(const FileFault&)>& check);

}  // namespace qp::test
