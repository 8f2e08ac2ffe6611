// The file services the core calls: each asks the test's fault plan first, then the backend; and
// the process's choice of path encoding.
#include <chrono>

#include "platform/fault_injection.h"
#include "platform/native_file.h"

namespace qp {
namespace {

struct ActivePlan {
    bool started;
    FaultPlan plan;
    int calls[kFileCallKinds];
    HeldFiles held;
    std::chrono::steady_clock::time_point start;
    FileCallTimes times[kFileCallKinds];
};

ActivePlan active{};
// Whether this thread started the plan: only its calls count.
thread_local bool planning_thread = false;
// Per thread: a plugin serving ANSI and Unicode calls on several threads at once sets it per call.
thread_local bool paths_are_utf8 = false;

// The latest failure the backend mapped on this thread, for SystemErrorFor.
struct SystemError {
    IoStatus status;
    int code;
};
thread_local SystemError latest_error{IoStatus::ok, 0};

// Whether the calls of this thread are counted now.
bool Counting() {
    return planning_thread && active.started;
}

// Counts the call; true when the plan fails it. Without a plan this is one branch.
bool Fails(FileCall kind) {
    if (!Counting()) return false;
    const int call = ++active.calls[static_cast<int>(kind)];
    FileCallTimes& times = active.times[static_cast<int>(kind)];
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - active.start;
    times = {call == 1 ? since.count() : times.first, since.count()};
    const bool fails = kind == active.plan.kind && call == active.plan.failing;
    // A failure of the plan's has no code of the system's.
    if (fails) latest_error = {active.plan.status, 0};
    return fails;
}

}  // namespace

void native::NoteSystemError(IoStatus status, int code) {
    latest_error = {status, code};
}

int SystemErrorFor(IoStatus status) {
    return latest_error.status == status ? latest_error.code : 0;
}

void SetPathsAreUtf8(bool utf8) {
    paths_are_utf8 = utf8;
}

bool PathsAreUtf8() {
    return paths_are_utf8;
}

void StartFaultPlan(const FaultPlan& plan) {
    active = {true, plan, {}, {}, std::chrono::steady_clock::now(), {}};
    for (FileCallTimes& times : active.times) times = {-1, -1};
    planning_thread = true;
}

void StopFaultPlan() {
    active = {};
    planning_thread = false;
}

int FileCallCount(FileCall kind) {
    return active.calls[static_cast<int>(kind)];
}

FileCallTimes FileCallTimesOf(FileCall kind) {
    return active.times[static_cast<int>(kind)];
}

HeldFiles FilesHeld() {
    return active.held;
}

namespace {

// Counts a handle an open gave.
OpenResult Held(const OpenResult& opened) {
    if (Counting() && opened.handle != nullptr) ++active.held.handles;
    return opened;
}

}  // namespace

OpenResult OpenFile(const char* path, OpenMode mode) {
    if (Fails(FileCall::open)) return {nullptr, active.plan.status};
    return Held(native::OpenFile(path, mode));
}

OpenResult CreatePartFile(const char* path) {
    if (Fails(FileCall::open)) return {nullptr, active.plan.status};
    return Held(native::CreatePartFile(path));
}

IoStatus CloseFile(FileHandle file) {
    const bool fails = Fails(FileCall::close);
    if (Counting() && file != nullptr) --active.held.handles;
    const IoStatus closed = native::CloseFile(file);
    return fails ? active.plan.status : closed;
}

Transfer ReadBytes(FileHandle file, void* buffer, std::uint32_t count) {
    if (Fails(FileCall::read)) {
        if (!active.plan.partial) return {0, active.plan.status};
        return {native::ReadBytes(file, buffer, count / 2).bytes, active.plan.status};
    }
    return native::ReadBytes(file, buffer, count);
}

Transfer WriteBytes(FileHandle file, const void* buffer, std::uint32_t count) {
    if (Fails(FileCall::write)) {
        if (!active.plan.partial) return {0, active.plan.status};
        return {native::WriteBytes(file, buffer, count / 2).bytes, active.plan.status};
    }
    return native::WriteBytes(file, buffer, count);
}

Transfer ReadAt(FileHandle file, std::uint32_t offset, void* buffer, std::uint32_t count) {
    if (Fails(FileCall::read)) {
        if (!active.plan.partial) return {0, active.plan.status};
        return {native::ReadAt(file, offset, buffer, count / 2).bytes, active.plan.status};
    }
    return native::ReadAt(file, offset, buffer, count);
}

IoStatus SeekTo(FileHandle file, std::uint32_t position) {
    if (Fails(FileCall::seek)) return active.plan.status;
    return native::SeekTo(file, position);
}

IoStatus SeekBy(FileHandle file, std::int32_t distance) {
    if (Fails(FileCall::seek)) return active.plan.status;
    return native::SeekBy(file, distance);
}

SizeResult FileSize32(FileHandle file) {
    if (Fails(FileCall::size)) return {0, active.plan.status};
    return native::FileSize32(file);
}

IoStatus SetEndOfFileHere(FileHandle file) {
    if (Fails(FileCall::set_end)) return active.plan.status;
    return native::SetEndOfFileHere(file);
}

Mapping MapFile(FileHandle file, MapAccess access, std::uint32_t size) {
    if (Fails(FileCall::map)) return {nullptr, 0, nullptr, active.plan.status};
    const Mapping mapping = native::MapFile(file, access, size);
    if (Counting() && mapping.native != nullptr) ++active.held.views;
    return mapping;
}

void UnmapFile(Mapping& mapping) {
    if (Counting() && mapping.native != nullptr) --active.held.views;
    native::UnmapFile(mapping);
}

IoStatus FlushFile(FileHandle file) {
    if (Fails(FileCall::flush)) return active.plan.status;
    return native::FlushFile(file);
}

IoStatus MoveOverFile(FileHandle replacement, const char* replacement_path, FileHandle& original,
                      const char* original_path) {
    if (Fails(FileCall::replace)) return active.plan.status;
    const IoStatus replaced =
        native::MoveOverFile(replacement, replacement_path, original, original_path);
    // The backend may have let go of the original to replace it.
    if (Counting() && original == nullptr) --active.held.handles;
    return replaced;
}

IoStatus MoveNewFile(const char* from, const char* to) {
    if (Fails(FileCall::replace)) return active.plan.status;
    return native::MoveNewFile(from, to);
}

IoStatus PlacePartFile(FileHandle part, const char* part_path, const char* target) {
    if (Fails(FileCall::replace)) return active.plan.status;
    return native::PlacePartFile(part, part_path, target);
}

}  // namespace qp
