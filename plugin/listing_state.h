// The one listing or extraction pass the plugin serves at a time.
#pragma once

#include "listing/listing_state.h"

namespace qp {

// Process-wide: the host's calls of one pass reach the plugin one by one.
extern ListingState listing_state;

}  // namespace qp
