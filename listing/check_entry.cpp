// The test of an entry's data: where it lies, and what its stream decodes to.
#include "listing/check_entry.h"

namespace qp {

bool DataInside(std::uint64_t position, std::uint32_t size, std::uint32_t file_size) {
    // No bytes are needed of an empty entry, wherever the data area it belongs to ends.
    return size == 0 || position + size <= file_size;
}

DataCheck CheckEntryData(FileHandle archive, std::uint32_t archive_size, std::uint64_t position,
                         const EntryRecord& record, const DataWatch& watch) {
    if (!DataInside(position, record.data_size, archive_size)) return {DataFault::outside_file, 0};
    if (record.method != kMethodCompressed) return {DataFault::none, 0};
    const std::unique_ptr<DecodeBuffers> buffers = NewDecodeBuffers();
    if (!buffers) return {DataFault::no_memory, 0};
    if (SeekTo(archive, static_cast<std::uint32_t>(position)) != IoStatus::ok) {
        return {DataFault::unreadable, 0};
    }
    const Decoded result =
        DecodeEntry(archive, record.data_size, record.original_size, nullptr, *buffers, watch);
    switch (result.outcome) {
        case Outcome::ok:
            return {DataFault::none, result.decoded, result.trailing};
        case Outcome::bad_data:
            return {result.sum_differs ? DataFault::sum_differs : DataFault::stream_short,
                    result.decoded};
        case Outcome::aborted:
            return {DataFault::stopped, result.decoded};
        default:
            return {DataFault::unreadable, result.decoded};
    }
}

Outcome OutcomeOf(DataFault fault) {
    switch (fault) {
        case DataFault::none:
            return Outcome::ok;
        case DataFault::outside_file:
        case DataFault::stream_short:
        case DataFault::sum_differs:
            return Outcome::bad_data;
        case DataFault::stopped:
            return Outcome::aborted;
        case DataFault::unreadable:
            return Outcome::read_failed;
        case DataFault::no_memory:
            return Outcome::no_memory;
    }
    return Outcome::bad_data;
}

}  // namespace qp
