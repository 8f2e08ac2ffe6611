// An entry's data in memory: its first bytes, to tell what it holds, or all of it, to read it as
// a whole (a config).
#pragma once

#include <cstdint>
#include <string>

#include "pbo/entry_record.h"
#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

// Up to `count` bytes from the start of what the entry whose data lies at `position` extracts
// to: fewer when it is shorter or cannot be read. Decodes no more of a compressed entry than
// those bytes need.
std::string EntryStart(FileHandle archive, std::uint32_t position, const EntryRecord& record,
                       std::uint32_t count);

// What the entry extracts to, whole, checked as extraction checks it: ok; bad_data for data that
// lies outside the file, or compressed data that does not decode to exactly its size or does not
// match the sum after it (a size no stream of its length can reach is refused before any memory
// is taken for it); read_failed; no_memory.
Outcome ReadEntryWhole(FileHandle archive, std::uint32_t position, const EntryRecord& record,
                       std::string& bytes);

}  // namespace qp
