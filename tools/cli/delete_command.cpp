// quillpack delete: removes entries, or whole folders given as "folder\" or "folder\*.*".
#include <string>

#include "editing/delete_files.h"
#include "platform/file.h"
#include "tools/cli/commands.h"

namespace qp::cli {

int DeleteCommand(const Options& options, Progress& progress) {
    std::string list;
    for (const std::string& entry : options.operands) {
        // The host's list format ends at an item of 255 characters or more.
        if (entry.size() >= 255) return Fail(entry, "entry name too long (254 characters at most)");
        list += entry;
        list.push_back('\0');
    }
    list.push_back('\0');
    if (!PathExists(options.archive.c_str())) return Fail(options.archive, "no such file");
    const EditResult result = DeleteEntries(options.archive.c_str(), list.c_str(), progress);
    if (result.outcome != Outcome::ok) return Fail(options.archive, EditResultText(result));
    return kSuccess;
}

}  // namespace qp::cli
