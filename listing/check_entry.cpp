// The test of an entry's data: where it lies, and what its stream decodes to.
#include "listing/check_entry.h"

#include "listing/decode_entry.h"

namespace qp {

bool DataInside(std::uint64_t position, std::uint32_t size, std::uint32_t file_size) {
    // No bytes are needed of an empty entry, wherever the data area it belongs to ends.
    return size == 0 || position + size <= file_size;
}

DataCheck CheckEntryData(FileHandle archive, std::uint32_t archive_size, std::uint64_t position,
                         const EntryRecord& record) {
    if (!DataInside(position, record.data_size, archive_size)) return {DataFault::outside_file, 0};
    if (record.method != kMethodCompressed) return {DataFault::none, 0};
    const std::unique_ptr<DecodeBuffers> buffers = NewDecodeBuffers();
    if (!buffers) return {DataFault::no_memory, 0};
    if (SeekTo(archive, static_cast<std::uint32_t>(position)) != IoStatus::ok) {
        return {DataFault::unreadable, 0};
    }
    std::uint64_t decoded = 0;
    IoStatus status = IoStatus::ok;
    const Outcome outcome = DecodeEntry(archive, record.data_size, record.original_size, nullptr,
                                        *buffers, decoded, status);
    if (outcome == Outcome::ok) return {DataFault::none, decoded};
    return {outcome == Outcome::bad_data ? DataFault::stream_short : DataFault::unreadable,
            decoded};
}

Outcome OutcomeOf(DataFault fault) {
    switch (fault) {
        case DataFault::none:
            return Outcome::ok;
        case DataFault::outside_file:
        case DataFault::stream_short:
            return Outcome::bad_data;
        case DataFault::unreadable:
            return Outcome::read_failed;
        case DataFault::no_memory:
            return Outcome::no_memory;
    }
    return Outcome::bad_data;
}

}  // namespace qp
