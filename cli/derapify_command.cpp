// quillpack derapify: the text of a rapified config, on standard output or in a file written
// whole.
#include <string>

#include "cli/commands.h"
#include "cli/rapified_entries.h"
#include "config/rapified_reader.h"
#include "platform/program_text.h"
#include "signing/small_file.h"

namespace qp::cli {
namespace {

// The largest config read: the game's own are some tens of megabytes, and the tree read from
// one takes several times its size.
constexpr std::uint32_t kLargestConfig = 256u << 20;
constexpr char kTooLargeText[] = "larger than 256 MiB, too large for a config";

}  // namespace

int DerapifyCommand(const Options& options) {
    const bool from_input = options.archive == "-";
    const std::string source = from_input ? "standard input" : options.archive;
    std::string bytes;
    const IoStatus read = from_input ? ReadStandardInput(bytes, kLargestConfig)
                                     : ReadSmallFile(options.archive, bytes, kLargestConfig);
    if (read == IoStatus::too_large) return Fail(source, kTooLargeText);
    if (read != IoStatus::ok) return Fail(source, IoStatusText(read));
    if (!config::IsRapified(bytes)) return Fail(source, kNotRapifiedText);
    std::string text;
    std::string error;
    if (!DerapifiedText(bytes, text, error)) return Fail(source, error);
    const auto size = static_cast<std::uint32_t>(text.size());
    if (options.output_file.empty() || options.output_file == "-") {
        const Transfer written = WriteBytes(StandardOutputFile(), text.data(), size);
        if (written.bytes != size) return Fail("standard output", IoStatusText(written.status));
        return kSuccess;
    }
    const IoStatus written = WriteSmallFile(options.output_file, text, true);
    if (written != IoStatus::ok) return Fail(options.output_file, IoStatusText(written));
    return kSuccess;
}

}  // namespace qp::cli
