// Skipping, testing or extracting the entry that ReadHeader described last.
#pragma once

#include "listing/listing_state.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp {

// What the host asks of the current entry, in the host's own numbers.
enum EntryOperation : int { kSkipEntry = 0, kTestEntry = 1, kExtractEntry = 2 };

// Extracts the current entry of `state` when `operation` is kExtractEntry, to `dest_path` and
// `dest_name` joined (either may be null), reporting to `progress`. An entry whose name the
// system's rules refuse (unsafe_names.h), or whose destination passes through a link below the
// folder the host extracts into (destination.h), is create_failed, and nothing is read or
// written; `shown_name` is the entry's name as the host was shown it (null: as stored). With
// kTestEntry it checks the entry instead and writes nothing: its data must lie inside the file
// and, compressed, decode to exactly its original size. Either gives bad_data for data outside
// the file (also when its offset passes 4 GiB) or a stream that ends early. Every other
// operation does nothing and returns ok. The archive position afterwards is the one before, so
// the listing goes on with the next entry. A joined destination longer than `max_destination`
// bytes is create_failed.
Outcome ProcessFile(ListingState& state, int operation, const char* dest_path,
                    const char* dest_name, Progress& progress,
                    std::size_t max_destination = kMaxAnsiDestination,
                    const char* shown_name = nullptr);

}  // namespace qp
