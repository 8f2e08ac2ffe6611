// Texts for the portable file-service outcomes, shared by both backends.
#include "platform/file.h"

namespace qp {

const char* IoStatusText(IoStatus status) {
    switch (status) {
        case IoStatus::ok:
            return "success";
        case IoStatus::not_found:
            return "no such file or folder";
        case IoStatus::access_denied:
            return "permission denied";
        case IoStatus::in_use:
            return "in use by another program";
        case IoStatus::already_exists:
            return "file already exists";
        case IoStatus::truncated:
            return "unexpected end of file";
        case IoStatus::no_space:
            return "disk full (no space left on the device)";
        case IoStatus::too_large:
            return "file too large";
        case IoStatus::io_error:
            return "input/output error";
        case IoStatus::not_regular:
            return "not a regular file (a folder, device or pipe)";
        case IoStatus::link_refused:
            return "a symbolic link or junction, not followed";
        case IoStatus::name_too_long:
            return "name too long for the file system";
    }
    return "unknown error";
}

}  // namespace qp
