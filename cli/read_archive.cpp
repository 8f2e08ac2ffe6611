// Opening an archive to read: a file that is no PBO at all is said to be so, before anything is
// shown or written from it.
#include "cli/commands.h"
#include "listing/detect_archive.h"

namespace qp::cli {

OpenResult OpenArchiveToRead(const std::string& path) {
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    if (file.handle == nullptr) {
        Fail(path, IoStatusText(file.status));
    } else if (!StartsLikeArchive(file.handle)) {
        CloseFile(file.handle);  // read only: nothing to lose when the close fails
        Fail(path, kNotArchiveText);
        return {nullptr, IoStatus::not_regular};
    }
    return file;
}

}  // namespace qp::cli
