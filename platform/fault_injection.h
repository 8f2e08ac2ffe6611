// Test hook of the file services: count the calls of each kind, and fail the Nth one.
#pragma once

#include "platform/file.h"

namespace qp {

// The kinds of call a plan counts and can fail. `seek` covers SeekTo and SeekBy.
enum class FileCall { open, close, read, write, seek, size, set_end, map };
inline constexpr int kFileCallKinds = 8;

// A failing call does what the system does when it fails: an open gives no handle, a read or
// write transfers no bytes (a write on a full disk), a map gives no view, a close still releases
// the handle. Each then reports `status`. Every other call goes to the backend unchanged.
struct FaultPlan {
    FileCall kind;
    int failing;  // the Nth call of `kind` from the start of the plan fails; 0 fails none
    IoStatus status;
};

// Process-wide, like the rest of the plugin's state; the plugin itself never sets a plan.
// Starting a plan sets every count to zero; without a plan nothing is counted.
void StartFaultPlan(const FaultPlan& plan);
void StopFaultPlan();
// The calls of `kind` made since the plan started.
int FileCallCount(FileCall kind);

}  // namespace qp
