// quillpack sort: the archive rewritten with its entries sorted by name, ignoring case.
#include "editing/sort_archive.h"
#include "cli/commands.h"
#include "cli/signing_steps.h"

namespace qp::cli {

int SortCommand(const Options& options, Progress& progress) {
    KeyFileRead key_file;
    if (!ReadSignKey(options, key_file)) return kFailure;
    const EditResult result = SortArchive(options.archive.c_str(), progress);
    if (result.outcome == Outcome::bad_archive) {
        return Fail(options.archive, ArchiveDamageText(options.archive) + "; left unchanged");
    }
    if (result.outcome != Outcome::ok) {
        return Fail(options.archive, EditResultText(result, CopyAdvice::none));
    }
    return FinishSignedEdit(options, key_file);
}

}  // namespace qp::cli
