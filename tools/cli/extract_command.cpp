// quillpack extract: every entry, or the named ones, below the target folder.
#include <filesystem>
#include <string>
#include <vector>

#include "listing/process_file.h"
#include "listing/read_header.h"
#include "pbo/entry_name.h"
#include "pbo/folder_item.h"
#include "tools/cli/commands.h"
#include "tools/cli/entry_paths.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// An operand names an entry exactly, or a folder as "folder\" or "folder\*.*".
bool Selected(const std::vector<std::string>& operands, const std::string& name,
              std::vector<bool>& used) {
    if (operands.empty()) return true;
    bool selected = false;
    for (std::size_t i = 0; i < operands.size(); ++i) {
        const std::string folder = FolderPrefix(operands[i].c_str());
        if (folder.empty() ? SameEntryName(name, operands[i]) : InEntryFolder(name, folder)) {
            used[i] = true;
            selected = true;
        }
    }
    return selected;
}

}  // namespace

int ExtractCommand(const Options& options, Progress& progress) {
    const OpenResult file = OpenFile(options.archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) return Fail(options.archive, IoStatusText(file.status));
    std::vector<bool> used(options.operands.size(), false);
    ListingState state;
    BeginPass(state, file.handle);
    HeaderInfo info{};
    int status = kSuccess;
    while (ReadHeader(state, file.handle, info) == Outcome::ok) {
        const std::string name = state.current_name;
        if (!Selected(options.operands, name, used)) continue;
        const std::string unsafe = UnsafeEntryReason(name);
        if (!unsafe.empty()) {
            status = Fail(name, "refused, it would be written outside the folder (" + unsafe + ")");
            continue;
        }
        const fs::path target = TargetPath(options.folder, name);
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        const Outcome outcome =
            ProcessFile(state, kExtractEntry, nullptr, target.string().c_str(), progress);
        if (outcome != Outcome::ok) status = Fail(target.string(), OutcomeText(outcome));
        if (progress.cancelled) break;
    }
    CloseFile(file.handle);
    if (state.header_seen && !state.data_start_known) {
        status = Fail(options.archive, "damaged archive: the header is cut short");
    }
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (!used[i]) status = Fail(options.operands[i], "not in the archive");
    }
    return status;
}

}  // namespace qp::cli
