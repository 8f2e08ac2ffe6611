// What every fuzz target needs: a loud end when an invariant breaks, and a walk of a memory file.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "pbo/entry_walk.h"

namespace qp::fuzz {

// Aborts, so that libFuzzer reports the input and keeps it.
inline void Check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

// The editors' header walk of the file at `path`, opened and closed for it.
inline HeaderWalk WalkFile(const char* path) {
    const OpenResult opened = OpenFile(path, OpenMode::read);
    Check(opened.handle != nullptr, "the archive opens for the walk");
    HeaderWalk walk = WalkHeader(opened.handle);
    CloseFile(opened.handle);
    return walk;
}

}  // namespace qp::fuzz
