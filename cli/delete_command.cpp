// quillpack delete: removes entries, or whole folders given as "folder\" or "folder\*.*"; when any
// of them is not in the archive, nothing.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "editing/delete_files.h"

namespace qp::cli {

int DeleteCommand(const Options& options, Progress& progress) {
    std::string list;
    for (const std::string& entry : options.operands) {
        // The host's list format ends at an item of 255 characters or more.
        if (entry.size() >= 255) {
            return Fail(entry, "entry name too long (254 characters at most); nothing deleted");
        }
        list += entry;
        list.push_back('\0');
    }
    list.push_back('\0');
    std::vector<std::string> unmatched;
    const EditResult result = DeleteEntries(options.archive.c_str(), list.c_str(), progress,
                                            &unmatched, options.in_place);
    if (result.outcome != Outcome::ok) return Fail(options.archive, EditResultText(result));
    for (const std::string& item : unmatched) Fail(item, "not in the archive; nothing deleted");
    return unmatched.empty() ? kSuccess : kFailure;
}

}  // namespace qp::cli
