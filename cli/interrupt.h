// SIGINT and SIGTERM: the tool stops at the command's next progress report instead of dying with
// an edit half done.
#pragma once

namespace qp::cli {

// From now on the first SIGINT or SIGTERM is noted; a second one ends the tool at once.
void CatchInterrupts();

// The signal that came, or 0.
int InterruptSignal();

}  // namespace qp::cli
