// The host's progress callbacks: set per opened archive, or per thread for packing and deleting,
// and handed to every long operation.
#pragma once

#include "pbo/progress.h"
#include "plugin/wcx.h"

namespace qp {

// One of the two forms the host may give, the one it set last. A size of 0 or more is the bytes
// processed since the last report; -1 to -100 the percentage of the whole operation, negated. The
// host answers 0 when the user pressed Cancel.
struct HostCallback {
    tProcessDataProc ansi = nullptr;
    tProcessDataProcW wide = nullptr;
};

// The callback for operations on no opened archive (the host passes handle -1): each background
// operation sets its own on its own thread, so it is kept per thread. A thread that set none
// uses the one set last on any thread, as hosts that drive one operation at a time expect.
void StoreThreadCallback(const HostCallback& callback);
HostCallback ThreadCallback();

// Reports to `callback`, which must outlive the operation; its answer 0 stops the operation.
Progress HostProgress(const HostCallback& callback);

}  // namespace qp
