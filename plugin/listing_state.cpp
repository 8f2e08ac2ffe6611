// The process-wide listing state, empty at load.
#include "plugin/listing_state.h"

namespace qp {

ListingState listing_state;

}  // namespace qp
