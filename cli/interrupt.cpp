// Noting an interrupt for the progress reports to answer.
#include "cli/interrupt.h"

#include <csignal>

namespace qp::cli {
namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void Note(int signal) {
    caught = signal;
    // The next one does what it always does: someone who presses Ctrl-C twice means it.
    std::signal(signal, SIG_DFL);
}

}  // namespace

void CatchInterrupts() {
    std::signal(SIGINT, Note);
    std::signal(SIGTERM, Note);
}

int InterruptSignal() {
    return caught;
}

Progress InterruptOnlyProgress() {
    return {[](void*, const char*, int) { return caught == 0; }, nullptr, false};
}

bool StopAtInterrupt(Progress& progress) {
    if (caught == 0) return progress.cancelled;
    progress.cancelled = true;
    return true;
}

}  // namespace qp::cli
