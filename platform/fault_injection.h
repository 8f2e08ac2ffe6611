// Test hook of the file services: count the calls of each kind, note when, and fail the Nth one.
#pragma once

#include "platform/file.h"

namespace qp {

// The kinds of call a plan counts and can fail. `open` covers OpenFile and CreatePartFile, `read`
// ReadBytes and ReadAt, `write` WriteBytes, `seek` SeekTo and SeekBy, `replace` MoveOverFile,
// MoveNewFile and PlacePartFile.
enum class FileCall { open, close, read, write, seek, size, set_end, map, flush, replace };
inline constexpr int kFileCallKinds = 10;

// A failing call does what the system does when it fails: an open gives no handle, a read or
// write transfers no bytes, or with `partial` the first half of them (rounded down), as a read
// cut short or a disk that fills up part way does; a map gives no view; a close still releases
// the handle; a replacement changes nothing. Each then reports `status`. Every other call goes to
// the backend unchanged.
struct FaultPlan {
    FileCall kind;
    int failing;  // the Nth call of `kind` from the start of the plan fails; 0 fails none
    IoStatus status;
    bool partial = false;
};

// Handles opened and views mapped since the plan started that are still held: a run that
// releases all it acquires ends at zero.
struct HeldFiles {
    int handles;
    int views;
};

// Process-wide, like the rest of the plugin's state; the plugin itself never sets a plan.
// Starting a plan sets every count to zero; without a plan nothing is counted. Only the calls of
// the thread that started the plan count: those of a helper thread (the one that hashes beside
// an edit's writing) go to the backend unchanged, so that every run counts the same calls.
void StartFaultPlan(const FaultPlan& plan);
void StopFaultPlan();
// The calls of `kind` made since the plan started.
int FileCallCount(FileCall kind);
// When the first and the latest call of `kind` since the plan started began, in seconds after its
// start; both -1 when there was none. A benchmark reads an edit's phases from them.
struct FileCallTimes {
    double first;
    double latest;
};
FileCallTimes FileCallTimesOf(FileCall kind);
HeldFiles FilesHeld();

}  // namespace qp
