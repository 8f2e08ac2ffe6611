// The stored progress callback, and the reports that reach it.
#include "plugin/progress.h"

#include <cstdio>

namespace qp {
namespace {

ProcessDataProc stored_callback = nullptr;

bool ToHost(void*, const char* name, int size) {
    if (stored_callback == nullptr) return true;
    // The host takes a writable name; give it a copy so it cannot touch ours.
    char copy[1024];
    std::snprintf(copy, sizeof copy, "%s", name);
    return stored_callback(copy, size) != 0;
}

}  // namespace

void StoreProgressCallback(ProcessDataProc callback) {
    stored_callback = callback;
}

Progress HostProgress() {
    return Progress{ToHost, nullptr, false};
}

}  // namespace qp
