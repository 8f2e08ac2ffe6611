// Ending a fuzz run loudly when an invariant breaks, so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace qp::fuzz {

inline void Check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

}  // namespace qp::fuzz
