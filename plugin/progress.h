// The host's progress callback, stored once and used by every long operation.
#pragma once

#include "plugin/wcx_call.h"

namespace qp {

// A size of 0 or more is the bytes processed since the last report; -1 to -100 the percentage of
// the whole operation, negated. The host's answer (cancel) is never looked at.
using ProcessDataProc = int(WCX_CALL*)(char* file_name, int size);

void StoreProgressCallback(ProcessDataProc callback);
// Calls the stored callback; without one, the report is skipped.
void ReportProgress(const char* name, int size);
// A label such as "Packing - " followed by a name.
void ReportProgress(const char* label, const char* name, int size);

}  // namespace qp
