// A progress bar on standard error, shown only when standard error is a terminal.
#pragma once

namespace qp::cli {

// Routes the core's progress reports to the bar when standard error is a terminal.
void StartProgressBar();
// Clears the bar's line, if one was drawn.
void EndProgressBar();

}  // namespace qp::cli
