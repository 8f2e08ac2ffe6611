// The trailer's digest after an edit in place, which changes the archive where it lies.
#pragma once

#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

// When the archive (held open for reading and writing) ends in a trailer, writes into it the
// SHA-1 of every byte before it, in one read pass over the archive; an archive without one is
// left as it is. The archive is whole before and after; a failure leaves only the digest out of
// date.
Outcome RestampTrailer(FileHandle archive);

}  // namespace qp
