// quillpack delete: removes the entries the names pick, whole folders and globs included; when
// any name picks nothing, nothing.
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/name_patterns.h"
#include "cli/signing_steps.h"
#include "editing/delete_files.h"
#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"

namespace qp::cli {
namespace {

// The stored names of the entries the names pick, each once, as the host's list; false with a
// message for a name that picks nothing, or an archive that cannot be read, and without one at an
// interrupt.
bool PickedList(const Options& options, std::string& list, Progress& progress) {
    const OpenResult file = OpenArchiveToRead(options.archive);
    if (file.handle == nullptr) return false;
    const HeaderWalk walk = WalkHeader(file.handle);
    const SizeResult size = FileSize32(file.handle);
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    if (walk.damaged) return Refuse(options.archive, DamageText(walk, size.size));
    NamePicker picker = PickerFor(options.operands, options.exact_names);
    std::vector<std::string> picked;
    std::unordered_set<std::string> seen;
    for (const WalkedEntry& entry : walk.entries) {
        if (StopAtInterrupt(progress)) return false;
        // A name the archive holds twice goes once: deleting it deletes the last of them.
        if (Picks(picker, entry.name) && seen.insert(FoldedEntryName(entry.name)).second) {
            picked.push_back(entry.name);
        }
    }
    bool all_picked = true;
    for (const Unpicked& name : UnpickedNames(picker)) {
        all_picked = false;
        Fail(name.name, name.reason + "; nothing deleted");
    }
    for (const std::string& name : picked) {
        // The host's list format ends at an item of 255 characters or more.
        if (name.size() >= 255) {
            return Refuse(name, "entry name too long (254 characters at most); nothing deleted");
        }
        list += name;
        list.push_back('\0');
    }
    list.push_back('\0');
    return all_picked;
}

}  // namespace

int DeleteCommand(const Options& options, Progress& progress) {
    KeyFileRead key_file;
    if (!ReadSignKey(options, key_file)) return kFailure;
    for (const std::string& entry : options.operands) {
        if (entry.size() >= 255) {
            return Fail(entry, "entry name too long (254 characters at most); nothing deleted");
        }
    }
    std::string list;
    if (!PickedList(options, list, progress)) return kFailure;
    std::vector<std::string> unmatched;
    const EditResult result = DeleteEntries(options.archive.c_str(), list.c_str(), progress,
                                            &unmatched, options.in_place);
    if (result.outcome != Outcome::ok) {
        Fail(options.archive, EditResultText(result));
        return FinishFailedEdit(options, key_file);
    }
    // Another editor took entries away since they were picked.
    for (const std::string& item : unmatched) Fail(item, "not in the archive; nothing deleted");
    return unmatched.empty() ? FinishSignedEdit(options, key_file) : kFailure;
}

}  // namespace qp::cli
