// How an edit of an archive ended, with what the tool needs to say why.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

// Why the copy of the archive that an edit writes beside it could not be made. The archive is
// then as it was; the edit in place, which needs no copy, is left to the user to choose.
enum class CopyRefusal {
    none,
    no_room,        // the volume has too little free space: `copy_size` and `free_space`
    cannot_create,  // the folder `copy_path` takes no new file: `status` says why
    not_ours,       // something the edit did not leave stands at `copy_path`: a link, a folder...
};

struct EditResult {
    Outcome outcome = Outcome::ok;
    IoStatus status = IoStatus::ok;  // the system's reason, when a file operation failed
    std::string failed_path;         // the file that failed, when it is not the archive
    int system_error = 0;            // the system's own code for `status`, for its words
    CopyRefusal copy = CopyRefusal::none;
    std::string copy_path = {};    // the folder of the copy, or what stands at its name
    std::uint64_t copy_size = 0;   // no_room: the bytes the copy needs
    std::uint64_t free_space = 0;  // no_room: the bytes free on its volume
};

// A failure of a file operation, with the system's code for `status` taken at once, before
// later calls report failures of their own.
inline EditResult FailedEdit(Outcome outcome, IoStatus status, std::string failed_path = {}) {
    return {outcome, status, std::move(failed_path), SystemErrorFor(status)};
}

}  // namespace qp
