// Driving the plugin's Unicode functions as a Unicode host does: paths and names in UTF-16.
#pragma once

#include <string>
#include <vector>

#include "host/wcx_host_driver.h"

namespace qp::host {

// Every text here is UTF-8 and crosses to the plugin as UTF-16.

// OpenArchiveW(PK_OM_LIST), ReadHeaderExW and ProcessFileW(PK_SKIP) to the end; the names are
// appended to `names`. Returns the last ReadHeaderExW result or the OpenResult.
int ListArchiveW(const Plugin& plugin, const std::string& archive, std::vector<std::string>& names);

// OpenArchiveW(PK_OM_EXTRACT), then each entry into `folder` under its own name with the full
// target in DestName, its folders made first. Returns as ListArchiveW.
int ExtractArchiveW(const Plugin& plugin, const std::string& archive, const std::string& folder,
                    std::vector<ExtractedEntry>& entries);

// SetProcessDataProcW(-1) and PackFilesW; `source_folder` ends in a backslash.
int PackFilesW(const Plugin& plugin, const std::string& archive, const std::string& source_folder,
               const std::vector<std::string>& items);

// SetProcessDataProcW(-1) and DeleteFilesW.
int DeleteEntriesW(const Plugin& plugin, const std::string& archive,
                   const std::vector<std::string>& items);

}  // namespace qp::host
