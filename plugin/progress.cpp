// The stored progress callback.
#include "plugin/progress.h"

#include <cstdio>

namespace qp {
namespace {

ProcessDataProc stored_callback = nullptr;

}  // namespace

void StoreProgressCallback(ProcessDataProc callback) {
    stored_callback = callback;
}

void ReportProgress(const char* name, int size) {
    if (stored_callback == nullptr) return;
    // The host takes a writable name; give it a copy so it cannot touch ours.
    char copy[1024];
    std::snprintf(copy, sizeof copy, "%s", name);
    stored_callback(copy, size);
}

void ReportProgress(const char* label, const char* name, int size) {
    char text[1024];
    std::snprintf(text, sizeof text, "%s%s", label, name);
    ReportProgress(text, size);
}

}  // namespace qp
