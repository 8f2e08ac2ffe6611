// Reading text configs and their includes from the disk, and rapifying the configs of a build.
#include "cli/text_configs.h"

#include <memory>

#include "cli/commands.h"
#include "config/preprocessor.h"
#include "config/rapified_reader.h"
#include "config/text_parser.h"
#include "pbo/entry_name.h"
#include "signing/small_file.h"

namespace qp::cli {
namespace {

// No text config comes near this; a larger file is refused rather than read whole.
constexpr std::uint32_t kLargestConfig = 256u << 20;

config::IncludeRead ReadFromDisk(const std::string& path, std::string& text, std::string& reason) {
    const IoStatus read = ReadSmallFile(path, text, kLargestConfig);
    if (read == IoStatus::ok) return config::IncludeRead::ok;
    if (read == IoStatus::not_found) return config::IncludeRead::not_found;
    reason = read == IoStatus::too_large ? "larger than 256 MiB" : IoStatusText(read);
    return config::IncludeRead::failed;
}

bool EndsWithName(const std::string& name, std::string_view ending) {
    return name.size() >= ending.size() &&
           SameEntryName(name.substr(name.size() - ending.size()), std::string(ending));
}

// What `build` makes of an entry: rapified under the name given back, or (empty) packed as is.
std::string RapifiedName(const std::string& entry_name) {
    const std::size_t part = entry_name.rfind('\\') + 1;  // 0 when there is no folder
    const std::string file = entry_name.substr(part);
    if (SameEntryName(file, "config.cpp")) return entry_name.substr(0, part) + "config.bin";
    if (EndsWithName(file, ".rvmat")) return entry_name;
    return {};
}

// Whether the file at `path` already holds a rapified config; false too when it cannot be read,
// which its rapifying then says.
bool HoldsRapified(const std::string& path) {
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    if (file.handle == nullptr) return false;
    char start[4] = {};
    const Transfer read = ReadBytes(file.handle, start, sizeof start);
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    return config::IsRapified(std::string_view(start, read.bytes));
}

}  // namespace

bool RapifyConfigFile(const std::string& path, const config::IncludeFolders& folders,
                      std::string& bytes, std::string& error) {
    std::string text;
    std::string reason;
    if (ReadFromDisk(path, text, reason) != config::IncludeRead::ok) {
        error = path + ": " + (reason.empty() ? IoStatusText(IoStatus::not_found) : reason);
        return false;
    }
    config::PreprocessSettings settings;
    settings.include_folders = folders;
    config::Preprocessed preprocessed;
    return config::Preprocess(path, std::move(text), ReadFromDisk, settings, preprocessed, error) &&
           config::RapifyText(preprocessed, bytes, error);
}

int FailConfig(const std::string& error) {
    // "FILE:LINE:COL: what" is said as FILE:LINE:COL, the place, and what.
    const std::size_t split = error.find(": ");
    if (split == std::string::npos) return Fail("-", error);
    return Fail(error.substr(0, split), error.substr(split + 2));
}

bool RapifyFolderConfigs(const std::string& folder, const std::string& prefix,
                         const std::vector<std::string>& include_folders, bool list_only,
                         std::vector<SourceFile>& files) {
    config::IncludeFolders folders;
    if (!prefix.empty()) folders.roots.push_back({prefix, folder});
    folders.folders = include_folders;
    for (SourceFile& file : files) {
        std::string name = RapifiedName(file.entry_name);
        if (name.empty() || HoldsRapified(file.source_path)) continue;
        file.entry_name = std::move(name);
        if (list_only) continue;
        auto bytes = std::make_shared<std::string>();
        std::string error;
        if (!RapifyConfigFile(file.source_path, folders, *bytes, error)) {
            FailConfig(error + "; nothing written");
            return false;
        }
        file.content = std::move(bytes);
    }
    return true;
}

}  // namespace qp::cli
