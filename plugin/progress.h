// The host's progress callback, stored once and handed to every long operation.
#pragma once

#include "pbo/progress.h"
#include "plugin/wcx_call.h"

namespace qp {

// A size of 0 or more is the bytes processed since the last report; -1 to -100 the percentage of
// the whole operation, negated. The host answers 0 when the user pressed Cancel.
using ProcessDataProc = int(WCX_CALL*)(char* file_name, int size);

void StoreProgressCallback(ProcessDataProc callback);

// Reports to the stored callback, if any; its answer 0 stops the operation.
Progress HostProgress();

}  // namespace qp
