// Progress reports and the answer that stops an operation.
#include "pbo/progress.h"

#include <string>

namespace qp {

bool Report(Progress& progress, const char* name, int size) {
    if (progress.cancelled) return false;
    if (progress.receiver == nullptr) return true;
    progress.cancelled = !progress.receiver(progress.context, name, size);
    return !progress.cancelled;
}

bool Report(Progress& progress, const char* label, const char* name, int size) {
    if (progress.cancelled) return false;
    if (progress.receiver == nullptr) return true;
    return Report(progress, (std::string(label) + name).c_str(), size);
}

int ItemsPercent(long long done, long long count) {
    return static_cast<int>(static_cast<double>(done) * -100.0 / static_cast<double>(count));
}

}  // namespace qp
