// Failure sweeps: an operation runs once for every file call it makes, with that call failing.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/fault_injection.h"

namespace qp::test {

using FileCallCounts = std::array<int, kFileCallKinds>;

// The calls of each kind that `run` makes.
FileCallCounts CountFileCalls(const std::function<void()>& run);

// The call made to fail: the Nth of the `calls` calls of its kind that the operation makes.
struct FileFault {
    FileCall kind;
    int call;
    int calls;
};

// "write 3 of 5", for failure messages.
std::string Describe(const FileFault& fault);

// Counts the calls of `run` after `prepare`; then, for every kind and every call of it: `prepare`,
// `run` with that call failing (a full disk for writes, an I/O error for the rest), `check`.
void SweepFileFaults(const std::function<void()>& prepare, const std::function<void()>& run,
                     const std::function<void(const FileFault&)>& check);

}  // namespace qp::test
