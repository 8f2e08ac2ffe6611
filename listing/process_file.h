// Skipping, testing or extracting the entry that ReadHeader described last.
#pragma once

#include "pbo/outcome.h"
#include "plugin/listing_state.h"

namespace qp {

// Extracts the current entry of `state` when `operation` is PK_EXTRACT, to `dest_path` followed
// directly by `dest_name` (either may be null); every other operation does nothing and returns
// ok. The archive position afterwards is the one before, so the listing goes on with the next
// entry. A joined destination of 260 characters or more is create_failed.
Outcome ProcessFile(ListingState& state, int operation, const char* dest_path,
                    const char* dest_name);

}  // namespace qp
