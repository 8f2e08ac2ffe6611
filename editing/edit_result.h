// How an edit of an archive ended, with what the tool needs to say why.
#pragma once

#include <string>

#include "pbo/outcome.h"
#include "platform/file.h"

namespace qp {

struct EditResult {
    Outcome outcome = Outcome::ok;
    IoStatus status = IoStatus::ok;  // the system's reason, when a file operation failed
    std::string failed_path;         // the file that failed, when it is not the archive
};

}  // namespace qp
