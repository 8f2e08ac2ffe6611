// Text configs on the disk rapified: the file and its includes read through the file services,
// preprocessed, parsed and written in the rapified form, for `rapify` and `build`.
#pragma once

#include <string>
#include <vector>

#include "config/include_paths.h"
#include "editing/pack_sources.h"

namespace qp::cli {

// The rapified bytes of the text config at `path`, its includes found through `folders`. False
// with where and why in `error`: "FILE:LINE:COL: what was expected", or "FILE: reason" for a file
// that cannot be read.
bool RapifyConfigFile(const std::string& path, const config::IncludeFolders& folders,
                      std::string& bytes, std::string& error);

// Says an error of RapifyConfigFile, its place first; returns kFailure.
int FailConfig(const std::string& error);

// The configs of a folder being built, rapified in place of their text: `config.cpp` as
// `config.bin`, a `*.rvmat` under its own name; files already rapified, and all others, stay as
// they are. `\` includes find the folder itself through `prefix` and the `include_folders`.
// With `list_only` the names change but nothing is rapified. False, after saying why, at the
// first config that does not preprocess or parse.
bool RapifyFolderConfigs(const std::string& folder, const std::string& prefix,
                         const std::vector<std::string>& include_folders, bool list_only,
                         std::vector<SourceFile>& files);

}  // namespace qp::cli
