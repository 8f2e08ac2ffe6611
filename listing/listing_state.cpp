// The listing state, its reader and the start of a pass.
#include "listing/listing_state.h"

namespace qp {

const char* ReadCString(ArchiveReader& reader) {
    return ReadCString(reader.input, reader.strings);
}

std::uint32_t Position(const ArchiveReader& reader) {
    return ReaderPosition(reader.input);
}

void BeginPass(ListingState& state, FileHandle file) {
    state.header_seen = false;
    state.running_offset = 0;
    state.data_start_known = false;
    state.damaged = false;
    state.archive_size = file != nullptr ? FileSize32(file) : SizeResult{0, IoStatus::not_found};
    state.reader = std::make_unique<ArchiveReader>();
    StartReader(state.reader->input, file, file != nullptr ? CurrentPosition(file) : 0);
}

}  // namespace qp
