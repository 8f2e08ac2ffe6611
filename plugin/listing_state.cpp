// The listing state, its reader and the start of a pass.
#include "plugin/listing_state.h"

namespace qp {

ListingState listing_state;

const char* ReadCString(ArchiveReader& reader) {
    return ReadCString(reader.file, reader.strings);
}

std::uint32_t Position(const ArchiveReader& reader) {
    return CurrentPosition(reader.file);
}

void BeginPass(ListingState& state, FileHandle file) {
    state.header_seen = false;
    state.running_offset = 0;
    state.data_start_known = false;
    state.reader = std::make_unique<ArchiveReader>(ArchiveReader{file, {}});
}

}  // namespace qp
