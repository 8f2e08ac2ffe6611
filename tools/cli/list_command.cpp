// quillpack list: name, size, date and method of every entry; --long adds the header extension.
#include <cstdio>

#include "listing/read_header.h"
#include "pbo/header_extension.h"
#include "tools/cli/commands.h"
#include "tools/dos_time_text.h"

namespace qp::cli {

int ListCommand(const Options& options) {
    const OpenResult file = OpenFile(options.archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) return Fail(options.archive, IoStatusText(file.status));
    const SizeResult size = FileSize32(file.handle);
    if (options.long_listing) {
        for (const auto& [key, value] : ReadHeaderExtension(file.handle)) {
            std::printf("extension  %s = %s\n", key.c_str(), value.c_str());
        }
        SeekTo(file.handle, 0);
    }
    ListingState state;
    BeginPass(state, file.handle);
    HeaderInfo info{};
    int entries = 0;
    while (ReadHeader(state, file.handle, info) == Outcome::ok) {
        const char* method = state.current_compressed ? "Cprs" : "stored";
        std::printf("%10u  %s  %-6s  %s", info.unp_size, FormatDosTime(info.file_time).c_str(),
                    method, info.file_name);
        if (state.current_compressed) {
            std::printf("  (%u bytes unpacked)", state.current_record.original_size);
        }
        std::printf("\n");
        ++entries;
    }
    CloseFile(file.handle);
    // The header must end with its end-of-header entry, and the data it describes must be there.
    const bool header_whole = state.data_start_known || !state.header_seen;
    const std::uint64_t data_end =
        static_cast<std::uint64_t>(static_cast<std::uint32_t>(state.data_start)) +
        static_cast<std::uint32_t>(state.running_offset);
    if (options.long_listing && state.data_start_known) {
        std::printf("data area starts at %d\n", state.data_start);
    }
    std::printf("%d entries\n", entries);
    if (!header_whole) return Fail(options.archive, "damaged archive: the header is cut short");
    if (state.data_start_known && data_end > size.size) {
        return Fail(options.archive, "damaged archive: the data area is cut short");
    }
    return kSuccess;
}

}  // namespace qp::cli
