// How a long operation tells its caller how far it has come, and learns that the user cancelled.
#pragma once

namespace qp {

// A size of 0 or more is the bytes processed since the last report; -1 to -100 the percentage of
// the whole operation done, negated. The receiver answers false to stop the operation. Without a
// receiver reports go nowhere and nothing stops.
struct Progress {
    bool (*receiver)(void* context, const char* name, int size) = nullptr;
    void* context = nullptr;
    bool cancelled = false;  // a report was answered with stop
};

// Makes a report and returns whether to go on. Once a report has been answered with stop, later
// calls make no report and return false, so an operation winding down is not asked again.
bool Report(Progress& progress, const char* name, int size);
// A label such as "Packing - " followed by a name.
bool Report(Progress& progress, const char* label, const char* name, int size);

// The percentage report of `done` of `count` items: (int)(done * -100.0 / count).
int ItemsPercent(long long done, long long count);

}  // namespace qp
