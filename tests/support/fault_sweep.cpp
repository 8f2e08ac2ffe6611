// The failure sweep over every kind of file call.
#include "support/fault_sweep.h"

namespace qp::test {
namespace {

constexpr const char* kCallNames[kFileCallKinds] = {"open", "close", "read",    "write",
                                                    "seek", "size",  "set_end", "map"};

}  // namespace

FileCallCounts CountFileCalls(const std::function<void()>& run) {
    StartFaultPlan({FileCall::open, 0, IoStatus::ok});
    run();
    FileCallCounts counts{};
    for (int kind = 0; kind < kFileCallKinds; ++kind) {
        counts[kind] = FileCallCount(static_cast<FileCall>(kind));
    }
    StopFaultPlan();
    return counts;
}

std::string Describe(const FileFault& fault) {
    return std::string(kCallNames[static_cast<int>(fault.kind)]) + " " +
           std::to_string(fault.call) + " of " + std::to_string(fault.calls);
}

void SweepFileFaults(const std::function<void()>& prepare, const std::function<void()>& run,
                     const std::function<void(const FileFault&)>& check) {
    prepare();
    const FileCallCounts counts = CountFileCalls(run);
    for (int kind = 0; kind < kFileCallKinds; ++kind) {
        const FileCall call_kind = static_cast<FileCall>(kind);
        const IoStatus status =
            call_kind == FileCall::write ? IoStatus::no_space : IoStatus::io_error;
        for (int call = 1; call <= counts[kind]; ++call) {
            prepare();
            StartFaultPlan({call_kind, call, status});
            run();
            StopFaultPlan();
            check({call_kind, call, counts[kind]});
        }
    }
}

}  // namespace qp::test
