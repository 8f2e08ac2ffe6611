// The game's preprocessor over a text config: includes, macros, conditionals and comments, with
// every byte of its output traced to the file and place it came from.
#pragma once

#include <functional>
#include <string>

#include "config/include_paths.h"
#include "config/macros.h"
#include "config/source_map.h"

namespace qp::config {

enum class IncludeRead { ok, not_found, failed };

// Reads the file at `path` for an `#include`: not_found sends the preprocessor on to the next
// place to look; failed stops it with `reason`. The front end supplies it, so that the
// preprocessor itself never opens a file (tests serve files from memory).
using ReadInclude =
    std::function<IncludeRead(const std::string& path, std::string& text, std::string& reason)>;

struct PreprocessSettings {
    IncludeFolders include_folders;
    ExpansionLimits limits;
    int max_include_depth = 32;
};

// Preprocesses `text`, the file at `path`, into `out`. False with "FILE:LINE:COL: what was
// expected" in `error`, FILE being the file the fault stands in (an included one too).
bool Preprocess(const std::string& path, std::string text, const ReadInclude& read,
                const PreprocessSettings& settings, Preprocessed& out, std::string& error);

}  // namespace qp::config
