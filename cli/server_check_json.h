// verify --keys --json: the server's check as one JSON document, for scripts.
#pragma once

#include <cstddef>
#include <vector>

#include "cli/server_check.h"

namespace qp::cli {

// {"keys": [{"file", "authority", "used"}, ...], "archives": [{"archive", "signatures",
// "authority", "result", "reason", "warnings"}, ...], "accepted", "not_accepted"} on standard
// output. "result" is "accepted", "unsigned", "no_key" or "rejected"; "authority" and "reason"
// are null where there is none. False when the output could not be written whole.
bool PutServerCheckJson(const std::vector<FolderKey>& keys,
                        const std::vector<ArchiveVerdict>& verdicts, std::size_t accepted);

}  // namespace qp::cli
