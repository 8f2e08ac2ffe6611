// quillpack rapify: a text config preprocessed and written in the rapified form the game reads.
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/header_files.h"
#include "cli/source_folder.h"
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

// The folder of an addon that the config lies in: the nearest folder at or above the config's own
// that holds a $PBOPREFIX$, standing for its prefix, as `build` of that folder would take it.
bool AddonRoot(const std::string& file, config::IncludeFolders& folders) {
    std::filesystem::path folder = PathFromUtf8(file).parent_path();
    std::error_code error;
    for (int level = 0; level < 64; ++level) {
        const std::filesystem::path prefix_file =
            (folder.empty() ? std::filesystem::path(".") : folder) / kPrefixFileName;
        if (std::filesystem::is_regular_file(prefix_file, error)) {
            std::string text;
            if (!ReadFolderFile(Utf8FromPath(prefix_file), text)) return false;
            bool more_lines = false;
            const std::string prefix = PrefixFromFile(text, more_lines);
            const std::string root = folder.empty() ? "." : Utf8FromPath(folder);
            if (!prefix.empty()) folders.roots.push_back({prefix, root});
            return true;
        }
        if (!folder.has_relative_path() || folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return true;
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
    if (!AddonRoot(file, folders)) return kFailure;
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
