// One progress line on standard error: files done of the total, megabytes, rate.
#pragma once

#include <cstdint>

#include "pbo/progress.h"

namespace qp::cli {

// The reports of one command: drawn as one line redrawn in place when standard error is a
// terminal, as a line now and then with `always` (--progress) when it is not, and not at all
// otherwise; answered with stop once an interrupt came.
Progress StartProgressBar(bool always);
// The files the command is about to write or pack, for "files done of total". A "Packing - "
// report counts one file done; commands whose reports do not count files call FileDone.
void ExpectFiles(std::uint64_t files);
void FileDone();
// Draws the last state and clears the line, if one was drawn on a terminal.
void EndProgressBar();

}  // namespace qp::cli
