// A progress bar on standard error, shown only when standard error is a terminal.
#pragma once

#include "pbo/progress.h"

namespace qp::cli {

// The reports of one command: drawn as a bar when standard error is a terminal, and answered
// with stop once an interrupt came.
Progress StartProgressBar();
// Clears the bar's line, if one was drawn.
void EndProgressBar();

}  // namespace qp::cli
