// Testing an entry's data without writing it anywhere: the check behind "test archive".
#pragma once

#include <cstdint>

#include "listing/decode_entry.h"
#include "pbo/entry_record.h"
#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

// What is wrong with an entry's data.
enum class DataFault {
    none,
    outside_file,  // the data runs past the end of the file, or its offset wrapped past 4 GiB
    stream_short,  // compressed data that ends before its original size
    sum_differs,   // compressed data whose stored sum does not match what it decodes to
    unreadable,    // a read failed
    no_memory,     // no memory for the decoder's buffers
    stopped,       // a report was answered with stop
};

struct DataCheck {
    DataFault fault;
    std::uint64_t decoded;       // the bytes a compressed stream gave before it ended
    std::uint32_t trailing = 0;  // bytes after a whole stream and its sum (decode_entry.h)
};

// Whether `size` bytes at `position`, counted in 64 bits, lie inside a file of `file_size` bytes;
// an empty entry always does.
bool DataInside(std::uint64_t position, std::uint32_t size, std::uint32_t file_size);

// Checks the data that `record` describes at `position` of `archive`, a file of `archive_size`
// bytes: it lies inside the file, and compressed data decodes to exactly its original size,
// counted but not kept, and matches the sum stored after it, if any; the bytes decoded are
// reported to `watch`. Reads through `archive`, whose position changes; writes nothing.
DataCheck CheckEntryData(FileHandle archive, std::uint32_t archive_size, std::uint64_t position,
                         const EntryRecord& record, const DataWatch& watch = {});

// The outcome a damaged entry gives its caller: bad_data for data that is outside the file,
// ends early or does not match its sum.
Outcome OutcomeOf(DataFault fault);

}  // namespace qp
