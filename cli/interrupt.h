// SIGINT and SIGTERM: the tool stops at the command's next progress report instead of dying with
// an edit half done.
#pragma once

#include "pbo/progress.h"

namespace qp::cli {

// From now on the first SIGINT or SIGTERM is noted; a second one ends the tool at once.
void CatchInterrupts();

// The signal that came, or 0.
int InterruptSignal();

// For the walks that make no progress report (entries matched against names, files of a folder):
// whether an interrupt came. Then `progress` is marked stopped, so that the command ends as one
// stopped by it.
bool StopAtInterrupt(Progress& progress);

// Reports that are drawn nowhere and answered with stop once an interrupt came: for a pass over
// bytes that another pass reports.
Progress InterruptOnlyProgress();

}  // namespace qp::cli
