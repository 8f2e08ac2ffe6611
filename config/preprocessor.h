// The game's preprocessor over a text config: includes, macros, conditionals and comments, and
// the file and place any byte of its output came from, traced when an error asks for it.
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

// Preprocessed text and what it was made from. The places its bytes come from are not kept:
// only an error needs one, and Where finds it by preprocessing the same files again.
struct Preprocessed {
    std::string text;
    SourceFiles files;
    PreprocessSettings settings;  // what it was made with
    bool plain = false;           // no preprocessing: the text is files[0] as it is
};

// Preprocesses `text`, the file at `path`, into `out`. False with "FILE:LINE:COL: what was
// expected" in `error`, FILE being the file the fault stands in (an included one too).
bool Preprocess(const std::string& path, std::string text, const ReadInclude& read,
                const PreprocessSettings& settings, Preprocessed& out, std::string& error);

// The text alone, as one file of that name: for a parse of text that needs no preprocessing.
Preprocessed PlainText(std::string path, std::string text);

// "FILE:LINE:COL" of byte `output` of the text (its end included), through includes and macros:
// the files are preprocessed again, this time marking where each run of the output comes from.
std::string Where(const Preprocessed& preprocessed, std::size_t output);

}  // namespace qp::config
