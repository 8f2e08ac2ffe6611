// Test controls of the splices: the buffered path on demand, and one injected failure.
#pragma once

namespace qp {

// Process-wide like the rest of the plugin's state; the plugin itself never changes it.
struct SpliceControl {
    bool force_buffered = false;  // move through a buffer even when the file could be mapped
    int failing_splice = 0;       // the Nth splice from now fails once its file is open (0: none)
};

extern SpliceControl splice_control;

// Counts one splice; true when it is the one that must fail.
bool SpliceFailureInjected();

}  // namespace qp
