// The stored progress callbacks, and the reports that reach them.
#include "plugin/progress.h"

#include <cstdio>
#include <mutex>

#include "plugin/unicode_text.h"

namespace qp {
namespace {

thread_local HostCallback thread_callback;
thread_local bool thread_callback_set = false;

std::mutex last_lock;
HostCallback last_callback;

bool ToHost(void* context, const char* name, int size) {
    const HostCallback& callback = *static_cast<const HostCallback*>(context);
    // The host takes a writable name; give it a copy so it cannot touch ours.
    if (callback.wide != nullptr) {
        char16_t copy[1024];
        Utf16FromUtf8(EntryNameAsUtf8(name), copy, sizeof copy / sizeof copy[0]);
        return callback.wide(copy, size) != 0;
    }
    if (callback.ansi != nullptr) {
        char copy[1024];
        std::snprintf(copy, sizeof copy, "%s", name);
        return callback.ansi(copy, size) != 0;
    }
    return true;
}

}  // namespace

void StoreThreadCallback(const HostCallback& callback) {
    thread_callback = callback;
    thread_callback_set = true;
    const std::lock_guard<std::mutex> hold(last_lock);
    last_callback = callback;
}

HostCallback ThreadCallback() {
    if (thread_callback_set) return thread_callback;
    const std::lock_guard<std::mutex> hold(last_lock);
    return last_callback;
}

Progress HostProgress(const HostCallback& callback) {
    return Progress{ToHost, const_cast<HostCallback*>(&callback), false};
}

}  // namespace qp
