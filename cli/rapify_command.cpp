// quillpack rapify: a text config preprocessed and written in the rapified form the game reads.
#include <string>

#include "cli/commands.h"
#include "cli/text_configs.h"
#include "pbo/entry_name.h"
#include "signing/small_file.h"

namespace qp::cli {
namespace {

// Beside the file: NAME.cpp as NAME.bin (config.cpp as config.bin), any other name with .bin
// added, so that the text is never the output.
std::string DefaultOutput(const std::string& file) {
    const std::size_t dot = file.size() >= 4 ? file.size() - 4 : 0;
    if (file.size() > 4 && SameEntryName(file.substr(dot), ".cpp")) {
        return file.substr(0, dot) + ".bin";
    }
    return file + ".bin";
}

}  // namespace

int RapifyCommand(const Options& options) {
    const std::string& file = options.archive;
    const std::string output =
        options.output_file.empty() ? DefaultOutput(file) : options.output_file;
    if (output != "-" && SameFile(file.c_str(), output.c_str())) {
        return Fail(output, "is the config itself; give another -o");
    }
    config::IncludeFolders folders;
    folders.folders = options.include_folders;
    std::string bytes;
    std::string error;
    if (!RapifyConfigFile(file, folders, bytes, error)) {
        return FailConfig(error + "; nothing written");
    }
    if (output == "-") {
        const auto size = static_cast<std::uint32_t>(bytes.size());
        const Transfer written = WriteBytes(StandardOutputFile(), bytes.data(), size);
        if (written.bytes == size) return kSuccess;
        return Fail("-", std::string("the output could not be written whole: ") +
                             IoStatusText(written.status));
    }
    const IoStatus written = WriteSmallFile(output, bytes, true);
    if (written != IoStatus::ok) return Fail(output, IoStatusText(written));
    return kSuccess;
}

}  // namespace qp::cli
